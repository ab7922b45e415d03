// The key index behind joins, grouping and sub-select sets, checked against
// a map over many keys: growth, colliding slots, chains in the order added.
#include "engine/sql/key_index.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace lumi::sql {
namespace {

TEST(KeyIndex, AgreesWithAMapThroughGrowth) {
  KeyIndex index;  // starts small: every doubling is crossed
  std::map<std::string, std::vector<uint32_t>> model;
  std::mt19937 rng(7);
  // Keys of every length around the 8-byte steps of the hash, and prefixes
  // of each other, which must stay distinct.
  auto key_of = [](uint32_t n) { return std::string(n % 19, 'k') + std::to_string(n / 19); };
  for (uint32_t entry = 0; entry < 50000; ++entry) {
    std::string k = key_of(rng() % 7000);
    index.Add(k, entry);
    model[k].push_back(entry);
  }
  ASSERT_EQ(index.key_count(), model.size());
  for (const auto& [k, entries] : model) {
    uint32_t n = index.Find(k);
    ASSERT_NE(n, KeyIndex::kNone) << k;
    EXPECT_EQ(index.key(n), k);
    EXPECT_EQ(index.Count(n), entries.size());
    std::vector<uint32_t> chain;
    for (uint32_t e = index.First(n); e != KeyIndex::kNone; e = index.Next(e)) chain.push_back(e);
    EXPECT_EQ(chain, entries) << k;
  }
  for (const char* absent : {"", "k", "kkx0", "zzzzzzzzzzzzzzzzzzzz", "0k"})
    EXPECT_EQ(index.Find(absent), KeyIndex::kNone) << absent;
}

TEST(KeyIndex, InternNumbersKeysInTheOrderFirstSeen) {
  KeyIndex index;
  bool added = false;
  EXPECT_EQ(index.Intern("b", &added), 0u);
  EXPECT_TRUE(added);
  EXPECT_EQ(index.Intern(std::string("\0a", 2), &added), 1u);
  EXPECT_TRUE(added);
  EXPECT_EQ(index.Intern("b", &added), 0u);
  EXPECT_FALSE(added);
  EXPECT_EQ(index.Intern("", &added), 2u);
  EXPECT_TRUE(added);
  EXPECT_EQ(index.Find(std::string("\0a", 2)), 1u);
  EXPECT_EQ(index.Find("a"), KeyIndex::kNone);
  EXPECT_EQ(index.Count(0), 0u);  // interned without entries
}

}  // namespace
}  // namespace lumi::sql
