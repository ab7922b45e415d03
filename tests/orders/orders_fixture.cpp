#include "tests/orders/orders_fixture.h"

#include <QDir>
#include <map>
#include <QTest>

#include "engine/query.h"
#include "orders/Comenzi.h"
#include "shell/Balloon.h"
#include "shell/Formats.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "store/Schema.h"
#include "tests/support/Drive.h"

namespace orders_test {

namespace {

std::string Lit(const QString& s) {
  if (s.isEmpty()) return "NULL";
  return "\"" + QString(s).replace("\"", "\"\"").toStdString() + "\"";
}

std::string Num(double v) { return QString::number(v, 'f', 3).toStdString(); }
std::string Int(int v) { return std::to_string(v); }

void Exec(lumi::TQuery& q, const std::string& sql) {
  q.SQL().Clear();
  q.SQL().Add(sql);
  q.ExecSQL();
}

}  // namespace

Shop SampleShop() {
  Shop s;
  s.items = {
      {.cod = 1, .denumire = "GEAM 4MM", .um = "MP", .cantin = 100, .pret = 12.5, .stoc = 94,
       .iesit = 6, .tip = 0},
      {.cod = 2, .denumire = "OGLINDA", .um = "MP", .cantin = 20, .pret = 25, .stoc = 18,
       .iesit = 2, .tip = 0},
      {.cod = 3, .denumire = "CHIT", .um = "KG", .cantin = 1, .pret = 75, .stoc = 1, .tip = 1},
      {.cod = 4, .denumire = "TRANSPORT", .um = "BUC", .cantin = 1, .pret = 50, .stoc = 1,
       .tip = 2},
  };
  s.clients = {
      {.cod = 1, .nume = "ALFA SRL", .adresa = "STR. MORII 4, IASI", .tel = "0232111222",
       .cf = "RO123456", .obs = "CLIENT VECHI\r\nPLATESTE LA TERMEN\r\n"},
      {.cod = 2, .nume = "BETA GLASS", .adresa = "BD. UNIRII 10"},
      {.cod = 3, .nume = "O'NEIL DESIGN"},
      {.cod = 4, .nume = "ALBU ION"},
  };
  s.orders = {
      {.cod = 10, .client = 1, .cost = 175, .rest = 75},
      {.cod = 11, .client = 1, .data = "02.03.2026", .termen = "12.03.2026", .cost = 40,
       .rest = 40},
      {.cod = 12, .client = 1, .data = "01.02.2026", .termen = "05.02.2026", .predat = "DA",
       .cost = 300, .rest = 0},
      {.cod = 20, .client = 2, .cost = 0, .rest = 0},
      {.cod = 21, .client = 2, .predat = "DA", .cost = 80, .rest = 0},
      {.cod = 30, .client = 3, .cost = 25, .rest = 25},
  };
  s.lines = {
      {.order = 10, .cod = 100, .item = 4, .denumire = "TRANSPORT", .um = "BUC", .cant = 1,
       .pret = 50, .total = 50, .executat = "DA", .buc = 1},
      {.order = 10, .cod = 101, .total = 100, .titlu = "USA INTRARE"},
      {.order = 10, .cod = 102, .item = 1, .denumire = "GEAM 4MM", .um = "MP", .cant = 2,
       .pret = 12.5, .total = 75, .lung = 2, .lat = 1, .titlu = "USA INTRARE", .buc = 3},
      {.order = 10, .cod = 103, .item = 3, .denumire = "CHIT", .um = "KG", .cant = 1, .pret = 25,
       .total = 25, .executat = "DA", .titlu = "USA INTRARE", .buc = 1},
      {.order = 10, .cod = 104, .total = 25, .titlu = "FEREASTRA BAIE"},
      {.order = 10, .cod = 105, .item = 2, .denumire = "OGLINDA", .um = "MP", .cant = 1,
       .pret = 25, .total = 25, .executat = "DA", .lung = 1, .lat = 1,
       .titlu = "FEREASTRA BAIE", .buc = 1},
      {.order = 11, .cod = 110, .item = 3, .denumire = "CHIT", .um = "KG", .cant = 1, .pret = 40,
       .total = 40, .executat = "DA", .buc = 1},
      {.order = 12, .cod = 120, .item = 4, .denumire = "TRANSPORT", .um = "BUC", .cant = 6,
       .pret = 50, .total = 300, .executat = "DA", .buc = 1},
      {.order = 21, .cod = 210, .item = 4, .denumire = "TRANSPORT", .um = "BUC", .cant = 1,
       .pret = 50, .total = 80, .executat = "DA", .buc = 1},
      {.order = 30, .cod = 300, .item = 2, .denumire = "OGLINDA", .um = "MP", .cant = 1,
       .pret = 25, .total = 25, .lung = 1, .lat = 1, .buc = 1},
  };
  s.receipts = {
      {.cod = 1, .order = 10, .client = 1, .docjus = "CHITANTA 7", .suma = 100},
      {.cod = 2, .order = 12, .client = 1, .docjus = "OP 31", .suma = 300},
      {.cod = 3, .order = 21, .client = 2, .docjus = "CHITANTA 9", .suma = 80},
  };
  return s;
}

void OrdersTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  CaleProgram = dir_.path();
  CaleData = CaleProgram + "/Data";
  QDir().mkpath(CaleData);
  CreeazaFerestrele();
  TForm1* f = Form1();
  f->CreazaMagazieDBF();
  f->CreazaCapComDBF();
  f->CreazaComenziDBF();
  f->CreazaCapClientiDBF();
  f->CreazaPlatiDBF();
  for (const store::TableSchema& t : store::Tables()) {
    f->StergePuneIndex(CaleData + "\\" + t.file, t.indexColumns);
  }
}

void OrdersTest::TearDown() { DistrugeFerestrele(); }

QString OrdersTest::Table(const QString& file) const {
  return "\"" + CaleData + "\\" + file + "\"";
}

void OrdersTest::Seed(const Shop& s) {
  lumi::TQuery q;
  const std::string magazie = Table("Magazie.dbf").toStdString();
  const std::string clienti = Table("Clienti.dbf").toStdString();
  const std::string capcom = Table("CapCom.dbf").toStdString();
  const std::string comenzi = Table("Comenzi.dbf").toStdString();
  const std::string plati = Table("Plati.dbf").toStdString();
  Exec(q, "BEGIN");
  for (const Item& i : s.items) {
    Exec(q, "INSERT INTO " + magazie +
               " (CODMAG,DATAIN,FURNIZOR,DENUMIRE,UM,CANTIN,LATIME,PRET,STOC,IESIT,TIP) VALUES (" +
               Int(i.cod) + ",\"01.03.2026\",NULL," + Lit(i.denumire) + "," + Lit(i.um) + "," +
               Num(i.cantin) + "," + Num(i.latime) + "," + Num(i.pret) + "," + Num(i.stoc) + "," +
               Num(i.iesit) + "," + Int(i.tip) + ")");
  }
  for (const Client& c : s.clients) {
    q.SQL().Clear();
    q.SQL().Add("INSERT INTO " + clienti + " (CODCLI, NUME, ADRESA, TEL, CF, OBS) VALUES (" +
                Int(c.cod) + "," + Lit(c.nume) + "," + Lit(c.adresa) + "," + Lit(c.tel) + "," +
                Lit(c.cf) + ",:param0)");
    q.ParamByName("param0").SetAsBlob(c.obs.toStdString());
    q.ExecSQL();
  }
  for (const Order& o : s.orders) {
    Exec(q, "INSERT INTO " + capcom + " (CODCAP, DATA, TERMEN, COST, PREDAT, CODCLI, REST) VALUES (" +
               Int(o.cod) + "," + Lit(o.data) + "," + Lit(o.termen) + "," + Num(o.cost) + "," +
               Lit(o.predat) + "," + Int(o.client) + "," + Num(o.rest) + ")");
  }
  for (const Line& l : s.lines) {
    // A work heading carries only its order, code, title, mark and total.
    const bool heading = l.denumire.isEmpty();
    auto n = [heading](const std::string& v) { return heading ? std::string("NULL") : v; };
    Exec(q, "INSERT INTO " + comenzi +
               " (CODCAP,CODCOM,CODMAG,DENUMIRE,UM,CANT,PRET,TOTAL,EXECUTAT,LUNG,LAT,TITLU,BUC)"
               " VALUES (" +
               Int(l.order) + "," + Int(l.cod) + "," + (l.item ? Int(l.item) : "NULL") + "," +
               Lit(l.denumire) + "," + Lit(l.um) + "," + n(Num(l.cant)) + "," + n(Num(l.pret)) +
               "," + Num(l.total) + "," + Lit(l.executat) + "," + n(Num(l.lung)) + "," +
               n(Num(l.lat)) + "," + Lit(l.titlu) + "," + n(Int(l.buc)) + ")");
  }
  for (const Receipt& r : s.receipts) {
    Exec(q, "INSERT INTO " + plati + " (CODPL, CODCAP, CODCLI, DATA, DOCJUS, SUMA) VALUES (" +
               Int(r.cod) + "," + Int(r.order) + "," + Int(r.client) + "," + Lit(r.data) + "," +
               Lit(r.docjus) + "," + Num(r.suma) + ")");
  }
  Exec(q, "COMMIT");

  auto past = [](const QString& key, int highest) {
    if (Form1()->CodExistent(key).toInt() <= highest)
      Form1()->ScrieStr_in_Ini("INDEX", key, QString::number(highest + 1));
  };
  auto highest = [](const auto& rows) {
    int h = 0;
    for (const auto& r : rows) h = std::max(h, r.cod);
    return h;
  };
  past("CODMAG", highest(s.items));
  past("CODCLI", highest(s.clients));
  past("CODCAP", highest(s.orders));
  past("CODCOM", highest(s.lines));
  past("CODPL", highest(s.receipts));
}

namespace {

// Every row of a table by its code, read with `read` at each row.
template <class Row>
std::vector<Row> ReadAll(const QString& table, const char* key,
                         const std::function<Row(lumi::TQuery&)>& read) {
  lumi::TQuery q;
  q.SQL().Add("SELECT * FROM " + table.toStdString() + " ORDER BY " + key);
  q.Open();
  std::vector<Row> rows;
  for (q.First(); !q.Eof(); q.Next()) rows.push_back(read(q));
  return rows;
}

QString S(lumi::TQuery& q, const char* f) { return QString::fromStdString(q.FieldByName(f).AsString()); }
double D(lumi::TQuery& q, const char* f) { return q.FieldByName(f).AsFloat(); }
int I(lumi::TQuery& q, const char* f) { return static_cast<int>(q.FieldByName(f).AsInteger()); }

}  // namespace

std::vector<Item> OrdersTest::ItemsOnDisk() const {
  return ReadAll<Item>(Table("Magazie.dbf"), "CODMAG", [](lumi::TQuery& q) {
    return Item{I(q, "CODMAG"), S(q, "DENUMIRE"), S(q, "UM"),   D(q, "CANTIN"), D(q, "LATIME"),
                D(q, "PRET"),   D(q, "STOC"),     D(q, "IESIT"), I(q, "TIP")};
  });
}

std::vector<Receipt> OrdersTest::ReceiptsOnDisk() const {
  return ReadAll<Receipt>(Table("Plati.dbf"), "CODPL", [](lumi::TQuery& q) {
    return Receipt{I(q, "CODPL"), I(q, "CODCAP"), I(q, "CODCLI"),
                   S(q, "DATA"),  S(q, "DOCJUS"), D(q, "SUMA")};
  });
}

QStringList OrdersTest::BrokenInvariants() const {
  using Formats::Amount;
  using Formats::Quantity;
  QStringList broken;
  for (const Item& i : ItemsOnDisk()) {
    if (i.tip == 0 && Quantity::FromDouble(i.stoc) + Quantity::FromDouble(i.iesit) !=
                          Quantity::FromDouble(i.cantin)) {
      broken << QString("item %1: STOC %2 + IESIT %3 != CANTIN %4")
                    .arg(i.cod).arg(i.stoc).arg(i.iesit).arg(i.cantin);
    }
  }
  std::map<int, Amount> lines, receipts;
  std::map<std::pair<int, QString>, Amount> works;
  for (const Line& l : LinesOnDisk()) {
    if (l.denumire.isEmpty()) continue;
    lines[l.order] += Amount::FromDouble(l.total);
    if (!l.titlu.isEmpty()) works[{l.order, l.titlu}] += Amount::FromDouble(l.total);
  }
  for (const Receipt& r : ReceiptsOnDisk()) receipts[r.order] += Amount::FromDouble(r.suma);
  for (const Order& o : OrdersOnDisk()) {
    const Amount cost = Amount::FromDouble(o.cost), rest = Amount::FromDouble(o.rest);
    if (cost != lines[o.cod])
      broken << QString("order %1: COST %2 != lines %3").arg(o.cod).arg(cost.ToString00(),
                                                                    lines[o.cod].ToString00());
    if (rest != cost - receipts[o.cod])
      broken << QString("order %1: REST %2 != COST %3 - receipts %4")
                    .arg(o.cod)
                    .arg(rest.ToString00(), cost.ToString00(), receipts[o.cod].ToString00());
  }
  for (const Line& l : LinesOnDisk()) {
    if (!l.denumire.isEmpty()) continue;
    const Amount total = Amount::FromDouble(l.total), sum = works[{l.order, l.titlu}];
    if (total != sum)
      broken << QString("work %1 of order %2: TOTAL %3 != lines %4")
                    .arg(l.titlu).arg(l.order).arg(total.ToString00(), sum.ToString00());
  }
  return broken;
}

std::vector<Client> OrdersTest::ClientsOnDisk() const {
  return ReadAll<Client>(Table("Clienti.dbf"), "CODCLI", [](lumi::TQuery& q) {
    return Client{I(q, "CODCLI"), S(q, "NUME"), S(q, "ADRESA"), S(q, "TEL"), S(q, "CF"),
                  S(q, "OBS")};
  });
}

std::vector<Order> OrdersTest::OrdersOnDisk() const {
  return ReadAll<Order>(Table("CapCom.dbf"), "CODCAP", [](lumi::TQuery& q) {
    return Order{I(q, "CODCAP"), I(q, "CODCLI"), S(q, "DATA"), S(q, "TERMEN"),
                 S(q, "PREDAT"), D(q, "COST"),   D(q, "REST")};
  });
}

std::vector<Line> OrdersTest::LinesOnDisk() const {
  return ReadAll<Line>(Table("Comenzi.dbf"), "CODCOM", [](lumi::TQuery& q) {
    return Line{I(q, "CODCAP"), I(q, "CODCOM"), I(q, "CODMAG"), S(q, "DENUMIRE"),
                S(q, "UM"),     D(q, "CANT"),   D(q, "PRET"),   D(q, "TOTAL"),
                S(q, "EXECUTAT"), D(q, "LUNG"), D(q, "LAT"),    S(q, "TITLU"),
                I(q, "BUC")};
  });
}

bool OrdersTest::IsNull(const QString& table, const QString& keyField, int key,
                        const QString& field) const {
  lumi::TQuery q;
  q.SQL().Add("SELECT * FROM " + Table(table).toStdString() + " WHERE " + keyField.toStdString() +
              "=" + std::to_string(key));
  q.Open();
  EXPECT_FALSE(q.IsEmpty()) << "no row " << key << " in " << table.toStdString();
  return q.FieldByName(field.toStdString()).IsNull();
}

QStringList OrdersTest::Listed(DbGrid* grid, int column) {
  QStringList texts;
  QAbstractItemModel* m = grid->model();
  for (int r = 0; r < m->rowCount(); ++r) texts << m->index(r, column).data().toString();
  return texts;
}

void OrdersTest::ClickRow(DbGrid* grid, int row) {
  const QModelIndex at = grid->model()->index(row, 0);
  ASSERT_TRUE(at.isValid()) << "no row " << row;
  grid->scrollTo(at);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(at).center());
}

QString OrdersTest::Counter(const char* key) const { return Form1()->CodExistent(key); }

QStringList OrdersTest::Clients() const { return Listed(Form7()->DBGrid1, 0); }
QStringList OrdersTest::Orders() const { return Listed(Form7()->DBGrid3, 1); }

QString OrdersTest::CurrentClient() const {
  return QString::fromStdString(Form7()->CLQ.FieldByName("NUME").AsString());
}
int OrdersTest::CurrentOrder() const {
  return static_cast<int>(Form7()->CZ1.FieldByName("CODCAP").AsInteger());
}
int OrdersTest::CurrentLine() const {
  return static_cast<int>(Form7()->DE1.FieldByName("CODCOM").AsInteger());
}

void OrdersTest::ChooseClient(const QString& name) {
  const int row = Clients().indexOf(name);
  ASSERT_GE(row, 0) << name.toStdString() << " is not listed";
  ClickRow(Form7()->DBGrid1, row);
}

void OrdersTest::ChooseOrder(int codcap) {
  const int row = Orders().indexOf(QString::number(codcap));
  ASSERT_GE(row, 0) << codcap << " is not listed";
  ClickRow(Form7()->DBGrid3, row);
}

void OrdersTest::ChooseLine(int codcom) {
  lumi::TQuery& de1 = Form7()->DE1;
  const int col = de1.FieldByName("CODCOM").Index();
  for (int r = 0; r < de1.RecordCount(); ++r) {
    if (de1.Cell(r, col).number() == codcom) {
      ClickRow(Form7()->DBGrid2, r);
      return;
    }
  }
  ADD_FAILURE() << "line " << codcom << " is not listed";
}

void OrdersTest::InOrders(const std::function<void()>& steps) {
  auto seen = drive::onNextModal([&](QWidget* w) {
    steps();
    if (w->isVisible()) QTest::keyClick(w, Qt::Key_Escape);
  });
  Form7()->ArataComenzi();
  EXPECT_TRUE(seen->seen);
  EXPECT_FALSE(Form7()->isVisible());
}

void OrdersTest::InDialog(const QString& button, const std::function<void(QWidget*)>& steps) {
  auto seen = drive::onNextModal([&](QWidget* w) {
    steps(w);
    if (w->isVisible()) {
      ADD_FAILURE() << "the dialog stayed open";
      static_cast<QDialog*>(w)->reject();
    }
  });
  drive::clickOn(Form7(), button);
  EXPECT_TRUE(seen->seen) << "no dialog";
}

QString OrdersTest::BalloonText() const {
  return Form1()->Hint1 && Form1()->Hint1->isVisible() ? Form1()->Hint1->Text() : QString();
}

QWidget* OrdersTest::BalloonControl() const {
  return Form1()->Hint1 ? Form1()->Hint1->Control() : nullptr;
}

}  // namespace orders_test
