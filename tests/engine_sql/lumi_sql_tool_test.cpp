// The lumi-sql shell run as a user would: a script in, tab-separated results
// out, the engine's message with the statement's line on an error.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

struct Output {
  std::string out, err;
  int status = -1;
};

Output RunTool(const std::string& args, const std::string& script) {
  std::string dir =
      (std::filesystem::temp_directory_path() / ("lumi_sql_tool_" + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/script.sql") << script;
  std::string cmd = std::string(LUMI_SQL_BINARY) + " " + args + " " + dir + " " + dir +
                    "/script.sql >" + dir + "/out 2>" + dir + "/err";
  Output o;
  int rc = std::system(cmd.c_str());
  o.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  auto slurp = [](const std::string& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  o.out = slurp(dir + "/out");
  o.err = slurp(dir + "/err");
  std::filesystem::remove_all(dir);
  return o;
}

TEST(LumiSqlTool, PrintsResultsAsTabSeparatedRows) {
  Output o = RunTool("--date-format dd/MM/yyyy", R"(
CREATE TABLE "Magazie.dbf" (CODMAG DECIMAL(10,0), DATAIN DATE, DENUMIRE CHAR(40),
  PRET DECIMAL(8,2), GATA BOOLEAN, OBS BLOB(1,1));
-- a comment line
INSERT INTO "Magazie.dbf" VALUES (1, "05/03/2026", "GEAM; ""4MM""", 12.5, TRUE,
  'rand 1
	tab \ bara');
INSERT INTO "Magazie.dbf" (CODMAG) VALUES (2);
SELECT * FROM "MAGAZIE.DBF" ORDER BY CODMAG;
SELECT SUM(PRET) / 3 AS TREIME, COUNT(*) AS N FROM "Magazie.dbf";
)");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "CODMAG\tDATAIN\tDENUMIRE\tPRET\tGATA\tOBS\n"
            "1\t05/03/2026\tGEAM; \"4MM\"\t12.50\tTRUE\trand 1\\n\\ttab \\\\ bara\n"
            "2\t\t\t\t\t\n"
            "TREIME\tN\n"
            "4.16666666666667\t2\n");
}

TEST(LumiSqlTool, StopsAtTheFirstErrorWithItsLine) {
  Output o =
      RunTool("",
              "CREATE TABLE \"A.dbf\" (K DECIMAL(4,0));\n\nINSERT INTO \"A.dbf\" VALUES (1);\n"
              "SELECT X\n  FROM \"A.dbf\";\nSELECT K FROM \"A.dbf\";\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "lumi-sql: line 4: Unknown column X\n");
}

TEST(LumiSqlTool, RefusesABadDateFormat) {
  Output o = RunTool("--date-format MM.yyyy", "");
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.err.find("needs a day"), std::string::npos) << o.err;
}

}  // namespace
