#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/dbf/journal_file.h"

namespace lumi::dbf::testing {

// A fresh folder under the system's temporary folder, removed afterwards.
class TestDir {
 public:
  TestDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "lumi-dbf-XXXXXX").string();
    path_ = mkdtemp(tmpl.data());
  }
  ~TestDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// True when the folder's journal holds a transaction still to roll back.
inline bool LiveJournal(const std::string& folder) {
  return journal_file::HoldsLive(folder + "/" + journal_file::kName);
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Runs a shell command; returns its standard output, and its exit status in *status.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  if (status) *status = rc;
  return out;
}

inline bool HaveCommand(const std::string& check) {
  int status = 0;
  RunCommand(check + " >/dev/null 2>&1", &status);
  return status == 0;
}

}  // namespace lumi::dbf::testing
