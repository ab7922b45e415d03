// Small helpers for the archive tests: a temporary folder, file contents, and
// an archive put together by hand (with zlib's one-call compress2), so that
// the reader is checked against bytes it did not write itself.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace lumi::testing {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "lumi-admin-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const fs::path& sub) const { return path_ / sub; }

 private:
  fs::path path_;
};

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

inline std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// Every file under a folder (relative name -> contents), to compare folders whole.
inline std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  if (!fs::exists(dir)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), dir).string()] = ReadFile(entry.path());
    }
  }
  return files;
}

inline std::string Int32(std::int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
  return s;
}

inline std::string Zlib(const std::string& data, int level = 9) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), level);
  out.resize(size);
  return out;
}

// One member written by hand; size may differ from the data to make a bad archive.
struct RawMember {
  std::string name;
  std::string data;
  std::optional<std::int32_t> declaredSize{};  // when not the data's own size
};

inline std::string MemberBytes(const RawMember& m) {
  const auto size = m.declaredSize.value_or(static_cast<std::int32_t>(m.data.size()));
  return Int32(static_cast<std::int32_t>(m.name.size())) + m.name + Int32(size) + Zlib(m.data);
}

inline std::string ArchiveBytes(const std::vector<RawMember>& members) {
  std::string out = Int32(static_cast<std::int32_t>(members.size()));
  for (const RawMember& m : members) out += MemberBytes(m);
  return out;
}

}  // namespace lumi::testing
