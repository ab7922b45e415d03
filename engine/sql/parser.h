#pragma once

#include <string_view>

#include "engine/sql/ast.h"

namespace lumi::sql {

// Parses one statement (a trailing ';' is allowed). Throws EngineError
// "Syntax error at line L, column C: ..." for text that is not a statement.
Statement ParseStatement(std::string_view text);

// Parses a record filter: a condition over the result's columns, where
// FIELD='AB*' (a text constant ending in *) means "begins with AB".
ExprPtr ParseFilter(std::string_view text);

}  // namespace lumi::sql
