// lumi-archive: reads and writes the program's backup archives, so that a
// backup can be checked or looked into without restoring it.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "admin/archive_io.h"
#include "admin/archive_names.h"
#include "admin/backup_archive.h"

namespace {
namespace fs = std::filesystem;
using namespace lumi::archive;

constexpr const char* kUsage =
    "usage: lumi-archive list FILE        members with their sizes\n"
    "       lumi-archive verify FILE      read every member through, write nothing\n"
    "       lumi-archive extract FILE DIR write the members into DIR/Data and DIR/Arhiva\n"
    "       lumi-archive create FILE DIR  archive DIR/Data and DIR/Arhiva into FILE\n";

fs::path PathArg(const char* arg) {
  const std::string_view s(arg);
  return fs::path(std::u8string(s.begin(), s.end()));
}

int List(const fs::path& file) {
  std::uint64_t total = 0;
  const auto members = VerifyArchive(file);
  for (const Member& m : members) {
    std::printf("%12u %12llu  %s\n", m.size, static_cast<unsigned long long>(m.streamLength),
                PrintableName(m.storedName).c_str());
    total += m.size;
  }
  std::printf("%zu files, %llu bytes\n", members.size(), static_cast<unsigned long long>(total));
  return 0;
}

int Verify(const fs::path& file) {
  const auto members = VerifyArchive(file);
  std::printf("%s: OK, %zu files\n", PathText(file).c_str(), members.size());
  return 0;
}

int Extract(const fs::path& file, const fs::path& dir) {
  // Verified first, so a damaged archive writes nothing at all.
  const auto members = VerifyArchive(file);
  ExtractArchive(file, dir);
  std::printf("%zu files written under %s\n", members.size(), PathText(dir).c_str());
  return 0;
}

int Create(const fs::path& file, const fs::path& dir) {
  if (!fs::is_directory(dir / "Data")) {
    std::fprintf(stderr, "lumi-archive: %s has no Data folder\n", PathText(dir).c_str());
    return 1;
  }
  const auto files = ListSourceFiles(dir);
  WriteArchive(file, files);
  std::printf("%zu files archived into %s\n", files.size(), PathText(file).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  const bool oneArg = argc == 3 && (command == "list" || command == "verify");
  const bool twoArgs = argc == 4 && (command == "extract" || command == "create");
  if (!oneArg && !twoArgs) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    const fs::path file = PathArg(argv[2]);
    if (command == "list") return List(file);
    if (command == "verify") return Verify(file);
    if (command == "extract") return Extract(file, PathArg(argv[3]));
    return Create(file, PathArg(argv[3]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumi-archive: %s\n", e.what());
    return 1;
  }
}
