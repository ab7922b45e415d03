// The generated Data folder and SQLite database of one size, kept between
// runs: generating 1.2 M order lines takes minutes.
#pragma once

#include <string>

namespace lumi::bench {

struct DataFolder {
  std::string dir;      // root/<lines>: Data/ (our tables) and shop.sqlite
  bool reused = false;  // found complete from an earlier run
  double seconds = 0;   // spent generating, when not reused
};

// Reuses root/<lines> when its marker file says it is complete; otherwise
// generates the rows (bench/sql's generator) and writes both anew.
DataFolder PrepareDataFolder(const std::string& root, int lines);

}  // namespace lumi::bench
