// The program itself started from folders of its own: what a first start and
// a later start leave on disk and in the registry store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "shell/IniFile.h"
#include "store/Schema.h"
#include "tests/store/dbase_readers.h"

namespace {

class FirstStartTest : public ::testing::Test {
 protected:
  // Puts the program into `folder` (a new folder) and runs it until the
  // start-up preparation is done, then ends it. The registry store and the
  // single-copy check use this test's own folders, never the user's.
  void StartFrom(const QString& folder) {
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + "/lumicraft";
    const QString built = QCoreApplication::applicationDirPath() + "/lumicraft";
    if (::link(built.toLocal8Bit().constData(), program.toLocal8Bit().constData()) != 0) {
      ASSERT_TRUE(QFile::copy(built, program)) << built.toStdString();
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    env.insert("TMPDIR", dir_.path());
    env.insert("USER", "lumitest-first-start");
    p.setProcessEnvironment(env);
    p.setProgram(program);
    p.start();
    ASSERT_TRUE(p.waitForStarted(10000));
    const QString lastIndex = folder + "/Data/Plati.mdx";
    const int tags = static_cast<int>(store::Table("Plati.dbf").indexColumns.size());
    const bool ready = QTest::qWaitFor(
        [&] { return readers::TagSlots(lastIndex).size() == tags && !Registry("VER").isEmpty(); },
        60000);
    p.terminate();
    if (!p.waitForFinished(5000)) {
      p.kill();
      p.waitForFinished(5000);
    }
    ASSERT_TRUE(ready) << "the start-up did not finish: " << p.readAllStandardError().toStdString();
  }
  QString Registry(const QString& name) const {
    return IniFile(dir_.filePath("config/Veltrom/registry.ini"), IniFile::Encoding::Utf8)
        .ReadString("Software\\Veltrom\\4", name);
  }

  QTemporaryDir dir_;
};

TEST_F(FirstStartTest, MakesTheDataFolderAndPointsCaleAtTheLatestStart) {
  const QString first = dir_.filePath("unu");
  StartFrom(first);
  for (const char* t : {"Magazie", "CapCom", "Comenzi", "Clienti", "Plati"}) {
    EXPECT_TRUE(readers::Info(first + "/Data/" + t + ".dbf").ok) << t;
    EXPECT_FALSE(readers::Tags(first + "/Data/" + t + ".mdx").isEmpty()) << t;
  }
  EXPECT_EQ(Registry("CALE"), first);
  EXPECT_EQ(Registry("VER"), "Lumicraft 2.14");

  const QString second = dir_.filePath("doi");
  StartFrom(second);
  EXPECT_EQ(Registry("CALE"), second);
  EXPECT_TRUE(QDir(second + "/Data").exists());
}

}  // namespace
