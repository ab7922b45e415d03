#include "tests/store_grid/grid_fixture.h"

void GridFixture::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  Exec("CREATE TABLE " + Table() +
       " (COD DECIMAL(10,0), NUME CHAR(20), CANT DECIMAL(8,3), DATA DATE, GATA BOOLEAN,"
       " OBS BLOB(1,1))");
}

std::string GridFixture::Table() const {
  return "\"" + dir_.filePath("Stoc.dbf").toStdString() + "\"";
}

void GridFixture::Exec(const std::string& sql) {
  lumi::TQuery q;
  q.SQL().Add(sql);
  q.ExecSQL();
}

void GridFixture::Fill(int count) {
  Exec("BEGIN");
  for (int cod = 1; cod <= count; ++cod) {
    const std::string c = std::to_string(cod);
    Exec("INSERT INTO " + Table() + " (COD, NUME, CANT, DATA, GATA) VALUES (" + c + ", \"N" + c +
         "\", " + std::to_string(cod / 2.0) + ", \"" + (cod % 2 ? "05.01.2026" : "28.02.2025") +
         "\", " + (cod % 2 ? "FALSE" : "TRUE") + ")");
  }
  Exec("COMMIT");
}

void GridFixture::FillMany(int count) {
  Fill(1);
  for (int rows = 1; rows < count; rows *= 2) {
    Exec("INSERT INTO " + Table() + " (COD, NUME, CANT) SELECT COD+" + std::to_string(rows) +
         ", NUME, CANT FROM " + Table());
  }
}

void GridFixture::OpenAll(lumi::TQuery& q) {
  q.SQL().Clear();
  q.SQL().Add("SELECT * FROM " + Table() + " ORDER BY COD");
  q.Open();
}
