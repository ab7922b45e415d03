#include "tests/engine_sql/script_runner.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/error.h"
#include "engine/query.h"
#include "engine/sql/text_output.h"
#include "engine/sql/values.h"

namespace lumi::testing {

namespace {

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) {
    s.replace(p, from.size(), to);
  }
  return s;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out.push_back(n == 'r' ? '\r' : n == 'n' ? '\n' : n == 't' ? '\t' : n);
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> RunSqlScript(const std::string& script_path, const std::string& folder) {
  std::vector<std::string> failures;
  std::ifstream in(script_path);
  if (!in) return {"cannot read " + script_path};
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  std::filesystem::create_directories(folder + "/Data");
  Session session;
  session.SetBaseFolder(folder);
  TQuery q(&session);
  const std::string name = std::filesystem::path(script_path).filename().string();
  auto expand = [&](const std::string& s) {
    return Replace(Replace(s, "{DATA}", folder + "/Data"), "{PROG}", folder);
  };
  auto fail = [&](size_t line, const std::string& msg) {
    failures.push_back(name + ":" + std::to_string(line + 1) + ": " + msg);
  };
  size_t i = 0;
  while (i < lines.size()) {
    const std::string& l = lines[i];
    if (l.empty() || l[0] == '#') {
      ++i;
      continue;
    }
    size_t start = i;
    if (l.rfind("dateformat ", 0) == 0) {
      session.SetDateFormat(l.substr(11));
      ++i;
      continue;
    }
    if (l.rfind("param ", 0) == 0) {
      std::string rest = l.substr(6);
      size_t sp = rest.find(' ');
      std::string pname = rest.substr(0, sp);
      std::string value = sp == std::string::npos ? "" : rest.substr(sp + 1);
      TParam& p = q.ParamByName(pname);
      if (value == "NULL") {
        p.SetNull();
      } else if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        p.SetAsBlob(Unescape(value.substr(1, value.size() - 2)));
      } else if (auto d = sql::ParseNumber(value)) {
        p.SetAsFloat(*d);
      } else {
        p.SetAsString(value);
      }
      ++i;
      continue;
    }
    bool is_query = l == "query";
    bool expect_ok = l == "statement ok";
    bool expect_error = l.rfind("statement error", 0) == 0;
    if (!is_query && !expect_ok && !expect_error) {
      fail(i, "unknown directive: " + l);
      ++i;
      continue;
    }
    std::string fragment = expect_error ? l.substr(std::min<size_t>(l.size(), 16)) : "";
    ++i;
    std::vector<std::string> sql;
    std::string filter;
    bool has_filter = false;
    while (i < lines.size() && !lines[i].empty() && lines[i] != "----") {
      if (lines[i].rfind("@filter ", 0) == 0) {
        filter = lines[i].substr(8);
        has_filter = true;
      } else {
        sql.push_back(expand(lines[i]));
      }
      ++i;
    }
    std::vector<std::string> expected;
    if (i < lines.size() && lines[i] == "----") {
      ++i;
      while (i < lines.size() && !lines[i].empty()) expected.push_back(expand(lines[i++]));
    }
    q.SQL().Clear();
    for (const auto& s : sql) q.SQL().Add(s);
    try {
      std::string first = sql.empty() ? "" : sql::ToUpper(sql[0].substr(0, 6));
      if (is_query || (expect_error && first == "SELECT")) {
        q.Open();
        if (has_filter) {
          q.SetFilter(filter);
          q.SetFiltered(true);
        }
        std::vector<std::string> got;
        std::string header;
        for (int f = 0; f < q.FieldCount(); ++f) {
          if (f) header += "\t";
          header += q.Fields(f).FieldName();
        }
        got.push_back(header);
        for (int r = 0; r < q.RecordCount(); ++r) {
          std::string row;
          for (int f = 0; f < q.FieldCount(); ++f) {
            if (f) row += "\t";
            TField& fd = q.Fields(f);
            row += sql::FormatForTsv(q.Cell(r, f), fd.Size(), fd.Decimals(), session.DateFormat());
          }
          got.push_back(row.empty() ? "(null)" : row);
        }
        q.SetFiltered(false);
        q.SetFilter("");
        if (!is_query) {
          fail(start, "statement should have failed with '" + fragment + "'");
        } else if (got != expected) {
          std::string msg = "query result differs\n  expected:\n";
          for (auto& e : expected) msg += "    " + e + "\n";
          msg += "  got:\n";
          for (auto& g : got) msg += "    " + g + "\n";
          fail(start, msg);
        }
      } else {
        q.ExecSQL();
        if (expect_error) fail(start, "statement should have failed with '" + fragment + "'");
      }
    } catch (const EngineError& e) {
      q.SetFiltered(false);
      q.SetFilter("");
      std::string what = e.what();
      if (!expect_error) {
        fail(start, "unexpected error: " + what);
      } else if (what.find(expand(fragment)) == std::string::npos) {
        fail(start, "error '" + what + "' does not contain '" + fragment + "'");
      }
    }
  }
  return failures;
}

}  // namespace lumi::testing
