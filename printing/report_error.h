#pragma once
// Errors of the report engine: a report that cannot be laid out (a band taller
// than the page, an unknown format, a caption for a label that does not exist).
#include <stdexcept>
#include <string>

namespace lumi::print {

class ReportError : public std::runtime_error {
 public:
  explicit ReportError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace lumi::print
