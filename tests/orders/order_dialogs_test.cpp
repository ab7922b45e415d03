// The order header and client dialogs, opened from the orders window's
// buttons and checked in CapCom.dbf, Clienti.dbf and the code counters.
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "orders/Clienti.h"
#include "orders/Comenzi.h"
#include "orders/ComenziIN.h"
#include "shell/Formats.h"
#include "shell/Forms.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "store/DbMemo.h"
#include "tests/orders/orders_fixture.h"
#include "tests/support/Drive.h"

namespace orders_test {
namespace {

class OrderDialogs : public OrdersTest {
 protected:
  void SetUp() override {
    OrdersTest::SetUp();
    Seed(SampleShop());
  }
  TForm7* F() const { return Form7(); }
  void Search(const QString& text) {
    F()->Edit1->clear();
    if (!text.isEmpty()) drive::typeInto(F(), "Edit1", text);
  }
  const Order* OrderOnDisk(int cod) const {
    orders_ = OrdersOnDisk();
    for (const Order& o : orders_)
      if (o.cod == cod) return &o;
    return nullptr;
  }
  const Client* ClientOnDisk(const QString& name) const {
    clients_ = ClientsOnDisk();
    for (const Client& c : clients_)
      if (c.nume == name) return &c;
    return nullptr;
  }
  static QString Today() { return Formats::SqlDate(QDate::currentDate()); }

  mutable std::vector<Order> orders_;
  mutable std::vector<Client> clients_;
};

TEST_F(OrderDialogs, NewOrderTakesTheNumberShownOnlyWhenSaved) {
  InOrders([&] {
    ChooseClient("BETA GLASS");
    InDialog("ConvexBtn5", [&](QWidget*) {
      TForm40* d = Form40();
      EXPECT_EQ(d->windowTitle(), "ADAUGARE COMANDA");
      EXPECT_EQ(d->Label6->text(), "BETA GLASS");
      EXPECT_EQ(d->Label14->text(), "31");
      EXPECT_EQ(d->Data1->date(), QDate::currentDate());
      EXPECT_EQ(d->data2->date(), QDate::currentDate());
      EXPECT_EQ(d->ComboBox1->currentText(), "NU");
      EXPECT_FALSE(d->ComboBox1->isEnabled()) << "a new order cannot be delivered";
      drive::clickOn(d, "BitBtn2");
    });
    EXPECT_EQ(Counter("CODCAP"), "31");
    EXPECT_EQ(OrderOnDisk(31), nullptr);

    InDialog("ConvexBtn5", [&](QWidget*) {
      TForm40* d = Form40();
      EXPECT_EQ(d->Label14->text(), "31") << "the number offered again after RENUNT";
      F()->ConvexBtn5Click();  // a second start while the first is open does nothing
      d->ComboBox1->setCurrentText("DA");  // whatever the list shows
      d->data2->setDate(QDate::currentDate().addDays(7));
      drive::clickOn(d, "BitBtn1");
    });
  });
  EXPECT_EQ(Counter("CODCAP"), "32");
  const Order* o = OrderOnDisk(31);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->client, 2);
  EXPECT_EQ(o->data, Today());
  EXPECT_EQ(o->termen, Formats::SqlDate(QDate::currentDate().addDays(7)));
  EXPECT_EQ(o->predat, "NU");
  EXPECT_EQ(o->cost, 0);
  EXPECT_EQ(o->rest, 0);
  EXPECT_EQ(OrdersOnDisk().size(), SampleShop().orders.size() + 1);
}

TEST_F(OrderDialogs, NewOrderIsListedAndCurrent) {
  InOrders([&] {
    ChooseClient("ALFA SRL");
    // Also from the list of delivered orders, which would hide it.
    QTest::mouseClick(F()->RadioButton4, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(Orders(), QStringList({"12"}));
    InDialog("ConvexBtn5", [&](QWidget*) { drive::clickOn(Form40(), "BitBtn1"); });
    EXPECT_TRUE(F()->RadioButton3->isChecked());
    EXPECT_EQ(Orders(), QStringList({"10", "11", "31"}));
    EXPECT_EQ(CurrentOrder(), 31);
    EXPECT_EQ(F()->DBGrid3->currentIndex().row(), 2);
    EXPECT_EQ(Listed(F()->DBGrid2, 1), QStringList()) << "the new order has no lines";
    EXPECT_EQ(F()->LTot->text(), "215.00");
  });
}

TEST_F(OrderDialogs, DeliveryTermIsNeverBeforeTheIntakeDate) {
  InOrders([&] {
    ChooseClient("ALBU ION");
    InDialog("ConvexBtn5", [&](QWidget*) {
      TForm40* d = Form40();
      d->Data1->setDate(QDate(2026, 3, 10));
      d->data2->setDate(QDate(2026, 3, 9));
      drive::clickOn(d, "BitBtn1");
      EXPECT_TRUE(d->isVisible());
      EXPECT_EQ(BalloonText(), "Datele calendaristice nu sunt corecte !");
      EXPECT_EQ(BalloonControl(), d->Data1);
      d->data2->setDate(QDate(2026, 3, 10));  // the same day will do
      drive::clickOn(d, "BitBtn1");
      EXPECT_FALSE(d->isVisible());
    });
  });
  const Order* o = OrderOnDisk(31);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->data, "10.03.2026");
  EXPECT_EQ(o->termen, "10.03.2026");
  EXPECT_EQ(o->client, 4);
}

TEST_F(OrderDialogs, ChangingAnOrderAndItsDeliveredFlag) {
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseOrder(11);
    InDialog("ConvexBtn6", [&](QWidget*) {
      TForm40* d = Form40();
      EXPECT_EQ(d->windowTitle(), "MODIFICARE COMANDA");
      EXPECT_EQ(d->Label6->text(), "ALFA SRL");
      EXPECT_EQ(d->Label14->text(), "11");
      EXPECT_EQ(d->Data1->date(), QDate(2026, 3, 2));
      EXPECT_EQ(d->data2->date(), QDate(2026, 3, 12));
      EXPECT_EQ(d->ComboBox1->currentText(), "NU");
      EXPECT_FALSE(d->ComboBox1->isEnabled()) << "40.00 still to collect";
      d->data2->setDate(QDate(2026, 3, 20));
      drive::clickOn(d, "BitBtn1");
    });
    EXPECT_EQ(CurrentOrder(), 11);

    ChooseClient("BETA GLASS");
    InDialog("ConvexBtn6", [&](QWidget*) {
      TForm40* d = Form40();
      EXPECT_TRUE(d->ComboBox1->isEnabled()) << "nothing left to collect";
      d->ComboBox1->setCurrentText("DA");
      drive::clickOn(d, "BitBtn1");
    });
    EXPECT_EQ(Orders(), QStringList()) << "a delivered order leaves the orders in progress";

    QTest::mouseClick(F()->RadioButton4, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(Orders(), QStringList({"20", "21"}));
    ChooseOrder(21);
    InDialog("ConvexBtn6", [&](QWidget*) {
      TForm40* d = Form40();
      EXPECT_EQ(d->ComboBox1->currentText(), "DA");
      d->ComboBox1->setCurrentText("NU");
      drive::clickOn(d, "BitBtn1");
    });
    EXPECT_EQ(Orders(), QStringList({"20"}));

    // With no order listed there is nothing to change.
    ChooseClient("ALBU ION");
    drive::clickOn(F(), "ConvexBtn6");
    EXPECT_EQ(BalloonText(), "Alegeti mai intai o comanda !");
    EXPECT_EQ(BalloonControl(), F()->ConvexBtn6);
  });
  EXPECT_EQ(OrderOnDisk(11)->termen, "20.03.2026");
  EXPECT_EQ(OrderOnDisk(11)->data, "02.03.2026");
  EXPECT_EQ(OrderOnDisk(11)->predat, "NU");
  EXPECT_EQ(OrderOnDisk(11)->cost, 40);
  EXPECT_EQ(OrderOnDisk(20)->predat, "DA");
  EXPECT_EQ(OrderOnDisk(21)->predat, "NU");
  EXPECT_EQ(Counter("CODCAP"), "31") << "changes take no number";
}

TEST_F(OrderDialogs, NewClientIsCleanedStoredAndCurrent) {
  InOrders([&] {
    InDialog("BitBtn1", [&](QWidget*) {
      TForm39* d = Form39();
      EXPECT_EQ(d->windowTitle(), "ADAUGARE CLIENT");
      EXPECT_EQ(d->focusWidget(), d->CL1);
      drive::typeInto(d, "CL1", "  d\"arc   'x'  glass ");
      drive::typeInto(d, "CL2", "Str. \"Lunga\"   5 ");
      d->CM1->setPlainText("RAND 1\n\n  RAND 3  \n   \n\n");
      drive::clickOn(d, "BitBtn1");
    });
    EXPECT_EQ(CurrentClient(), "D\"ARC 'X' GLASS");
    EXPECT_EQ(Clients().size(), 5);
  });
  const Client* c = ClientOnDisk("D\"ARC 'X' GLASS");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->cod, 5);
  EXPECT_EQ(Counter("CODCLI"), "6");
  EXPECT_EQ(c->adresa, "Str. \"Lunga\" 5");
  EXPECT_TRUE(IsNull("Clienti.dbf", "CODCLI", 5, "TEL"));
  EXPECT_TRUE(IsNull("Clienti.dbf", "CODCLI", 5, "CF"));
  EXPECT_EQ(c->obs, "RAND 1\r\n\r\n  RAND 3  \r\n") << "blank lines at the end go, the rest stays";
}

TEST_F(OrderDialogs, NamesAreRequiredAndNewOnesUnique) {
  InOrders([&] {
    InDialog("BitBtn1", [&](QWidget*) {
      TForm39* d = Form39();
      drive::typeInto(d, "CL1", "   ");
      drive::clickOn(d, "BitBtn1");
      EXPECT_EQ(BalloonText(), "Nu ati scris Numele !");
      EXPECT_EQ(BalloonControl(), d->CL1);
      drive::typeInto(d, "CL1", " alfa    srl ");
      drive::clickOn(d, "BitBtn1");
      EXPECT_EQ(BalloonText(), "Numele exista deja in baza de date !");
      EXPECT_EQ(d->CL1->text(), "ALFA SRL") << "the box shows the cleaned name";
      EXPECT_TRUE(d->isVisible());
      drive::clickOn(d, "BitBtn2");
    });
    EXPECT_EQ(Counter("CODCLI"), "5");
    EXPECT_EQ(ClientsOnDisk().size(), 4u);

    // A rename to a name already there is accepted; the notes come from the
    // window and go back as they were.
    ChooseClient("ALFA SRL");
    InDialog("ConvexBtn1", [&](QWidget*) {
      TForm39* d = Form39();
      EXPECT_EQ(d->windowTitle(), "MODIFICARE CLIENT");
      EXPECT_EQ(d->CL1->text(), "ALFA SRL");
      EXPECT_EQ(d->CL2->text(), "STR. MORII 4, IASI");
      EXPECT_EQ(d->CL3->text(), "0232111222");
      EXPECT_EQ(d->CL4->text(), "RO123456");
      EXPECT_EQ(d->CM1->toPlainText().trimmed(), "CLIENT VECHI\nPLATESTE LA TERMEN");
      d->CL1->setText("BETA GLASS");
      d->CL3->clear();
      drive::clickOn(d, "BitBtn1");
    });
    EXPECT_EQ(F()->CLQ.FieldByName("CODCLI").AsInteger(), 1);
    EXPECT_EQ(Orders(), QStringList({"10", "11"}));
  });
  EXPECT_EQ(Counter("CODCLI"), "5");
  const std::vector<Client> clients = ClientsOnDisk();
  ASSERT_EQ(clients.size(), 4u);
  EXPECT_EQ(clients[0].nume, "BETA GLASS");
  EXPECT_EQ(clients[1].nume, "BETA GLASS");
  EXPECT_EQ(clients[0].adresa, "STR. MORII 4, IASI");
  EXPECT_TRUE(IsNull("Clienti.dbf", "CODCLI", 1, "TEL"));
  EXPECT_EQ(clients[0].obs, "CLIENT VECHI\r\nPLATESTE LA TERMEN\r\n");
}

TEST_F(OrderDialogs, WhatIsSavedStaysInSightOfTheSearch) {
  InOrders([&] {
    Search("ZZ");
    ASSERT_EQ(Clients(), QStringList());
    const std::pair<const char*, const char*> refusals[] = {
        {"ConvexBtn5", "Alegeti mai intai Clientul !"}, {"ConvexBtn1", "Nu aveti ce modifica !"}};
    for (const auto& [button, message] : refusals) {
      drive::clickOn(F(), button);
      EXPECT_EQ(BalloonText(), message);
      EXPECT_EQ(BalloonControl(), F()->findChild<QWidget*>(button));
    }
    // A client the search lets through keeps the search.
    InDialog("BitBtn1", [&](QWidget*) {
      drive::typeInto(Form39(), "CL1", "ZZ TOP");
      drive::clickOn(Form39(), "BitBtn1");
    });
    EXPECT_EQ(F()->Edit1->text(), "ZZ");
    EXPECT_EQ(Clients(), QStringList({"ZZ TOP"}));
    // One it would hide clears it.
    InDialog("BitBtn1", [&](QWidget*) {
      drive::typeInto(Form39(), "CL1", "NOU CLIENT");
      drive::clickOn(Form39(), "BitBtn1");
    });
    EXPECT_EQ(F()->Edit1->text(), "");
    EXPECT_EQ(CurrentClient(), "NOU CLIENT");
    EXPECT_EQ(Clients().size(), 6);
  });
}

TEST_F(OrderDialogs, EnterSavesAndEscapeCancels) {
  InOrders([&] {
    ChooseClient("ALBU ION");
    InDialog("ConvexBtn5", [&](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    InDialog("BitBtn1", [&](QWidget* w) {
      drive::typeInto(w, "CL1", "RENUNTAT");
      QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(OrdersOnDisk().size(), SampleShop().orders.size());
    EXPECT_EQ(ClientsOnDisk().size(), 4u);

    InDialog("ConvexBtn5", [&](QWidget*) { drive::pressKey(Form40(), "Data1", Qt::Key_Return); });
    InDialog("BitBtn1", [&](QWidget* w) {
      drive::typeInto(w, "CL1", "CU ENTER");
      drive::pressKey(w, "CL1", Qt::Key_Return);
    });
  });
  EXPECT_NE(OrderOnDisk(31), nullptr);
  EXPECT_NE(ClientOnDisk("CU ENTER"), nullptr);
}

TEST_F(OrderDialogs, LongNotesRoundTrip) {
  QStringList lines;
  for (int i = 0; i < 200; ++i) lines << QString("RANDUL %1: \"GEAM\" 'TERMOPAN' 4/16/4 ;,.").arg(i);
  InOrders([&] {
    ChooseClient("BETA GLASS");
    InDialog("ConvexBtn1", [&](QWidget*) {
      Form39()->CM1->setPlainText(lines.join('\n'));
      drive::clickOn(Form39(), "BitBtn1");
    });
    EXPECT_EQ(F()->DBMemo2->toPlainText(), lines.join('\n') + "\n");
  });
  EXPECT_EQ(ClientOnDisk("BETA GLASS")->obs, lines.join("\r\n") + "\r\n");
}

}  // namespace
}  // namespace orders_test
