// Keeps the engine library non-empty while its parts are being added.
namespace lumi {
const char* EngineVersion() { return "1"; }
}  // namespace lumi
