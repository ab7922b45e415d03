#pragma once

#include <stdexcept>
#include <string>

namespace lumi {

// The one exception type of the table-and-query engine. The message is meant
// for the user as it stands: it names the file, field or statement concerned.
// An operation that throws it has changed nothing (see dbf/journal.h).
class EngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace lumi
