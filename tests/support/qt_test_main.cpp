// GoogleTest main for tests that need Qt: runs offscreen unless told otherwise,
// with one QApplication created before any widget.
#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString dir = QDir::tempPath() + "/runtime-lumitest";
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir.toUtf8());
  }
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
