// The orders window driven as the workshop uses it: clients, their orders
// and the lines of the current order, the search, the choice of orders
// shown and the totals.
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

#include "orders/Comenzi.h"
#include "shell/Forms.h"
#include "store/DbGrid.h"
#include "store/DbLabel.h"
#include "store/DbMemo.h"
#include "tests/orders/orders_fixture.h"
#include "tests/support/Drive.h"

namespace orders_test {
namespace {

using drive::child;

// Columns of the order and line grids.
constexpr int kCost = 3, kRest = 4;
constexpr int kLucrare = 0, kProdus = 1, kCant = 3, kGata = 6, kTotal = 7;

class OrdersWindow : public OrdersTest {
 protected:
  void SetUp() override {
    OrdersTest::SetUp();
    Seed(SampleShop());
  }
  TForm7* F() const { return Form7(); }
  QStringList Products() const { return Listed(F()->DBGrid2, kProdus); }
  QString Totals() const { return F()->LTot->text() + " / " + F()->LRest->text(); }
  void Search(const QString& text) {
    F()->Edit1->clear();
    if (!text.isEmpty()) drive::typeInto(F(), "Edit1", text);
  }
  void Choose(QRadioButton* r) { QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(6, r->height() / 2)); }
};

TEST_F(OrdersWindow, ShowsItsPanesColumnsAndButtons) {
  InOrders([&] {
    TForm7* f = F();
    EXPECT_EQ(f->windowTitle(), "Comenzi");
    EXPECT_TRUE(f->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(child<QLabel>(f, "Label1")->text(), "Gestionare Comenzi");
    QStringList panes;
    for (const char* name : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4"})
      panes << child<QGroupBox>(f, name)->title();
    EXPECT_EQ(panes, QStringList({"CLIENTI", "Detalii Client", "Comenzi", "Detalii Comanda"}));
    EXPECT_EQ(f->StatusBar1->findChild<QLabel*>()->text(), "ESC - Iesire");
    EXPECT_EQ(f->Edit1->maxLength(), 40);

    auto titles = [](DbGrid* g) {
      QStringList t;
      for (int c = 0; c < g->model()->columnCount(); ++c)
        t << g->model()->headerData(c, Qt::Horizontal).toString();
      return t;
    };
    EXPECT_EQ(titles(f->DBGrid1), QStringList({"NUME"}));
    EXPECT_FALSE(f->DBGrid1->horizontalHeader()->isVisible());
    EXPECT_EQ(titles(f->DBGrid3), QStringList({"DATA", "NR", "TERMEN", "TOTAL", "REST"}));
    EXPECT_EQ(titles(f->DBGrid2), QStringList({"LUCRARE", "PRODUS", "UM", "CANT", "PRET U.",
                                               "Buc.", "GATA", "TOTAL", "LUNGIME", "LATIME"}));

    const std::pair<const char*, const char*> buttons[] = {
        {"BitBtn1", "ADAUGA CLIENT"},    {"ConvexBtn1", "MODIFICA CLIENT"},
        {"ConvexBtn5", "ADAUGA COMANDA"}, {"ConvexBtn6", "MODIFICA COMANDA"},
        {"ConvexBtn7", "STERGE COMANDA"}, {"ConvexBtn9", "INCASARI"},
        {"ConvexBtn2", "Adauga &produs"}, {"ConvexBtn4", "&Sterge produs"},
        {"ConvexBtn8", "&Listeaza comanda"}};
    for (const auto& [name, caption] : buttons)
      EXPECT_EQ(child<QPushButton>(f, name)->text(), caption) << name;
    EXPECT_EQ(f->RadioButton3->text(), "Comenzile in desfasurare");
    EXPECT_EQ(f->RadioButton4->text(), "Comenzile predate si incasate");
    EXPECT_EQ(f->Marcheazacaexecutat1->text(), "Marcheaza ca executat");
  });
}

TEST_F(OrdersWindow, FollowsTheClientAndTheOrder) {
  InOrders([&] {
    TForm7* f = F();
    EXPECT_EQ(Clients(), QStringList({"ALBU ION", "ALFA SRL", "BETA GLASS", "O'NEIL DESIGN"}));
    // The first client has no order: nothing below it, totals at zero.
    EXPECT_EQ(Orders(), QStringList());
    EXPECT_EQ(Products(), QStringList());
    EXPECT_EQ(Totals(), "0.00 / 0.00");

    ChooseClient("ALFA SRL");
    EXPECT_EQ(Orders(), QStringList({"10", "11"}));
    EXPECT_EQ(Listed(f->DBGrid3, 0).value(0), Formats::DateShown(QDate(2026, 3, 1)));
    EXPECT_EQ(Listed(f->DBGrid3, kCost), QStringList({"175.00", "40.00"}));
    EXPECT_EQ(Listed(f->DBGrid3, kRest), QStringList({"75.00", "40.00"}));
    EXPECT_EQ(Totals(), "215.00 / 115.00");
    EXPECT_EQ(f->DBText1->text(), "STR. MORII 4, IASI");
    EXPECT_EQ(f->DBText2->text(), "0232111222");
    EXPECT_EQ(f->DBText3->text(), "RO123456");
    EXPECT_EQ(f->DBMemo2->toPlainText().trimmed(), "CLIENT VECHI\nPLATESTE LA TERMEN");

    // Lines without a work first; each work's title once, on its heading,
    // just above its lines.
    EXPECT_EQ(Listed(f->DBGrid2, kLucrare),
              QStringList({"", "FEREASTRA BAIE", "", "USA INTRARE", "", ""}));
    EXPECT_EQ(Products(), QStringList({"TRANSPORT", "", "OGLINDA", "", "CHIT", "GEAM 4MM"}));
    EXPECT_EQ(Listed(f->DBGrid2, kTotal),
              QStringList({"50.00", "25.00", "25.00", "100.00", "25.00", "75.00"}));
    EXPECT_EQ(Listed(f->DBGrid2, kCant).value(5), "2.000");
    EXPECT_EQ(Listed(f->DBGrid2, kGata).value(2), "DA");

    ClickRow(f->DBGrid3, 1);
    EXPECT_EQ(f->CZ1.FieldByName("CODCAP").AsInteger(), 11);
    EXPECT_EQ(Products(), QStringList({"CHIT"}));
    EXPECT_EQ(Totals(), "215.00 / 115.00");

    ChooseClient("BETA GLASS");
    EXPECT_EQ(Orders(), QStringList({"20"}));
    EXPECT_EQ(Products(), QStringList()) << "an order without lines";
    EXPECT_EQ(f->DBText3->text(), "");
    EXPECT_EQ(f->DBMemo2->toPlainText(), "");
  });
}

TEST_F(OrdersWindow, TotalsLeaveTheCurrentOrderWhereItWas) {
  InOrders([&] {
    TForm7* f = F();
    ChooseClient("ALFA SRL");
    ClickRow(f->DBGrid3, 1);
    int runs = 0;
    const int id = f->DE1.AddListener([&](lumi::QueryEvent e) { runs += e == lumi::QueryEvent::kOpened; });
    f->CLQAfterScroll();
    f->DE1.RemoveListener(id);
    EXPECT_EQ(f->CZ1.RecNo(), 1);
    EXPECT_EQ(f->DBGrid3->currentIndex().row(), 1);
    EXPECT_EQ(f->CZ1.FieldByName("CODCAP").AsInteger(), 11);
    EXPECT_EQ(Products(), QStringList({"CHIT"}));
    EXPECT_EQ(runs, 0) << "the walk over the orders must not rerun the lines";
    EXPECT_EQ(Totals(), "215.00 / 115.00");
  });
}

TEST_F(OrdersWindow, RadioChoiceSwitchesOrdersLinesAndTotals) {
  InOrders([&] {
    TForm7* f = F();
    ChooseClient("ALFA SRL");
    Choose(f->RadioButton4);
    EXPECT_EQ(Orders(), QStringList({"12"}));
    EXPECT_EQ(Products(), QStringList({"TRANSPORT"}));
    EXPECT_EQ(Totals(), "300.00 / 0.00");
    ChooseClient("ALBU ION");
    EXPECT_EQ(Totals(), "0.00 / 0.00");
    ChooseClient("ALFA SRL");
    Choose(f->RadioButton3);
    EXPECT_EQ(Orders(), QStringList({"10", "11"}));
    EXPECT_EQ(Products().value(0), "TRANSPORT");
    EXPECT_EQ(Products().size(), 6);
    EXPECT_EQ(Totals(), "215.00 / 115.00");
  });
  // The choice stays for the next opening.
  F()->RadioButton4->setChecked(true);
  InOrders([&] {
    ChooseClient("BETA GLASS");
    EXPECT_EQ(Orders(), QStringList({"21"}));
    EXPECT_EQ(Totals(), "80.00 / 0.00");
  });
}

TEST_F(OrdersWindow, SearchNarrowsByTheBeginningOfTheName) {
  InOrders([&] {
    TForm7* f = F();
    const std::pair<QString, QStringList> cases[] = {
        {"AL", {"ALBU ION", "ALFA SRL"}},
        {"alf", {"ALFA SRL"}},  // typed in upper case
        {"O'", {"O'NEIL DESIGN"}},
        {"O'NEIL D", {"O'NEIL DESIGN"}},
        {"'", {}},
        {"ZZ", {}},
        {"", {"ALBU ION", "ALFA SRL", "BETA GLASS", "O'NEIL DESIGN"}},
    };
    for (const auto& [text, names] : cases) {
      Search(text);
      EXPECT_EQ(Clients(), names) << text.toStdString();
    }
    // The current client follows the narrowed list.
    Search("O'N");
    EXPECT_EQ(f->Edit1->text(), "O'N");
    EXPECT_EQ(Orders(), QStringList({"30"}));
    EXPECT_EQ(Totals(), "25.00 / 25.00");
    Search("ZZ");
    EXPECT_EQ(Orders(), QStringList());
    EXPECT_EQ(Products(), QStringList());
    EXPECT_EQ(Totals(), "0.00 / 0.00");
  });
  // Each opening lists every client again.
  InOrders([&] { EXPECT_EQ(Clients().size(), 4); });
  EXPECT_EQ(F()->Edit1->text(), "");
}

TEST_F(OrdersWindow, EscapeClosesFromAnyControl) {
  for (const char* from : {"Edit1", "DBGrid1", "DBGrid3", "DBGrid2"}) {
    auto seen = drive::onNextModal([&](QWidget*) {
      QWidget* w = child(F(), from);
      w->setFocus();
      QTest::keyClick(w, Qt::Key_Escape);
    });
    F()->ArataComenzi();
    EXPECT_TRUE(seen->seen);
    EXPECT_FALSE(F()->isVisible()) << from;
    EXPECT_FALSE(F()->CLQ.Active() || F()->CZ1.Active() || F()->DE1.Active())
        << "lists left open after closing from " << from;
  }
}

}  // namespace
}  // namespace orders_test
