#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/IniFile.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QString PathOf(const QString& name) const { return dir_.filePath(name); }
  void Put(const QByteArray& bytes) const {
    QFile f(path_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray Bytes() const {
    QFile f(path_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir dir_;
  QString path_ = dir_.filePath("Lumicraft.ini");
  IniFile ini_{path_};
};

// A file as the older program left it: CR LF, a comment, blank lines, keys
// with blanks around "=", text in the Windows-1250 code page, and a byte
// (0x81) that the code page leaves undefined.
const QByteArray kOldFile =
    "; written by hand\r\n"
    "[Setari]\r\n"
    "Denumire = SC Sticl\xe3ria \xaa"
    "ERBAN SRL\r\n"
    "FOND=R51867204\r\n"
    "\r\n"
    "[INDEX]\r\n"
    "codcap=41\r\n"
    "ODD=\x81\r\n"
    "\r\n"
    "[Alta]\r\n"
    "X=1\r\n";

TEST_F(IniFileTest, ReadsSectionsAndKeysRegardlessOfCase) {
  Put(kOldFile);
  EXPECT_EQ(ini_.ReadString("SETARI", "DENUMIRE"), QString::fromUtf8("SC Sticlăria ŞERBAN SRL"));
  EXPECT_EQ(ini_.ReadString("setari", "fond"), "R51867204");
  EXPECT_EQ(ini_.ReadString("INDEX", "CODCAP"), "41");
  EXPECT_EQ(ini_.ReadString("INDEX", "CODCLI"), "");
  EXPECT_EQ(ini_.ReadString("INDEX", "X"), "") << "a key of another section";
  EXPECT_EQ(ini_.ReadString("NIMIC", "X", "implicit"), "implicit");
  EXPECT_EQ(IniFile(PathOf("missing.ini")).ReadString("INDEX", "CODCAP"), "");
}

TEST_F(IniFileTest, ValuesLoseSurroundingBlanksAndOnePairOfQuotes) {
  Put("[S]\nA=  x  \nB=\"  y  \"\nC='z'\nD=\"w'\nE=\"\"\nF=a=b\nG\n=H\n");
  const std::pair<const char*, const char*> cases[] = {
      {"A", "x"}, {"B", "  y  "}, {"C", "z"}, {"D", "\"w'"}, {"E", ""}, {"F", "a=b"}, {"G", ""},
  };
  for (const auto& [key, value] : cases) EXPECT_EQ(ini_.ReadString("S", key), value) << key;
}

TEST_F(IniFileTest, FirstWriteCreatesTheFileAndItsSection) {
  ini_.WriteString("INDEX", "CODCAP", "2");
  EXPECT_EQ(Bytes(), "[INDEX]\r\nCODCAP=2\r\n");
  ini_.WriteString("INDEX", "CODCLI", "1");
  ini_.WriteString("SETARI", "DENUMIRE", "SC LUMICRAFT SRL Colvendi");
  EXPECT_EQ(
      Bytes(),
      "[INDEX]\r\nCODCAP=2\r\nCODCLI=1\r\n[SETARI]\r\nDENUMIRE=SC LUMICRAFT SRL Colvendi\r\n");
}

TEST_F(IniFileTest, AWriteChangesOneLineAndKeepsEveryOtherByte) {
  Put(kOldFile);
  ini_.WriteString("index", "CODCAP", "42");  // existing key: keeps its spelling
  QByteArray expected = kOldFile;
  expected.replace("codcap=41", "codcap=42");
  EXPECT_EQ(Bytes(), expected);

  ini_.WriteString("INDEX", "CODPL", "7");  // new key: after the section's last line
  expected.replace("ODD=\x81\r\n", "ODD=\x81\r\nCODPL=7\r\n");
  EXPECT_EQ(Bytes(), expected);

  ini_.WriteString("NOUA", "K", "v");  // new section: at the end
  expected += "[NOUA]\r\nK=v\r\n";
  EXPECT_EQ(Bytes(), expected);
}

TEST_F(IniFileTest, KeepsTheFilesLineBreaksAndEndsAnUnfinishedLine) {
  Put("[A]\nK=1");
  ini_.WriteString("A", "L", "2");
  EXPECT_EQ(Bytes(), "[A]\nK=1\nL=2\n");
}

TEST_F(IniFileTest, EveryValueReadsBackAsWritten) {
  const QString values[] = {
      "",
      "x",
      "  padded  ",
      "\"quoted\"",
      "'single'",
      "a\"b",
      "=",
      "[not a section]",
      ";not a comment",
      "SC \"LUMI\" SRL",
      QString::fromUtf8("Ţesături şi sticlă"),
  };
  for (const QString& v : values) {
    ini_.WriteString("SETARI", "DENUMIRE", v);
    EXPECT_EQ(ini_.ReadString("SETARI", "DENUMIRE"), v) << v.toStdString();
  }
}

TEST_F(IniFileTest, StoresEightBitTextWithCommaBelowLettersAsCedillas) {
  ini_.WriteString("SETARI", "DENUMIRE", QString::fromUtf8("Ștefan Țurcanu ăîâ"));
  EXPECT_EQ(Bytes(), "[SETARI]\r\nDENUMIRE=\xaatefan \xdeurcanu \xe3\xee\xe2\r\n");
  EXPECT_EQ(ini_.ReadString("SETARI", "DENUMIRE"), QString::fromUtf8("Ştefan Ţurcanu ăîâ"));

  IniFile utf8(PathOf("utf8.ini"), IniFile::Encoding::Utf8);
  utf8.WriteString("S", "CALE", QString::fromUtf8("/home/ana/Lumicraft 中"));
  EXPECT_EQ(utf8.ReadString("S", "CALE"), QString::fromUtf8("/home/ana/Lumicraft 中"));
}

TEST_F(IniFileTest, RefusedWritesLeaveTheFileAsItWas) {
  Put(kOldFile);
  struct Case {
    QString value;
    const char* message;
  } cases[] = {
      {QString::fromUtf8("Firma 中"), "The character '中' cannot be stored in Lumicraft.ini"},
      {"two\nlines", "A setting of Lumicraft.ini must be one line of text"},
      {"cr\rhere", "A setting of Lumicraft.ini must be one line of text"},
  };
  for (const auto& c : cases) {
    try {
      ini_.WriteString("SETARI", "DENUMIRE", c.value);
      ADD_FAILURE() << "no error for " << c.value.toStdString();
    } catch (const IniFile::WriteError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(Bytes(), kOldFile);
  }
}

TEST_F(IniFileTest, AFileThatCannotBeWrittenGivesTheStandardError) {
  // "Data" is a file here, so nothing can be created inside it.
  QFile blocker(PathOf("Data"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString path = PathOf("Data") + "/Lumicraft.ini";
  try {
    IniFile(path).WriteString("INDEX", "CODCAP", "2");
    FAIL() << "no error";
  } catch (const IniFile::WriteError& e) {
    EXPECT_EQ(QString(e.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(IniFile(path).ReadString("INDEX", "CODCAP"), "") << "an unreadable file reads empty";

  // A folder where the file should be: cannot be read, and is never replaced.
  ASSERT_TRUE(QDir(dir_.path()).mkdir("Folder.ini"));
  EXPECT_EQ(IniFile(PathOf("Folder.ini")).ReadString("A", "B"), "");
  EXPECT_THROW(IniFile(PathOf("Folder.ini")).WriteString("A", "B", "1"), IniFile::WriteError);
  EXPECT_TRUE(QFileInfo(PathOf("Folder.ini")).isDir());
}

TEST(IniFileWithoutAFolder, ReadsEmptyAndRefusesWrites) {
  const IniFile none{QString()};
  EXPECT_EQ(none.ReadString("SETARI", "DENUMIRE"), "");
  EXPECT_THROW(none.WriteString("SETARI", "DENUMIRE", "x"), IniFile::WriteError);
}

TEST_F(IniFileTest, OnlyTheFirstSectionOfANameCounts) {
  Put("[A]\r\nK=1\r\n[B]\r\nK=2\r\n[a]\r\nK=3\r\nL=4\r\n");
  EXPECT_EQ(ini_.ReadString("A", "K"), "1");
  EXPECT_EQ(ini_.ReadString("A", "L"), "");
  ini_.WriteString("A", "L", "5");
  EXPECT_EQ(Bytes(), "[A]\r\nK=1\r\nL=5\r\n[B]\r\nK=2\r\n[a]\r\nK=3\r\nL=4\r\n");
}

}  // namespace
