// Production index: lookups against brute force, trees kept exact under
// inserts, key changes and packs, the verifier finding faults, rebuilding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>

#include "engine/dbf/block_cache.h"
#include "engine/dbf/data_file.h"
#include "engine/dbf/index_key.h"
#include "engine/dbf/journal.h"
#include "engine/dbf/mdx_file.h"
#include "engine/dbf/table.h"
#include "engine/error.h"
#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::ReadFile;
using testing::TestDir;
using testing::WriteFile;

// Magazie-like rows: a code with duplicates and NULLs, a name, a date, a price.
class IndexFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    t_ = Table::Create(dir_ / "Magazie.dbf",
                       {FieldDef::Numeric("CODMAG", 10, 0), FieldDef::Char("DENUMIRE", 40),
                        FieldDef::DateField("DATAIN"), FieldDef::Numeric("PRET", 8, 2)});
    t_.CreateTag("CODMAG", "CODMAG");
    t_.CreateTag("DENUMIRE", "DENUMIRE");
    t_.CreateTag("DATAIN", "DATAIN");
    t_.CreateTag("PRET", "PRET");
    std::mt19937 rng(11);
    Journal j;
    for (int i = 0; i < 5000; ++i) Append(rng);
    j.Commit();
  }

  void Append(std::mt19937& rng) {
    int code = static_cast<int>(rng() % 400) - 50;
    std::vector<Value> row = {
        rng() % 20 == 0 ? Value() : Value::Number(code),
        rng() % 25 == 0
            ? Value()
            : Value::Text(Names()[rng() % Names().size()] + " " + std::to_string(rng() % 50)),
        rng() % 15 == 0 ? Value() : Value::FromDate(Date::FromJulianDay(2459000 + rng() % 900)),
        Value::Number(static_cast<double>(static_cast<int>(rng() % 200000) - 100000) / 100)};
    t_.Append(row);
  }

  static const std::vector<std::string>& Names() {
    static const std::vector<std::string> n = {"Geam", "Oglindă", "Sticlă", "Ţeavă",
                                               "Ușă",  "geam",    "Ăla",    "Zid"};
    return n;
  }

  // Records whose field satisfies `pred`, in (value, recno) order.
  std::vector<uint32_t> Brute(int field, const std::function<bool(const Value&)>& pred) {
    std::vector<std::pair<Value, uint32_t>> hits;
    for (uint32_t r = 1; r <= t_.RecordCount(); ++r) {
      Value v = t_.Get(r, field);
      if (pred(v)) hits.emplace_back(v, r);
    }
    auto less = [](const Value& a, const Value& b) {
      switch (a.kind()) {
        case ValueKind::kNumber:
          return a.number() < b.number();
        case ValueKind::kDate:
          return a.date() < b.date();
        case ValueKind::kText:
          return a.text() < b.text();  // ASCII-range comparisons below only
        default:
          return false;
      }
    };
    std::stable_sort(hits.begin(), hits.end(),
                     [&](auto& x, auto& y) { return less(x.first, y.first); });
    std::vector<uint32_t> out;
    for (auto& h : hits) out.push_back(h.second);
    return out;
  }

  TestDir dir_;
  Table t_;
};

TEST_F(IndexFixture, LookupsMatchBruteForce) {
  auto num_between = [](double lo, double hi) {
    return [=](const Value& v) { return !v.is_null() && v.number() >= lo && v.number() <= hi; };
  };
  struct Case {
    const char* what;
    std::vector<uint32_t> got;
    std::vector<uint32_t> want;
  } cases[] = {
      {"equal code", t_.FindEqual("CODMAG", Value::Number(17)),
       Brute(0, [](const Value& v) { return v == Value::Number(17); })},
      {"equal negative code", t_.FindEqual("CODMAG", Value::Number(-3)),
       Brute(0, [](const Value& v) { return v == Value::Number(-3); })},
      {"zero is not NULL", t_.FindEqual("CODMAG", Value::Number(0)),
       Brute(0, [](const Value& v) { return v == Value::Number(0); })},
      {"NULL code", t_.FindEqual("CODMAG", Value()),
       Brute(0, [](const Value& v) { return v.is_null(); })},
      {"absent code", t_.FindEqual("CODMAG", Value::Number(100000)), {}},
      {"code range",
       t_.FindRange("CODMAG", KeyBound{Value::Number(-10), true},
                    KeyBound{Value::Number(10), false}),
       Brute(0, num_between(-10, 9.5))},
      {"code range open below",
       t_.FindRange("CODMAG", std::nullopt, KeyBound{Value::Number(-40), true}),
       Brute(0, num_between(-1e9, -40))},
      {"price range",
       t_.FindRange("PRET", KeyBound{Value::Number(-5.5), false},
                    KeyBound{Value::Number(99.99), true}),
       Brute(3, [](const Value& v) { return v.number() > -5.5 && v.number() <= 99.99; })},
      {"date equal", t_.FindEqual("DATAIN", Value::FromDate(Date::FromJulianDay(2459100))),
       Brute(2, [](const Value& v) { return v == Value::FromDate(Date::FromJulianDay(2459100)); })},
      {"date range",
       t_.FindRange("DATAIN", KeyBound{Value::FromDate(Date::FromJulianDay(2459050)), true},
                    KeyBound{Value::FromDate(Date::FromJulianDay(2459060)), true}),
       Brute(2,
             [](const Value& v) {
               return !v.is_null() && v.date().JulianDay() >= 2459050 &&
                      v.date().JulianDay() <= 2459060;
             })},
      {"all dates in order, no NULLs", t_.FindRange("DATAIN", std::nullopt, std::nullopt),
       Brute(2, [](const Value& v) { return !v.is_null(); })},
      {"name equal", t_.FindEqual("DENUMIRE", Value::Text("Geam 7")),
       Brute(1, [](const Value& v) { return v == Value::Text("Geam 7"); })},
      {"name with trailing blanks", t_.FindEqual("DENUMIRE", Value::Text("Geam 7   ")),
       Brute(1, [](const Value& v) { return v == Value::Text("Geam 7"); })},
      {"name prefix is case-sensitive", t_.FindPrefix("DENUMIRE", "Geam 1"),
       Brute(1, [](const Value& v) { return !v.is_null() && v.text().rfind("Geam 1", 0) == 0; })},
      {"name range",
       t_.FindRange("DENUMIRE", KeyBound{Value::Text("G"), true},
                    KeyBound{Value::Text("Sticlz"), true}),
       Brute(
           1,
           [](const Value& v) { return !v.is_null() && v.text() >= "G" && v.text() <= "Sticlz"; })},
      {"text not in the code page", t_.FindEqual("DENUMIRE", Value::Text("日本")), {}},
      {"text longer than the field",
       t_.FindEqual("DENUMIRE", Value::Text(std::string(41, 'G'))),
       {}},
  };
  for (auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  EXPECT_THROW(t_.FindEqual("NOSUCH", Value::Number(1)), EngineError);
  EXPECT_THROW(t_.FindEqual("CODMAG", Value::Text("1")), EngineError);
  EXPECT_THROW(t_.FindPrefix("CODMAG", "1"), EngineError);
}

TEST_F(IndexFixture, TagsStayExactUnderKeyChangesDeletesAndPack) {
  std::mt19937 rng(5);
  {
    Journal j;
    for (int i = 0; i < 3000; ++i) {
      uint32_t r = 1 + rng() % t_.RecordCount();
      switch (rng() % 4) {
        case 0:
          t_.Update(r, {{0, Value::Number(static_cast<int>(rng() % 30))},
                        {1, Value::Text("Nou " + std::to_string(rng() % 99))}});
          break;
        case 1:
          t_.Update(r, {{2, Value()}, {3, Value::Number(-1)}});
          break;
        case 2:
          t_.MarkDeleted(r);
          break;
        default:
          Append(rng);
      }
    }
    j.Commit();
  }
  EXPECT_EQ(t_.VerifyIndex(), std::nullopt);
  // Deleted records stay indexed until the pack.
  uint32_t before = t_.RecordCount();
  EXPECT_EQ(t_.FindRange("PRET", std::nullopt, std::nullopt).size(), before);
  t_.Pack();
  EXPECT_LT(t_.RecordCount(), before);
  EXPECT_EQ(t_.VerifyIndex(), std::nullopt);
  EXPECT_EQ(t_.FindRange("PRET", std::nullopt, std::nullopt).size(), t_.RecordCount());
  EXPECT_EQ(t_.FindEqual("CODMAG", Value::Number(5)),
            Brute(0, [](const Value& v) { return v == Value::Number(5); }));
}

TEST_F(IndexFixture, VerifierFindsFaultsAndRebuildMendsThem) {
  t_.Close();
  std::string mdx = ReadFile(dir_ / "Magazie.mdx");
  std::string dbf = ReadFile(dir_ / "Magazie.dbf");
  struct Case {
    const char* what;
    std::function<void()> damage;
  } cases[] = {
      {"table changed behind the index's back",
       [&] {
         std::string d = dbf;
         size_t rec = static_cast<unsigned char>(d[8]) | (static_cast<unsigned char>(d[9]) << 8);
         d.replace(rec + 1, 10, "    123456");
         WriteFile(dir_ / "Magazie.dbf", d);
       }},
      {"two leaf entries swapped",
       [&] {
         // The first leaf of the first tag lies right after its header block.
         std::string m = mdx;
         uint32_t header_page =
             static_cast<unsigned char>(m[544]) | (static_cast<unsigned char>(m[545]) << 8);
         size_t leaf = (header_page + 2) * 512;
         std::swap_ranges(m.begin() + leaf + 8, m.begin() + leaf + 8 + 4,
                          m.begin() + leaf + 8 + 16);
         WriteFile(dir_ / "Magazie.mdx", m);
       }},
      {"a node's key count past its capacity",
       [&] {
         std::string m = mdx;
         uint32_t header_page =
             static_cast<unsigned char>(m[544]) | (static_cast<unsigned char>(m[545]) << 8);
         size_t leaf = (header_page + 2) * 512;
         m[leaf] = static_cast<char>(0xFF);
         WriteFile(dir_ / "Magazie.mdx", m);
       }},
  };
  for (auto& c : cases) {
    WriteFile(dir_ / "Magazie.dbf", dbf);
    WriteFile(dir_ / "Magazie.mdx", mdx);
    c.damage();
    Table t = Table::Open(dir_ / "Magazie.dbf");
    auto fault = t.VerifyIndex();
    ASSERT_TRUE(fault.has_value()) << c.what;
    EXPECT_NE(fault->find("CODMAG"), std::string::npos) << c.what << ": " << *fault;
    t.RebuildIndex();
    EXPECT_EQ(t.VerifyIndex(), std::nullopt) << c.what;
  }
}

TEST_F(IndexFixture, TagDefinitionsAreChecked) {
  Table m =
      Table::Create(dir_ / "Misc.dbf", {FieldDef::LogicalField("L"), FieldDef::Memo("M"),
                                        FieldDef::Char("LUNG", 120), FieldDef::Numeric("N", 5, 0)});
  EXPECT_THROW(m.CreateTag("L", "L"), EngineError);
  EXPECT_THROW(m.CreateTag("M", "M"), EngineError);
  EXPECT_THROW(m.CreateTag("LUNG", "LUNG"), EngineError);  // keys hold at most 100 bytes
  EXPECT_THROW(m.CreateTag("X", "NOSUCH"), EngineError);
  EXPECT_THROW(m.CreateTag("1BAD", "N"), EngineError);
  EXPECT_THROW(m.CreateTag("TOOLONGNAME", "N"), EngineError);
  m.CreateTag("N", "N");
  EXPECT_THROW(m.CreateTag("n", "N"), EngineError);
  for (int i = 2; i <= 47; ++i) m.CreateTag("T" + std::to_string(i), "N");
  EXPECT_THROW(m.CreateTag("T48", "N"), EngineError);
  EXPECT_EQ(m.Tags().size(), 47u);
  EXPECT_EQ(t_.Tags()[1].name, "DENUMIRE");
  EXPECT_EQ(t_.Tags()[1].key_type, 'C');
  EXPECT_EQ(t_.Tags()[3].key_type, 'N');
}

TEST_F(IndexFixture, LookupsAfterARollbackAndARebuildReadTheBlocksAgain) {
  auto code7 = [&] { return Brute(0, [](const Value& v) { return v == Value::Number(7); }); };
  const std::vector<uint32_t> before = code7();
  ASSERT_EQ(t_.FindEqual("CODMAG", Value::Number(7)), before);  // the blocks are cached now
  {
    Journal j;
    for (int i = 0; i < 300; ++i)
      t_.Append({Value::Number(7777), Value::Text("Nou"), Value(), Value::Number(1)});
    for (uint32_t r : before) t_.Update(r, {{0, Value::Number(8)}});
    EXPECT_EQ(t_.FindEqual("CODMAG", Value::Number(7777)).size(), 300u);
    EXPECT_TRUE(t_.FindEqual("CODMAG", Value::Number(7)).empty());
  }  // rolled back
  EXPECT_TRUE(t_.FindEqual("CODMAG", Value::Number(7777)).empty());
  EXPECT_EQ(t_.FindEqual("CODMAG", Value::Number(7)), before);
  EXPECT_EQ(t_.VerifyIndex(), std::nullopt);
  t_.RebuildIndex();
  EXPECT_EQ(t_.FindEqual("CODMAG", Value::Number(7)), before);
  EXPECT_EQ(t_.FindRange("DATAIN", std::nullopt, std::nullopt),
            Brute(2, [](const Value& v) { return !v.is_null(); }));
}

// A tag built over existing rows leaves room in its leaves: keys added later
// among the old ones, one into each of many leaves, split none, so the index
// file does not grow, and every key is found.
TEST(BuiltTag, TakesKeysAmongItsOwnWithoutSplitting) {
  TestDir dir;
  Table t = Table::Create(dir / "Coduri.dbf", {FieldDef::Numeric("COD", 8, 0)});
  {
    Journal j;
    for (int i = 0; i < 20000; ++i) t.Append({Value::Number(2 * i)});
    j.Commit();
  }
  t.CreateTag("COD", "COD");
  const auto size = std::filesystem::file_size(dir / "Coduri.mdx");
  {
    Journal j;
    // A leaf holds at most 63 numeric keys: odd codes 200 apart fall in different leaves.
    for (int c = 1; c < 40000; c += 200) t.Append({Value::Number(c)});
    j.Commit();
  }
  EXPECT_EQ(std::filesystem::file_size(dir / "Coduri.mdx"), size);
  EXPECT_EQ(t.VerifyIndex(), std::nullopt);
  for (int c : {1, 201, 39801, 0, 39998})
    EXPECT_EQ(t.FindEqual("COD", Value::Number(c)).size(), 1u) << c;
}

// Runs of equal keys longer than a leaf holds (63 numeric keys), with absent
// keys between the runs, appended in key order (full leaves) and shuffled
// (half-full leaves, runs split anywhere): every key from below the first to
// past the last finds exactly its records.
class RunsAcrossLeaves : public ::testing::TestWithParam<bool> {
 protected:
  static constexpr int kRuns = 40;
  static std::string Name(int code) {
    std::string n = std::to_string(code);
    return "N" + std::string(4 - n.size(), '0') + n;
  }
  void SetUp() override {
    t_ = Table::Create(dir_ / "Runs.dbf", {FieldDef::Numeric("COD", 6, 0),
                                           FieldDef::Char("NUME", 6), FieldDef::DateField("ZI")});
    for (const char* tag : {"COD", "NUME", "ZI"}) t_.CreateTag(tag, tag);
    std::vector<int> codes;
    for (int r = 0; r < kRuns; ++r) codes.insert(codes.end(), 70 + r % 5 * 20, 2 * r);
    if (GetParam()) std::shuffle(codes.begin(), codes.end(), std::mt19937(7));
    Journal j;
    for (int c : codes)
      t_.Append({Value::Number(c), Value::Text(Name(c)),
                 Value::FromDate(Date::FromJulianDay(2459000 + c))});
    j.Commit();
    for (size_t i = 0; i < codes.size(); ++i)
      want_[codes[i]].push_back(static_cast<uint32_t>(i + 1));
  }
  static std::vector<FieldDef> FieldsOf() {
    return {FieldDef::Numeric("COD", 6, 0), FieldDef::Char("NUME", 6), FieldDef::DateField("ZI")};
  }
  std::vector<uint32_t> Want(int code) {
    auto it = want_.find(code);
    return it == want_.end() ? std::vector<uint32_t>{} : it->second;
  }
  TestDir dir_;
  Table t_;
  std::map<int, std::vector<uint32_t>> want_;
};

TEST_P(RunsAcrossLeaves, EveryKeyFindsItsRecords) {
  for (int c = -1; c <= 2 * kRuns; ++c) {
    const std::vector<uint32_t> want = Want(c);
    EXPECT_EQ(t_.FindEqual("COD", Value::Number(c)), want) << c;
    EXPECT_EQ(t_.FindEqual("NUME", Value::Text(Name(c))), want) << c;
    EXPECT_EQ(t_.FindEqual("ZI", Value::FromDate(Date::FromJulianDay(2459000 + c))), want) << c;
    EXPECT_EQ(
        t_.FindRange("COD", KeyBound{Value::Number(c), true}, KeyBound{Value::Number(c), true}),
        want)
        << c;
    size_t above = 0;
    for (auto& [code, recs] : want_) above += code > c ? recs.size() : 0;
    EXPECT_EQ(t_.FindRange("COD", KeyBound{Value::Number(c), false}, std::nullopt).size(), above)
        << c;
  }
  std::vector<uint32_t> n007;  // N0070 .. N0078, the last runs
  for (int c = 70; c < 80; ++c)
    for (uint32_t r : Want(c)) n007.push_back(r);
  EXPECT_EQ(t_.FindPrefix("NUME", "N007"), n007);
  EXPECT_EQ(t_.VerifyIndex(), std::nullopt);
}

// A lookup with a limit stops past it: the first limit + 1 entries in key
// order mean "too many"; a run within the limit comes whole.
TEST_P(RunsAcrossLeaves, LimitedLookupsStopPastTheLimit) {
  for (int c = 0; c < 2 * kRuns; c += 2) {
    const std::vector<uint32_t> want = Want(c);
    for (size_t limit : {size_t{0}, size_t{69}, want.size() - 1, want.size(), size_t{1000}}) {
      std::vector<uint32_t> head(want.begin(), want.begin() + std::min(want.size(), limit + 1));
      EXPECT_EQ(t_.FindEqual("COD", Value::Number(c), limit), head) << c << " " << limit;
      EXPECT_EQ(t_.FindRange("COD", KeyBound{Value::Number(c), true},
                             KeyBound{Value::Number(c), true}, limit),
                head)
          << c << " " << limit;
    }
  }
}

// The same walks with a cache of three blocks, so that nearly every step lets
// a block go, and with two cursors taking turns, each one's reads letting the
// other's leaf go.
TEST_P(RunsAcrossLeaves, CursorsStayRightWhenTheCacheLetsTheirBlocksGo) {
  MdxFile mdx(DataFile::Open(dir_ / "Runs.mdx"), t_.fields());
  mdx.LimitCache(3);
  const int cod = mdx.FindTag("COD"), nume = mdx.FindTag("NUME");
  std::vector<uint32_t> all;
  for (auto& [code, recs] : want_) all.insert(all.end(), recs.begin(), recs.end());
  for (int c = -1; c <= 2 * kRuns; ++c) {
    std::string key = BcdFromText(std::to_string(c));
    std::vector<uint32_t> got;
    for (MdxFile::Cursor k = mdx.SeekKey(cod, key); k.valid(); k.Next()) {
      if (CompareKeys('N', k.key(), key) != 0) break;
      got.push_back(k.recno());
    }
    EXPECT_EQ(got, Want(c)) << c;
  }
  std::vector<uint32_t> by_code, by_name;
  MdxFile::Cursor a = mdx.Seek(cod, MdxFile::StartFn());
  MdxFile::Cursor b = mdx.Seek(nume, MdxFile::StartFn());
  for (; a.valid() || b.valid(); a.Next(), b.Next()) {
    if (a.valid()) by_code.push_back(a.recno());
    if (b.valid()) by_name.push_back(b.recno());
  }
  EXPECT_EQ(by_code, all);
  EXPECT_EQ(by_name, all);
  EXPECT_LE(mdx.cached_blocks(), 3u);
  EXPECT_EQ(mdx.CheckTree(cod), "");
}

// Inserts and erases with a cache of three blocks: splits, new roots and
// emptied leaves while the blocks they read are let go under them.
TEST_P(RunsAcrossLeaves, WritesWithAThreeBlockCacheKeepTheTreeExact) {
  std::vector<std::pair<int, uint32_t>> want;  // (code, recno), in tag order at the end
  for (auto& [code, recs] : want_)
    for (uint32_t r : recs) want.emplace_back(code, r);
  t_.Close();
  MdxFile mdx(DataFile::Open(dir_ / "Runs.mdx"), FieldsOf());
  mdx.LimitCache(3);
  const int cod = mdx.FindTag("COD");
  std::mt19937 rng(3);
  Journal j;  // rolled back at the end
  for (uint32_t i = 0; i < 3000; ++i) {
    int code = static_cast<int>(rng() % (2 * kRuns + 2)) - 1;
    uint32_t recno = 100000 + i;
    mdx.Insert(cod, BcdFromText(std::to_string(code)), recno);
    want.emplace_back(code, recno);
  }
  std::shuffle(want.begin(), want.end(), rng);
  for (size_t i = 0; i < 2000; ++i)
    mdx.Erase(cod, BcdFromText(std::to_string(want[i].first)), want[i].second);
  want.erase(want.begin(), want.begin() + 2000);
  std::sort(want.begin(), want.end());
  EXPECT_EQ(mdx.CheckTree(cod), "");
  std::vector<std::pair<int, uint32_t>> got;
  for (MdxFile::Cursor c = mdx.Seek(cod, MdxFile::StartFn()); c.valid(); c.Next())
    got.emplace_back(static_cast<int>(BcdToDouble(c.key())), c.recno());
  EXPECT_EQ(got, want);
  EXPECT_LE(mdx.cached_blocks(), 3u);
}

INSTANTIATE_TEST_SUITE_P(InOrderAndShuffled, RunsAcrossLeaves, ::testing::Bool());

// The block cache itself: the clock lets go of the block not used since the
// hand passed, and a child's remembered slot is never used once a block was
// let go, the parent rewritten, or the parent's slot given away.
TEST(BlockCache, TheClockKeepsUsedBlocksAndHintsNeverOutliveTheirBlocks) {
  auto put = [](BlockCache& c, uint32_t page) {
    char* b = c.Put(page);
    std::memset(b, static_cast<char>(page), c.block_size());
    return b;
  };
  BlockCache c(512, 3);
  put(c, 10);
  put(c, 20);
  put(c, 30);
  put(c, 40);  // every block was used: the hand clears the marks, then takes 10
  EXPECT_EQ(c.Find(10), nullptr);
  ASSERT_NE(c.Find(20), nullptr);  // marked again
  put(c, 50);                      // 20 is marked, 30 is not
  EXPECT_EQ(c.Find(30), nullptr);
  ASSERT_NE(c.Find(20), nullptr);
  EXPECT_EQ(c.Find(20)[0], 20);
  EXPECT_EQ(c.Find(40)[511], 40);
  EXPECT_EQ(c.size(), 3u);

  const char* parent = c.Find(20);
  const char* child = c.Find(40);
  c.Remember(parent, 20, 0, child);
  EXPECT_EQ(c.FindChild(parent, 0, 40), child);
  put(c, 20);  // the parent rewritten: its children may be others
  EXPECT_EQ(c.FindChild(c.Find(20), 0, 999), nullptr);
  c.Remember(c.Find(20), 20, 0, c.Find(40));
  put(c, 60);  // a block let go: no remembered slot is trusted
  EXPECT_EQ(c.FindChild(c.Find(20), 0, 999), nullptr);

  BlockCache one(512, 1);
  const char* p = put(one, 1);
  const char* ch = put(one, 2);  // takes the parent's slot
  one.Remember(p, 1, 0, ch);     // so nothing is noted
  EXPECT_EQ(one.FindChild(one.Find(2), 0, 5), nullptr);
  one.Clear();
  EXPECT_EQ(one.Find(2), nullptr);
  EXPECT_EQ(one.size(), 0u);
}

}  // namespace
}  // namespace lumi::dbf
