// Receipts against an order from the orders window's "INCASARI": the amount
// checked in whole cents against what is left, each receipt written with
// the order's REST as one change, and the running figures on screen.
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "engine/session.h"
#include "orders/Comenzi.h"
#include "payments/AddPLATA.h"
#include "payments/PLATI.h"
#include "shell/Forms.h"
#include "store/DbGrid.h"
#include "tests/orders/orders_fixture.h"
#include "tests/support/Drive.h"

namespace orders_test {
namespace {

class Payments : public OrdersTest {
 protected:
  void SetUp() override {
    OrdersTest::SetUp();
    Shop shop = SampleShop();
    // Orders with exactly these amounts left, each with a line of that value.
    shop.orders.push_back({.cod = 40, .client = 4, .cost = 1024.13, .rest = 1024.13});
    shop.orders.push_back({.cod = 41, .client = 4, .cost = 1.11, .rest = 1.11});
    shop.orders.push_back({.cod = 42, .client = 4, .cost = 2500, .rest = 2500});
    shop.lines.push_back({.order = 40, .cod = 400, .item = 4, .denumire = "TRANSPORT",
                          .cant = 1, .pret = 50, .total = 1024.13, .executat = "DA", .buc = 1});
    shop.lines.push_back({.order = 41, .cod = 410, .item = 4, .denumire = "TRANSPORT",
                          .cant = 1, .pret = 50, .total = 1.11, .executat = "DA", .buc = 1});
    shop.lines.push_back({.order = 42, .cod = 420, .item = 4, .denumire = "TRANSPORT",
                          .cant = 1, .pret = 50, .total = 2500, .executat = "DA", .buc = 1});
    shop.receipts.push_back(
        {.cod = 4, .order = 10, .client = 1, .data = "02.03.2026", .docjus = "AVANS", .suma = 0});
    Seed(shop);
  }
  TForm42* P() const { return Form42(); }
  TForm43* E() const { return Form43(); }
  QString Figures() const {
    return P()->Label10->text() + " | " + P()->Label7->text() + " | " + P()->Label12->text();
  }
  // "INCASARI" on the current order, `steps` run in the payments window.
  void InPayments(const std::function<void()>& steps) {
    auto seen = drive::onNextModal([&](QWidget*) {
      steps();
      if (P()->isVisible()) drive::clickOn(P(), "BitBtn3");
    });
    drive::clickOn(Form7(), "ConvexBtn9");
    EXPECT_TRUE(seen->seen) << "no payments window";
  }
  // "ADAUGA PLATA", the amount and document typed; returns the refusal, if any.
  QString Pay(const QString& amount, const QString& doc = {}, QDate date = {}) {
    QString refused;
    auto seen = drive::onNextModal([&](QWidget*) {
      if (date.isValid()) E()->Data1->setDate(date);
      if (!doc.isEmpty()) drive::typeInto(E(), "Edit1", doc);
      E()->Edit2->setText(amount);
      drive::clickOn(E(), "BitBtn1");
      if (E()->isVisible()) {
        refused = BalloonText();
        drive::clickOn(E(), "BitBtn2");
      }
    });
    drive::clickOn(P(), "BitBtn1");
    EXPECT_TRUE(seen->seen) << "no receipt entry";
    return refused;
  }
  double Rest(int order) const {
    for (const Order& o : OrdersOnDisk())
      if (o.cod == order) return o.rest;
    return -1;
  }
  int ReceiptsOf(int order) const {
    int n = 0;
    for (const Receipt& r : ReceiptsOnDisk()) n += r.order == order;
    return n;
  }
};

TEST_F(Payments, ShowTheOrderItsFiguresAndItsReceiptsByDate) {
  InOrders([&] {
    ChooseClient("ALFA SRL");
    InPayments([&] {
      EXPECT_EQ(P()->windowTitle(), "PLATI");
      EXPECT_EQ(P()->Label1->text(), "ALFA SRL");
      EXPECT_EQ(P()->Label6->text(), "10");
      EXPECT_EQ(Figures(), "175.00 | 100.00 | 75.00");
      EXPECT_EQ(Listed(P()->DBGrid3, 1), QStringList({"AVANS", "CHITANTA 7"})) << "by date";
      EXPECT_EQ(Listed(P()->DBGrid3, 2), QStringList({"0.00", "100.00"}));
      QStringList titles;
      for (int c = 0; c < 3; ++c) titles << P()->DBGrid3->model()->headerData(c, Qt::Horizontal).toString();
      EXPECT_EQ(titles, QStringList({"DATA", "DOC.JUSTIFICATIV", "SUMA"}));
    });
  });
}

TEST_F(Payments, AmountsAreComparedWithTheRestInWholeCents) {
  struct Case {
    int order;
    const char* amount;
    const char* refusal;  // empty: accepted
    double rest;          // REST on disk afterwards
  };
  const Case cases[] = {
      {40, "1024.13", "", 0},  // exactly the rest, which doubles get wrong
      {41, "1.11", "", 0},
      {42, "0", "Nu ati specificat Suma !", 2500},
      {42, "", "Nu ati specificat Suma !", 2500},
      {42, ".", "Nu ati specificat Suma !", 2500},
      {42, "2500.01", "Suma e mai mare decat Restul !", 2500},
      {42, "12.345", "", 2487.65},  // kept to the cent before it is compared
      {20, "0.01", "Suma e mai mare decat Restul !", 0},  // nothing left to collect
  };
  InOrders([&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string("order ") + std::to_string(c.order) + ", " + c.amount);
      ChooseClient(c.order == 20 ? "BETA GLASS" : "ALBU ION");
      ChooseOrder(c.order);
      InPayments([&] { EXPECT_EQ(Pay(c.amount), c.refusal); });
      EXPECT_EQ(Rest(c.order), c.rest);
    }
  });
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(Payments, AReceiptAndItsBalanceMoveTogether) {
  InOrders([&] {
    ChooseClient("ALBU ION");
    ChooseOrder(42);
    InPayments([&] {
      EXPECT_EQ(Figures(), "2,500.00 | 0.00 | 2,500.00");
      EXPECT_EQ(Pay("1200", "  OP   17 ", QDate(2026, 3, 5)), "");
      EXPECT_EQ(Figures(), "2,500.00 | 1,200.00 | 1,300.00") << "thousands kept after a change";
      EXPECT_EQ(Rest(42), 1300) << "written with the receipt, not when the window closes";
      EXPECT_EQ(Pay("100", "   "), "");
      EXPECT_EQ(Pay("50"), "");
      // A cancelled entry writes nothing.
      auto cancel = drive::onNextModal([&](QWidget*) { drive::clickOn(E(), "BitBtn2"); });
      drive::clickOn(P(), "BitBtn1");
      EXPECT_EQ(ReceiptsOf(42), 3);

      // Delete the last one again (NU first: nothing happens).
      ClickRow(P()->DBGrid3, 2);
      auto no = drive::pressInNextModal("NU");
      drive::clickOn(P(), "BitBtn2");
      EXPECT_EQ(no->text, "Sterg plata ?");
      EXPECT_EQ(ReceiptsOf(42), 3);
      ClickRow(P()->DBGrid3, 2);
      drive::pressInNextModal("DA");
      drive::clickOn(P(), "BitBtn2");
      EXPECT_EQ(ReceiptsOf(42), 2);
      EXPECT_EQ(Figures(), "2,500.00 | 1,300.00 | 1,200.00");
    });
    EXPECT_EQ(CurrentOrder(), 42);
    EXPECT_EQ(Listed(Form7()->DBGrid3, 4).value(Orders().indexOf("42")), "1200.00")
        << "the orders list shows the new rest";
  });
  EXPECT_EQ(Rest(42), 1200);
  std::vector<Receipt> receipts;
  for (const Receipt& r : ReceiptsOnDisk())
    if (r.order == 42) receipts.push_back(r);
  ASSERT_EQ(receipts.size(), 2u);
  EXPECT_EQ(receipts[0].docjus, "OP 17");
  EXPECT_EQ(receipts[0].data, "05.03.2026");
  EXPECT_EQ(receipts[0].client, 4);
  EXPECT_TRUE(IsNull("Plati.dbf", "CODPL", receipts[1].cod, "DOCJUS")) << "blanks only";
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(Payments, EnterSavesAndEscapeCancels) {
  InOrders([&] {
    ChooseClient("ALBU ION");
    ChooseOrder(42);
    InPayments([&] {
      auto esc = drive::onNextModal([&](QWidget* e) {
        drive::typeInto(e, "Edit2", "10");
        QTest::keyClick(e, Qt::Key_Escape);
      });
      drive::clickOn(P(), "BitBtn1");
      EXPECT_EQ(ReceiptsOf(42), 0);
      auto enter = drive::onNextModal([&](QWidget* e) {
        drive::typeInto(e, "Edit2", "10.5");
        drive::pressKey(e, "Edit2", Qt::Key_Return);
      });
      drive::clickOn(P(), "BitBtn1");
      EXPECT_EQ(ReceiptsOf(42), 1);
      EXPECT_EQ(Rest(42), 2489.5);
    });
  });
}

TEST_F(Payments, RefusedWhereNothingCanBePaid) {
  InOrders([&] {
    ChooseClient("ALBU ION");
    ChooseOrder(41);
    InPayments([&] {
      // Nothing to delete yet.
      drive::clickOn(P(), "BitBtn2");
      EXPECT_EQ(BalloonText(), "Nu aveti ce sterge !");
    });
    QTest::mouseClick(Form7()->RadioButton4, Qt::LeftButton, {}, QPoint(6, 6));
    ChooseClient("ALFA SRL");
    drive::clickOn(Form7(), "ConvexBtn9");
    EXPECT_EQ(BalloonText(), "Nu mai puteti opera la o comanda predata !");
    ChooseClient("O'NEIL DESIGN");
    drive::clickOn(Form7(), "ConvexBtn9");
    EXPECT_EQ(BalloonText(), "Alegeti mai intai o comanda !");
  });
}

TEST_F(Payments, AFailedWriteLeavesReceiptsAndBalanceAsTheyWere) {
  InOrders([&] {
    ChooseClient("ALBU ION");
    ChooseOrder(42);
    InPayments([&] {
      for (int failAt = 1; failAt <= 2; ++failAt) {
        int seen = 0;
        lumi::DefaultSession().SetStatementHook([&](const std::string&) {
          if (lumi::DefaultSession().InTransaction() && ++seen == failAt)
            throw std::runtime_error("disk full");
        });
        drive::ErrorReports reports;
        Pay("300");
        lumi::DefaultSession().SetStatementHook(nullptr);
        EXPECT_EQ(reports.texts(), QStringList({"disk full"})) << failAt;
        EXPECT_EQ(ReceiptsOf(42), 0);
        EXPECT_EQ(Rest(42), 2500);
        EXPECT_EQ(Figures(), "2,500.00 | 0.00 | 2,500.00");
        EXPECT_EQ(Listed(P()->DBGrid3, 2), QStringList()) << "the list is shown again";
      }
    });
  });
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

}  // namespace
}  // namespace orders_test
