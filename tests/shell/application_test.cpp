// The application object's program-wide settings: hints shown 5000 ms on a
// white background, and the program not ending when its last window closes.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QToolButton>
#include <QToolTip>

#include "shell/ErrorGuard.h"
#include "shell/Globals.h"

namespace {

TEST(Aplicatie, HintsAndTitle) {
  auto* app = static_cast<TAplicatie*>(qApp);
  app->Pregateste();
  EXPECT_EQ(QCoreApplication::applicationName(), TitluProgram);
  EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
  EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), QColor(Qt::white));

  QToolButton b;
  b.setToolTip("Inchide program.");
  b.show();
  QHelpEvent e(QEvent::ToolTip, QPoint(2, 2), b.mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(&b, &e);
  EXPECT_EQ(b.toolTipDuration(), 5000);
  // A control that asks for its own time keeps it.
  QToolButton c;
  c.setToolTipDuration(3000);
  QApplication::sendEvent(&c, &e);
  EXPECT_EQ(c.toolTipDuration(), 3000);
  QApplication::setQuitOnLastWindowClosed(true);
}

}  // namespace
