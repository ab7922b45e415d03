#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "engine/query.h"
#include "shell/SqlText.h"

namespace {

using namespace SqlText;

struct Case {
  const char* input;
  const char* expected;
};

TEST(Curata, TrimsAndFoldsInnerBlanks) {
  const Case cases[] = {
      {"  A   B  ", "A B"}, {"", ""},       {"   ", ""}, {"\t\r\nA\t", "A"}, {"A\tB", "A\tB"},
      {"a  b  c", "a b c"}, {"unu", "unu"},
  };
  for (const auto& c : cases) EXPECT_EQ(Curata(c.input), c.expected) << c.input;
}

TEST(FALStrToSQL, CleanedLiteralOrNull) {
  const Case cases[] = {
      {"   ", "NULL"},
      {"", "NULL"},
      {"  Ion   Popescu ", "\"Ion Popescu\""},
      {"Str. Lunga 5", "\"Str. Lunga 5\""},
      // A quote inside is doubled, so the literal holds exactly what was typed.
      {"Geam 4\" float", "\"Geam 4\"\" float\""},
      {"\"", "\"\"\"\""},
      {"O'Neil", "\"O'Neil\""},
      {"C:\\cale", "\"C:\\cale\""},
  };
  for (const auto& c : cases) EXPECT_EQ(FALStrToSQL(c.input), c.expected) << c.input;
}

TEST(FALNumar, ThreeDecimalsOrZero) {
  const Case cases[] = {
      {"12.5", "12.500"},  {"-3", "-3.000"},    {"12,5", "0.00"},
      {"abc", "0.00"},     {"", "0.00"},        {" 7 ", "7.000"},
      {"0.0005", "0.001"}, {"1e3", "1000.000"}, {"1234567.1", "1234567.100"},
  };
  for (const auto& c : cases) EXPECT_EQ(FALNumar(c.input), c.expected) << c.input;
}

TEST(PuneAnd, JoinsAdjacentConditions) {
  const Case cases[] = {
      {" (A=1)(B=2)(C=3) ", "(A=1) AND (B=2) AND (C=3)"},
      {"(STOC>0)", "(STOC>0)"},
      {"WHERE (STOC>0)(TIP=1)", "WHERE (STOC>0) AND (TIP=1)"},
      {"   ", ""},
      {"", ""},
      {"(A=1) (B=2)", "(A=1) (B=2)"},
  };
  for (const auto& c : cases) EXPECT_EQ(PuneAnd(c.input), c.expected) << c.input;
}

TEST(Escape, DoublesTheQuoteOfTheLiteral) {
  EXPECT_EQ(Escape("4\" x 2\""), "4\"\" x 2\"\"");
  EXPECT_EQ(Escape("O'Neil", '\''), "O''Neil");
  EXPECT_EQ(Escape("O'Neil"), "O'Neil");
  EXPECT_EQ(Quoted("  as typed \" "), "\"  as typed \"\" \"");
  EXPECT_EQ(Quoted(""), "\"\"");
}

TEST(FALStrToSQL, TextWithQuotesIsStoredExactlyAsTyped) {
  QTemporaryDir dir;
  const QString table = SqlText::Quoted(dir.filePath("Clienti.dbf"));
  auto run = [](const QString& sql) {
    lumi::TQuery q;
    q.SQL().Add(sql.toStdString());
    q.ExecSQL();
  };
  run("CREATE TABLE " + table + " (CODCLI DECIMAL(10,0), NUME CHAR(40), ADRESA CHAR(40))");
  const QString nume = "Geam 4\" \"float\" 'mat'";
  const QString adresa = "Str. \"Lunga\"";
  run("INSERT INTO " + table + " (CODCLI, NUME, ADRESA) VALUES (1, " + FALStrToSQL(nume) + ", " +
      FALStrToSQL("   ") + ")");
  run("UPDATE " + table + " SET ADRESA=" + FALStrToSQL(adresa) + " WHERE NUME=" + Quoted(nume));
  lumi::TQuery q;
  q.SQL().Add(("SELECT NUME, ADRESA FROM " + table).toStdString());
  q.Open();
  ASSERT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(QString::fromStdString(q.FieldByName("NUME").AsString()), nume);
  EXPECT_EQ(QString::fromStdString(q.FieldByName("ADRESA").AsString()), adresa);
}

}  // namespace
