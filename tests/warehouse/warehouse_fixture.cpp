#include "tests/warehouse/warehouse_fixture.h"

#include <QDir>
#include <QTest>

#include "engine/query.h"
#include "shell/Balloon.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "tests/support/Drive.h"
#include "warehouse/Magazie.h"
#include "warehouse/MatIN.h"

namespace warehouse_test {

namespace {

std::string Lit(const QString& s) {
  return "\"" + QString(s).replace("\"", "\"\"").toStdString() + "\"";
}

std::string Num(double v) { return QString::number(v, 'f', 3).toStdString(); }

}  // namespace

void WarehouseTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  CaleProgram = dir_.path();
  CaleData = CaleProgram + "/Data";
  QDir().mkpath(CaleData);
  CreeazaFerestrele();
  Form1()->CreazaMagazieDBF();
  Form1()->StergePuneIndex(TablePath(), {"CODMAG", "DENUMIRE", "TIP"});
}

void WarehouseTest::TearDown() { DistrugeFerestrele(); }

QString WarehouseTest::TablePath() const { return CaleData + "\\Magazie.dbf"; }

void WarehouseTest::Seed(const Item& i) {
  lumi::TQuery q;
  q.SQL().Add("INSERT INTO \"" + TablePath().toStdString() + "\"");
  q.SQL().Add("(CODMAG,DATAIN,FURNIZOR,DENUMIRE,UM,CANTIN,LATIME,PRET,STOC,IESIT,TIP)");
  q.SQL().Add("VALUES (" + std::to_string(i.cod) + "," +
              Lit(i.datain.isEmpty() ? "01.03.2026" : i.datain) + "," + Lit(i.furnizor) + "," +
              Lit(i.denumire) + "," + Lit(i.um) + "," + Num(i.cantin) + "," + Num(i.latime) + "," +
              Num(i.pret) + "," + Num(i.stoc) + "," + Num(i.iesit) + "," + std::to_string(i.tip) +
              ")");
  q.ExecSQL();
  const int next = Form1()->CodExistent("CODMAG").toInt();
  if (next <= i.cod) Form1()->ScrieStr_in_Ini("INDEX", "CODMAG", QString::number(i.cod + 1));
}

std::vector<Item> WarehouseTest::OnDisk() const {
  lumi::TQuery q;
  q.SQL().Add("SELECT * FROM \"" + TablePath().toStdString() + "\" ORDER BY CODMAG");
  q.Open();
  std::vector<Item> items;
  for (q.First(); !q.Eof(); q.Next()) {
    auto s = [&](const char* f) { return QString::fromStdString(q.FieldByName(f).AsString()); };
    auto d = [&](const char* f) { return q.FieldByName(f).AsFloat(); };
    items.push_back({static_cast<int>(q.FieldByName("CODMAG").AsInteger()), s("DATAIN"),
                     s("FURNIZOR"), s("DENUMIRE"), s("UM"), d("CANTIN"), d("LATIME"), d("PRET"),
                     d("STOC"), d("IESIT"), static_cast<int>(q.FieldByName("TIP").AsInteger())});
  }
  return items;
}

QStringList WarehouseTest::Listed() const {
  QStringList names;
  QAbstractItemModel* m = Form6()->SMDBGrid1->model();
  for (int r = 0; r < m->rowCount(); ++r) names << m->index(r, 1).data().toString();
  return names;
}

void WarehouseTest::InWarehouse(const std::function<void()>& steps) {
  auto seen = drive::onNextModal([&](QWidget* w) {
    steps();
    if (w->isVisible()) QTest::keyClick(w, Qt::Key_Escape);
  });
  Form6()->ArataMagazie();
  EXPECT_TRUE(seen->seen);
  EXPECT_FALSE(Form6()->isVisible());
}

void WarehouseTest::InEntry(const QString& button, const std::function<void(TForm38*)>& steps) {
  auto seen = drive::onNextModal([&](QWidget*) {
    steps(Form38());
    if (Form38()->isVisible()) {
      ADD_FAILURE() << "the entry dialog stayed open";
      Form38()->reject();
    }
  });
  drive::clickOn(Form6(), button);
  EXPECT_TRUE(seen->seen) << "no entry dialog";
}

QString WarehouseTest::BalloonText() const {
  return Form1()->Hint1 && Form1()->Hint1->isVisible() ? Form1()->Hint1->Text() : QString();
}

QWidget* WarehouseTest::BalloonControl() const {
  return Form1()->Hint1 ? Form1()->Hint1->Control() : nullptr;
}

}  // namespace warehouse_test
