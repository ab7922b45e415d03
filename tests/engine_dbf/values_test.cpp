// Field values on disk: numbers, dates, logicals, text in code pages, index keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <random>

#include "engine/dbf/codepage.h"
#include "engine/dbf/field_codec.h"
#include "engine/dbf/index_key.h"
#include "engine/dbf/key_order.h"
#include "engine/error.h"

namespace lumi::dbf {
namespace {

std::string Hex(std::string_view s) {
  static const char* d = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (!out.empty()) out += ' ';
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

TEST(FormatNumber, RoundsHalfAwayFromZeroAndRefusesWhatDoesNotFit) {
  struct Case {
    double v;
    int width, decimals;
    const char* want;  // "" = does not fit
  } cases[] = {
      {12.5, 8, 2, "   12.50"},
      {-3, 8, 2, "   -3.00"},
      {32544, 11, 0, "      32544"},
      {166.4, 15, 2, "         166.40"},
      {2.675, 8, 2, "    2.68"},  // as typed, not as its binary neighbour 2.67499..
      {-2.675, 8, 2, "   -2.68"},
      {0.005, 6, 2, "  0.01"},
      {-0.004, 6, 2, "  0.00"},
      {1.0005, 8, 3, "   1.001"},
      {0.5, 3, 0, "  1"},
      {-0.5, 3, 0, " -1"},
      {999.995, 6, 2, ""},
      {99999999, 8, 0, "99999999"},
      {123456789, 8, 0, ""},
      {-0.4, 3, 1, ""},
      {-0.4, 4, 1, "-0.4"},
      {1e20, 20, 0, ""},
      {123.456, 8, 3, " 123.456"},
      {1e-9, 8, 2, "    0.00"},
      {NAN, 8, 2, ""},
      {9.995, 6, 2, " 10.00"},  // the carry runs through every digit
      {-99.5, 4, 0, "-100"},
      {-0.0, 4, 1, " 0.0"},
      {0.1, 22, 20, "0.10000000000000000000"},
      {1e15, 16, 0, "1000000000000000"},
      {7, 0, 0, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatNumber(c.v, c.width, c.decimals), c.want)
        << c.v << " as N(" << c.width << "," << c.decimals << ")";
}

// Number fields are read through a short path for plain decimals; every
// text must still give the double the full parser gives, to the last bit.
TEST(FieldCodec, NumbersReadExactlyAsTheFullParserReadsThem) {
  const CodePage& cp = CodePage::ForNumber(1250);
  std::mt19937_64 rng(11);
  const FieldDef f = FieldDef::Numeric("N", 20, 0);
  for (int i = 0; i < 100000; ++i) {
    int digits = 1 + static_cast<int>(rng() % 18);  // past the short path's 15 too
    std::string text = rng() % 3 == 0 ? "-" : "";
    int point = static_cast<int>(rng() % (digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point && d > 0) text += '.';
      text += static_cast<char>('0' + rng() % 10);
    }
    std::string field = std::string(20 - text.size(), ' ') + text;
    double want = 0;
    std::from_chars(text.data(), text.data() + text.size(), want);
    Value got = DecodeField(f, field.data(), cp, "t.dbf");
    ASSERT_EQ(got.kind(), ValueKind::kNumber) << text;
    double have = got.number();
    ASSERT_EQ(std::memcmp(&have, &want, sizeof want), 0) << text << " read as " << have;
  }
}

TEST(FieldCodec, DecodesEachTypeAndBlankIsNull) {
  const CodePage& cp = CodePage::ForNumber(1250);
  struct Case {
    FieldDef f;
    std::string bytes;
    Value want;
  } cases[] = {
      {FieldDef::Char("T", 6), "ab    ", Value::Text("ab")},
      {FieldDef::Char("T", 6), "  ab  ", Value::Text("  ab")},
      {FieldDef::Char("T", 4), "    ", Value()},
      {FieldDef::Char("T", 4), std::string("x\0\0\0", 4), Value::Text("x")},
      {FieldDef::Char("T", 3), "\xBA\xFE\xE3", Value::Text("şţă")},
      {FieldDef::Numeric("N", 8, 2), "  -12.50", Value::Number(-12.5)},
      {FieldDef::Numeric("N", 8, 2), "        ", Value()},
      {FieldDef::Numeric("N", 8, 2), "********", Value()},
      {FieldDef::Numeric("N", 8, 2), "   12,50", Value::Number(12.5)},
      {FieldDef::Numeric("N", 4, 0), "   0", Value::Number(0)},
      {FieldDef::DateField("D"), "20240229", Value::FromDate({2024, 2, 29})},
      {FieldDef::DateField("D"), "        ", Value()},
      {FieldDef::DateField("D"), "00000000", Value()},
      {FieldDef::LogicalField("L"), "T", Value::Logical(true)},
      {FieldDef::LogicalField("L"), "y", Value::Logical(true)},
      {FieldDef::LogicalField("L"), "n", Value::Logical(false)},
      {FieldDef::LogicalField("L"), "F", Value::Logical(false)},
      {FieldDef::LogicalField("L"), "?", Value()},
      {FieldDef::LogicalField("L"), " ", Value()},
      {{"I", 'I', 4, 0, 0}, std::string("\x80\x00\x0C\x49", 4), Value::Number(3145)},
      {{"I", 'I', 4, 0, 0}, std::string("\x7F\xFF\xFF\xFF", 4), Value::Number(-1)},
      {{"O", 'O', 8, 0, 0},
       std::string("\xC0\x66\x93\x33\x33\x33\x33\x33", 8),
       Value::Number(180.6)},
      {{"O", 'O', 8, 0, 0}, std::string(8, '\0'), Value()},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(Hex(c.bytes));
    EXPECT_EQ(DecodeField(c.f, c.bytes.data(), cp, "t.dbf"), c.want);
  }
}

TEST(FieldCodec, EncodesAndReadsBackEveryWritableType) {
  const CodePage& cp = CodePage::ForNumber(1250);
  struct Case {
    FieldDef f;
    Value v;
    std::string bytes;
  } cases[] = {
      {FieldDef::Char("T", 8), Value::Text("Ion ăâî"), "Ion \xE3\xE2\xEE "},
      // Comma-below letters go in as the cedilla forms Windows-1250 holds.
      {FieldDef::Char("T", 4), Value::Text("ȘșȚț"), "\xAA\xBA\xDE\xFE"},
      {FieldDef::Char("T", 3), Value::Text(""), "   "},
      {FieldDef::Char("T", 3), Value::Text("ab   "), "ab "},  // trailing blanks may be cut
      {FieldDef::Char("T", 3), Value(), "   "},
      {FieldDef::Numeric("N", 8, 3), Value::Number(-1.5), "  -1.500"},
      {FieldDef::Numeric("N", 8, 3), Value(), "        "},
      {FieldDef::DateField("D"), Value::FromDate({1999, 12, 31}), "19991231"},
      {FieldDef::LogicalField("L"), Value::Logical(false), "F"},
      {{"I", 'I', 4, 0, 0}, Value::Number(-1), std::string("\x7F\xFF\xFF\xFF", 4)},
      {{"O", 'O', 8, 0, 0}, Value::Number(0.0), std::string("\x80\0\0\0\0\0\0\0", 8)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(ToDebugString(c.v));
    std::string out(static_cast<size_t>(c.f.width), '?');
    EncodeField(c.f, c.v, cp, "t.dbf", out.data());
    EXPECT_EQ(Hex(out), Hex(c.bytes));
  }
}

TEST(FieldCodec, RefusesBadValuesNamingFieldAndValue) {
  const CodePage& cp = CodePage::ForNumber(1250);
  struct Case {
    FieldDef f;
    Value v;
    std::vector<std::string> in_message;
  } cases[] = {
      {FieldDef::Numeric("PRET", 8, 2),
       Value::Number(1234567.891),
       {"PRET", "1234567.891", "N(8,2)"}},
      {FieldDef::Char("NUME", 3), Value::Text("abcd"), {"NUME", "abcd"}},
      {FieldDef::Char("NUME", 10), Value::Text("字"), {"NUME", "字", "1250"}},
      {FieldDef::Char("NUME", 10), Value::Text("\xC3("), {"NUME", "UTF-8"}},
      {FieldDef::Char("NUME", 10), Value::Number(3), {"NUME", "text expected"}},
      {FieldDef::Numeric("COD", 10, 0), Value::Text("12"), {"COD", "number expected"}},
      {FieldDef::DateField("DATA"), Value::FromDate({2023, 2, 30}), {"DATA", "date"}},
  };
  for (auto& c : cases) {
    std::string out(static_cast<size_t>(c.f.width), '#');
    try {
      EncodeField(c.f, c.v, cp, "Magazie.dbf", out.data());
      ADD_FAILURE() << "accepted " << ToDebugString(c.v);
    } catch (const EngineError& e) {
      for (auto& part : c.in_message)
        EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
    EXPECT_EQ(out, std::string(out.size(), '#')) << "written despite the error";
  }
}

TEST(FieldCodec, ReadErrorsNameTheFile) {
  const CodePage& cp = CodePage::ForNumber(1250);
  for (auto [f, bytes] : {std::pair{FieldDef::Numeric("N", 4, 0), std::string("12ab")},
                          std::pair{FieldDef::DateField("D"), std::string("20241345")}}) {
    try {
      DecodeField(f, bytes.data(), cp, "x/Plati.dbf");
      ADD_FAILURE() << bytes;
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find("x/Plati.dbf"), std::string::npos);
    }
  }
}

TEST(CodePages, LanguageDriversMapToTheirCodePages) {
  struct Case {
    uint8_t ldid;
    int cp;
  } cases[] = {{0x57, 1250}, {0x00, 1250}, {0xC8, 1250}, {0x03, 1252}, {0x58, 1252}, {0x01, 437},
               {0x1B, 437},  {0x02, 850},  {0x37, 850},  {0x64, 852},  {0x1F, 852},  {0x23, 852},
               {0x26, 866},  {0x65, 866},  {0xC9, 1251}, {0xCB, 1253}, {0x6B, 857},  {0xEE, 1250}};
  for (auto c : cases) EXPECT_EQ(CodePage::ForDriver(c.ldid).number(), c.cp) << int(c.ldid);
  EXPECT_EQ(CodePage::ForDriver(0, "DB852CZ0").number(), 852);
  EXPECT_EQ(CodePage::ForDriver(0, "DBWINUS0").number(), 1250);
  EXPECT_THROW(CodePage::ForDriver(0x4D), EngineError);  // Chinese: multi-byte
}

TEST(CodePages, EveryByteRoundTripsAndKnownLettersDecode) {
  for (int n : {437, 737, 850, 852, 857, 860, 861, 863, 865, 866, 874, 1250, 1251, 1252, 1253, 1254,
                1255, 1256, 1257}) {
    const CodePage& cp = CodePage::ForNumber(n);
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    std::string back, bad;
    ASSERT_TRUE(cp.Encode(cp.Decode(all), &back, &bad)) << n << " " << bad;
    EXPECT_EQ(back, all) << n;
  }
  EXPECT_EQ(CodePage::ForNumber(852).Decode("\xA0\xD8"), "áě");
  EXPECT_EQ(CodePage::ForNumber(437).Decode("\x82"), "é");
  EXPECT_EQ(CodePage::ForNumber(866).Decode("\x80"), "А");
  EXPECT_EQ(CodePage::ForNumber(1250).Decode("\x80\xAA"), "€Ş");
}

TEST(IndexKeys, BcdNumbersHaveTheDocumentedBytes) {
  struct Case {
    const char* text;
    const char* bytes;
  } cases[] = {
      {"1", "35 05 10 00 00 00 00 00 00 00 00 00"},
      {"0", "34 01 00 00 00 00 00 00 00 00 00 00"},
      {"-3", "35 85 30 00 00 00 00 00 00 00 00 00"},
      {"12.5", "36 0D 12 50 00 00 00 00 00 00 00 00"},
      {"-12.5", "36 8D 12 50 00 00 00 00 00 00 00 00"},
      {"  166.40", "37 11 16 64 00 00 00 00 00 00 00 00"},
      {"100", "37 05 10 00 00 00 00 00 00 00 00 00"},
      {"0.05", "33 05 50 00 00 00 00 00 00 00 00 00"},
      {"    ", "34 01 00 00 00 00 00 00 00 00 00 00"},
  };
  for (auto& c : cases) EXPECT_EQ(Hex(BcdFromText(c.text)), c.bytes) << c.text;
}

TEST(IndexKeys, BcdOrderFollowsTheNumbersIncludingForeignDigitCounts) {
  std::mt19937 rng(7);
  std::vector<double> values = {0,           -0.01,        0.01, -1e6, 1e6,
                                99999999.99, -99999999.99, 100,  1000, 10};
  std::uniform_real_distribution<double> any(-1e5, 1e5);
  for (int i = 0; i < 300; ++i) values.push_back(std::round(any(rng) * 100) / 100);
  for (double a : values) {
    std::string ka = BcdFromText(FormatNumber(a, 20, 2));
    EXPECT_NEAR(BcdToDouble(ka), a, 1e-9);
    for (double b : {values[0], values[3], values[7], values[values.size() / 2]}) {
      std::string kb = BcdFromText(FormatNumber(b, 20, 2));
      int want = a < b ? -1 : (a > b ? 1 : 0);
      EXPECT_EQ(CompareKeys('N', ka, kb), want) << a << " vs " << b;
    }
  }
  // Another writer counts the trailing zeros of 100 among the digits.
  std::string foreign_100 = BcdFromText("100");
  foreign_100[1] = 0x0D;
  EXPECT_EQ(CompareKeys('N', foreign_100, BcdFromText("100")), 0);
  EXPECT_LT(CompareKeys('N', BcdFromText("99"), foreign_100), 0);
}

// A tag's entries in order: by key as CompareKeys has it, equal keys by
// record. Each set has repeats, keys that agree in their first 8 bytes only,
// and keys whose bytes differ while CompareKeys finds them equal.
TEST(IndexKeys, OrderKeysFollowsCompareKeysThenTheRecord) {
  std::mt19937 rng(11);
  std::string foreign_100 = BcdFromText("100");
  foreign_100[1] = 0x0D;
  std::string odd_zero = BcdFromText("0");
  odd_zero[0] = 0x40;  // zero digits, another exponent: still zero
  double minus_zero = -0.0;
  std::string date_minus_zero(8, '\0');
  std::memcpy(date_minus_zero.data(), &minus_zero, 8);
  FieldDef d = FieldDef::DateField("D");
  struct Case {
    char type;
    std::vector<std::string> keys;
  } cases[] = {
      {'N',
       {BcdFromText("100"), BcdFromText("-3"), BcdFromText("0"), foreign_100, BcdFromText("-12.5"),
        BcdFromText("12.5"), odd_zero, BcdFromText("-3"), BcdFromText("0.05"), BcdFromText("-0.05"),
        BcdFromText("99"), BcdFromText("123456789012.34"), BcdFromText("123456789012.35"),
        BcdFromText("100")}},
      {'D',
       {KeyFromField(d, "20000101"), KeyFromField(d, "        "), KeyFromField(d, "19810101"),
        date_minus_zero, KeyFromField(d, "20000101"), KeyFromField(d, "19991231")}},
      {'C',
       {"Geam float 4", "Geam float 2", "Sticla mata ", "Geam float 4", "Geam flo    ",
        "            ", "Geam float 2", "geam float 4", "Geam float 4"}},
      {'C',
       {"Lucrarea 12345678 ab", "Lucrarea 12345678 aa", "Lucrarea 1234567  ab",
        "Lucrarea 12345678 ab", "Lucrarea 12345679 aa", "Lucrarea 12345678 b ",
        "Lucrarea            "}},
  };
  for (auto& c : cases) {
    // Many more of each: long runs of equal heads, and a set large enough
    // for the sort of large sets.
    std::vector<std::string> keys = c.keys;
    for (int i = 0; i < 3000; ++i) keys.push_back(c.keys[rng() % c.keys.size()]);
    const size_t kl = keys[0].size();
    std::string all;
    for (auto& k : keys) all += k;
    std::vector<uint32_t> want(keys.size());
    for (uint32_t i = 0; i < want.size(); ++i) want[i] = i;
    std::sort(want.begin(), want.end(), [&](uint32_t a, uint32_t b) {
      int r = CompareKeys(c.type, keys[a], keys[b]);
      return r < 0 || (r == 0 && a < b);
    });
    EXPECT_EQ(OrderKeys(c.type, all, kl), want) << c.type;
  }
  EXPECT_TRUE(OrderKeys('C', "", 10).empty());
}

TEST(IndexKeys, DateKeysAreJulianDayDoubles) {
  FieldDef d = FieldDef::DateField("D");
  EXPECT_EQ(Hex(KeyFromField(d, "20000101")), "00 00 00 80 2C B4 42 41");
  EXPECT_EQ(Hex(KeyFromField(d, "19810101")), "00 00 00 00 9F A6 42 41");
  EXPECT_TRUE(IsBlankKey('D', KeyFromField(d, "        ")));
  for (int64_t jdn : {1721426LL, 2299161LL, 2451545LL, 2460000LL, 5373484LL}) {
    Date x = Date::FromJulianDay(jdn);
    EXPECT_TRUE(x.IsValid());
    EXPECT_EQ(x.JulianDay(), jdn);
  }
  EXPECT_EQ(Date({2000, 1, 1}).JulianDay(), 2451545);
}

}  // namespace
}  // namespace lumi::dbf
