// Production index: lookups against brute force, trees kept exact under
// inserts, key changes and packs, the verifier finding faults, rebuilding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "engine/dbf/journal.h"
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

}  // namespace
}  // namespace lumi::dbf
