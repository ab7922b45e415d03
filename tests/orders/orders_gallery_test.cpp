// Pictures of the orders window and its two dialogs for looking at by eye:
// written only when LUMI_SCREENSHOT_DIR names a folder. Whole-screen grabs,
// so that the input-error balloon shows beside its dialog.
#include <QDateEdit>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>

#include "orders/Clienti.h"
#include "orders/Comenzi.h"
#include "orders/ComenziIN.h"
#include "shell/Forms.h"
#include "store/DbGrid.h"
#include "orders/Produse.h"
#include "tests/orders/lines_fixture.h"
#include "tests/orders/orders_fixture.h"
#include "tests/support/Drive.h"
#include "tests/support/Gallery.h"

namespace orders_test {
namespace {

using gallery::Folder;
using gallery::Shot;

class OrdersGallery : public OrdersTest {};

TEST_F(OrdersGallery, SavesThePictures) {
  if (Folder().isEmpty()) GTEST_SKIP() << "LUMI_SCREENSHOT_DIR not set";
  QDir().mkpath(Folder());
  Shop shop = SampleShop();
  // Enough clients to fill the list.
  const char* const names[] = {"CONSTRUCT SRL", "DELTA VIT", "ELENA MARIN", "FLORIN POP",
                               "GEAM EXPERT SRL", "HOREA SI FIII", "IONESCU DAN",
                               "LUMINA DECOR", "MARIA POPA", "NOVA GLASS SA"};
  int cod = 10;
  for (const char* n : names) shop.clients.push_back({.cod = cod++, .nume = n});
  Seed(shop);
  InOrders([&] {
    TForm7* f = Form7();
    ClickRow(f->DBGrid1, 1);  // ALFA SRL: two orders in progress, the first with two works
    Shot("comenzi-alfa");
    QTest::mouseClick(f->RadioButton4, Qt::LeftButton, {}, QPoint(6, 6));
    Shot("comenzi-predate");
    QTest::mouseClick(f->RadioButton3, Qt::LeftButton, {}, QPoint(6, 6));
    drive::typeInto(f, "Edit1", "O'");
    Shot("comenzi-cautare");
    f->Edit1->clear();
    ClickRow(f->DBGrid1, 1);

    InDialog("ConvexBtn5", [&](QWidget*) {
      TForm40* d = Form40();
      d->data2->setDate(d->Data1->date().addDays(-1));
      drive::clickOn(d, "BitBtn1");
      Shot("comanda-adaugare-balon");
      drive::clickOn(d, "BitBtn2");
    });
    ClickRow(f->DBGrid3, 0);
    InDialog("ConvexBtn6", [&](QWidget*) {
      Shot("comanda-modificare");
      drive::clickOn(Form40(), "BitBtn2");
    });
    InDialog("ConvexBtn1", [&](QWidget*) {
      Shot("client-modificare");
      drive::clickOn(Form39(), "BitBtn2");
    });
    InDialog("BitBtn1", [&](QWidget* w) {
      drive::typeInto(w, "CL1", "alfa srl");
      drive::typeInto(w, "CL2", "Str. Florilor 12, Iasi");
      drive::clickOn(w, "BitBtn1");
      Shot("client-adaugare-balon");
      drive::clickOn(w, "BitBtn2");
    });
  });
}

class LinesGallery : public LinesTest {};

TEST_F(LinesGallery, SavesThePictures) {
  if (Folder().isEmpty()) GTEST_SKIP() << "LUMI_SCREENSHOT_DIR not set";
  QDir().mkpath(Folder());
  InOrders([&] {
    ChooseClient("ALFA SRL");
    ChooseLine(102);
    InDialog("ConvexBtn2", [&](QWidget*) {
      Type({.titlu = "USA INTRARE", .produs = "GEAM 4MM", .lung = "1.2", .lat = "0.85"});
      E()->SpinEdit1->setValue(2);
      Shot("linie-marfa");
      drive::clickOn(E(), "BitBtn1");
    });
    Shot("comenzi-dupa-salvare");
    InDialog("ConvexBtn2", [&](QWidget*) {
      Type({.titlu = "USA INTRARE", .produs = "SILICON", .cant = "120"});
      drive::clickOn(E(), "BitBtn1");  // more than the value left: refused
      Shot("linie-auxiliare-balon");
      drive::clickOn(E(), "BitBtn2");
    });
    InDialog("ConvexBtn2", [&](QWidget*) {
      Type({.titlu = "MONTAJ USA", .produs = "MONTAJ", .buc = 3});
      Shot("linie-manopera");
      drive::clickOn(E(), "BitBtn1");
    });
    ChooseLine(102);
    Mark();
    Shot("comenzi-dupa-marcare");
    ChooseLine(104);  // the heading of FEREASTRA BAIE
    DeleteCurrent();
    Shot("comenzi-dupa-stergere-lucrare");
  });
}

TEST_F(OrdersGallery, SavesThePaymentPictures) {
  if (Folder().isEmpty()) GTEST_SKIP() << "LUMI_SCREENSHOT_DIR not set";
  QDir().mkpath(Folder());
  Shop shop = SampleShop();
  shop.receipts.push_back(
      {.cod = 4, .order = 10, .client = 1, .data = "07.03.2026", .docjus = "OP 212", .suma = 25});
  shop.orders[0].rest = 50;
  Seed(shop);
  InOrders([&] {
    ChooseClient("ALFA SRL");
    auto seen = drive::onNextModal([&](QWidget* plati) {
      Shot("plati");
      auto entry = drive::onNextModal([&](QWidget* e) {
        drive::typeInto(e, "Edit1", "chitanta 18");
        drive::typeInto(e, "Edit2", "60");
        drive::clickOn(e, "BitBtn1");  // more than the 50.00 left
        Shot("incasare-balon");
        drive::clickOn(e, "BitBtn2");
      });
      drive::clickOn(plati, "BitBtn1");
      drive::clickOn(plati, "BitBtn3");
    });
    drive::clickOn(Form7(), "ConvexBtn9");
  });
}

}  // namespace
}  // namespace orders_test
