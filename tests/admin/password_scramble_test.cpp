// The scrambled password: fixed by the values stored so far.
#include "admin/password_scramble.h"

#include <gtest/gtest.h>

#include <vector>

#include "admin/cp1250.h"

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

TEST(Cp1250, RoundTripsEveryByteAndRefusesWhatItCannotHold) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Cp1250FromUtf8(Utf8FromCp1250(all)), all);
  EXPECT_EQ(Cp1250FromUtf8("\xC8\x98\xC8\x99\xC8\x9A\xC8\x9B"), "\xAA\xBA\xDE\xFE");  // ȘșȚț
  EXPECT_EQ(Cp1250FromUtf8("\xE2\x82\xAC"), "\x80");                                  // €
  EXPECT_FALSE(Cp1250FromUtf8("\xD0\xB6"));                                           // ж
  EXPECT_FALSE(Cp1250FromUtf8("\xC3"));                                               // cut short
}

}  // namespace
}  // namespace lumi
