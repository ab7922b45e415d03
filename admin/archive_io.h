// Small pieces shared by the archive's writer and reader.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace lumi::archive {

// Chunk size for reading files and feeding zlib.
inline constexpr std::size_t kChunk = 64 * 1024;

// Longest stored name accepted: a file name of 255 characters and its folder.
inline constexpr std::int32_t kMaxNameLength = 1024;

inline void PutInt32(std::string& out, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((u >> shift) & 0xFF);
}

inline std::int32_t GetInt32(const unsigned char* p) {
  const std::uint32_t u = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                          (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
  return static_cast<std::int32_t>(u);
}

// A path as UTF-8, for messages.
inline std::string PathText(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

}  // namespace lumi::archive
