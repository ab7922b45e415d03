// The warehouse window driven as the workshop uses it: the list and its
// narrowing, the total, and adding, changing and deleting items, checked in
// Magazie.dbf on disk.
#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <tuple>

#include "engine/query.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "tests/support/Drive.h"
#include "tests/warehouse/warehouse_fixture.h"
#include "warehouse/Magazie.h"
#include "warehouse/MatIN.h"
#include "warehouse/RadioGroup.h"

namespace warehouse_test {
namespace {

using drive::child;

// Goods in stock and sold out, auxiliary materials, labour.
void SeedShop(WarehouseTest& t, const std::function<void(const Item&)>& seed) {
  (void)t;
  seed({.cod = 1,
        .furnizor = "SC ALFA SRL",
        .denumire = "SURUB M6",
        .um = "BUC",
        .cantin = 100,
        .pret = 0.5,
        .stoc = 100,
        .tip = 0});
  seed({.cod = 2,
        .furnizor = "SC ALFA SRL",
        .denumire = "SURUB M8",
        .um = "BUC",
        .cantin = 50,
        .pret = 0.75,
        .stoc = 20,
        .iesit = 30,
        .tip = 0});
  seed({.cod = 3,
        .furnizor = "BETA",
        .denumire = "GEAM 4MM",
        .um = "MP",
        .cantin = 10,
        .latime = 1.2,
        .pret = 40,
        .stoc = 0,
        .iesit = 10,
        .tip = 0});
  seed({.cod = 4, .denumire = "CHIT", .cantin = 1, .pret = 120, .stoc = 1, .tip = 1});
  seed({.cod = 5, .denumire = "D'ARC SILICON", .cantin = 1, .pret = 30, .stoc = 0, .tip = 1});
  seed({.cod = 6, .denumire = "MONTAJ", .cantin = 1, .pret = 80, .stoc = 1, .tip = 2});
  seed({.cod = 7, .denumire = "TRANSPORT", .cantin = 1, .pret = 50, .stoc = 0, .tip = 2});
}

class WarehouseWindow : public WarehouseTest {
 protected:
  void SeedAll() {
    SeedShop(*this, [this](const Item& i) { Seed(i); });
  }
  void Choose(int afiseaza, int categoria) {
    for (QAbstractButton* b :
         {Form6()->RadioGroup1->Item(afiseaza), Form6()->RadioGroup2->Item(categoria)}) {
      QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
    }
  }
  void Search(const QString& text) {
    Form6()->Edit1->clear();
    drive::typeInto(Form6(), "Edit1", text);
  }
  QString Total() const { return Form6()->Label3->text(); }
  // Puts the grid on the row showing `name`, with a click.
  void ClickRow(const QString& name) {
    DbGrid* g = Form6()->SMDBGrid1;
    const int row = Listed().indexOf(name);
    ASSERT_GE(row, 0) << name.toStdString() << " is not listed";
    g->scrollTo(g->model()->index(row, 1));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                      g->visualRect(g->model()->index(row, 1)).center());
  }
};

TEST_F(WarehouseWindow, EmptyTableOpensEmptyWithAZeroTotal) {
  EXPECT_EQ(Form6()->Label3->text(), "TOTAL : 0");
  InWarehouse([&] {
    TForm6* f = Form6();
    EXPECT_EQ(f->windowTitle(), "MAGAZIE");
    EXPECT_TRUE(f->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(Listed(), QStringList());
    EXPECT_EQ(Total(), "TOTAL STOC = 0.00");
    EXPECT_EQ(child<QStatusBar>(f, "StatusBar1")->findChild<QLabel*>()->text(), "ESC - Iesire");

    QHeaderView* titles = f->SMDBGrid1->horizontalHeader();
    QStringList shown;
    for (int c = 0; c < titles->count(); ++c) {
      shown << f->SMDBGrid1->model()->headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_EQ(shown, QStringList({"DATA INT.", "DENUMIRE", "FURNIZOR", "UM", "CANT.IN.", "LATIME",
                                  "PRET", "STOC"}));

    const std::tuple<const char*, const char*, const char*> buttons[] = {
        {"ConvexBtn1", "Adauga Produs", "Adauga un produs nou in magazie."},
        {"ConvexBtn2", "Modifica Produs", "Modifica Produsul selectat din tabel."},
        {"ConvexBtn3", "Sterge Produs", "Sterge Produsul selectat."},
        {"ConvexBtn4", "Listeaza Inventar", "Listeaza Tabelul afisat."}};
    for (const auto& [name, caption, hint] : buttons) {
      auto* b = child<QPushButton>(f, name);
      EXPECT_EQ(b->text(), caption);
      EXPECT_EQ(b->toolTip(), hint);
    }
    EXPECT_EQ(f->RadioGroup1->title(), " AFISEAZA ");
    EXPECT_EQ(f->RadioGroup2->title(), " CATEGORIA ");
    EXPECT_EQ(f->RadioGroup2->Item(1)->text(), "Materiale Auxiliare");

    // Change and delete refuse at their buttons.
    drive::clickOn(f, "ConvexBtn2");
    EXPECT_EQ(BalloonText(), "Alegeti mai intai produsul !");
    EXPECT_EQ(BalloonControl(), static_cast<QWidget*>(f->ConvexBtn2));
    drive::clickOn(f, "ConvexBtn3");
    EXPECT_EQ(BalloonText(), "Selectati mai intai produsul !");
    EXPECT_EQ(BalloonControl(), static_cast<QWidget*>(f->ConvexBtn3));
  });
  // Closing clears both queries.
  EXPECT_FALSE(Form6()->M1.Active());
  EXPECT_EQ(Form6()->M1.SQL().Count(), 0);
  EXPECT_EQ(Form6()->Sx.SQL().Count(), 0);
  EXPECT_TRUE(OnDisk().empty());
}

TEST_F(WarehouseWindow, ChoicesAndSearchNarrowTheListAndItsTotal) {
  SeedAll();
  struct Case {
    int afiseaza, categoria;
    QString search;
    QStringList listed;
    QString total;
  };
  const Case cases[] = {
      {0, 0, "", {"SURUB M6", "SURUB M8"}, "TOTAL STOC = 65.00"},
      {1, 0, "", {"GEAM 4MM"}, "TOTAL STOC = 0.00"},
      {0, 1, "", {"CHIT"}, "TOTAL STOC = 120.00"},
      {1, 1, "", {"D'ARC SILICON"}, "TOTAL STOC = 0.00"},
      // Labour is listed whatever its stock, and never adds to the total.
      {0, 2, "", {"MONTAJ", "TRANSPORT"}, "TOTAL STOC = 0.00"},
      {1, 2, "", {"MONTAJ", "TRANSPORT"}, "TOTAL STOC = 0.00"},
      // The name's beginning, typed in any case.
      {0, 0, "surub m8", {"SURUB M8"}, "TOTAL STOC = 15.00"},
      {0, 0, "SURUB", {"SURUB M6", "SURUB M8"}, "TOTAL STOC = 65.00"},
      {0, 0, "M6", {}, "TOTAL STOC = 0.00"},
      // Spaces alone add no condition; a leading space matches no stored name.
      {0, 0, "   ", {"SURUB M6", "SURUB M8"}, "TOTAL STOC = 65.00"},
      {0, 0, " SURUB", {}, "TOTAL STOC = 0.00"},
      // Quotes of either kind are searched for, not taken for the filter's own.
      {1, 1, "D'A", {"D'ARC SILICON"}, "TOTAL STOC = 0.00"},
      {0, 0, "SURUB \"", {}, "TOTAL STOC = 0.00"},
  };
  InWarehouse([&] {
    for (const Case& c : cases) {
      Choose(c.afiseaza, c.categoria);
      Search(c.search);
      const std::string what = std::to_string(c.afiseaza) + "/" + std::to_string(c.categoria) +
                               " '" + c.search.toStdString() + "'";
      EXPECT_EQ(Listed(), c.listed) << what;
      EXPECT_EQ(Total(), c.total) << what;
    }
  });
}

TEST_F(WarehouseWindow, ConditionTextsDescribeTheSameRowsForFilterAndStatement) {
  struct Case {
    int afiseaza, categoria;
    QString search, filter, where;
  };
  const Case cases[] = {
      {0, 0, "ABC", "(STOC>0) AND (TIP=0) AND (DENUMIRE='ABC*')",
       "WHERE (STOC>0) AND (TIP=0) AND (DENUMIRE LIKE \"ABC%\")"},
      {0, 0, "", "(STOC>0) AND (TIP=0)", "WHERE (STOC>0) AND (TIP=0)"},
      {1, 1, "", "(STOC=0) AND (TIP=1)", "WHERE (STOC=0) AND (TIP=1)"},
      {0, 2, "", "(TIP=2)", "WHERE (TIP=2)"},
      {1, 2, " A", "(TIP=2) AND (DENUMIRE=' A*')", "WHERE (TIP=2) AND (DENUMIRE LIKE \" A%\")"},
      // Quotes are doubled, and a ")(" inside the text is left alone.
      {0, 0, "O'K \"X\" (A)(B)", "(STOC>0) AND (TIP=0) AND (DENUMIRE='O''K \"X\" (A)(B)*')",
       "WHERE (STOC>0) AND (TIP=0) AND (DENUMIRE LIKE \"O'K \"\"X\"\" (A)(B)%\")"},
  };
  TForm6* f = Form6();
  for (const Case& c : cases) {
    f->RadioGroup1->SetItemIndex(c.afiseaza);
    f->RadioGroup2->SetItemIndex(c.categoria);
    f->Edit1->setText(c.search);
    EXPECT_EQ(f->Filtru6('\''), c.filter);
    EXPECT_EQ(f->Filtru6('"'), c.where);
  }
}

TEST_F(WarehouseWindow, ChoicesAndSearchSurviveClosingTheWindow) {
  SeedAll();
  InWarehouse([&] {
    Choose(1, 1);
    Search("D");
    // ESC closes the window from any control, the grid included.
    drive::pressKey(Form6(), "SMDBGrid1", Qt::Key_Escape);
    EXPECT_FALSE(Form6()->isVisible());
  });
  InWarehouse([&] {
    EXPECT_TRUE(Form6()->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(Form6()->RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(Form6()->RadioGroup2->ItemIndex(), 1);
    EXPECT_EQ(Form6()->Edit1->text(), "D");
    EXPECT_EQ(Listed(), QStringList({"D'ARC SILICON"}));
  });
}

TEST_F(WarehouseWindow, AddingStoresTheItemAndShowsItInTheList) {
  SeedAll();
  InWarehouse([&] {
    Search("PLACA");
    InEntry("ConvexBtn1", [&](TForm38* e) {
      EXPECT_EQ(e->windowTitle(), "ADAUGARE PRODUS");
      EXPECT_EQ(e->ComboBox2->currentText(), "PLACA");  // preset from the search
      EXPECT_EQ(e->ComboBox4->currentIndex(), 0);
      e->DataIn->setDate(QDate(2026, 4, 2));
      drive::typeInto(e, "ComboBox1", "  sc \"gama\"   srl ");
      drive::typeInto(e, "ComboBox2", "placa osb");
      drive::typeInto(e, "ComboBox3", "mp");
      drive::typeInto(e, "Edit2", "12");
      drive::typeInto(e, "Edit6", "5.5");
      drive::typeInto(e, "Edit1", "2.44");
      drive::clickOn(e, "BitBtn1");
    });
    EXPECT_EQ(Listed(), QStringList({"PLACA OSB"}));
    EXPECT_EQ(Form6()->M1.FieldByName("CODMAG").AsString(), "8");
    EXPECT_EQ(Total(), "TOTAL STOC = 66.00");
  });
  const std::vector<Item> items = OnDisk();
  ASSERT_EQ(items.size(), 8u);
  const Item& n = items.back();
  EXPECT_EQ(n.cod, 8);
  EXPECT_EQ(n.datain, "02.04.2026");
  EXPECT_EQ(n.furnizor, "SC \"GAMA\" SRL");
  EXPECT_EQ(n.denumire, "PLACA OSB");
  EXPECT_EQ(n.um, "MP");
  EXPECT_DOUBLE_EQ(n.cantin, 12);
  EXPECT_DOUBLE_EQ(n.stoc, 12);
  EXPECT_DOUBLE_EQ(n.iesit, 0);
  EXPECT_DOUBLE_EQ(n.pret, 5.5);
  EXPECT_DOUBLE_EQ(n.latime, 2.44);
  EXPECT_EQ(n.tip, 0);
  EXPECT_EQ(Form1()->CodExistent("CODMAG"), "9");
}

TEST_F(WarehouseWindow, AddedItemHiddenByTheChoiceIsStoredButNotListed) {
  SeedAll();
  InWarehouse([&] {
    Choose(1, 1);  // sold-out auxiliary materials
    InEntry("ConvexBtn1", [&](TForm38* e) {
      EXPECT_EQ(e->ComboBox4->currentIndex(), 1);
      EXPECT_FALSE(e->Edit1->isVisibleTo(e));  // no width outside goods
      drive::typeInto(e, "ComboBox2", "VOPSEA");
      drive::typeInto(e, "Edit2", "7");
      drive::typeInto(e, "Edit6", "45");
      drive::clickOn(e, "BitBtn1");
    });
    EXPECT_EQ(Listed(), QStringList({"D'ARC SILICON"}));
    EXPECT_EQ(Form6()->M1.RecNo(), 0);
    EXPECT_EQ(Total(), "TOTAL STOC = 0.00");
  });
  const Item n = OnDisk().back();
  EXPECT_EQ(n.denumire, "VOPSEA");
  EXPECT_EQ(n.tip, 1);
  EXPECT_DOUBLE_EQ(n.cantin, 1);  // quantity fixed at 1 outside goods
  EXPECT_DOUBLE_EQ(n.stoc, 1);
  EXPECT_EQ(n.furnizor, "");
}

TEST_F(WarehouseWindow, CancellingTheEntryWritesNothing) {
  SeedAll();
  InWarehouse([&] {
    InEntry("ConvexBtn1", [&](TForm38* e) {
      drive::typeInto(e, "ComboBox1", "X");
      drive::typeInto(e, "ComboBox2", "Y");
      drive::typeInto(e, "ComboBox3", "Z");
      drive::typeInto(e, "Edit2", "1");
      drive::typeInto(e, "Edit6", "1");
      drive::clickOn(e, "BitBtn2");
    });
  });
  EXPECT_EQ(OnDisk().size(), 7u);
  EXPECT_EQ(Form1()->CodExistent("CODMAG"), "8");
}

TEST_F(WarehouseWindow, ChangingToTheIssuedQuantityMovesTheItemToSoldOut) {
  SeedAll();
  InWarehouse([&] {
    ClickRow("SURUB M8");  // 50 in, 30 taken by orders
    InEntry("ConvexBtn2", [&](TForm38* e) {
      EXPECT_EQ(e->windowTitle(), "MODIFICARE PRODUS");
      EXPECT_EQ(e->ComboBox1->currentText(), "SC ALFA SRL");
      EXPECT_EQ(e->ComboBox2->currentText(), "SURUB M8");
      EXPECT_EQ(e->ComboBox3->currentText(), "BUC");
      EXPECT_EQ(e->Edit2->text(), "50.000");
      EXPECT_EQ(e->Edit6->text(), "0.75");
      EXPECT_EQ(e->Edit1->text(), "0.000");
      EXPECT_EQ(e->DataIn->date(), QDate(2026, 3, 1));
      e->DataIn->setDate(QDate(2026, 3, 15));
      drive::typeInto(e, "Edit2", "29.999");
      drive::clickOn(e, "BitBtn1");
      EXPECT_EQ(BalloonText(), "Cantitatea trebuie sa fie minim 30, conform comenzilor !");
      EXPECT_EQ(BalloonControl(), static_cast<QWidget*>(e->Edit2));
      drive::typeInto(e, "Edit2", "30");
      drive::clickOn(e, "BitBtn1");
    });
    EXPECT_EQ(Listed(), QStringList({"SURUB M6"}));
    EXPECT_EQ(Total(), "TOTAL STOC = 50.00");
    Choose(1, 0);
    EXPECT_EQ(Listed(), QStringList({"SURUB M8", "GEAM 4MM"}));
  });
  const Item m8 = OnDisk()[1];
  EXPECT_DOUBLE_EQ(m8.cantin, 30);
  EXPECT_DOUBLE_EQ(m8.stoc, 0);
  EXPECT_DOUBLE_EQ(m8.iesit, 30);
  EXPECT_EQ(m8.datain, "15.03.2026");
  EXPECT_EQ(OnDisk().size(), 7u);
}

TEST_F(WarehouseWindow, ChangeKeepsTheItemSelectedAndANewItemTakesItsDate) {
  SeedAll();
  InWarehouse([&] {
    ClickRow("SURUB M6");
    InEntry("ConvexBtn2", [&](TForm38* e) {
      e->DataIn->setDate(QDate(2025, 12, 24));
      // Another category: the width is hidden and its text kept.
      drive::typeInto(e, "Edit1", "1.5");
      drive::pressKey(e, "ComboBox4", Qt::Key_Down);
      drive::pressKey(e, "ComboBox4", Qt::Key_Down);
      EXPECT_EQ(e->ComboBox4->currentText(), "MANOPERA");
      EXPECT_FALSE(e->Edit1->isVisibleTo(e));
      drive::clickOn(e, "BitBtn1");
    });
    EXPECT_EQ(Listed(), QStringList({"SURUB M8"}));
    Choose(0, 2);
    EXPECT_EQ(Form6()->M1.FieldByName("DENUMIRE").AsString(), "SURUB M6");
    EXPECT_EQ(Listed(), QStringList({"SURUB M6", "MONTAJ", "TRANSPORT"}));
    InEntry("ConvexBtn1", [&](TForm38* e) {
      EXPECT_EQ(e->DataIn->date(), QDate(2025, 12, 24));
      e->reject();
    });
  });
  const Item m6 = OnDisk()[0];
  EXPECT_EQ(m6.tip, 2);
  EXPECT_DOUBLE_EQ(m6.cantin, 1);
  EXPECT_DOUBLE_EQ(m6.stoc, 1);
  EXPECT_DOUBLE_EQ(m6.latime, 1.5);
}

TEST_F(WarehouseWindow, ChangedItemStaysCurrentInTheList) {
  SeedAll();
  Seed({.cod = 20, .denumire = "ADEZIV", .cantin = 1, .pret = 9, .stoc = 1, .tip = 1});
  InWarehouse([&] {
    Choose(0, 1);
    ClickRow("ADEZIV");
    InEntry("ConvexBtn2", [&](TForm38* e) {
      drive::typeInto(e, "Edit6", "15");
      drive::clickOn(e, "BitBtn1");
    });
    EXPECT_EQ(Listed(), QStringList({"CHIT", "ADEZIV"}));
    EXPECT_EQ(Form6()->M1.FieldByName("DENUMIRE").AsString(), "ADEZIV");
    EXPECT_EQ(Form6()->SMDBGrid1->currentIndex().row(), 1);
    EXPECT_EQ(Total(), "TOTAL STOC = 135.00");
  });
  EXPECT_DOUBLE_EQ(OnDisk().back().pret, 15);
}

TEST_F(WarehouseWindow, DeletingAsksAndRefusesItemsUsedByOrders) {
  SeedAll();
  Seed({.cod = 8,
        .denumire = "SURUB M10",
        .um = "BUC",
        .cantin = 5,
        .pret = 1,
        .stoc = 4.999,
        .iesit = 0.001,
        .tip = 0});
  InWarehouse([&] {
    ClickRow("SURUB M10");
    drive::clickOn(Form6(), "ConvexBtn3");
    EXPECT_EQ(BalloonText(), "Retrageti mai intai produsul din comenzi !");

    ClickRow("SURUB M6");
    auto no = drive::pressInNextModal("Nu");
    drive::clickOn(Form6(), "ConvexBtn3");
    EXPECT_EQ(no->text, "SIGUR VRETI SA STERGEM PRODUSUL DIN MAGAZIE ?");
    EXPECT_EQ(no->title, "CONFIRMARE");
    EXPECT_EQ(OnDisk().size(), 8u);

    auto esc = drive::escapeNextModal();
    drive::clickOn(Form6(), "ConvexBtn3");
    EXPECT_TRUE(esc->seen);
    EXPECT_EQ(OnDisk().size(), 8u);

    auto yes = drive::pressInNextModal("Da");
    drive::clickOn(Form6(), "ConvexBtn3");
    EXPECT_TRUE(yes->seen);
    EXPECT_EQ(Listed(), QStringList({"SURUB M8", "SURUB M10"}));
    EXPECT_EQ(Form6()->M1.RecNo(), 0);
    EXPECT_EQ(Total(), "TOTAL STOC = 20.00");
  });
  const std::vector<Item> items = OnDisk();
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(items[0].denumire, "SURUB M8");
}

// A table made before the unit had three characters: a statement that does
// not fit it fails, and the list stays shown instead of going empty.
TEST_F(WarehouseWindow, FailedStatementReportsTheErrorAndKeepsTheList) {
  DistrugeFerestrele();
  for (const char* ext : {".dbf", ".mdx"}) QFile::remove(CaleData + "/Magazie" + ext);
  lumi::TQuery create;
  create.SQL().Add("CREATE TABLE \"" + TablePath().toStdString() + "\"");
  create.SQL().Add(
      "(CODMAG DECIMAL(10,0), DATAIN DATE, FURNIZOR CHAR(40), DENUMIRE CHAR(40), UM CHAR(2),"
      " CANTIN DECIMAL(8,3), LATIME DECIMAL(6,3), PRET DECIMAL(8,2), STOC DECIMAL(8,3),"
      " IESIT DECIMAL(8,3), TIP DECIMAL(2,0))");
  create.ExecSQL();
  CreeazaFerestrele();
  Seed({.cod = 1,
        .furnizor = "F",
        .denumire = "BARA",
        .um = "ML",
        .cantin = 4,
        .pret = 2.5,
        .stoc = 4});
  Seed({.cod = 2,
        .furnizor = "F",
        .denumire = "COLT",
        .um = "ML",
        .cantin = 2,
        .pret = 1,
        .stoc = 2});
  drive::ErrorReports errors;
  InWarehouse([&] {
    InEntry("ConvexBtn1", [&](TForm38* e) {
      drive::typeInto(e, "ComboBox1", "F");
      drive::typeInto(e, "ComboBox2", "TEAVA");
      drive::typeInto(e, "ComboBox3", "BUC");
      drive::typeInto(e, "Edit2", "3");
      drive::typeInto(e, "Edit6", "2");
      drive::clickOn(e, "BitBtn1");
    });
    ASSERT_EQ(errors.texts().size(), 1);
    EXPECT_EQ(Listed(), QStringList({"BARA", "COLT"}));
    EXPECT_EQ(Total(), "TOTAL STOC = 12.00");

    ClickRow("COLT");
    InEntry("ConvexBtn2", [&](TForm38* e) {
      drive::typeInto(e, "ComboBox3", "BUC");
      drive::clickOn(e, "BitBtn1");
    });
    EXPECT_EQ(errors.texts().size(), 2);
    EXPECT_EQ(Listed(), QStringList({"BARA", "COLT"}));
    EXPECT_EQ(Form6()->M1.FieldByName("DENUMIRE").AsString(), "COLT");
  });
  const std::vector<Item> items = OnDisk();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].um, "ML");
}

}  // namespace
}  // namespace warehouse_test
