// Pictures of the administration window, the password prompt and the backup
// window for looking at by eye: written only when LUMI_SCREENSHOT_DIR names a
// folder, as the other galleries are.
#include <QTest>

#include "admin/Unit4.h"
#include "admin/Unit5.h"
#include "tests/admin/window_fixture.h"

namespace lumi::testing {
namespace {

QString Folder() { return qEnvironmentVariable("LUMI_SCREENSHOT_DIR"); }

// Shows the window without its modal loop, grabs it once painted, hides it.
void Shot(QWidget* w, const QString& name) {
  w->show();
  QTest::qWait(150);
  w->grab().save(Folder() + "/" + name + ".png");
  w->hide();
}

class AdminGallery : public ShopWindows {};

TEST_F(AdminGallery, SavesThePictures) {
  if (Folder().isEmpty()) GTEST_SKIP() << "LUMI_SCREENSHOT_DIR not set";
  QDir().mkpath(Folder());
  Form4()->CitesteSocietate();
  Shot(Form4(), "administrare");
  Shot(Form5(), "autentificare");
  Shot(Form21(), "salvare-restaurare");
}

}  // namespace
}  // namespace lumi::testing
