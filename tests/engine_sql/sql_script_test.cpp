// Runs every scripts/*.test file, each in a fresh folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/engine_sql/script_runner.h"

namespace {

std::vector<std::string> Scripts() {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(LUMI_SQL_SCRIPTS)) {
    if (e.path().extension() == ".test") out.push_back(e.path().stem().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

class SqlScript : public ::testing::TestWithParam<std::string> {};

TEST_P(SqlScript, Passes) {
  std::string folder = (std::filesystem::temp_directory_path() /
                        ("lumi_sql_" + GetParam() + "_" + std::to_string(getpid())))
                           .string();
  std::filesystem::remove_all(folder);
  auto failures = lumi::testing::RunSqlScript(
      std::string(LUMI_SQL_SCRIPTS) + "/" + GetParam() + ".test", folder);
  for (const auto& f : failures) ADD_FAILURE() << f;
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Scripts, SqlScript, ::testing::ValuesIn(Scripts()),
                         [](const auto& info) { return info.param; });

}  // namespace
