// A result held column by column: millions of rows, whose buffers outgrow the
// heap into huge pages, read back exactly, and every buffer given back.
#include "engine/sql/result_set.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/sql/big_allocator.h"

namespace lumi::sql {
namespace {

TEST(ResultSet, ALargeResultReadsBackExactlyAndGivesItsBuffersBack) {
  const size_t held_before = BigBuffers::held;
  {
    ResultSet rs({{"N", 'N', 10, 2}, {"T", 'C', 20, 0}, {"D", 'D', 8, 0}, {"L", 'L', 1, 0}});
    const uint32_t kRows = 1'200'000;  // past the size where buffers leave the heap
    auto row = [](uint32_t i, int column) {
      if (i % 7 == 3) return dbf::Value();
      switch (column) {
        case 0:
          return dbf::Value::Number(i * 0.25);
        case 1:
          return dbf::Value::Text("linie " + std::to_string(i % 1000) + "   ");
        case 2:
          return dbf::Value::FromDate(
              dbf::Date::FromJulianDay(2460000 + static_cast<int>(i % 900)));
        default:
          return dbf::Value::Logical(i % 2 == 0);
      }
    };
    for (uint32_t i = 0; i < kRows; ++i) {
      dbf::Value v[4] = {row(i, 0), row(i, 1), row(i, 2), row(i, 3)};
      const dbf::Value* refs[4] = {&v[0], &v[1], &v[2], &v[3]};
      rs.Append(refs);
    }
    EXPECT_GT(BigBuffers::held, held_before);
    ASSERT_EQ(rs.size(), kRows);
    for (uint32_t i : {0u, 1u, 3u, 4095u, 524288u, 1048576u, kRows - 1}) {
      for (int c = 0; c < 4; ++c) {
        dbf::Value want = row(i, c);
        if (c == 1 && !want.is_null()) want = dbf::Value::Text("linie " + std::to_string(i % 1000));
        EXPECT_EQ(rs.Get(i, static_cast<size_t>(c)), want) << "row " << i << " column " << c;
      }
    }
  }
  EXPECT_EQ(BigBuffers::held, held_before);
}

}  // namespace
}  // namespace lumi::sql
