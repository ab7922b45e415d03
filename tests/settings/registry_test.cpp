#include "shell/Registry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { Registry::SetStorePath(dir_.filePath("Veltrom/registry.ini")); }
  void TearDown() override { Registry::SetStorePath(QString()); }
  QTemporaryDir dir_;
};

TEST_F(RegistryTest, ValuesAreKeptOnDiskBetweenCalls) {
  EXPECT_EQ(Registry::ReadString("Erori"), "") << "missing value";
  Registry::WriteString("CALE", "/opt/lumicraft");
  Registry::WriteString("VER", "Lumicraft 2.14");
  Registry::WriteString("Erori", "x9#Q");
  Registry::WriteString("CALE", "/home/ana/Lumicraft");  // the latest start wins
  EXPECT_EQ(Registry::ReadString("CALE"), "/home/ana/Lumicraft");
  EXPECT_EQ(Registry::ReadString("erori"), "x9#Q") << "names regardless of case";
  EXPECT_EQ(Registry::ReadString("VER"), "Lumicraft 2.14");
  Registry::WriteString("Erori", "");  // password switched off
  EXPECT_EQ(Registry::ReadString("Erori"), "");

  QFile f(Registry::StorePath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(
      f.readAll(),
      "[Software\\Veltrom\\4]\r\nCALE=/home/ana/Lumicraft\r\nVER=Lumicraft 2.14\r\nErori=\r\n");
}

TEST_F(RegistryTest, ARefusedWriteNamesTheValue) {
  QFile blocker(dir_.filePath("Veltrom"));  // a file where the folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  try {
    Registry::WriteString("CALE", "/x");
    FAIL() << "no error";
  } catch (const Registry::Error& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'CALE'");
  }
  EXPECT_EQ(Registry::ReadString("CALE"), "");
}

TEST(RegistryDefaultPath, LivesInTheUsersConfigurationFolder) {
  Registry::SetStorePath(QString());
  QStandardPaths::setTestModeEnabled(true);  // never the real user's folder
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString path = Registry::StorePath();
  QStandardPaths::setTestModeEnabled(false);
  EXPECT_EQ(path, config + "/Veltrom/registry.ini");
}

}  // namespace
