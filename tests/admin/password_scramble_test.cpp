// The scrambled password: fixed by the values stored so far.
#include "admin/password_scramble.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <vector>

#include "engine/dbf/codepage.h"

namespace lumi {
namespace {

TEST(ScramblePassword, KnownValueOfAbc) {
  const std::string expected = "\x48\x95\x60\x2C\x73\x48\x61\x41\x3C\x5C\x93\x70\x8D\x62\x6B\x63";
  EXPECT_EQ(ScramblePassword("abc"), expected);
}

TEST(ScramblePassword, LengthAndInsertedBytes) {
  // Between 7 and 36 bytes are added, each of 32..181; the result depends on
  // nothing but the input, and a trailing blank is part of the password.
  for (const std::string& pw : std::vector<std::string>{
           "", "a", "abc", "abc ", "parola", std::string(32, '\xFE'), std::string("\x00\x01", 2)}) {
    SCOPED_TRACE(pw);
    const std::string s = ScramblePassword(pw);
    EXPECT_GE(s.size(), pw.size() + 7);
    EXPECT_LE(s.size(), pw.size() + 36);
    EXPECT_EQ(ScramblePassword(pw), s);
  }
  EXPECT_NE(ScramblePassword("abc"), ScramblePassword("abc "));
  EXPECT_NE(ScramblePassword("Abc"), ScramblePassword("abc"));
  const std::string empty = ScramblePassword("");
  for (const char c : empty.substr(1)) {  // the first byte is the swaps' copy, also inserted
    EXPECT_GE(static_cast<unsigned char>(c), 32);
    EXPECT_LE(static_cast<unsigned char>(c), 181);
  }
}

// The code page the password is scrambled in and archive names are stored in.
TEST(Cp1250, RoundTripsEveryByteAndRefusesWhatItCannotHold) {
  const dbf::CodePage& cp = dbf::CodePage::ForNumber(1250);
  const auto encode = [&](std::string_view utf8) -> std::optional<std::string> {
    std::string out, bad;
    if (!cp.Encode(utf8, &out, &bad)) return std::nullopt;
    return out;
  };
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(encode(cp.Decode(all)), all);
  EXPECT_EQ(encode("\xC8\x98\xC8\x99\xC8\x9A\xC8\x9B"), "\xAA\xBA\xDE\xFE");  // ȘșȚț
  EXPECT_EQ(encode("\xE2\x82\xAC"), "\x80");                                  // €
  EXPECT_FALSE(encode("\xD0\xB6"));                                           // ж
  EXPECT_FALSE(encode("\xC3"));                                               // cut short
}

}  // namespace
}  // namespace lumi
