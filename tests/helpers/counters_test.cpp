#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "shell/Formats.h"
#include "shell/IniFile.h"
#include "shell/Unit1Helpers.h"

namespace {

class CountersTest : public ::testing::Test {
 protected:
  QByteArray Bytes() const {
    QFile f(ini_.Path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  QTemporaryDir dir_;
  IniFile ini_{dir_.filePath("Lumicraft.ini")};
};

TEST_F(CountersTest, FirstCodeOfEachKindIsOne) {
  EXPECT_EQ(Ajutoare::CodExistent(ini_, "CODCAP"), "1");
  EXPECT_EQ(Ajutoare::CodExistent(ini_, "CODCAP"), "1");
  EXPECT_EQ(Bytes(), "<missing>") << "looking does not create the file";
  EXPECT_EQ(Ajutoare::CodNou(ini_, "CODCAP"), "1");
  EXPECT_EQ(Ajutoare::CodNou(ini_, "CODCAP"), "2");
  EXPECT_EQ(Ajutoare::CodExistent(ini_, "CODCAP"), "3");
  EXPECT_EQ(Ajutoare::CodNou(ini_, "CODCLI"), "1") << "each kind counts on its own";
  EXPECT_EQ(Bytes(), "[INDEX]\r\nCODCAP=3\r\nCODCLI=2\r\n");
}

TEST_F(CountersTest, EmptyAndStoredValues) {
  ini_.WriteString("INDEX", "CODMAG", "");
  EXPECT_EQ(Ajutoare::CodNou(ini_, "CODMAG"), "1");
  EXPECT_EQ(ini_.ReadString("INDEX", "CODMAG"), "2");
  ini_.WriteString("INDEX", "CODPL", "41");
  EXPECT_EQ(Ajutoare::CodNou(ini_, "codpl"), "41");
  EXPECT_EQ(ini_.ReadString("INDEX", "CODPL"), "42");
}

TEST_F(CountersTest, AValueThatIsNoWholeNumberStopsTheCounter) {
  for (const char* stored : {"abc", "12.5", "7x"}) {
    ini_.WriteString("INDEX", "CODCOM", stored);
    const QByteArray before = Bytes();
    for (auto take : {&Ajutoare::CodNou, &Ajutoare::CodExistent}) {
      try {
        take(ini_, "CODCOM");
        ADD_FAILURE() << "no error for " << stored;
      } catch (const Formats::ConversionError& e) {
        EXPECT_EQ(std::string(e.what()),
                  std::string("'") + stored + "' is not a valid integer value");
      }
    }
    EXPECT_EQ(Bytes(), before) << "the counter did not move";
  }
}

TEST_F(CountersTest, TheLastPossibleCodeIsNotHandedOutTwice) {
  ini_.WriteString("INDEX", "CODCOM", "9223372036854775807");
  EXPECT_THROW(Ajutoare::CodNou(ini_, "CODCOM"), Formats::ConversionError);
  EXPECT_EQ(ini_.ReadString("INDEX", "CODCOM"), "9223372036854775807");
}

TEST_F(CountersTest, AFailedWriteHandsOutNoCode) {
  QFile blocker(dir_.filePath("Data"));  // a file where the Data folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const IniFile blocked(dir_.filePath("Data") + "/Lumicraft.ini");
  EXPECT_THROW(Ajutoare::CodNou(blocked, "CODCAP"), IniFile::WriteError);
  EXPECT_EQ(Ajutoare::CodExistent(blocked, "CODCAP"), "1");
}

}  // namespace
