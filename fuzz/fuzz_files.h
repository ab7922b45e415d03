// Helpers shared by the fuzz targets of the dBase readers: a private folder
// (in memory when /dev/shm exists) and writing an input there as a file.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace lumi::fuzz {

inline const std::string& Folder(const char* name) {
  static const std::string dir = [name] {
    std::filesystem::path base =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    auto p = base / (std::string("lumi_") + name + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p.string();
  }();
  return dir;
}

inline void Put(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline void Put(const std::string& path, const std::string& bytes) {
  Put(path, bytes.data(), bytes.size());
}

inline std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace lumi::fuzz
