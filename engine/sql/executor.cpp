#include "engine/sql/executor.h"

#include "engine/error.h"
#include "engine/sql/parser.h"

namespace lumi::sql {

ExecResult Execute(Session&, Statement&, const Params&) {
  throw EngineError("The SQL executor is not available yet");
}

ExecResult ExecuteText(Session& session, const std::string& text, const Params& params) {
  Statement st = ParseStatement(text);
  return Execute(session, st, params);
}

}  // namespace lumi::sql
