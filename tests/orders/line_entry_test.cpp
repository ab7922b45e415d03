// The line entry: a line measured, priced and taken out of stock by its
// category, checked in whole units, and added to its order and work; new
// works; the refusals; and the removal of a line giving everything back.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include "controls/NumarF.h"
#include "engine/query.h"
#include "orders/Comenzi.h"
#include "orders/Produse.h"
#include "shell/Forms.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "store/DbLabel.h"
#include "tests/orders/lines_fixture.h"
#include "tests/support/Drive.h"

namespace orders_test {
namespace {

using LineEntry = LinesTest;

TEST_F(LineEntry, ShowsItsFieldsAndProposesTheSelectedWork) {
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseLine(101);  // the heading of USA INTRARE
    InDialog("ConvexBtn2", [&](QWidget*) {
      TForm41* d = E();
      EXPECT_EQ(d->windowTitle(), "ADAUGARE PRODUS");
      EXPECT_EQ(d->Label1->text(), "ALFA SRL");
      EXPECT_EQ(d->Label6->text(), "10");
      EXPECT_EQ(d->Edit1->text(), "USA INTRARE");
      EXPECT_EQ(d->Edit1->maxLength(), 60);
      EXPECT_EQ(d->SpinEdit1->value(), 1);
      EXPECT_EQ(d->SpinEdit1->minimum(), 1);
      EXPECT_EQ(d->SpinEdit1->maximum(), 999);
      EXPECT_EQ(d->StatusBar1->findChild<QLabel*>()->text(),
                "ESC - inchide fereastra; Enter - salt la alta casuta;");
      for (const auto& [box, integer, decimals, length] :
           {std::tuple{d->CantX, 5, 3, 9}, {d->LungX, 5, 4, 10}, {d->LatX, 5, 4, 10}}) {
        EXPECT_EQ(box->MaskInt, integer) << box->objectName().toStdString();
        EXPECT_EQ(box->MaskZec, decimals);
        EXPECT_EQ(box->maxLength(), length);
      }
      // The product box completes from the stock offered.
      d->ComboBox1->setEditText(QString());
      drive::typeInto(d, "ComboBox1", "gea");
      EXPECT_EQ(d->ComboBox1->currentText(), "GEAM 4MM");
      EXPECT_EQ(d->ComboBox1->lineEdit()->selectedText(), "M 4MM");
      EXPECT_EQ(d->DBText1->text(), "MP");
      EXPECT_EQ(d->DBText2->text(), "94.000");
      EXPECT_EQ(d->DBText3->text(), "12.50");
      EXPECT_EQ(d->Label5->text(), "CANTITATE");
      d->ComboBox1->setEditText(QString());
      drive::typeInto(d, "ComboBox1", "SIL");
      EXPECT_EQ(d->Label5->text(), "VALOARE");
      QTest::keyClick(d, Qt::Key_Escape);
    });
  });
  EXPECT_EQ(LinesOnDisk().size(), SampleShop().lines.size());
}

TEST_F(LineEntry, DimensionsGiveTheQuantityOfGoodsByAreaOrLength) {
  struct Case {
    const char* produs;
    const char* cant;  // typed first
    const char* lung;
    const char* lat;
    const char* expected;
  };
  const Case cases[] = {
      {"GEAM 4MM", "", "2", "1.5", "3"},
      {"PROFIL ALUMINIU", "", "1.5", ".75", "5.5"},  // 3 + 8 x 0.125
      {"GEAM 4MM", "", "0", "0", "0"},
      {"PROFIL ALUMINIU", "", "0", "0", "0"},
      {"GEAM 4MM", "", "0.29", "100", "29"},   // 28.999999999999996 in doubles
      {"GEAM 4MM", "", "1.2345", "1.1", "1.357"},  // cut, not rounded
      {"CHIT", "4", "2", "3", "4"},               // not goods: as typed
  };
  InOrders([&] {
    ChooseClient("ALFA SRL");
    InDialog("ConvexBtn2", [&](QWidget*) {
      for (const Case& c : cases) {
        Type({.produs = c.produs, .cant = c.cant, .lung = c.lung, .lat = c.lat});
        EXPECT_EQ(E()->CantX->text(), c.expected) << c.produs << " " << c.lung << " x " << c.lat;
      }
      drive::clickOn(E(), "BitBtn2");
    });
  });
}

TEST_F(LineEntry, GoodsLineTakesStockAndAddsToOrderAndWork) {
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseLine(102);  // a line of USA INTRARE
    Save({.titlu = "USA INTRARE", .produs = "GEAM 4MM", .cant = "2", .buc = 3});
    EXPECT_EQ(CurrentLine(), LastLine()) << "the grid stands on the new line";
    EXPECT_EQ(CurrentOrder(), 10);
    EXPECT_EQ(F()->LTot->text(), "290.00");
  });
  const Line* l = LineOnDisk(LastLine());
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->order, 10);
  EXPECT_EQ(l->item, kGeam4);
  EXPECT_EQ(l->denumire, "GEAM 4MM");
  EXPECT_EQ(l->um, "MP");
  EXPECT_EQ(l->titlu, "USA INTRARE");
  EXPECT_EQ(l->cant, 2);
  EXPECT_EQ(l->pret, 12.5);
  EXPECT_EQ(l->total, 75);
  EXPECT_EQ(l->executat, "NU");
  EXPECT_EQ(l->buc, 3);
  EXPECT_EQ(ItemOnDisk(kGeam4)->stoc, 88);
  EXPECT_EQ(ItemOnDisk(kGeam4)->iesit, 12);
  EXPECT_EQ(OrderOnDisk(10)->cost, 250);
  EXPECT_EQ(OrderOnDisk(10)->rest, 150);
  EXPECT_EQ(LineOnDisk(101)->total, 175);
  EXPECT_EQ(LineOnDisk(104)->total, 25) << "another work is not touched";
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(LineEntry, StockIsComparedInWholeUnits) {
  InOrders([&] {
    ChooseClient("BETA GLASS");
    SaveRefused({.produs = "GEAM MIC", .cant = "2.5", .buc = 3}, "Nu aveti cantitatea in stoc !",
                "CantX");
    EXPECT_EQ(Counter(), "301") << "a refusal takes no code";
    Save({.produs = "GEAM MIC", .cant = "2", .buc = 3});  // exactly the 6.000 in stock
    Save({.produs = "STICLA", .cant = "0.1", .buc = 3});  // 0.1 x 3 = 0.3, not more
  });
  EXPECT_EQ(ItemOnDisk(kGeamMic)->stoc, 0);
  EXPECT_EQ(ItemOnDisk(kGeamMic)->iesit, 6);
  EXPECT_EQ(ItemOnDisk(kSticla)->stoc, 0);
  EXPECT_EQ(ItemOnDisk(kSticla)->iesit, 0.3);
  EXPECT_EQ(OrderOnDisk(20)->cost, 63);
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(LineEntry, AuxiliaryMaterialsAreTakenByValue) {
  InOrders([&] {
    ChooseClient("BETA GLASS");
    SaveRefused({.produs = "SILICON", .cant = "60", .buc = 2}, "Nu aveti Valoarea in stoc !",
                "CantX");
    Save({.produs = "SILICON", .cant = "40", .buc = 2});
    const Line* l = LineOnDisk(LastLine());
    EXPECT_EQ(l->cant, 1);
    EXPECT_EQ(l->pret, 40);
    EXPECT_EQ(l->total, 80);
    EXPECT_EQ(l->executat, "DA");
    EXPECT_EQ(ItemOnDisk(kSilicon)->pret, 20);

    // A value typed with three decimals is kept to the cent, and given back
    // exactly: the value left is what it was.
    Save({.produs = "SILICON", .cant = "12.345"});
    EXPECT_EQ(LineOnDisk(LastLine())->pret, 12.35);
    EXPECT_EQ(ItemOnDisk(kSilicon)->pret, 7.65);
    ChooseLine(LastLine());
    DeleteCurrent();
    ChooseLine(LastLine());
    DeleteCurrent();
  });
  EXPECT_EQ(Formats::Amount::FromDouble(ItemOnDisk(kSilicon)->pret), Formats::Amount::Parse("100"));
  EXPECT_EQ(OrderOnDisk(20)->cost, 0);
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(LineEntry, LabourIsPricedAtItsListPriceUnlessRetyped) {
  InOrders([&] {
    ChooseClient("BETA GLASS");
    InDialog("ConvexBtn2", [&](QWidget*) {
      Type({.produs = "MONTAJ", .buc = 3});
      EXPECT_EQ(E()->CantX->text(), "25") << "the list price, on leaving the product box";
      drive::clickOn(E(), "BitBtn1");
    });
    EXPECT_EQ(LineOnDisk(LastLine())->total, 75);
    Save({.produs = "MONTAJ", .cant = "30", .buc = 3});
  });
  const Line* l = LineOnDisk(LastLine());
  EXPECT_EQ(l->cant, 1);
  EXPECT_EQ(l->pret, 25);
  EXPECT_EQ(l->total, 90);
  EXPECT_EQ(l->executat, "DA");
  EXPECT_TRUE(l->titlu.isEmpty());
  EXPECT_TRUE(IsNull("Comenzi.dbf", "CODCOM", l->cod, "TITLU")) << "a line without a work";
  EXPECT_EQ(ItemOnDisk(kMontaj)->pret, 25);
  EXPECT_EQ(ItemOnDisk(kMontaj)->stoc, 1);
  EXPECT_EQ(OrderOnDisk(20)->cost, 165);
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(LineEntry, WorksAreOpenedOncePerOrderAndTitle) {
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseOrder(11);
    // A new title alone opens the work and closes the entry.
    Save({.titlu = "USA INTRARE"});
    const Line* heading = LineOnDisk(LastLine());
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->order, 11);
    EXPECT_EQ(heading->titlu, "USA INTRARE");
    EXPECT_TRUE(heading->denumire.isEmpty());
    EXPECT_EQ(heading->executat, "NU");
    EXPECT_EQ(heading->total, 0);
    EXPECT_TRUE(IsNull("Comenzi.dbf", "CODCOM", heading->cod, "CODMAG"));
    EXPECT_EQ(CurrentLine(), heading->cod);
    // The same title again without a product is refused; so is nothing at all.
    SaveRefused({.titlu = "USA INTRARE"}, "Nu ati specificat produsul !", "ComboBox1");
    SaveRefused({}, "Nu ati specificat produsul !", "ComboBox1");
    // Both orders have a work of that title; each adds up its own lines.
    Save({.titlu = "USA INTRARE", .produs = "OGLINDA", .cant = "1", .buc = 2});
    // A new title with its first line: heading and line come together.
    Save({.titlu = "VITRINA \"MARE\"", .produs = "MONTAJ", .buc = 1});
  });
  const std::vector<Line> lines = LinesOnDisk();
  auto heading = [&](int order, const QString& titlu) {
    for (const Line& l : lines)
      if (l.order == order && l.titlu == titlu && l.denumire.isEmpty()) return l.total;
    return -1.0;
  };
  EXPECT_EQ(heading(11, "USA INTRARE"), 50);
  EXPECT_EQ(heading(10, "USA INTRARE"), 100);
  EXPECT_EQ(heading(11, "VITRINA \"MARE\""), 25);
  EXPECT_EQ(Counter(), QString::number(LastLine() + 1));
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(LineEntry, RefusesBeforeWritingAnything) {
  const std::vector<Line> before = LinesOnDisk();
  struct Case {
    Entry entry;
    const char* message;
    const char* control;
  };
  const Case cases[] = {
      {{.produs = "NU EXISTA", .cant = "1"}, "Nu avem produsul ales in magazie !", "ComboBox1"},
      {{.produs = "GEAM 4MM", .cant = "0"}, "Nu ati trecut CANTITATE !", "CantX"},
      {{.produs = "SILICON", .cant = "0"}, "Nu ati trecut VALOARE !", "CantX"},
      {{.produs = "MONTAJ", .cant = "60000", .buc = 2}, "Valoarea liniei nu poate depasi 99999.99 !",
       "CantX"},
      {{.produs = "MONTAJ", .cant = "99999"}, "Totalul comenzii nu poate depasi 99999.99 !", "CantX"},
      {{.produs = "CHIT", .cant = "1", .lung = "10000"}, "Lungimea nu poate depasi 9999.999 !",
       "LungX"},
      {{.produs = "CHIT", .cant = "1", .lat = "10000"}, "Latimea nu poate depasi 9999.999 !",
       "LatX"},
  };
  InOrders([&] {
    ChooseClient("O'NEIL DESIGN");
    for (const Case& c : cases) SaveRefused(c.entry, c.message, c.control);
    // Pasted text passes the key filter: a negative amount or width is still refused.
    InDialog("ConvexBtn2", [&](QWidget*) {
      Type({.produs = "MONTAJ"});
      E()->CantX->setText("-5");
      drive::clickOn(E(), "BitBtn1");
      EXPECT_EQ(BalloonText(), "Nu ati trecut CANTITATE !");
      E()->CantX->setText("1");
      E()->LatX->setText("-1");
      drive::clickOn(E(), "BitBtn1");
      EXPECT_EQ(BalloonText(), "Latimea nu poate fi negativa !");
      EXPECT_TRUE(E()->isVisible());
      drive::clickOn(E(), "BitBtn2");
    });
  });
  EXPECT_EQ(LinesOnDisk().size(), before.size());
  EXPECT_EQ(Counter(), "301");
  EXPECT_EQ(OrderOnDisk(30)->cost, 25);
  EXPECT_EQ(BrokenInvariants(), QStringList());
}

TEST_F(LineEntry, ARefusedLineStillOpensItsNewWork) {
  InOrders([&] {
    ChooseClient("O'NEIL DESIGN");
    InDialog("ConvexBtn2", [&](QWidget*) {
      Type({.titlu = "BALCON", .produs = "GEAM 4MM", .cant = "500"});
      drive::clickOn(E(), "BitBtn1");
      EXPECT_EQ(BalloonText(), "Nu aveti cantitatea in stoc !");
      drive::clickOn(E(), "BitBtn2");
    });
    EXPECT_EQ(F()->DE1.FieldByName("TITLU").AsString(), "BALCON");
  });
  const Line* heading = LineOnDisk(LastLine());
  ASSERT_NE(heading, nullptr);
  EXPECT_EQ(heading->titlu, "BALCON");
  EXPECT_TRUE(heading->denumire.isEmpty());
}

TEST_F(LineEntry, NoProductOfferedMeansNoEntry) {
  lumi::TQuery q;
  q.SQL().Add("DELETE FROM " + Table("Magazie.dbf").toStdString() + " WHERE (STOC>0) OR (TIP=2)");
  q.ExecSQL();
  InOrders([&] {
    ChooseClient("ALFA SRL");
    auto seen = drive::pressInNextModal("OK");
    drive::clickOn(F(), "ConvexBtn2");
    EXPECT_EQ(seen->text, "NU AVETI PRODUSE IN MAGAZIE !");
    EXPECT_FALSE(E()->isVisible());
  });
}

TEST_F(LineEntry, ReopensOnTheProductItShows) {
  InOrders([&] {
    ChooseClient("BETA GLASS");
    Save({.produs = "SILICON", .cant = "10"});
    InDialog("ConvexBtn2", [&](QWidget*) {
      // The box kept its text; labels and save agree with it, not with the
      // first item of the list.
      EXPECT_EQ(E()->ComboBox1->currentText(), "SILICON");
      EXPECT_EQ(E()->DBText1->text(), "BUC");
      EXPECT_EQ(E()->DBText3->text(), "90.00");
      EXPECT_EQ(E()->Label5->text(), "VALOARE");
      E()->CantX->setText("5");
      drive::clickOn(E(), "BitBtn1");
    });
    EXPECT_EQ(LineOnDisk(LastLine())->denumire, "SILICON");
    Save({.produs = "GEAM MIC", .cant = "3", .buc = 2});  // its stock is gone now
    InDialog("ConvexBtn2", [&](QWidget*) {
      EXPECT_EQ(E()->ComboBox1->currentText(), "") << "a product no longer offered";
      drive::clickOn(E(), "BitBtn2");
    });
  });
  EXPECT_EQ(ItemOnDisk(kSilicon)->pret, 85);
}

TEST_F(LineEntry, EnterMovesThroughTheBoxesAndSavesFromTheWidth) {
  InOrders([&] {
    ChooseClient("BETA GLASS");
    InDialog("ConvexBtn2", [&](QWidget*) {
      TForm41* d = E();
      d->Edit1->clear();
      d->ComboBox1->setEditText(QString());
      d->Edit1->setFocus();
      const char* order[] = {"ComboBox1", "CantX", "SpinEdit1", "LungX", "LatX"};
      drive::pressKey(d, "Edit1", Qt::Key_Return);
      for (const char* next : order) {
        EXPECT_EQ(QApplication::focusWidget() == d->ComboBox1->lineEdit() ? d->ComboBox1
                                                                        : QApplication::focusWidget(),
                  d->findChild<QWidget*>(next));
        if (QString(next) == "ComboBox1") QTest::keyClicks(d->ComboBox1, "MONTAJ");
        if (QString(next) != "LatX") QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      }
      EXPECT_TRUE(d->isVisible());
      drive::pressKey(d, "LatX", Qt::Key_Return);
      EXPECT_FALSE(d->isVisible()) << BalloonText().toStdString();
    });
  });
  EXPECT_EQ(LineOnDisk(LastLine())->denumire, "MONTAJ");
}

}  // namespace
}  // namespace orders_test
