// Thousands of random appends, updates, deletes, recalls and packs on a table
// with C, N and D tags and a memo, checked after every step against a model
// kept in memory: record count, rows, memo texts, lookups, and every tag.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"
#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::TestDir;

struct Row {
  bool deleted = false;
  std::vector<Value> values;
};

class Model {
 public:
  explicit Model(uint32_t seed) : rng_(seed) {}

  Value Name() {
    static const char* words[] = {"geam", "Geam", "oglindă", "ţeavă", "uşă", "ramă", "A", "Z"};
    if (rng_() % 8 == 0) return Value();
    return Value::Text(std::string(words[rng_() % 8]) + " " + std::to_string(rng_() % 40));
  }
  Value Qty() {
    if (rng_() % 9 == 0) return Value();
    return Value::Number(static_cast<double>(static_cast<int>(rng_() % 4000) - 2000) /
                         4);  // two decimals
  }
  Value Day() {
    if (rng_() % 7 == 0) return Value();
    return Value::FromDate(Date::FromJulianDay(2460000 + rng_() % 60));
  }
  Value Note() {
    if (rng_() % 3 == 0) return Value();
    std::string s;
    int lines = 1 + static_cast<int>(rng_() % 4);
    for (int i = 0; i < lines; ++i)
      s += (i ? "\r\n" : "") + std::string(rng_() % 90, 'a' + rng_() % 26) + " ş";
    return Value::Text(s);
  }
  Value Flag() { return rng_() % 4 == 0 ? Value() : Value::Logical(rng_() % 2); }
  std::vector<Value> NewRow() { return {Name(), Qty(), Day(), Note(), Flag()}; }
  Value Field(int f) {
    switch (f) {
      case 0:
        return Name();
      case 1:
        return Qty();
      case 2:
        return Day();
      case 3:
        return Note();
      default:
        return Flag();
    }
  }
  uint32_t Pick(size_t n) { return 1 + static_cast<uint32_t>(rng_() % n); }
  uint32_t Roll(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }

  std::vector<Row> rows;

 private:
  std::mt19937 rng_;
};

void ExpectSame(const Table& t, const std::vector<Row>& rows, int step) {
  ASSERT_EQ(t.RecordCount(), rows.size()) << "step " << step;
  for (uint32_t r = 1; r <= rows.size(); ++r) {
    Record rec = t.Read(r);
    ASSERT_EQ(rec.deleted, rows[r - 1].deleted) << "step " << step << " record " << r;
    for (size_t f = 0; f < rec.values.size(); ++f)
      ASSERT_EQ(rec.values[f], rows[r - 1].values[f])
          << "step " << step << " record " << r << " field " << f;
  }
}

TEST(ModelTest, RandomChangesKeepTableMemoAndTagsExact) {
  TestDir dir;
  const std::string path = dir / "Model.dbf";
  Table t = Table::Create(
      path, {FieldDef::Char("NUME", 12), FieldDef::Numeric("CANT", 8, 2), FieldDef::DateField("ZI"),
             FieldDef::Memo("OBS"), FieldDef::LogicalField("OK")});
  t.CreateTag("NUME", "NUME");
  t.CreateTag("CANT", "CANT");
  t.CreateTag("ZI", "ZI");
  Model m(20240611);
  std::vector<Row> saved = m.rows;
  auto journal = std::make_unique<Journal>();
  const int kSteps = 4000;
  for (int step = 1; step <= kSteps; ++step) {
    uint32_t op = m.Roll(100);
    if (op < 40 || m.rows.empty()) {
      Row r{false, m.NewRow()};
      EXPECT_EQ(t.Append(r.values), m.rows.size() + 1);
      m.rows.push_back(r);
    } else if (op < 65) {
      uint32_t rec = m.Pick(m.rows.size());
      std::vector<std::pair<int, Value>> changes;
      for (int f = 0; f < 5; ++f)
        if (m.Roll(3) == 0) changes.emplace_back(f, m.Field(f));
      t.Update(rec, changes);
      for (auto& [f, v] : changes) m.rows[rec - 1].values[static_cast<size_t>(f)] = v;
    } else if (op < 80) {
      uint32_t rec = m.Pick(m.rows.size());
      t.MarkDeleted(rec);
      m.rows[rec - 1].deleted = true;
    } else if (op < 85) {
      uint32_t rec = m.Pick(m.rows.size());
      t.Recall(rec);
      m.rows[rec - 1].deleted = false;
    } else if (op < 87) {
      t.Pack();
      std::erase_if(m.rows, [](const Row& r) { return r.deleted; });
    } else {
      // Lookups against the model: equal keys come by record number; a range by value.
      Value name = m.rows[m.Pick(m.rows.size()) - 1].values[0];
      std::vector<uint32_t> want;
      for (uint32_t r = 1; r <= m.rows.size(); ++r)
        if (m.rows[r - 1].values[0] == name) want.push_back(r);
      ASSERT_EQ(t.FindEqual("NUME", name), want) << "step " << step << " " << ToDebugString(name);
      double lo = static_cast<double>(static_cast<int>(m.Roll(2000)) - 1000) / 4, hi = lo + 50;
      std::vector<std::pair<double, uint32_t>> in_range;
      for (uint32_t r = 1; r <= m.rows.size(); ++r) {
        const Value& q = m.rows[r - 1].values[1];
        if (!q.is_null() && q.number() >= lo && q.number() < hi)
          in_range.emplace_back(q.number(), r);
      }
      std::sort(in_range.begin(), in_range.end());
      want.clear();
      for (auto& p : in_range) want.push_back(p.second);
      ASSERT_EQ(t.FindRange("CANT", KeyBound{Value::Number(lo), true},
                            KeyBound{Value::Number(hi), false}),
                want)
          << "step " << step;
    }
    ASSERT_EQ(t.RecordCount(), m.rows.size()) << "step " << step;
    auto fault = t.VerifyIndex();
    ASSERT_FALSE(fault.has_value()) << "step " << step << ": " << *fault;
    if (step % 50 == 0) {
      // Every batch of changes ends in a commit, or now and then in a rollback.
      if (m.Roll(5) == 0) {
        journal->Rollback();
        m.rows = saved;
        ExpectSame(t, m.rows, step);
      } else {
        journal->Commit();
        saved = m.rows;
      }
      journal.reset();
      if (step % 500 == 0) {
        ExpectSame(t, m.rows, step);
        t.Close();
        t = Table::Open(path);
      }
      journal = std::make_unique<Journal>();
    }
  }
  journal->Commit();
  ExpectSame(t, m.rows, kSteps);
}

}  // namespace
}  // namespace lumi::dbf
