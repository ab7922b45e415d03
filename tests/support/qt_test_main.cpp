// GoogleTest main for tests that need Qt: runs offscreen unless told otherwise,
// with one application object created before any widget. It is the program's
// own, with the same error guard; the guard's reports go to the test (see
// Drive.h) instead of a message box nobody would answer.
#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>

#include "shell/ErrorGuard.h"
#include "tests/support/Drive.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString dir = QDir::tempPath() + "/runtime-lumitest";
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir.toUtf8());
  }
  TAplicatie app(argc, argv);
  // Settings and registry values written by tests stay out of the user's own.
  QStandardPaths::setTestModeEnabled(true);
  RaportorErori() = &drive::reportError;
  return RUN_ALL_TESTS();
}
