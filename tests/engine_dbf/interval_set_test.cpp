// The set of saved byte ranges against a plain map of bytes: random adds that
// overlap, touch and fall apart, across the move from the few ranges held in
// place to many.
#include "engine/dbf/interval_set.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace lumi::dbf {
namespace {

TEST(IntervalSet, MatchesAMapOfBytes) {
  std::mt19937 rng(7);
  for (int spread : {40, 400, 4000}) {  // few ranges that merge, to many apart
    IntervalSet set;
    std::vector<bool> in(spread + 64, false);
    for (int step = 0; step < 600; ++step) {
      uint64_t a = rng() % spread, b = a + 1 + rng() % 12;
      if (step % 3 == 0) {
        set.Add(a, b);
        for (uint64_t i = a; i < b; ++i) in[i] = true;
      }
      uint64_t qa = rng() % spread, qb = qa + rng() % 60;
      std::vector<std::pair<uint64_t, uint64_t>> want;
      for (uint64_t i = qa; i < qb; ++i) {
        if (in[i]) continue;
        if (!want.empty() && want.back().second == i)
          ++want.back().second;
        else
          want.emplace_back(i, i + 1);
      }
      ASSERT_EQ(set.Uncovered(qa, qb), want) << "spread " << spread << ", step " << step;
      ASSERT_EQ(set.Covers(qa, qb), want.empty()) << "spread " << spread << ", step " << step;
    }
    set.Clear();
    EXPECT_FALSE(set.Covers(0, 1));
    EXPECT_EQ(set.Uncovered(3, 9), (std::vector<std::pair<uint64_t, uint64_t>>{{3, 9}}));
  }
}

}  // namespace
}  // namespace lumi::dbf
