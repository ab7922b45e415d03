// lumi-sql [--date-format F] FOLDER [FILE]
//
// Runs the statements of FILE (or of standard input), separated by ';', with
// FOLDER as the folder relative table paths start from. Each SELECT prints a
// header line of column names and its rows, tab-separated. On an error prints
// the engine's message with the statement's line and exits with status 1.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "engine/error.h"
#include "engine/session.h"
#include "engine/sql/executor.h"
#include "engine/sql/text_output.h"
#include "engine/tools/script_splitter.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: lumi-sql [--date-format FORMAT] FOLDER [FILE]\n");
  return 2;
}

void Print(const lumi::sql::ResultSet& rs, const std::string& date_format) {
  std::string line;
  for (size_t c = 0; c < rs.column_count(); ++c) {
    if (c) line.push_back('\t');
    line += rs.columns()[c].name;
  }
  std::cout << line << '\n';
  for (size_t r = 0; r < rs.size(); ++r) {
    line.clear();
    for (size_t c = 0; c < rs.column_count(); ++c) {
      if (c) line.push_back('\t');
      const auto& info = rs.columns()[c];
      line += lumi::sql::FormatForTsv(rs.Get(r, c), info.width, info.decimals, date_format);
    }
    std::cout << line << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  lumi::Session session;
  int i = 1;
  try {
    if (i + 1 < argc && std::string(argv[i]) == "--date-format") {
      session.SetDateFormat(argv[i + 1]);
      i += 2;
    }
  } catch (const lumi::EngineError& e) {
    std::fprintf(stderr, "lumi-sql: %s\n", e.what());
    return 2;
  }
  if (i >= argc || argc - i > 2) return Usage();
  session.SetBaseFolder(argv[i]);
  std::string script;
  if (argc - i == 2) {
    std::ifstream in(argv[i + 1], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "lumi-sql: cannot read %s\n", argv[i + 1]);
      return 2;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    script = ss.str();
  } else {
    std::ostringstream ss;
    ss << std::cin.rdbuf();
    script = ss.str();
  }
  for (const auto& st : lumi::tools::SplitScript(script)) {
    try {
      auto r = lumi::sql::ExecuteText(session, st.text);
      if (r.rows) Print(*r.rows, session.DateFormat());
    } catch (const std::exception& e) {
      std::cout.flush();
      std::fprintf(stderr, "lumi-sql: line %d: %s\n", st.line, e.what());
      return 1;
    }
  }
  return 0;
}
