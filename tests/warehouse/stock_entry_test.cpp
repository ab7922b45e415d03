// The stock item entry dialog: its checks and their messages, the fields it
// gives back, the numeric boxes, the width rule and the completions.
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "shell/Forms.h"
#include "shell/Unit1.h"
#include "tests/support/Drive.h"
#include "tests/warehouse/warehouse_fixture.h"
#include "warehouse/Magazie.h"
#include "warehouse/MatIN.h"

namespace warehouse_test {
namespace {

class StockEntry : public WarehouseTest {
 protected:
  // One use of the dialog as the warehouse makes it: cleared, opened with
  // `caption`, `steps` run in it. Returns what Adauga returned.
  bool Use(const QString& caption, const std::function<void(TForm38*)>& steps) {
    Form38()->StergeFormular();
    auto seen = drive::onNextModal([&](QWidget*) {
      steps(Form38());
      if (Form38()->isVisible()) Form38()->reject();
    });
    const bool ok = Form38()->Adauga(caption);
    EXPECT_TRUE(seen->seen);
    return ok;
  }
  static void Category(TForm38* e, int index) {
    while (e->ComboBox4->currentIndex() < index) drive::pressKey(e, "ComboBox4", Qt::Key_Down);
    while (e->ComboBox4->currentIndex() > index) drive::pressKey(e, "ComboBox4", Qt::Key_Up);
  }
  // Puts the warehouse list on the item `cod`, as when the user picked it.
  void CurrentItem(int cod) {
    lumi::TQuery& m1 = Form6()->M1;
    Form1()->QueryRst(m1);
    m1.SQL().Add("SELECT * FROM \"" + TablePath().toStdString() + "\" ORDER BY CODMAG");
    m1.Open();
    ASSERT_TRUE(m1.Locate("CODMAG", std::to_string(cod)));
  }
};

TEST_F(StockEntry, ChecksStopAtTheFirstMissingOrWrongField) {
  struct Case {
    int category;
    QString furnizor, denumire, um, cantitate, pret, latime;
    QString message, control;
  };
  const Case cases[] = {
      {0, "", "SURUB", "BUC", "1", "1", "0", "Nu ati scris furnizorul !", "ComboBox1"},
      {0, "   ", "", "", "0", "0", "0", "Nu ati scris furnizorul !", "ComboBox1"},
      {1, "", "  ", "", "0", "0", "0", "Nu ati scris Denumirea Produsului !", "ComboBox2"},
      {0, "F", "SURUB", "", "1", "1", "0", "Nu ati scris Unitatea de Masura !", "ComboBox3"},
      {0, "F", "SURUB", "BUC", "0", "1", "0", "Nu ati scris Cantitatea !", "Edit2"},
      {0, "F", "SURUB", "BUC", ".", "1", "0", "Nu ati scris Cantitatea !", "Edit2"},
      {0, "F", "SURUB", "BUC", "2", "0", "0", "Nu ati scris Pretul Unitar !", "Edit6"},
      {1, "", "CHIT", "", "0", "0", "0", "Nu ati scris Valoarea !", "Edit6"},
      {2, "", "MONTAJ", "", "5", ".", "0", "Nu ati scris Valoarea !", "Edit6"},
      // Values the table's columns cannot hold are refused at their field.
      {0, "F", "SURUB", "BUC", "12345", "1", "0", "Cantitatea nu poate depasi 9999.999 !", "Edit2"},
      {0, "F", "SURUB", "BUC", "1", "123456", "0", "Pretul Unitar nu poate depasi 99999.99 !",
       "Edit6"},
      {1, "", "CHIT", "", "1", "100000", "0", "Valoarea nu poate depasi 99999.99 !", "Edit6"},
      {0, "F", "SURUB", "BUC", "1", "1", "100", "Latimea nu poate depasi 99.999 !", "Edit1"},
  };
  for (const Case& c : cases) {
    const std::string what = c.message.toStdString() + " / " + c.cantitate.toStdString();
    const bool ok = Use("ADAUGARE PRODUS", [&](TForm38* e) {
      Category(e, c.category);
      drive::typeInto(e, "ComboBox1", c.furnizor);
      drive::typeInto(e, "ComboBox2", c.denumire);
      drive::typeInto(e, "ComboBox3", c.um);
      drive::typeInto(e, "Edit2", c.cantitate);
      drive::typeInto(e, "Edit6", c.pret);
      if (c.category == 0) drive::typeInto(e, "Edit1", c.latime);
      drive::clickOn(e, "BitBtn1");
      EXPECT_TRUE(e->isVisible()) << what;
      EXPECT_EQ(BalloonText(), c.message) << what;
      ASSERT_NE(BalloonControl(), nullptr) << what;
      EXPECT_EQ(BalloonControl()->objectName(), c.control) << what;
      if (c.control.startsWith("ComboBox")) {
        QWidget* box = e->findChild<QWidget*>(c.control);
        QWidget* focus = QApplication::focusWidget();
        EXPECT_TRUE(focus == box || box->isAncestorOf(focus)) << what;
      }
      drive::clickOn(e, "BitBtn2");
    });
    EXPECT_FALSE(ok) << what;
  }
  EXPECT_TRUE(OnDisk().empty());
}

TEST_F(StockEntry, AcceptedFieldsComeBackCleanedAndRewritten) {
  struct Case {
    int category;
    QString furnizor, denumire, um, cantitate, pret, latime;
    QString furnizorBack, cantitateBack, pretBack, latimeBack;
  };
  const Case cases[] = {
      {0, "  sc  alfa   srl ", " geam  4 mm", " mp ", "12", "5.5", "1.2", "SC ALFA SRL", "12.000",
       "5.500", "1.200"},
      {0, "A", "B", "C", "0.0005", "0.001", "", "A", "0.001", "0.001", "0.000"},
      // Outside goods supplier and unit may stay empty and the quantity is 1.
      {1, "", "CHIT", "", "7", "120", "", "", "1", "120.000", "0.000"},
      {2, "", "MONTAJ", "", "0", "80.25", "", "", "1", "80.250", "0.000"},
  };
  for (const Case& c : cases) {
    const bool ok = Use("ADAUGARE PRODUS", [&](TForm38* e) {
      Category(e, c.category);
      drive::typeInto(e, "ComboBox1", c.furnizor);
      drive::typeInto(e, "ComboBox2", c.denumire);
      drive::typeInto(e, "ComboBox3", c.um);
      drive::typeInto(e, "Edit2", c.cantitate);
      drive::typeInto(e, "Edit6", c.pret);
      if (!c.latime.isEmpty()) drive::typeInto(e, "Edit1", c.latime);
      drive::clickOn(e, "BitBtn1");
    });
    const std::string what = c.denumire.toStdString();
    ASSERT_TRUE(ok) << what << ": " << BalloonText().toStdString();
    TForm38* e = Form38();
    EXPECT_EQ(e->ComboBox1->currentText(), c.furnizorBack) << what;
    EXPECT_EQ(e->ComboBox2->currentText(), Form1()->Curata(c.denumire.toUpper())) << what;
    EXPECT_EQ(e->ComboBox3->currentText(), Form1()->Curata(c.um.toUpper())) << what;
    EXPECT_EQ(e->Edit2->text(), c.cantitateBack) << what;
    EXPECT_EQ(e->Edit6->text(), c.pretBack) << what;
    EXPECT_EQ(e->Edit1->text(), c.latimeBack) << what;
    EXPECT_EQ(e->ComboBox4->currentIndex(), c.category) << what;
  }
}

TEST_F(StockEntry, ChangedQuantityCannotGoBelowWhatOrdersTook) {
  Seed({.cod = 1,
        .furnizor = "F",
        .denumire = "PROFIL",
        .um = "ML",
        .cantin = 10,
        .pret = 3,
        .stoc = 7.5,
        .iesit = 2.5});
  CurrentItem(1);
  struct Case {
    QString caption, cantitate;
    bool accepted;
  };
  const Case cases[] = {
      {"MODIFICARE PRODUS", "2", false},
      {"MODIFICARE PRODUS", "2.499", false},
      {"MODIFICARE PRODUS", "2.5", true},
      // Adding has no minimum, whatever item the list stands on.
      {"ADAUGARE PRODUS", "2", true},
  };
  for (const Case& c : cases) {
    const bool ok = Use(c.caption, [&](TForm38* e) {
      drive::typeInto(e, "ComboBox1", "F");
      drive::typeInto(e, "ComboBox2", "PROFIL");
      drive::typeInto(e, "ComboBox3", "ML");
      drive::typeInto(e, "Edit2", c.cantitate);
      drive::typeInto(e, "Edit6", "3");
      drive::clickOn(e, "BitBtn1");
      if (!c.accepted) {
        EXPECT_EQ(BalloonText(), "Cantitatea trebuie sa fie minim 2.5, conform comenzilor !");
        EXPECT_EQ(BalloonControl(), static_cast<QWidget*>(e->Edit2));
      }
    });
    EXPECT_EQ(ok, c.accepted) << c.caption.toStdString() << " " << c.cantitate.toStdString();
  }
}

TEST_F(StockEntry, NumericBoxesTakeDigitsAndOnePointOnly) {
  QApplication::clipboard()->setText("999");
  Use("ADAUGARE PRODUS", [&](TForm38* e) {
    EXPECT_EQ(e->Edit2->text(), "0");
    drive::typeInto(e, "Edit2", "a1b2.,.5-");
    EXPECT_EQ(e->Edit2->text(), "12.5");
    QTest::keyClick(e->Edit2, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(e->Edit2, Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(e->Edit2->text(), "12.53");
    QTest::keyClick(e->Edit2, Qt::Key_Backspace);
    EXPECT_EQ(e->Edit2->text(), "12.5");

    // Each box stops at its length: 9, 10 and 7 characters.
    drive::typeInto(e, "Edit2", "12345678901");
    EXPECT_EQ(e->Edit2->text(), "123456789");
    drive::typeInto(e, "Edit6", "12345678901");
    EXPECT_EQ(e->Edit6->text(), "1234567890");
    drive::typeInto(e, "Edit1", "12345678901");
    EXPECT_EQ(e->Edit1->text(), "1234567");
    drive::clickOn(e, "BitBtn2");
  });
}

TEST_F(StockEntry, WidthIsShownForGoodsOnly) {
  Use("ADAUGARE PRODUS", [&](TForm38* e) {
    EXPECT_TRUE(e->Edit1->isVisible());
    EXPECT_TRUE(e->Label7->isVisible());
    drive::typeInto(e, "Edit1", "2.5");
    Category(e, 1);
    EXPECT_FALSE(e->Edit1->isVisible());
    EXPECT_FALSE(e->Label7->isVisible());
    EXPECT_EQ(e->Edit1->text(), "2.5");  // kept, and stored as the width
    Category(e, 0);
    EXPECT_TRUE(e->Edit1->isVisible());
    EXPECT_EQ(e->Edit1->text(), "0");
    drive::clickOn(e, "BitBtn2");
  });
}

TEST_F(StockEntry, EachBoxOffersOneCompletionFromTheStock) {
  Seed({.cod = 1,
        .furnizor = "SC ALFA SRL",
        .denumire = "GEAM 4MM",
        .um = "MP",
        .cantin = 1,
        .pret = 1,
        .stoc = 1});
  Seed({.cod = 2,
        .furnizor = "SC ALBA",
        .denumire = "GEAM 6MM",
        .um = "ML",
        .cantin = 1,
        .pret = 1,
        .stoc = 1});
  Use("ADAUGARE PRODUS", [&](TForm38* e) {
    QComboBox* f = e->ComboBox1;
    EXPECT_EQ(f->count(), 1);
    EXPECT_EQ(f->itemText(0), "");

    drive::typeInto(e, "ComboBox1", "sc al");
    EXPECT_EQ(f->currentText(), "SC AL");  // typing is never replaced
    EXPECT_EQ(f->count(), 1);
    EXPECT_EQ(f->itemText(0), "SC ALFA SRL");  // the first in the table's order
    QTest::keyClicks(f, "b");
    EXPECT_EQ(f->itemText(0), "SC ALBA");
    QTest::keyClicks(f, "x");
    EXPECT_EQ(f->itemText(0), "");

    drive::typeInto(e, "ComboBox2", "gea");
    EXPECT_EQ(e->ComboBox2->itemText(0), "GEAM 4MM");
    drive::typeInto(e, "ComboBox3", "m");
    EXPECT_EQ(e->ComboBox3->itemText(0), "MP");

    // Taking the offer puts it in the box; typing on goes on from there.
    f->lineEdit()->clear();
    QTest::keyClicks(f, "sc alf");
    f->showPopup();
    QTest::keyClick(f->view()->viewport(), Qt::Key_Down);
    QTest::keyClick(f->view()->viewport(), Qt::Key_Return);
    EXPECT_EQ(f->currentText(), "SC ALFA SRL");
    QTest::keyClicks(f, " 2");
    EXPECT_EQ(f->currentText(), "SC ALFA SRL 2");
    EXPECT_EQ(f->count(), 1);
    EXPECT_EQ(f->itemText(0), "");
    drive::clickOn(e, "BitBtn2");
  });
}

TEST_F(StockEntry, TypingDuringALookupCompletesEveryBoxChanged) {
  Seed({.cod = 1,
        .furnizor = "SC ALFA SRL",
        .denumire = "GEAM 4MM",
        .um = "MP",
        .cantin = 1,
        .pret = 1,
        .stoc = 1});
  Use("ADAUGARE PRODUS", [&](TForm38* e) {
    // A key for the name box waits in the queue while the supplier box looks
    // up its completion; the lookup lets it through.
    QCoreApplication::postEvent(e->ComboBox2->lineEdit(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_G, Qt::NoModifier, "g"));
    QTest::keyClicks(e->ComboBox1, "s");
    EXPECT_EQ(e->ComboBox2->currentText(), "G");
    EXPECT_EQ(e->ComboBox1->itemText(0), "SC ALFA SRL");
    EXPECT_EQ(e->ComboBox2->itemText(0), "GEAM 4MM");
    // And the handler is at rest again.
    QTest::keyClicks(e->ComboBox1, "x");
    EXPECT_EQ(e->ComboBox1->itemText(0), "");
    drive::clickOn(e, "BitBtn2");
  });
}

TEST_F(StockEntry, FillingTheDialogStartsNoLookup) {
  Seed({.cod = 1,
        .furnizor = "SC ALFA SRL",
        .denumire = "GEAM 4MM",
        .um = "MP",
        .cantin = 1,
        .pret = 1,
        .stoc = 1});
  TForm38* e = Form38();
  e->StergeFormular();
  e->ComboBox1->setEditText("SC");
  EXPECT_EQ(e->ComboBox1->itemText(0), "");
  EXPECT_TRUE(e->Sx.Active());
  auto seen = drive::onNextModal([&](QWidget*) {
    QTest::keyClicks(e->ComboBox1, " A");
    EXPECT_EQ(e->ComboBox1->itemText(0), "SC ALFA SRL");
    drive::clickOn(e, "BitBtn2");
  });
  EXPECT_FALSE(e->Adauga("ADAUGARE PRODUS"));
  EXPECT_FALSE(e->Sx.Active());  // closed with the dialog
}

}  // namespace
}  // namespace warehouse_test
