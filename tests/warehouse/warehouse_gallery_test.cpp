// Pictures of the warehouse window and the entry dialog for looking at by
// eye: written only when LUMI_SCREENSHOT_DIR names a folder. Whole-screen
// grabs, so that the input-error balloon shows beside its dialog.
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include "engine/query.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "shell/Unit1.h"
#include "store/DbGrid.h"
#include "tests/support/Drive.h"
#include "tests/support/Gallery.h"
#include "tests/warehouse/warehouse_fixture.h"
#include "warehouse/Magazie.h"
#include "warehouse/MatIN.h"
#include "warehouse/RadioGroup.h"

namespace warehouse_test {
namespace {

using gallery::Folder;
using gallery::Shot;

class WarehouseGallery : public WarehouseTest {
 protected:
  // A few hundred items of each category, as a workshop's stock looks.
  void SeedStock() {
    const char* const goods[] = {"GEAM FLOAT",      "OGLINDA ARGINTATA", "STICLA MATA",
                                 "GEAM TERMOPAN",   "VITRALIU",          "GEAM SECURIZAT",
                                 "PROFIL ALUMINIU", "BAGHETA LEMN"};
    const char* const aux[] = {"SILICON TRANSPARENT", "CHIT", "BANDA DUBLU ADEZIVA", "GARNITURA"};
    const char* const labour[] = {"MONTAJ", "TAIERE", "SLEFUIRE MUCHII", "TRANSPORT"};
    const char* const suppliers[] = {"SC ALFA SRL", "SC GLASS PROD SA", "BETA COM",
                                     "SC \"VITRO\" SRL"};
    lumi::TQuery q;
    auto exec = [&](const std::string& sql) {
      q.SQL().Clear();
      q.SQL().Add(sql);
      q.ExecSQL();
    };
    exec("BEGIN");
    const std::string table = "\"" + TablePath().toStdString() + "\"";
    for (int i = 1; i <= 360; ++i) {
      const int tip = i % 6 == 0 ? 2 : i % 4 == 0 ? 1 : 0;
      std::string name, supplier,
          um = "", date = QDate(2026, 1, 1).addDays(i % 90).toString("dd.MM.yyyy").toStdString();
      double cantin = 1, latime = 0, pret, stoc = 1, iesit = 0;
      if (tip == 0) {
        name = goods[i % 8] + std::string(" ") + std::to_string(3 + i % 6) + "MM";
        supplier = suppliers[i % 4];
        um = "MP";
        cantin = 10 + i % 90;
        latime = i % 3 == 0 ? 1.2 + (i % 5) * 0.3 : 0;
        iesit = i % 7 == 0 ? cantin : (i % 5);
        stoc = cantin - iesit;
        pret = 35 + (i % 40) * 2.5;
      } else {
        name = (tip == 1 ? aux[(i / 4) % 4] : labour[(i / 6) % 4]) + std::string(" ") +
               std::to_string(i);
        pret = 15 + (i % 20) * 4.25;
        stoc = i % 10 == 0 ? 0 : 1;
      }
      QString s = QString::fromStdString(supplier).replace("\"", "\"\"");
      exec("INSERT INTO " + table +
           " (CODMAG,DATAIN,FURNIZOR,DENUMIRE,UM,CANTIN,LATIME,PRET,STOC,IESIT,TIP) VALUES (" +
           std::to_string(i) + ",\"" + date + "\",\"" + s.toStdString() + "\",\"" + name + "\",\"" +
           um + "\"," + std::to_string(cantin) + "," + std::to_string(latime) + "," +
           std::to_string(pret) + "," + std::to_string(stoc) + "," + std::to_string(iesit) + "," +
           std::to_string(tip) + ")");
    }
    exec("COMMIT");
    Form1()->ScrieStr_in_Ini("INDEX", "CODMAG", "361");
  }
};

TEST_F(WarehouseGallery, SavesThePictures) {
  if (Folder().isEmpty()) GTEST_SKIP() << "LUMI_SCREENSHOT_DIR not set";
  QDir().mkpath(Folder());
  InWarehouse([&] { Shot("magazie-goala"); });
  SeedStock();
  InWarehouse([&] {
    TForm6* f = Form6();
    Shot("magazie-marfa");
    QTest::mouseClick(f->RadioGroup2->Item(1), Qt::LeftButton, {}, QPoint(8, 8));
    Shot("magazie-auxiliare");
    QTest::mouseClick(f->RadioGroup2->Item(2), Qt::LeftButton, {}, QPoint(8, 8));
    Shot("magazie-manopera");
    QTest::mouseClick(f->RadioGroup2->Item(0), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(f->RadioGroup1->Item(1), Qt::LeftButton, {}, QPoint(8, 8));
    Shot("magazie-lichidate");
    QTest::mouseClick(f->RadioGroup1->Item(0), Qt::LeftButton, {}, QPoint(8, 8));
    drive::typeInto(f, "Edit1", "geam t");
    Shot("magazie-cautare");
    f->Edit1->clear();

    InEntry("ConvexBtn1", [&](TForm38* e) {
      drive::typeInto(e, "ComboBox2", "geam s");
      drive::typeInto(e, "Edit2", "25");
      drive::clickOn(e, "BitBtn1");  // no supplier: the balloon shows
      Shot("intrare-adaugare-balon");
      drive::typeInto(e, "ComboBox1", "sc g");
      e->ComboBox1->showPopup();
      Shot("intrare-adaugare-completare");
      e->ComboBox1->hidePopup();
      drive::clickOn(e, "BitBtn2");
    });
    DbGrid* g = f->SMDBGrid1;
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                      g->visualRect(g->model()->index(2, 1)).center());
    InEntry("ConvexBtn2", [&](TForm38* e) {
      Shot("intrare-modificare");
      drive::typeInto(e, "Edit2", "0.5");
      drive::clickOn(e, "BitBtn1");
      Shot("intrare-modificare-balon");
      drive::clickOn(e, "BitBtn2");
    });
  });
}

}  // namespace
}  // namespace warehouse_test
