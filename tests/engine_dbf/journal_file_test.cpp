// The journal file kept between transactions, under power failures: a run of
// transactions of every size over one file is cut at each step, and the
// disks such a cut may leave (every sector written since the last sync of its
// file either old or new) are recovered. The file must come back as it stood
// between two transactions, never with part of one undone.
#include "engine/dbf/journal_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::ReadFile;
using testing::TestDir;
using testing::WriteFile;

constexpr size_t kSector = 512;

std::string g_synced_journal;  // the journal as of its last sync
void CaptureJournal(int fd) {
  g_synced_journal.clear();
  char buf[65536];
  for (off_t off = 0;;) {
    ssize_t n = ::pread(fd, buf, sizeof buf, off);
    if (n <= 0) break;
    g_synced_journal.append(buf, static_cast<size_t>(n));
    off += n;
  }
}

// What a power failure may leave of a file: `synced` as of its last sync,
// `now` as written since; each sector is one or the other, and the length
// either one's.
std::string Torn(const std::string& synced, const std::string& now, std::mt19937& rng, int mode) {
  if (mode == 0) return synced;
  if (mode == 1) return now;
  std::string out = rng() % 2 ? now : synced;
  for (size_t at = 0; at < out.size(); at += kSector) {
    const std::string& from = rng() % 2 ? now : synced;
    if (at < from.size()) {
      size_t n = std::min({kSector, out.size() - at, from.size() - at});
      out.replace(at, n, from, at, n);
    }
  }
  return out;
}

class JournalFileTest : public ::testing::Test {
 protected:
  void SetUp() override { journal_file::SetSyncObserver(&CaptureJournal); }
  void TearDown() override { journal_file::SetSyncObserver(nullptr); }
};

TEST_F(JournalFileTest, APowerCutAtAnyStepLeavesTheFileAsItStoodBetweenTwoTransactions) {
  TestDir live, cut;
  const std::string x_path = live / "X.bin";
  const size_t kLength = 600 * 1024;
  std::mt19937 rng(7);
  std::string x(kLength, '0');
  WriteFile(x_path, x);
  std::string x_synced = x;
  g_synced_journal.clear();
  // The file after each transaction, the first being the file before any.
  std::vector<std::string> states = {x};

  // Recovers disks a cut now may leave; the file must be as it stood before
  // the last ended transaction (whose end may be lost), after it, or after
  // the one in flight.
  int checked = 0;
  auto cut_here = [&](const char* step, int txn) {
    const std::string journal_now = ReadFile(live / journal_file::kName);
    for (int round = 0; round < 24; ++round) {
      int mode = round < 4 ? round % 2 : 2;
      std::string journal = Torn(g_synced_journal, journal_now, rng, round < 2 ? mode : 2);
      std::string file = Torn(x_synced, x, rng, round >= 2 && round < 4 ? mode : 2);
      WriteFile(cut / journal_file::kName, journal);
      WriteFile(cut / "X.bin", file);
      int fd = ::open((cut / journal_file::kName).c_str(), O_RDWR);
      ASSERT_GE(fd, 0);
      journal_file::Apply(fd, cut.path());
      // What was put back stays: the next open finds nothing more to undo.
      EXPECT_EQ(journal_file::Apply(fd, cut.path()), journal_file::Found::kNothing)
          << "transaction " << txn << ", cut " << step << ", round " << round;
      ::close(fd);
      const std::string back = ReadFile(cut / "X.bin");
      bool known = false;
      for (size_t k = states.size() >= 2 ? states.size() - 2 : 0; k < states.size(); ++k)
        known = known || back == states[k];
      known = known || back == x;
      ASSERT_TRUE(known) << "transaction " << txn << ", cut " << step << ", round " << round;
      ++checked;
    }
  };

  const int kTransactions = 14;
  for (int t = 1; t <= kTransactions; ++t) {
    // Small ones of a few ranges; every fourth rewrites a third of the file,
    // so that the journal grows past the point where it starts over.
    bool big = t % 4 == 0;
    std::vector<std::pair<size_t, size_t>> ranges;
    if (big) {
      ranges.push_back({1000 + rng() % 1000, 200 * 1024});
    } else {
      for (int r = 0; r < 3; ++r) ranges.push_back({rng() % (kLength - 3000), 100 + rng() % 2500});
    }
    journal_file::Writer w(live.path());
    const uint32_t file = w.AddFile(true, kLength, "X.bin");
    for (auto [off, n] : ranges) w.AddImage(file, off, x.substr(off, n));
    if (big) {
      w.Write();
      cut_here("journal written", t);
    }
    w.Sync();
    cut_here("journal synced", t);
    const char mark = static_cast<char>('A' + t);
    for (auto [off, n] : ranges) x.replace(off, n, std::string(n, mark));
    WriteFile(x_path, x);
    cut_here("file written", t);
    x_synced = x;
    cut_here("file synced", t);
    w.End();
    states.push_back(x);
    cut_here("ended", t);
  }
  EXPECT_GT(checked, 1000);
}

// Records another transaction left further on in the file are never taken
// for the live one's, and an ended journal rolls nothing back.
TEST_F(JournalFileTest, OnlyTheLiveTransactionsOwnRecordsAreApplied) {
  TestDir dir;
  const std::string x_path = dir / "X.bin";
  WriteFile(x_path, std::string(8192, 'a'));
  // `n` bytes from the start change; their images are saved `copies` times.
  auto transaction = [&](journal_file::Writer& w, size_t n, char now, int copies = 1) {
    const uint32_t file = w.AddFile(true, 8192, "X.bin");
    for (int c = 0; c < copies; ++c)
      for (size_t off = 0; off < n; off += 512)
        w.AddImage(file, off, ReadFile(x_path).substr(off, 512));
    w.Sync();
    std::string x = ReadFile(x_path);
    x.replace(0, n, std::string(n, now));
    WriteFile(x_path, x);
  };
  // A long one, ended: nothing to undo. Its journal reaches past the point
  // where the next one starts again from the beginning of the file.
  {
    journal_file::Writer w(dir.path());
    transaction(w, 8192, 'b', 40);
    w.End();
  }
  int fd = ::open((dir / journal_file::kName).c_str(), O_RDWR);
  EXPECT_EQ(journal_file::Apply(fd, dir.path()), journal_file::Found::kNothing);
  ::close(fd);
  // A short one left live after it: only its own record is undone.
  {
    journal_file::Writer w(dir.path());
    transaction(w, 512, 'c');
    w.Abandon();
  }
  fd = ::open((dir / journal_file::kName).c_str(), O_RDWR);
  EXPECT_TRUE(journal_file::HoldsLive(fd));
  EXPECT_EQ(journal_file::Apply(fd, dir.path()), journal_file::Found::kLive);
  EXPECT_FALSE(journal_file::HoldsLive(fd));
  ::close(fd);
  EXPECT_EQ(ReadFile(x_path), std::string(8192, 'b'));
}

// Programs started from one another (as a child forked after the parent
// began a transaction) never sum their records alike: otherwise records one
// left in the file could pass for the other's.
TEST_F(JournalFileTest, ProcessesForkedFromOneAnotherSaltTheirRecordsApart) {
  TestDir parent, first, second;
  {
    journal_file::Writer w(parent.path());  // the parent's own salt comes first
    w.AddFile(true, 0, "X.bin");
    w.Sync();
    w.End();
  }
  auto salt_of_a_child = [](const TestDir& dir) {
    pid_t pid = fork();
    if (pid == 0) {
      journal_file::Writer w(dir.path());
      w.AddFile(true, 0, "X.bin");
      w.Sync();
      w.End();
      _exit(0);
    }
    waitpid(pid, nullptr, 0);
    return ReadFile(dir / journal_file::kName).substr(16, 8);  // slot 0: its salt
  };
  const std::string a = salt_of_a_child(first), b = salt_of_a_child(second);
  ASSERT_EQ(a.size(), 8u);
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace lumi::dbf
