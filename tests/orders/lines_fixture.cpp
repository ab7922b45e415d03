#include "tests/orders/lines_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "controls/NumarF.h"
#include "orders/Comenzi.h"
#include "orders/Produse.h"
#include "shell/Forms.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "tests/support/Drive.h"

namespace orders_test {

void LinesTest::SetUp() {
  OrdersTest::SetUp();
  Shop shop = SampleShop();
  shop.items.push_back({.cod = kProfil, .denumire = "PROFIL ALUMINIU", .um = "ML", .cantin = 100,
                        .latime = 0.125, .pret = 8, .stoc = 100, .tip = 0});
  shop.items.push_back({.cod = kGeamMic, .denumire = "GEAM MIC", .um = "MP", .cantin = 6,
                        .pret = 10, .stoc = 6, .tip = 0});
  shop.items.push_back({.cod = kSilicon, .denumire = "SILICON", .um = "BUC", .cantin = 1,
                        .pret = 100, .stoc = 1, .tip = 1});
  shop.items.push_back({.cod = kMontaj, .denumire = "MONTAJ", .um = "ORA", .cantin = 1,
                        .pret = 25, .stoc = 1, .tip = 2});
  shop.items.push_back({.cod = kSticla, .denumire = "STICLA", .um = "MP", .cantin = 0.3,
                        .pret = 10, .stoc = 0.3, .tip = 0});
  Seed(shop);
}

TForm7* LinesTest::F() const { return Form7(); }
TForm41* LinesTest::E() const { return Form41(); }

void LinesTest::Type(const Entry& e) {
  TForm41* d = E();
  if (e.titlu.isEmpty()) {
    d->Edit1->clear();
  } else {
    drive::typeInto(d, "Edit1", e.titlu);
  }
  d->ComboBox1->setEditText(QString());
  if (!e.produs.isEmpty()) drive::typeInto(d, "ComboBox1", e.produs);
  d->CantX->setFocus();  // leaving the product box
  for (TNumericF* box : {d->LungX, d->LatX}) box->setText("0");
  if (!e.cant.isEmpty()) drive::typeInto(d, "CantX", e.cant);
  d->SpinEdit1->setValue(e.buc);
  if (!e.lung.isEmpty()) drive::typeInto(d, "LungX", e.lung);
  if (!e.lat.isEmpty()) drive::typeInto(d, "LatX", e.lat);
}

void LinesTest::Save(const Entry& e) {
  InDialog("ConvexBtn2", [&](QWidget*) {
    Type(e);
    drive::clickOn(E(), "BitBtn1");
    if (E()->isVisible()) {
      ADD_FAILURE() << "refused: " << BalloonText().toStdString();
      E()->reject();
    }
  });
}

void LinesTest::SaveRefused(const Entry& e, const QString& message, const QString& control) {
  InDialog("ConvexBtn2", [&](QWidget*) {
    Type(e);
    drive::clickOn(E(), "BitBtn1");
    EXPECT_TRUE(E()->isVisible()) << "saved instead of refusing with " << message.toStdString();
    EXPECT_EQ(BalloonText(), message);
    QWidget* at = BalloonControl();
    EXPECT_EQ(at ? at->objectName() : QString(), control);
    if (E()->isVisible()) drive::clickOn(E(), "BitBtn2");
  });
}

QString LinesTest::DeleteCurrent(const QString& answer) {
  auto seen = drive::pressInNextModal(answer == "DA" ? "DA" : "NU");
  drive::clickOn(F(), "ConvexBtn4");
  return seen->text;
}

void LinesTest::Mark() {
  QMenu* menu = F()->PopupMenu1;
  menu->popup(F()->DBGrid2->mapToGlobal(QPoint(20, 20)));
  QTest::qWait(20);
  if (F()->Marcheazacaexecutat1->isEnabled()) F()->Marcheazacaexecutat1->trigger();
  menu->hide();
}

const Line* LinesTest::LineOnDisk(int codcom) const {
  lines_ = LinesOnDisk();
  for (const Line& l : lines_)
    if (l.cod == codcom) return &l;
  return nullptr;
}

const Item* LinesTest::ItemOnDisk(int codmag) const {
  items_ = ItemsOnDisk();
  for (const Item& i : items_)
    if (i.cod == codmag) return &i;
  return nullptr;
}

const Order* LinesTest::OrderOnDisk(int codcap) const {
  orders_ = OrdersOnDisk();
  for (const Order& o : orders_)
    if (o.cod == codcap) return &o;
  return nullptr;
}

int LinesTest::LastLine() const {
  int last = 0;
  for (const Line& l : LinesOnDisk()) last = std::max(last, l.cod);
  return last;
}

}  // namespace orders_test
