// Damaged and foreign files: a clear error naming the file, never a crash.
// A missing or damaged index leaves the table readable and is mended by
// dropping and re-creating it.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/dbf/table.h"
#include "engine/error.h"
#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::ReadFile;
using testing::TestDir;
using testing::WriteFile;

class DamagedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    Table t = Table::Create(
        dir_ / "Clienti.dbf",
        {FieldDef::Numeric("CODCLI", 10, 0), FieldDef::Char("NUME", 20), FieldDef::Memo("OBS")});
    t.CreateTag("CODCLI", "CODCLI");
    t.Append({Value::Number(1), Value::Text("Ana"), Value::Text("prima notă")});
    t.Append({Value::Number(2), Value::Text("Ion"), Value::Text("a doua notă")});
    t.Close();
    dbf_ = ReadFile(dir_ / "Clienti.dbf");
    dbt_ = ReadFile(dir_ / "Clienti.dbt");
    mdx_ = ReadFile(dir_ / "Clienti.mdx");
  }

  void Restore() {
    WriteFile(dir_ / "Clienti.dbf", dbf_);
    WriteFile(dir_ / "Clienti.dbt", dbt_);
    WriteFile(dir_ / "Clienti.mdx", mdx_);
  }

  static std::string With(std::string s, size_t at, const std::string& bytes) {
    return s.replace(at, bytes.size(), bytes);
  }

  TestDir dir_;
  std::string dbf_, dbt_, mdx_;
};

TEST_F(DamagedFiles, OpeningReportsTheFileAndTheFault) {
  const size_t header = 32 + 3 * 32 + 1;
  struct Case {
    const char* what;
    std::string dbf;
    const char* file;
    const char* in_message;
  } cases[] = {
      {"empty file", "", "Clienti.dbf", "too short"},
      {"cut inside the header", dbf_.substr(0, 40), "Clienti.dbf", "not a valid dBase table"},
      {"cut inside the records", dbf_.substr(0, header + 20), "Clienti.dbf",
       "more than the file holds"},
      {"record count past the end", With(dbf_, 4, std::string("\x10\x27\0\0", 4)), "Clienti.dbf",
       "more than the file holds"},
      {"header length past the end", With(dbf_, 8, std::string("\xFF\x7F", 2)), "Clienti.dbf",
       "header length"},
      {"header length too small", With(dbf_, 8, std::string("\x10\0", 2)), "Clienti.dbf",
       "header length"},
      {"record length lies", With(dbf_, 10, std::string("\x30\0", 2)), "Clienti.dbf",
       "record length"},
      {"no end mark after the fields", With(dbf_, header - 1, " "), "Clienti.dbf", "field list"},
      {"unknown field type", With(dbf_, 32 + 32 + 11, "X"), "Clienti.dbf", "type (X)"},
      {"a date field 9 wide", With(With(dbf_, 32 + 32 + 11, "D"), 32 + 32 + 16, "\x09"),
       "Clienti.dbf", "width"},
      {"FoxPro table", With(dbf_, 0, "\x30"), "Clienti.dbf", "FoxPro"},
      {"Visual FoxPro with memo", With(dbf_, 0, "\xF5"), "Clienti.dbf", "FoxPro"},
      {"dBase II", With(dbf_, 0, "\x02"), "Clienti.dbf", "dBase II"},
      {"encrypted", With(dbf_, 15, "\x01"), "Clienti.dbf", "encrypted"},
      {"multi-byte language driver", With(dbf_, 29, "\x4D"), "Clienti.dbf", "multi-byte"},
  };
  for (auto& c : cases) {
    Restore();
    WriteFile(dir_ / "Clienti.dbf", c.dbf);
    try {
      Table::Open(dir_ / "Clienti.dbf");
      ADD_FAILURE() << c.what << ": opened";
    } catch (const EngineError& e) {
      std::string m = e.what();
      EXPECT_NE(m.find(c.file), std::string::npos) << c.what << ": " << m;
      EXPECT_NE(m.find(c.in_message), std::string::npos) << c.what << ": " << m;
    }
  }
}

TEST_F(DamagedFiles, MemoFaultsNameTheMemoFile) {
  struct Case {
    const char* what;
    std::function<void()> damage;
    const char* in_message;
  } cases[] = {
      {"pointer past the memo file",
       [&] { WriteFile(dir_ / "Clienti.dbf", With(dbf_, 32 + 3 * 32 + 1 + 1 + 30, "     99999")); },
       "past the end"},
      {"entry without its mark",
       [&] { WriteFile(dir_ / "Clienti.dbt", With(dbt_, 512, std::string(2, '\0'))); }, "damaged"},
      {"entry length past the end",
       [&] { WriteFile(dir_ / "Clienti.dbt", With(dbt_, 516, std::string("\xFF\xFF\0\0", 4))); },
       "damaged"},
      {"not a number",
       [&] { WriteFile(dir_ / "Clienti.dbf", With(dbf_, 32 + 3 * 32 + 1 + 1 + 30, "      x1  ")); },
       "memo block number"},
  };
  for (auto& c : cases) {
    Restore();
    c.damage();
    Table t = Table::Open(dir_ / "Clienti.dbf");
    try {
      t.Get(1, 2);
      ADD_FAILURE() << c.what << ": read";
    } catch (const EngineError& e) {
      std::string m = e.what();
      EXPECT_NE(m.find("Clienti.db"), std::string::npos) << c.what << ": " << m;
      EXPECT_NE(m.find(c.in_message), std::string::npos) << c.what << ": " << m;
    }
    EXPECT_EQ(t.Get(1, 1), Value::Text("Ana"));  // the rest of the record reads
  }
  Restore();
  std::filesystem::remove(dir_ / "Clienti.dbt");
  try {
    Table::Open(dir_ / "Clienti.dbf");
    ADD_FAILURE() << "opened without its memo file";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("Clienti.dbt"), std::string::npos) << e.what();
  }
}

TEST_F(DamagedFiles, AMissingOrDamagedIndexIsReportedAndMendedByARebuild) {
  struct Case {
    const char* what;
    std::function<void()> damage;
  } cases[] = {
      {"index missing though byte 28 is set",
       [&] { std::filesystem::remove(dir_ / "Clienti.mdx"); }},
      {"index header damaged",
       [&] { WriteFile(dir_ / "Clienti.mdx", With(mdx_, 20, std::string("\x07\0\x99\x99", 4))); }},
      {"index cut short", [&] { WriteFile(dir_ / "Clienti.mdx", mdx_.substr(0, 600)); }},
      {"tag root outside the file",
       [&] { WriteFile(dir_ / "Clienti.mdx", With(mdx_, 2048, std::string("\xFF\xFF\0\0", 4))); }},
  };
  for (auto& c : cases) {
    Restore();
    c.damage();
    Table t = Table::Open(dir_ / "Clienti.dbf");
    EXPECT_EQ(t.Get(2, 1), Value::Text("Ion")) << c.what;
    ASSERT_TRUE(t.VerifyIndex().has_value()) << c.what;
    try {
      t.Append({Value::Number(3)});
      ADD_FAILURE() << c.what << ": changed a table whose index cannot be kept";
    } catch (const EngineError& e) {
      std::string m = e.what();
      EXPECT_NE(m.find("Clienti.mdx"), std::string::npos) << c.what << ": " << m;
      EXPECT_NE(m.find("rebuild"), std::string::npos) << c.what << ": " << m;
    }
    EXPECT_THROW(t.FindEqual("CODCLI", Value::Number(1)), EngineError) << c.what;
    EXPECT_EQ(t.RecordCount(), 2u);
    t.DropIndex();
    t.CreateTag("CODCLI", "CODCLI");
    t.Append({Value::Number(3)});
    EXPECT_EQ(t.FindEqual("CODCLI", Value::Number(3)), std::vector<uint32_t>{3}) << c.what;
    EXPECT_EQ(t.VerifyIndex(), std::nullopt) << c.what;
  }
}

}  // namespace
}  // namespace lumi::dbf
