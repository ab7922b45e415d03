// The lumi-archive tool, run as a user would run it.
#include <gtest/gtest.h>

#include "tests/admin/archive_fixture.h"

namespace lumi::archive {
namespace {

using namespace lumi::testing;

struct ToolRun {
  int exitCode;
  std::string output;
};

ToolRun Tool(const TempFolder& dir, const std::string& args) {
  const fs::path out = dir / "tool.out";
  const std::string cmd =
      std::string(LUMI_ARCHIVE_TOOL) + " " + args + " > " + out.string() + " 2>&1";
  const int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFile(out)};
}

TEST(LumiArchiveTool, CreateListVerifyExtract) {
  TempFolder dir;
  WriteFile(dir / "shop" / "Data" / "Clienti.dbf", RandomBytes(70000, 5));
  WriteFile(dir / "shop" / "Data" / "Clienti.dbt", "");
  WriteFile(dir / "shop" / "Arhiva" / "note.txt", "note");
  const std::string archive = (dir / "a.rsv").string();

  EXPECT_EQ(Tool(dir, "create " + archive + " " + (dir / "shop").string()).exitCode, 0);
  const ToolRun list = Tool(dir, "list " + archive);
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_NE(list.output.find("       70000"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("Data\\Clienti.dbt"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("Arhiva\\note.txt"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("3 files, 70004 bytes"), std::string::npos) << list.output;
  EXPECT_EQ(Tool(dir, "verify " + archive).exitCode, 0);
  EXPECT_EQ(Tool(dir, "extract " + archive + " " + (dir / "out").string()).exitCode, 0);
  EXPECT_EQ(Snapshot(dir / "out"), Snapshot(dir / "shop"));
}

TEST(LumiArchiveTool, DamagedArchiveFailsAndExtractsNothing) {
  TempFolder dir;
  std::string bytes = ArchiveBytes({{"Data\\a.dbf", "aaaa"}, {"Data\\b.dbf", RandomBytes(999, 2)}});
  WriteFile(dir / "bad.rsv", bytes.substr(0, bytes.size() - 3));
  const ToolRun verify = Tool(dir, "verify " + (dir / "bad.rsv").string());
  EXPECT_EQ(verify.exitCode, 1);
  EXPECT_NE(verify.output.find("este deteriorata"), std::string::npos) << verify.output;
  EXPECT_EQ(
      Tool(dir, "extract " + (dir / "bad.rsv").string() + " " + (dir / "out").string()).exitCode,
      1);
  EXPECT_FALSE(fs::exists(dir / "out" / "Data" / "a.dbf"));
}

TEST(LumiArchiveTool, WrongUsageExplainsItself) {
  TempFolder dir;
  const ToolRun run = Tool(dir, "unpack x");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.output.find("usage: lumi-archive"), std::string::npos);
  EXPECT_EQ(Tool(dir, "create " + (dir / "a.rsv").string() + " " + dir.path().string()).exitCode,
            1);  // no Data folder there
}

}  // namespace
}  // namespace lumi::archive
