// What the orders window and its dialogs write, other dBase software reads;
// what other dBase software wrote, the window lists.
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include "orders/Clienti.h"
#include "orders/Comenzi.h"
#include "orders/ComenziIN.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "store/DbGrid.h"
#include "tests/orders/orders_fixture.h"
#include "tests/store/dbase_readers.h"
#include "tests/support/Drive.h"

namespace orders_test {
namespace {

using readers::Column;

class OrdersInterop : public OrdersTest {};

TEST_F(OrdersInterop, OtherSoftwareReadsTheNewClientAndOrder) {
  InOrders([&] {
    InDialog("BitBtn1", [&](QWidget* w) {
      drive::typeInto(w, "CL1", "D\"ARC 'X'");
      drive::typeInto(w, "CL2", "STR. LUNGA 5");
      Form39()->CM1->setPlainText("NOTA \"UNU\"");
      drive::clickOn(w, "BitBtn1");
    });
    InDialog("ConvexBtn5", [&](QWidget*) {
      Form40()->Data1->setDate(QDate(2026, 3, 1));
      Form40()->data2->setDate(QDate(2026, 3, 9));
      drive::clickOn(Form40(), "BitBtn1");
    });
  });
  EXPECT_EQ(readers::Rows(CaleData + "/Clienti.dbf"),
            QStringList({"1|D\"ARC 'X'|STR. LUNGA 5|||NOTA \"UNU\""}));
  EXPECT_EQ(readers::Rows(CaleData + "/CapCom.dbf"),
            QStringList({"1|20260301|20260309|NU|1|0|0"}));
  EXPECT_EQ(readers::Keys(CaleData + "/CapCom.mdx", "CODCAP").size(), 1);
  EXPECT_EQ(readers::Keys(CaleData + "/Clienti.mdx", "CODCLI").size(), 1);
}

TEST_F(OrdersInterop, ListsOrdersWrittenByOtherSoftware) {
  Seed({.clients = {{.cod = 7, .nume = "GAMA"}}});
  const QList<Column> capcom = {{"CODCAP", "N", 10, 0}, {"DATA", "D", 8, 0},
                                {"TERMEN", "D", 8, 0},  {"PREDAT", "C", 2, 0},
                                {"CODCLI", "N", 10, 0}, {"COST", "N", 8, 2},
                                {"REST", "N", 8, 2}};
  for (const char* file : {"/CapCom.dbf", "/CapCom.mdx"}) QFile::remove(CaleData + file);
  ASSERT_TRUE(readers::WriteTable(CaleData + "/CapCom.dbf", capcom,
                                  {{"3", "20260105", "20260110", "NU", "7", "120.50", "20.25"},
                                   {"4", "20260106", "20260111", "DA", "7", "99.99", "0.00"},
                                   {"5", "20260107", "20260112", "NU", "7", "0.10", "0.10"},
                                   {"6", "20260108", "20260113", "NU", "8", "5.00", "5.00"}}));
  InOrders([&] {
    EXPECT_EQ(Listed(Form7()->DBGrid3, 1), QStringList({"3", "5"}));
    EXPECT_EQ(Form7()->LTot->text(), "120.60");
    EXPECT_EQ(Form7()->LRest->text(), "20.35");
  });
}

}  // namespace
}  // namespace orders_test
