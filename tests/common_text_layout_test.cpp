#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/layout.h"
#include "common/text.h"
#include "test_util.h"

using namespace torven;
using Recs = std::vector<std::string>;

// Iw and Aw fields as texts of their own.
static std::string format_int(std::int32_t v, int w) {
  std::string s;
  put_int(s, v, w);
  return s;
}
static std::string format_text(std::string_view s, int w) {
  std::string r;
  put_text(r, s, w);
  return r;
}

TEST(CommonText, Operations) {
  EXPECT_TRUE(text_eq("A", "A   "));
  EXPECT_TRUE(text_eq("A   ", "A"));
  EXPECT_TRUE(text_eq("", "   "));
  EXPECT_FALSE(text_eq("A", " A"));
  EXPECT_FALSE(text_eq("a", "A"));
  EXPECT_FALSE(text_eq(std::string_view("A\0", 2), "A "));
  EXPECT_FALSE(text_eq("AB", "A"));

  EXPECT_EQ(trimmed_length("ab  "), 2);
  EXPECT_EQ(trimmed_length("    "), 0);
  EXPECT_EQ(trimmed_length(""), 0);
  EXPECT_EQ(left_adjust("  ab "), "ab   ");
  EXPECT_EQ(left_adjust("   "), "   ");
  EXPECT_EQ(fit("abc", 5), "abc  ");
  EXPECT_EQ(fit("abcdef", 4), "abcd");

  Text<4> t;
  EXPECT_EQ(t.view(), std::string_view("\0\0\0\0", 4));
  t = "ABCDEFG";
  EXPECT_EQ(t.view(), "ABCD");
  t = "A";
  EXPECT_EQ(t.view(), "A   ");
  EXPECT_TRUE(t == "A");
  EXPECT_FALSE(t == "A  x");
}

TEST(CommonLayout, SingleFields) {
  struct Case {
    std::string got, want;
  };
  const Case cases[] = {
      {format_int(123456, 5), "*****"},
      {format_int(-42, 5), "  -42"},
      {format_int(0, 1), "0"},
      {format_int(-2147483647 - 1, 11), "-2147483648"},
      {format_real(0.52f, 5, 2), " 0.52"},
      {format_real(-1.5f, 5, 2), "-1.50"},
      {format_real(0.5f, 4, 2), "0.50"},
      {format_real(0.5f, 3, 2), ".50"},
      {format_real(-0.5f, 4, 2), "-.50"},
      {format_real(123.4f, 5, 2), "*****"},
      {format_real(-0.0001f, 6, 3), "-0.000"},
      {format_real(0.125f, 5, 2), " 0.12"},   // exact tie goes to even
      {format_real(0.375f, 5, 2), " 0.38"},
      {format_real(2.0f, 3, 0), " 2."},
      {format_real(12.25f, 8, 3), "  12.250"},
      {format_real(1.0f / 0.0f, 4, 1), "****"},
      {format_text("abc", 6), "   abc"},
      {format_text("abc", 2), "ab"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(CommonLayout, WritesRecords) {
  static const Layout pairs("(I5,1X,4(I5,1X,A3))");
  std::vector<Item> six{std::int32_t{7}};
  const char* edges[] = {"W:W", "H:S", "S:H", "W:H", "s:W", "+:W"};
  for (int k = 0; k < 6; ++k) {
    six.push_back(std::int32_t{k + 1});
    six.push_back(std::string_view(edges[k]));
  }
  EXPECT_EQ(pairs.format(six),
            (Recs{"    7     1 W:W    2 H:S    3 S:H    4 W:H",
                  "    5 s:W    6 +:W"}));
  // Items run out inside the group: the pending 1X before the next field
  // adds nothing, since nothing follows it in the record.
  EXPECT_EQ(pairs.format({std::int32_t{7}, std::int32_t{1}}),
            (Recs{"    7     1"}));

  static const Layout poorly("('#==========Number of POORLY defined atoms:',I5,' ==========')");
  EXPECT_EQ(poorly.format({std::int32_t{3}}),
            (Recs{"#==========Number of POORLY defined atoms:    3 =========="}));
  EXPECT_EQ(poorly.format({}), (Recs{"#==========Number of POORLY defined atoms:"}));

  // A second group left without items ends the record after the first
  // group's last data field.
  static const Layout two("(2(I3,'|'),2X,2(I3,'<'))");
  EXPECT_EQ(two.format({std::int32_t{1}, std::int32_t{2}}), (Recs{"  1|  2|"}));

  // No group: reversion restarts at the beginning.
  static const Layout plain("('>',I2)");
  EXPECT_EQ(plain.format({std::int32_t{1}, std::int32_t{2}, std::int32_t{3}}),
            (Recs{"> 1", "> 2", "> 3"}));

  // Trailing nX adds nothing; Tn moves both ways; '/' ends a record.
  static const Layout pos("(I2,5X)");
  EXPECT_EQ(pos.format({std::int32_t{4}}), (Recs{" 4"}));
  static const Layout tabs("(I6,I8,T16,A3,T3,A1,T10,'x')");
  EXPECT_EQ(tabs.format({std::int32_t{1}, std::int32_t{2}, std::string_view("abc"),
                         std::string_view("Q")}),
            (Recs{"  Q  1   x   2 abc"}));
  static const Layout slash("('a',/,'b',2/,A)");
  EXPECT_EQ(slash.format({std::string_view("cd")}), (Recs{"a", "b", "", "cd"}));

  // Repeated literal, repeated fields, quotes inside literals, free A.
  static const Layout misc("(6('-'),3F6.2,1X,A,'''')");
  EXPECT_EQ(misc.format({1.0f, -2.5f, 10.125f, std::string_view("end ")}),
            (Recs{"------  1.00 -2.50 10.12 end '"}));

  // Long records of single characters continue on further records.
  static const Layout chars("(4A1)");
  std::string s = "abcdefghij";
  std::vector<Item> items;
  for (char& c : s) items.push_back(ch(c));
  EXPECT_EQ(chars.format(items), (Recs{"abcd", "efgh", "ij"}));
}

TEST(CommonLayout, RejectsMalformedLayouts) {
  for (const char* bad : {"I5", "(I5", "(Q3)", "(F5)", "('abc)", "(I0)", "(I5))"})
    EXPECT_THROW(Layout{bad}, std::invalid_argument) << bad;
}

TEST(CommonLayout, IntegerFieldInput) {
  struct Case {
    const char* field;
    bool ok;
    std::int32_t value;
  };
  const Case cases[] = {
      {"  -7", true, -7},       {"    ", true, 0},        {"1x", false, 0},
      {"12 3", true, 123},      {" +5 ", true, 5},        {"-", false, 0},
      {"2147483647", true, 2147483647}, {"2147483648", false, 0},
      {"-2147483648", true, -2147483647 - 1}, {"1.0", false, 0},
      {"   1", true, 1},        {"12", true, 12},
  };
  for (const Case& c : cases) {
    std::int32_t v = 99;
    EXPECT_EQ(read_int_field(c.field, v), c.ok) << c.field;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.field;
    }
  }
}

TEST(CommonLayout, RealFieldInput) {
  struct Case {
    const char* field;
    int d;
    bool ok;
    float value;
  };
  const Case cases[] = {
      {"   12345", 3, true, 12.345f}, {"  12.3  ", 3, true, 12.3f},
      {"        ", 3, true, 0.0f},    {"   1", 2, true, 0.01f},
      {"-1.5E2", 1, true, -150.0f},   {"1.5D-1", 1, true, 0.15f},
      {"125E1", 2, true, 12.5f},      {" 1 2. 5", 3, true, 12.5f},
      {"1.5e2", 1, false, 0},         {"  12.3x5", 3, false, 0},
      {"   -", 3, false, 0},          {"   .", 3, false, 0},
      {"1.5E", 1, false, 0},          {"1.2.3", 1, false, 0},
      {"1E99", 1, false, 0},          {"1E-99", 1, true, 0.0f},
      {"0.1", 1, true, 0.1f},
      // Blanks around the digits are skipped, never read as zeros.
      {"  10.000", 3, true, 10.0f},  {"  -2.5  ", 3, true, -2.5f},
      {"   3000 ", 3, true, 3.0f},
  };
  for (const Case& c : cases) {
    float v = 99.0f;
    EXPECT_EQ(read_real_field(c.field, c.d, v), c.ok) << c.field;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.field;
    }
  }
}

// Plain decimals take a shortcut past the general conversion; every text,
// on either side of the shortcut's limits, must read as the correctly
// rounded value of its digits, bit for bit.
TEST(CommonLayout, RealConversionIsCorrectlyRoundedOnBothPaths) {
  struct Number {
    std::string sign, whole, fraction, exponent;  // exponent: "" or signed digits
    bool point;
  };
  // The text as a field holds it, and the value it stands for with
  // `implied` decimals when it has no point, in the form std::from_chars
  // reads.
  auto text_of = [](const Number& n) {
    std::string t = n.sign + n.whole + (n.point ? "." : "") + n.fraction;
    if (!n.exponent.empty()) t += "E" + n.exponent;
    return t;
  };
  auto reference = [](const Number& n, int implied) {
    long exp = n.exponent.empty() ? 0 : std::stol(n.exponent);
    if (!n.point) exp -= implied;
    std::string r = (n.sign == "-" ? "-" : "") + (n.whole.empty() ? "0" : n.whole) + "." +
                    n.fraction + "0e" + std::to_string(exp);
    float v = 0.0f;
    auto res = std::from_chars(r.data(), r.data() + r.size(), v);
    EXPECT_EQ(res.ec, std::errc()) << r;
    return v;
  };
  auto bits = [](float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
  };

  std::vector<Number> numbers = {
      {"", "16777215", "", "", false}, {"", "16777216", "", "", false},
      {"", "16777217", "", "", false}, {"-", "1677721", "7", "", true},
      {"", "1", "6777217", "", true},  {"", "0", "0000000001", "", true},
      {"", "0", "00000000001", "", true}, {"+", "", "5", "", true},
      {"-", "0", "000", "", true},     {"", "5", "", "", true},
      {"", "00000000000123", "", "", false}, {"", "12", "5", "-2", true},
  };
  std::mt19937 rng(20261210);
  auto digits = [&rng](int n) { return testutil::random_digits(rng, n); };
  const char* const signs[] = {"", "+", "-"};
  for (int k = 0; k < 200000; ++k) {
    Number n;
    n.sign = signs[rng() % 3];
    n.whole = std::string(rng() % 4 == 0 ? rng() % 4 : 0, '0') + digits(static_cast<int>(rng() % 9));
    n.point = rng() % 8 != 0;
    n.fraction = n.point ? digits(static_cast<int>(rng() % 12)) : "";
    if (rng() % 6 == 0) n.exponent = (rng() % 2 ? "-" : "") + std::to_string(rng() % 26);
    if (n.whole.empty() && n.fraction.empty()) n.whole = "0";
    numbers.push_back(n);
  }

  int plain = 0;
  for (const Number& n : numbers) {
    const std::string t = text_of(n);
    if (t.size() > 15) continue;  // wider than an mmCIF field keeps
    plain += n.exponent.empty() && n.fraction.size() <= 10 && n.whole.size() + n.fraction.size() <= 7;
    for (int implied : {0, 3}) {
      float v = 99.0f;
      ASSERT_TRUE(detail::parse_real(t, true, implied, v)) << t;
      EXPECT_EQ(bits(v), bits(reference(n, implied))) << t << " with " << implied << " implied";
    }
  }
  EXPECT_GT(plain, 50000);  // the shortcut is exercised as much as the general path
}

// Fw.d writes the digits itself where a double holds the scaled value
// exactly; in a field wide enough they must be printf's, rounding, ties and
// the sign of a value that rounds to zero included.
TEST(CommonLayout, FixedFormDigitsAreThoseOfPrintf) {
  const float edges[] = {-0.0f, 0.0f, -0.0004f, 0.0005f, 0.0015f, 2.5f, -2.5f, 0.125f,
                         1e17f, 9.9999e17f, 1e18f, 1e20f, 3.4028235e38f, 1.1754944e-38f};
  std::mt19937 rng(3);
  for (int k = 0; k < 200000; ++k) {
    float v;
    if (k < 14 * 13) {
      v = edges[k / 13];
    } else if (k % 2 == 0) {
      // Any finite bit pattern.
      std::uint32_t b = static_cast<std::uint32_t>(rng());
      std::memcpy(&v, &b, sizeof v);
      if (!std::isfinite(v)) continue;
    } else {
      // Coordinates and occupancies near ties of three and two decimals.
      v = static_cast<float>(static_cast<int>(rng() % 2000000) - 1000000) / 1000.0f +
          static_cast<float>(rng() % 3) * 0.0005f;
    }
    const int d = k < 14 * 13 ? k % 13 : static_cast<int>(rng() % 13);
    char buf[128];
    std::snprintf(buf, sizeof buf, "%#.*f", d, static_cast<double>(v));
    std::string expected(buf);
    if (expected.size() > 60) continue;
    expected.insert(0, 60 - expected.size(), ' ');
    ASSERT_EQ(format_real(v, 60, d), expected) << v << " with " << d << " decimals";
  }
}
