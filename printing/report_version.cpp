// Keeps the report library non-empty while its parts are being added.
namespace lumi::print {
const char* ReportEngineVersion() { return "1"; }
}  // namespace lumi::print
