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

// Whether `folder`'s marker file holds `mark`: what the folder holds was
// written completely, by the current version of its maker.
bool MarkedReady(const std::string& folder, const char* mark);
// Syncs what was written to the disk, so that its write-back does not run
// under the first timed actions, then writes the marker.
void MarkReady(const std::string& folder, const char* mark);

}  // namespace lumi::bench
