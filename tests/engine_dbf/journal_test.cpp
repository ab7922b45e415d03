// The rollback journal: all-or-nothing changes over several tables,
// savepoints, a journal left by a crashed process, one held by a live one.
#include "engine/dbf/journal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>

#include "engine/dbf/data_file.h"
#include "engine/dbf/journal_hooks.h"
#include "engine/dbf/table.h"
#include "engine/error.h"
#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::ReadFile;
using testing::TestDir;

std::map<std::string, std::string> Snapshot(const TestDir& dir) {
  std::map<std::string, std::string> files;
  // The journal file stays between transactions; whether it holds a live
  // one is checked on its own.
  for (auto& e : std::filesystem::directory_iterator(dir.path()))
    if (e.path().filename() != "lumi.jnl")
      files[e.path().filename().string()] = ReadFile(e.path().string());
  return files;
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Table a = Table::Create(dir_ / "CapCom.dbf",
                            {FieldDef::Numeric("CODCAP", 10, 0), FieldDef::Char("PREDAT", 2),
                             FieldDef::Numeric("REST", 8, 2), FieldDef::Memo("OBS")});
    a.CreateTag("CODCAP", "CODCAP");
    Table b = Table::Create(dir_ / "Plati.dbf",
                            {FieldDef::Numeric("CODPL", 10, 0), FieldDef::Numeric("CODCAP", 10, 0),
                             FieldDef::Numeric("SUMA", 8, 2)});
    b.CreateTag("CODCAP", "CODCAP");
    Journal j;
    for (int i = 1; i <= 500; ++i) {
      a.Append({Value::Number(i), Value::Text("NU"), Value::Number(i * 1.5),
                Value::Text("obs " + std::to_string(i))});
      b.Append({Value::Number(i), Value::Number(i % 50), Value::Number(i)});
    }
    j.Commit();
  }
  void TearDown() override { journal_hooks::SetSpillLimit(32u << 20); }

  // A mixed group of changes to both tables and to new files.
  void Change(Table& a, Table& b) {
    for (int i = 0; i < 300; ++i)
      a.Append({Value::Number(1000 + i), Value::Text("DA"), Value(), Value::Text("nou")});
    a.Update(3, {{2, Value::Number(-7)}, {3, Value::Text("schimbat")}});
    b.Update(10, {{1, Value::Number(999)}});
    b.MarkDeleted(11);
    a.MarkDeleted(1);
    a.Pack();
    Table c = Table::Create(dir_ / "Nou.dbf", {FieldDef::Char("X", 5)});
    c.Append({Value::Text("x")});
    c.CreateTag("X", "X");
    a.CreateTag("REST", "REST");
    b.DropIndex();
  }

  TestDir dir_;
};

TEST_F(JournalTest, RollbackRestoresEveryFileByteForByte) {
  const auto before = Snapshot(dir_);
  for (uint64_t spill :
       {uint64_t{32} << 20, uint64_t{1}}) {  // changes held in memory, or flushed early
    journal_hooks::SetSpillLimit(spill);
    Table a = Table::Open(dir_ / "CapCom.dbf");
    Table b = Table::Open(dir_ / "Plati.dbf");
    {
      Journal j;
      Change(a, b);
      if (spill == 1) {
        EXPECT_TRUE(testing::LiveJournal(dir_.path()));
      }
      j.Rollback();
    }
    EXPECT_EQ(Snapshot(dir_), before) << "spill " << spill;
    EXPECT_FALSE(testing::LiveJournal(dir_.path()));
    // Open handles see the old state again.
    EXPECT_EQ(a.RecordCount(), 500u);
    EXPECT_EQ(a.Get(3, 3), Value::Text("obs 3"));
    EXPECT_EQ(b.Tags().size(), 1u);
    EXPECT_EQ(a.VerifyIndex(), std::nullopt);
    EXPECT_EQ(b.FindEqual("CODCAP", Value::Number(10)).size(), 10u);
  }
}

TEST_F(JournalTest, CommitKeepsEverythingAndEndsTheJournal) {
  journal_hooks::SetSpillLimit(1);
  {
    Table a = Table::Open(dir_ / "CapCom.dbf");
    Table b = Table::Open(dir_ / "Plati.dbf");
    Journal j;
    Change(a, b);
    j.Commit();
  }
  EXPECT_FALSE(testing::LiveJournal(dir_.path()));
  Table a = Table::Open(dir_ / "CapCom.dbf");
  EXPECT_EQ(a.RecordCount(), 799u);
  EXPECT_EQ(a.Get(2, 3), Value::Text("schimbat"));
  EXPECT_EQ(a.Tags().size(), 2u);
  EXPECT_EQ(a.VerifyIndex(), std::nullopt);
  EXPECT_TRUE(Table::Open(dir_ / "Plati.dbf").Tags().empty());
  EXPECT_EQ(Table::Open(dir_ / "Nou.dbf").FindEqual("X", Value::Text("x")),
            std::vector<uint32_t>{1});
}

// Writes of many megabytes, one after another and over each other, are held
// in pieces until the commit: reads across them, a cut inside one, the file
// on disk after the commit and after a rollback all match a plain copy.
TEST_F(JournalTest, ManyMegabytesOfWritesReadBackAndReachTheDiskWhole) {
  std::mt19937 rng(5);
  const std::string path = dir_ / "Big.bin";
  std::string model;
  auto bytes = [&](size_t n) {
    std::string b(n, '\0');
    for (char& c : b) c = static_cast<char>('a' + rng() % 26);
    return b;
  };
  auto write = [&](DataFile& f, uint64_t off, const std::string& b) {
    f.Write(off, b.data(), b.size());
    if (model.size() < off + b.size()) model.resize(off + b.size(), '\0');
    model.replace(off, b.size(), b);
  };
  auto check = [&](DataFile& f) {
    ASSERT_EQ(f.size(), model.size());
    for (int i = 0; i < 20; ++i) {
      uint64_t off = rng() % model.size();
      size_t n = std::min<size_t>(model.size() - off, rng() % (3u << 20));
      std::string got(n, '\0');
      f.ReadExact(off, got.data(), n);
      ASSERT_EQ(got, model.substr(off, n)) << "at " << off << ", " << n << " bytes";
    }
  };
  // Each round: a run of appends, writes over it and past its end, a cut.
  auto round = [&](DataFile& f) {
    for (int i = 0; i < 20; ++i) write(f, model.size(), bytes(150000 + rng() % 300000));
    check(f);
    for (int i = 0; i < 15; ++i) write(f, rng() % model.size(), bytes(1 + rng() % (5u << 19)));
    check(f);
    uint64_t cut = model.size() / 2 + rng() % 1000;
    f.Truncate(cut);
    model.resize(cut);
    write(f, cut - 10, bytes(1u << 20));
    check(f);
  };
  {
    Journal j;
    auto f = DataFile::Create(path);
    round(*f);
    j.Commit();
  }
  EXPECT_EQ(ReadFile(path), model);
  const std::string committed = model;
  {
    Journal j;
    auto f = DataFile::Open(path);
    round(*f);
    j.Rollback();
  }
  EXPECT_EQ(ReadFile(path), committed);
}

TEST_F(JournalTest, SavepointsUndoOnlyWhatCameAfterThem) {
  Table a = Table::Open(dir_ / "CapCom.dbf");
  Journal j;
  a.Update(1, {{1, Value::Text("DA")}});
  size_t sp = j.Savepoint();
  a.Update(1, {{2, Value::Number(0)}});
  a.Append({Value::Number(9999)});
  size_t inner = j.Savepoint();
  a.Update(2, {{1, Value::Text("DA")}});
  j.ReleaseSavepoint(inner);
  j.RollbackTo(sp);
  EXPECT_EQ(a.RecordCount(), 500u);
  EXPECT_EQ(a.Get(1, 1), Value::Text("DA"));
  EXPECT_EQ(a.Get(1, 2), Value::Number(1.5));
  EXPECT_EQ(a.Get(2, 1), Value::Text("NU"));
  EXPECT_TRUE(a.FindEqual("CODCAP", Value::Number(9999)).empty());
  EXPECT_THROW(j.RollbackTo(sp), EngineError);  // it ended
  j.Commit();
  a.Close();
  Table again = Table::Open(dir_ / "CapCom.dbf");
  EXPECT_EQ(again.Get(1, 1), Value::Text("DA"));
  EXPECT_EQ(again.RecordCount(), 500u);
  EXPECT_EQ(again.VerifyIndex(), std::nullopt);
}

TEST_F(JournalTest, AFailedCallUndoesOnlyItselfInsideATransaction) {
  Table a = Table::Open(dir_ / "CapCom.dbf");
  Journal j;
  a.Append({Value::Number(600), Value::Text("DA"), Value::Number(1), Value::Text("păstrat")});
  // Fails after its memo is written: the memo entry goes too.
  EXPECT_THROW(
      a.Append({Value::Number(601), Value::Text("DA"), Value::Number(1e9), Value::Text("m")}),
      EngineError);
  EXPECT_THROW(Journal(), EngineError);  // one at a time
  j.Commit();
  a.Close();
  Table again = Table::Open(dir_ / "CapCom.dbf");
  EXPECT_EQ(again.RecordCount(), 501u);
  EXPECT_EQ(again.Get(501, 3), Value::Text("păstrat"));
  EXPECT_EQ(again.VerifyIndex(), std::nullopt);
}

// Whatever comes first after the crash, opening a table of the folder or
// making a new one there (a scratch table made anew), rolls the change back.
TEST_F(JournalTest, AJournalLeftByACrashIsRolledBackOnOpen) {
  for (const bool create : {false, true}) {
    SCOPED_TRACE(create ? "a table created first" : "a table opened first");
    const auto before = Snapshot(dir_);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      journal_hooks::SetSpillLimit(1);
      Table a = Table::Open(dir_ / "CapCom.dbf");
      Table b = Table::Open(dir_ / "Plati.dbf");
      Journal j;
      Change(a, b);
      _exit(0);  // dies without committing or cleaning up
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(testing::LiveJournal(dir_.path()));
    EXPECT_NE(Snapshot(dir_), before);
    if (create) {
      Table s = Table::Create(dir_ / "Scratch.dbf", {FieldDef::Char("X", 5)});
      Journal j;  // and the folder takes new changes
      s.Append({Value::Text("x")});
      j.Commit();
      auto after = Snapshot(dir_);
      after.erase("Scratch.dbf");
      EXPECT_EQ(after, before);
      std::filesystem::remove(dir_ / "Scratch.dbf");
    } else {
      Table a = Table::Open(dir_ / "capcom.dbf");
      EXPECT_EQ(Snapshot(dir_), before);
    }
    EXPECT_FALSE(testing::LiveJournal(dir_.path()));
    EXPECT_EQ(Table::Open(dir_ / "CapCom.dbf").VerifyIndex(), std::nullopt);
  }
}

// Between transactions the journal holds nothing to undo: opening a table
// does not need it, even while another program holds it for its own change.
TEST_F(JournalTest, TablesOpenWhileAnotherProgramHoldsTheEndedJournal) {
  ASSERT_TRUE(std::filesystem::exists(dir_ / "lumi.jnl"));
  int other = ::open((dir_ / "lumi.jnl").c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_NO_THROW(Table::Open(dir_ / "CapCom.dbf"));
  ::close(other);
}

TEST_F(JournalTest, AJournalOfALiveProgramIsLeftAlone) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(ready[0]);
    try {
      journal_hooks::SetSpillLimit(1);
      Table a = Table::Open(dir_ / "CapCom.dbf");
      Journal j;
      a.Update(1, {{1, Value::Text("DA")}});
      if (write(ready[1], "x", 1) != 1) _exit(1);
      pause();
    } catch (...) {
    }
    _exit(1);  // a child that failed closes the pipe: the parent's read ends
  }
  close(ready[1]);
  char c;
  if (read(ready[0], &c, 1) != 1) {
    waitpid(pid, nullptr, 0);
    close(ready[0]);
    FAIL() << "the other program could not begin its change";
  }
  try {
    Table::Open(dir_ / "CapCom.dbf");
    ADD_FAILURE() << "opened a table another program is changing";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("another program"), std::string::npos) << e.what();
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(ready[0]);
  EXPECT_EQ(Table::Open(dir_ / "CapCom.dbf").Get(1, 1), Value::Text("NU"));
}

// A journal record as the engine writes it: type, length, payload, checksum.
std::string JournalRecord(char type, const std::string& payload) {
  std::string r(1, type);
  for (int i = 0; i < 4; ++i) r.push_back(static_cast<char>(payload.size() >> (8 * i)));
  r += payload;
  uint32_t h = 2166136261u;
  for (unsigned char c : r) h = (h ^ c) * 16777619u;
  for (int i = 0; i < 4; ++i) r.push_back(static_cast<char>(h >> (8 * i)));
  return r;
}

std::string FileRecord(uint32_t id, uint64_t length, const std::string& name) {
  std::string p;
  for (int i = 0; i < 4; ++i) p.push_back(static_cast<char>(id >> (8 * i)));
  p.push_back(1);
  for (int i = 0; i < 8; ++i) p.push_back(static_cast<char>(length >> (8 * i)));
  return JournalRecord('F', p + name);
}

std::string ImageRecord(uint32_t id, uint64_t off, const std::string& bytes) {
  std::string p;
  for (int i = 0; i < 4; ++i) p.push_back(static_cast<char>(id >> (8 * i)));
  for (int i = 0; i < 8; ++i) p.push_back(static_cast<char>(off >> (8 * i)));
  return JournalRecord('R', p + bytes);
}

TEST_F(JournalTest, RecoveryStopsAtADamagedRecordAndStaysInItsFolder) {
  const auto before = Snapshot(dir_);
  const uint64_t size = before.at("CapCom.dbf").size();
  const std::string outside = dir_.path() + "-outside";
  testing::WriteFile(outside, "keep");
  struct Case {
    const char* what;
    std::string journal;
  } cases[] = {
      {"a record with a wrong checksum", std::string("LUMIJNL1") +
                                             FileRecord(1, size, "CapCom.dbf") +
                                             ImageRecord(1, 0, "GARBAGE").replace(12, 1, "X")},
      {"a record cut short", std::string("LUMIJNL1") + FileRecord(1, size, "CapCom.dbf") +
                                 ImageRecord(1, 0, "GARBAGE").substr(0, 10)},
      {"a file outside the folder",
       std::string("LUMIJNL1") +
           FileRecord(1, 4, "../" + std::filesystem::path(outside).filename().string()) +
           ImageRecord(1, 0, "EVIL")},
      {"an image past the file's length", std::string("LUMIJNL1") +
                                              FileRecord(1, size, "CapCom.dbf") +
                                              ImageRecord(1, size - 2, "TOO LONG")},
      {"no header", "garbage"},
  };
  for (auto& c : cases) {
    testing::WriteFile(dir_ / "lumi.jnl", c.journal);
    Table t = Table::Open(dir_ / "CapCom.dbf");
    EXPECT_EQ(Snapshot(dir_), before) << c.what;
    EXPECT_EQ(ReadFile(outside), "keep") << c.what;
    EXPECT_EQ(t.VerifyIndex(), std::nullopt) << c.what;
  }
  std::filesystem::remove(outside);
}

// A journal in the earlier format (FNV-1a sums), left by a crash of an
// earlier version, is still rolled back.
TEST_F(JournalTest, AJournalOfTheEarlierFormatIsRolledBack) {
  const auto before = Snapshot(dir_);
  const std::string dbf = before.at("CapCom.dbf");
  std::string changed = dbf;
  changed.replace(200, 50, std::string(50, '#'));
  testing::WriteFile(dir_ / "CapCom.dbf", changed + "past the end");
  testing::WriteFile(dir_ / "lumi.jnl", std::string("LUMIJNL1") +
                                            FileRecord(1, dbf.size(), "CapCom.dbf") +
                                            ImageRecord(1, 0, dbf.substr(0, 4096)));
  Table t = Table::Open(dir_ / "CapCom.dbf");
  EXPECT_TRUE(Snapshot(dir_) == before);
  EXPECT_EQ(t.VerifyIndex(), std::nullopt);
}

// A journal that appears beside open tables (another program stopped in the
// middle of its changes) is never overwritten by a new transaction: that one
// fails and leaves it, and the next open rolls it back.
TEST_F(JournalTest, AJournalLeftByAnotherProgramIsNeverOverwritten) {
  const auto before = Snapshot(dir_);
  const std::string dbf = before.at("CapCom.dbf");
  Table a = Table::Open(dir_ / "CapCom.dbf");
  std::string changed = dbf;
  changed.replace(300, 20, std::string(20, '#'));
  testing::WriteFile(dir_ / "CapCom.dbf", changed);
  const std::string foreign = std::string("LUMIJNL1") + FileRecord(1, dbf.size(), "CapCom.dbf") +
                              ImageRecord(1, 0, dbf.substr(0, 4096));
  testing::WriteFile(dir_ / "lumi.jnl", foreign);
  for (uint64_t spill : {uint64_t{32} << 20, uint64_t{1}}) {  // found at the commit, or at once
    journal_hooks::SetSpillLimit(spill);
    try {
      Journal j;
      a.Update(2, {{1, Value::Text("DA")}});
      j.Commit();
      ADD_FAILURE() << "committed over another program's journal, spill " << spill;
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find("unfinished changes"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ReadFile(dir_ / "lumi.jnl") == foreign) << "spill " << spill;
  }
  a.Close();
  Table again = Table::Open(dir_ / "CapCom.dbf");
  EXPECT_TRUE(Snapshot(dir_) == before);
  EXPECT_EQ(again.Get(2, 1), Value::Text("NU"));
}

}  // namespace
}  // namespace lumi::dbf
