#pragma once

#include <string>
#include <vector>

namespace lumi::testing {

// Runs a script of SQL cases against a fresh folder, sqllogictest style:
//
//   # a comment
//   dateformat dd.MM.yyyy          the session's short date format
//   param NAME 12 | "text" | NULL  a parameter for the statements that follow
//   statement ok                   the statement (lines up to a blank line) must succeed
//   statement error FRAGMENT       it must fail with a message containing FRAGMENT
//   query                          a SELECT; after "----" the header line and the rows,
//                                  tab-separated, as lumi-sql prints them; a row
//                                  that prints as nothing (one NULL) reads "(null)"
//   @filter TEXT                   (inside a query, before ----) a record filter on the result
//
// In statements {DATA} stands for <folder>/Data and {PROG} for <folder>, so
// table paths read like the program's ("{DATA}\Magazie.dbf").
// Returns one message per failed case ("file:line: ..."); empty when all pass.
std::vector<std::string> RunSqlScript(const std::string& script_path, const std::string& folder);

}  // namespace lumi::testing
