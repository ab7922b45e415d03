// Deleting lines, works and orders from the orders window and marking lines
// done; every change all or nothing, once per click, and the stock, order
// and work totals in step after any sequence of them.
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <random>

#include "engine/query.h"
#include "engine/session.h"
#include "orders/Comenzi.h"
#include "orders/Produse.h"
#include "shell/Forms.h"
#include "store/DbGrid.h"
#include "tests/orders/lines_fixture.h"
#include "tests/support/Drive.h"

namespace orders_test {
namespace {

using OrderChanges = LinesTest;

TEST_F(OrderChanges, DeletingALineGivesEverythingBackAndStaysOnTheOrder) {
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseOrder(11);
    Save({.titlu = "GEAM BAIE", .produs = "GEAM 4MM", .cant = "2.5", .buc = 3});
    const int line = LastLine();
    ChooseLine(line);
    EXPECT_EQ(DeleteCurrent("NU"), "Sterg Produsul GEAM 4MM\n din Comanda ?");
    EXPECT_NE(LineOnDisk(line), nullptr) << "NU changes nothing";
    EXPECT_EQ(ItemOnDisk(kGeam4)->stoc, 86.5);
    DeleteCurrent("DA");
    EXPECT_EQ(CurrentOrder(), 11) << "the list stays on the order worked on";
  });
  EXPECT_EQ(ItemOnDisk(kGeam4)->stoc, 94);
  EXPECT_EQ(ItemOnDisk(kGeam4)->iesit, 6);
  EXPECT_EQ(OrderOnDisk(11)->cost, 40);
  EXPECT_EQ(OrderOnDisk(11)->rest, 40);
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(OrderChanges, ALineWhoseItemIsGoneIsStillRemoved) {
  lumi::TQuery q;
  q.SQL().Add("DELETE FROM " + Table("Magazie.dbf").toStdString() + " WHERE CODMAG=2");
  q.ExecSQL();
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseLine(105);  // OGLINDA, in FEREASTRA BAIE
    DeleteCurrent();
  });
  EXPECT_EQ(LineOnDisk(105), nullptr);
  EXPECT_EQ(LineOnDisk(104)->total, 0);
  EXPECT_EQ(OrderOnDisk(10)->cost, 150);
  EXPECT_EQ(OrderOnDisk(10)->rest, 50);
}

TEST_F(OrderChanges, DeletingAWorkGivesBackEveryLineThenTheHeading) {
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseOrder(11);
    Save({.titlu = "VITRINA", .produs = "GEAM 4MM", .cant = "1", .buc = 2});
    Save({.titlu = "VITRINA", .produs = "SILICON", .cant = "10"});
    Save({.titlu = "VITRINA", .produs = "MONTAJ", .cant = "30"});
    Save({.titlu = "ALTA", .produs = "OGLINDA", .cant = "1"});
    ASSERT_EQ(OrderOnDisk(11)->cost, 40 + 25 + 10 + 30 + 25);
    int heading = 0;
    for (const Line& l : LinesOnDisk())
      if (l.order == 11 && l.titlu == "VITRINA" && l.denumire.isEmpty()) heading = l.cod;
    ChooseLine(heading);
    EXPECT_EQ(DeleteCurrent(), "Sterg Lucrarea VITRINA\n din Comanda ?");
    EXPECT_EQ(CurrentOrder(), 11);
  });
  for (const Line& l : LinesOnDisk()) EXPECT_NE(l.titlu, "VITRINA") << l.cod;
  EXPECT_EQ(ItemOnDisk(kGeam4)->stoc, 94);
  EXPECT_EQ(ItemOnDisk(kSilicon)->pret, 100);
  EXPECT_EQ(OrderOnDisk(11)->cost, 65);
  EXPECT_EQ(OrderOnDisk(11)->rest, 65);
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(OrderChanges, ButtonsRefuseWhatCannotBeDone) {
  struct Case {
    const char* client;
    bool delivered;  // the delivered orders listed
    const char* button;
    const char* message;
  };
  const Case cases[] = {
      {"ALBU ION", false, "ConvexBtn2", "Alegeti mai intai o comanda !"},
      {"ALFA SRL", true, "ConvexBtn2", "Nu puteti adauga produse la comenzi predate !"},
      {"BETA GLASS", false, "ConvexBtn4", "Nu mai exista nici un produs !"},
      {"ALBU ION", false, "ConvexBtn7", "Nu aveti ce sterge !"},
      {"ALFA SRL", false, "ConvexBtn7", "Stergeti mai intai produsele din comanda !"},
  };
  InOrders([&] {
    for (const Case& c : cases) {
      QRadioButton* r = c.delivered ? F()->RadioButton4 : F()->RadioButton3;
      QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(6, 6));
      ChooseClient(c.client);
      drive::clickOn(F(), c.button);
      EXPECT_EQ(BalloonText(), c.message) << c.button;
      EXPECT_EQ(BalloonControl(), F()->findChild<QWidget*>(c.button));
    }
    // An order with only a work heading is not empty either.
    QTest::mouseClick(F()->RadioButton3, Qt::LeftButton, {}, QPoint(6, 6));
    ChooseClient("BETA GLASS");
    Save({.titlu = "DOAR TITLU"});
    drive::clickOn(F(), "ConvexBtn7");
    EXPECT_EQ(BalloonText(), "Stergeti mai intai produsele din comanda !");
  });
  EXPECT_EQ(OrdersOnDisk().size(), SampleShop().orders.size());
}

TEST_F(OrderChanges, DeletingAnEmptyOrderKeepsItsReceipts) {
  Seed({.receipts = {{.cod = 9, .order = 20, .client = 2, .docjus = "AVANS", .suma = 50}}});
  InOrders([&] {
    ChooseClient("BETA GLASS");
    auto seen = drive::pressInNextModal("DA");
    drive::clickOn(F(), "ConvexBtn7");
    EXPECT_EQ(seen->text, "Sterg Comanda ?");
    EXPECT_EQ(Listed(F()->DBGrid3, 1), QStringList());
  });
  EXPECT_EQ(OrderOnDisk(20), nullptr);
  int kept = 0;
  for (const Receipt& r : ReceiptsOnDisk()) kept += r.order == 20;
  EXPECT_EQ(kept, 1);
}

TEST_F(OrderChanges, MarksFollowTheLinesOfTheirWork) {
  auto mark = [&](int codcom) { return LineOnDisk(codcom)->executat; };
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseLine(102);  // GEAM 4MM in USA INTRARE, with CHIT (done) beside it
    Save({.titlu = "USA INTRARE", .produs = "OGLINDA", .cant = "1"});
    const int second = LastLine();

    ChooseLine(102);
    F()->PopupMenu1Popup();
    EXPECT_EQ(F()->Marcheazacaexecutat1->text(), "Marcheaza ca Executat");
    Mark();
    EXPECT_EQ(CurrentLine(), 102);
    EXPECT_EQ(mark(102), "DA");
    EXPECT_EQ(mark(101), "NU") << "another goods line of the work is not done";
    ChooseLine(second);
    Mark();
    EXPECT_EQ(mark(101), "DA") << "every line done";
    ChooseLine(102);
    F()->PopupMenu1Popup();
    EXPECT_EQ(F()->Marcheazacaexecutat1->text(), "Marcheaza ca Neexecutat");
    Mark();
    EXPECT_EQ(mark(102), "NU");
    EXPECT_EQ(mark(101), "NU");

    // Only goods are marked by hand.
    ChooseLine(103);  // CHIT
    Mark();
    EXPECT_EQ(BalloonText(), "Numai produsele tip MARFA pot fi executate !");
    EXPECT_EQ(BalloonControl(), F()->DBGrid2);

    // The heading marks the whole work; undone, only goods go back.
    ChooseLine(101);
    Mark();
    for (int c : {101, 102, 103, second}) EXPECT_EQ(mark(c), "DA") << c;
    ChooseLine(101);
    Mark();
    EXPECT_EQ(mark(101), "NU");
    EXPECT_EQ(mark(102), "NU");
    EXPECT_EQ(mark(second), "NU");
    EXPECT_EQ(mark(103), "DA");

    // Nothing to mark in an empty list.
    ChooseClient("BETA GLASS");
    F()->PopupMenu1Popup();
    EXPECT_FALSE(F()->Marcheazacaexecutat1->isEnabled());
  });
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

// A second click, a key or a pop-up choice that arrives while the statements
// of a change run does nothing.
TEST_F(OrderChanges, EachChangeRunsOncePerClick) {
  int reentries = 0;
  lumi::DefaultSession().SetStatementHook([&](const std::string& sql) {
    if (sql.rfind("INSERT", 0) != 0 && sql.rfind("DELETE", 0) != 0) return;
    ++reentries;
    if (E()->isVisible()) E()->BitBtn1Click();
    F()->ConvexBtn4Click();
    F()->ConvexBtn2Click();
    F()->Marcheazacaexecutat1Click();
    QTest::mouseClick(E()->isVisible() ? E()->BitBtn1 : F()->ConvexBtn4, Qt::LeftButton);
  });
  const size_t before = LinesOnDisk().size();
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseOrder(11);
    Save({.produs = "MONTAJ", .cant = "30"});
    ChooseLine(LastLine());
    DeleteCurrent();
  });
  lumi::DefaultSession().SetStatementHook(nullptr);
  EXPECT_GE(reentries, 2);
  EXPECT_EQ(LinesOnDisk().size(), before);
  EXPECT_EQ(OrderOnDisk(11)->cost, 40);
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

// Each change made to fail at each of its statements in turn leaves the
// tables as they were; then it goes through.
TEST_F(OrderChanges, AFailureAtAnyStatementLeavesNothingHalfDone) {
  struct Action {
    const char* name;
    std::function<void()> run;
  };
  int heading = 0;
  const Action actions[] = {
      {"save a line into a new work",
       [&] {
         InDialog("ConvexBtn2", [&](QWidget*) {
           Type({.titlu = "NOUA", .produs = "GEAM 4MM", .cant = "1.5", .buc = 2});
           drive::clickOn(E(), "BitBtn1");
           if (E()->isVisible()) drive::clickOn(E(), "BitBtn2");
         });
       }},
      {"remove a line",
       [&] {
         ChooseLine(102);
         DeleteCurrent();
       }},
      {"delete a work",
       [&] {
         ChooseLine(heading);
         DeleteCurrent();
       }},
  };
  InOrders([&] {
    ChooseClient("ALFA SRL");
    for (const Action& a : actions) {
      heading = 101;
      int failAt = 1;
      for (;; ++failAt) {
        SCOPED_TRACE(std::string(a.name) + ", statement " + std::to_string(failAt));
        const std::vector<Line> lines = LinesOnDisk();
        const std::vector<Item> items = ItemsOnDisk();
        const std::vector<Order> orders = OrdersOnDisk();
        // The statements of the change: those run while its transaction is open.
        int seen = 0;
        lumi::DefaultSession().SetStatementHook([&](const std::string&) {
          if (!lumi::DefaultSession().InTransaction()) return;
          if (++seen == failAt) throw std::runtime_error("disk full");
        });
        drive::ErrorReports reports;
        a.run();
        lumi::DefaultSession().SetStatementHook(nullptr);
        if (seen < failAt) break;  // every statement has failed once; this run went through
        EXPECT_EQ(reports.texts(), QStringList({"disk full"}));
        EXPECT_EQ(LinesOnDisk().size(), lines.size());
        EXPECT_EQ(ItemsOnDisk()[0].stoc, items[0].stoc);
        EXPECT_EQ(OrderOnDisk(10)->cost, orders[0].cost);
        EXPECT_EQ(BrokenInvariants(), QStringList());
        ChooseClient("ALFA SRL");
      }
      EXPECT_GE(failAt, 6) << a.name << ": the change runs five statements or more";
      EXPECT_EQ(BrokenInvariants(), QStringList());
    }
  });
  EXPECT_EQ(LineOnDisk(101), nullptr) << "the work went at last";
  EXPECT_EQ(LineOnDisk(102), nullptr);
}

// Saves, removals, work deletions and marks in a seeded random order,
// through the window: stock, orders and works stay in step throughout.
TEST_F(OrderChanges, TotalsStayInStepOverARandomDay) {
  std::mt19937 rng(20261211);
  const char* const products[] = {"GEAM 4MM", "OGLINDA", "CHIT", "TRANSPORT", "PROFIL ALUMINIU",
                                  "SILICON", "MONTAJ", "STICLA"};
  const char* const titles[] = {"", "USA", "FEREASTRA", "VITRINA \"A\""};
  const char* const quantities[] = {"0.1", "0.25", "1", "1.5", "2.125", "3"};
  const char* const clients[] = {"ALFA SRL", "BETA GLASS", "O'NEIL DESIGN"};
  InOrders([&] {
    for (int step = 0; step < 500; ++step) {
      ChooseClient(clients[rng() % 3]);
      if (F()->CZ1.IsEmpty()) continue;
      ChooseOrder(static_cast<int>(F()->CZ1.Cell(rng() % F()->CZ1.RecordCount(),
                                                  F()->CZ1.FieldByName("CODCAP").Index())
                                        .number()));
      const int what = static_cast<int>(rng() % 10);
      const int rows = F()->DE1.RecordCount();
      if (what < 5 || rows == 0) {
        InDialog("ConvexBtn2", [&](QWidget*) {
          Type({.titlu = titles[rng() % 4],
                .produs = products[rng() % 8],
                .cant = quantities[rng() % 6],
                .buc = 1 + static_cast<int>(rng() % 3)});
          drive::clickOn(E(), "BitBtn1");
          if (E()->isVisible()) drive::clickOn(E(), "BitBtn2");  // refused: out of stock
        });
      } else {
        ClickRow(F()->DBGrid2, static_cast<int>(rng() % rows));
        if (what < 8) {
          DeleteCurrent();
        } else {
          Mark();
        }
      }
      if (step % 100 == 99) {
        ASSERT_EQ(BrokenInvariants(), QStringList()) << "after step " << step;
      }
    }
  });
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

}  // namespace
}  // namespace orders_test
