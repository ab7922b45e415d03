// Pending writes held by whole pages: small writes anywhere in a file, cuts
// and regrowth, savepoints and early flushes, checked byte for byte against a
// plain copy; and the journal's before-images, saved once each by sectors and
// never past the file's original length.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

#include "engine/dbf/data_file.h"
#include "engine/dbf/journal.h"
#include "engine/dbf/journal_hooks.h"
#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::ReadFile;
using testing::TestDir;

constexpr uint64_t kPage = DataFile::kPageSize;
constexpr uint64_t kSector = 512;

std::string Letters(std::mt19937& rng, size_t n) {
  std::string b(n, '\0');
  for (char& c : b) c = static_cast<char>('a' + rng() % 26);
  return b;
}

class PendingPagesTest : public ::testing::Test {
 protected:
  void TearDown() override { journal_hooks::SetSpillLimit(32u << 20); }
  TestDir dir_;
};

// Random small writes (inside, across and past the end of pages), cuts to a
// length inside a page followed by writes past the cut, and savepoints rolled
// back: every read sees exactly what a plain copy holds, with the changes
// held in memory or flushed early; the commit leaves the copy on disk and a
// rollback leaves the file as it was.
TEST_F(PendingPagesTest, ReadsAndTheDiskMatchAPlainCopy) {
  const std::string path = dir_ / "Data.bin";
  std::mt19937 rng(11);
  const std::string original = Letters(rng, 13 * kPage + 123);
  struct Case {
    const char* what;
    uint64_t spill;
    bool commit;
  } cases[] = {
      {"held in memory, committed", 32u << 20, true},
      {"held in memory, rolled back", 32u << 20, false},
      {"flushed early, committed", 3 * kPage, true},
      {"flushed early, rolled back", 3 * kPage, false},
  };
  for (const Case& c : cases) {
    testing::WriteFile(path, original);
    journal_hooks::SetSpillLimit(c.spill);
    std::string model = original;
    {
      Journal j;
      auto f = DataFile::Open(path);
      auto check = [&](const char* after) {
        ASSERT_EQ(f->size(), model.size()) << c.what << ", after " << after;
        std::string all(model.size(), '\0');
        f->ReadExact(0, all.data(), all.size());
        ASSERT_TRUE(all == model) << c.what << ", after " << after;
        // A read starting and ending inside pages.
        uint64_t off = rng() % model.size();
        size_t n = std::min<size_t>(model.size() - off, rng() % (3 * kPage));
        std::string part(n, '\0');
        f->ReadExact(off, part.data(), n);
        ASSERT_TRUE(part == model.substr(off, n)) << c.what << ", after " << after;
      };
      auto write = [&](uint64_t off, const std::string& b) {
        f->Write(off, b.data(), b.size());
        if (model.size() < off + b.size()) model.resize(off + b.size(), '\0');
        model.replace(off, b.size(), b);
      };
      for (int round = 0; round < 6; ++round) {
        for (int i = 0; i < 200; ++i) {
          uint64_t off = rng() % (model.size() + 50);
          if (off > model.size()) off = model.size();
          write(off, Letters(rng, 1 + rng() % (i % 10 == 0 ? 2 * kPage : 40)));
        }
        check("small writes");
        uint64_t cut = model.size() - 1 - rng() % (2 * kPage);
        f->Truncate(cut);
        model.resize(cut);
        check("a cut");
        write(cut + 7, Letters(rng, 30));  // the gap reads as zeros
        check("a write past the cut");
        size_t sp = j.Savepoint();
        const std::string kept = model;
        for (int i = 0; i < 50; ++i) write(rng() % model.size(), Letters(rng, 1 + rng() % 300));
        f->Truncate(model.size() / 2);
        j.RollbackTo(sp);
        model = kept;
        check("a savepoint rolled back");
      }
      if (c.commit)
        j.Commit();
      else
        j.Rollback();
    }
    EXPECT_TRUE(ReadFile(path) == (c.commit ? model : original)) << c.what;
  }
}

struct Image {
  uint64_t off;
  std::string bytes;
};

// Where the records of the journal's live transaction start.
size_t RecordsStart(const std::string& journal) {
  auto u64 = [&](size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(journal[at + i]);
    return v;
  };
  for (size_t slot : {0, 512})
    if (journal.compare(slot, 8, "LUMIJNL3") == 0) return static_cast<size_t>(u64(slot + 24));
  ADD_FAILURE() << "no live transaction in the journal";
  return journal.size();
}

// The before-images of a journal file, in order.
std::vector<Image> JournalImages(const std::string& journal) {
  std::vector<Image> out;
  size_t pos = RecordsStart(journal);
  auto u32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(journal[at + i]);
    return v;
  };
  while (pos + 5 <= journal.size()) {
    char type = journal[pos];
    uint32_t len = u32(pos + 1);
    if (type == 'R') {
      uint64_t off = u32(pos + 9) | (uint64_t{u32(pos + 13)} << 32);
      out.push_back({off, journal.substr(pos + 17, len - 12)});
    }
    pos += 5 + len + 4;
  }
  return out;
}

// Each sector a write touches is saved once, whole, as it was; a sector the
// file only partly filled is saved up to the original length; bytes past it
// are not saved; recovery after a crash puts the original file back.
TEST_F(PendingPagesTest, TheJournalSavesEachTouchedSectorOnceUpToTheOriginalLength) {
  const std::string path = dir_ / "Data.bin";
  std::mt19937 rng(3);
  const uint64_t length = 10 * kPage + 100;
  const std::string original = Letters(rng, length);
  testing::WriteFile(path, original);
  journal_hooks::SetSpillLimit(1);  // the journal reaches the disk at once
  std::string journal;
  {
    Journal j;
    auto f = DataFile::Open(path);
    f->Write(3 * kPage + 10, "ab", 2);
    f->Write(3 * kPage + 4000, "cd", 2);
    f->Write(6 * kPage - 1, "ef", 2);                          // across two sectors
    f->Write(6 * kPage + 7, "gh", 2);                          // a sector saved already
    f->Write(length - 50, std::string(300, 'x').data(), 300);  // past the end
    f->Write(length + 5000, "ij", 2);
    f->Truncate(2 * kPage + 1);
    f->Write(2 * kPage, "kl", 2);  // a sector saved already; the journal reaches the disk
    journal = ReadFile(dir_ / "lumi.jnl");
    const std::set<std::pair<uint64_t, uint64_t>> expected = {
        {3 * kPage, kSector},
        {3 * kPage + 3584, kSector},
        {6 * kPage - kSector, 2 * kSector},
        {10 * kPage, 100},
        // The cut saves what it removes, from the start of its sector.
        {2 * kPage, kPage},
        {3 * kPage + kSector, 3584 - kSector},
        {4 * kPage, 2 * kPage - kSector},
        {6 * kPage + kSector, 4 * kPage - kSector}};
    std::set<std::pair<uint64_t, uint64_t>> got;
    uint64_t saved = 0;
    for (const Image& im : JournalImages(journal)) {
      got.emplace(im.off, im.bytes.size());
      saved += im.bytes.size();
      EXPECT_TRUE(im.bytes == original.substr(im.off, im.bytes.size())) << "at " << im.off;
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(saved, length - 2 * kPage) << "no byte saved twice";
  }
  EXPECT_TRUE(ReadFile(path) == original);
  // The same journal left by a crash is rolled back by recovery.
  testing::WriteFile(dir_ / "lumi.jnl", journal);
  testing::WriteFile(path, std::string(length + 10, 'z'));
  Journal::Recover(dir_.path());
  // The saved pages and the original length come back; the pages never
  // touched keep what the file holds.
  EXPECT_TRUE(ReadFile(path) == std::string(2 * kPage, 'z') + original.substr(2 * kPage));
  EXPECT_FALSE(testing::LiveJournal(dir_.path()));
  // A byte changed inside the first image ends the journal there: only the
  // original length comes back.
  std::string damaged = journal;
  const size_t first_image = RecordsStart(journal) + 5 + 13 + std::string("Data.bin").size() + 4;
  ASSERT_EQ(damaged[first_image], 'R');
  damaged[first_image + 17 + 100] ^= 1;
  testing::WriteFile(dir_ / "lumi.jnl", damaged);
  testing::WriteFile(path, std::string(length + 10, 'z'));
  Journal::Recover(dir_.path());
  EXPECT_TRUE(ReadFile(path) == std::string(length, 'z'));
}

}  // namespace
}  // namespace lumi::dbf
