#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/freeformat.h"
#include "test_util.h"

using namespace torven;
using Lines = std::vector<std::string>;

// A blank and the text, as a free-format line holds a text item.
static std::string sp(std::string_view s) {
  std::string r(1, ' ');
  r.append(s);
  return r;
}

TEST(CommonFreeFormat, RealForm) {
  struct Case {
    float v;
    const char* want;
  };
  const Case cases[] = {
      {14.44f, "   14.44000    "},     {120.0f, "   120.0000    "},
      {1.8f, "   1.800000    "},      {0.5f, "  0.5000000    "},
      {0.0f, "  0.0000000E+00"},      {0.0625f, "  6.2500000E-02"},
      {-0.0625f, " -6.2500000E-02"},  {1234567.0f, "   1234567.    "},
      {-14.44f, "  -14.44000    "},   {12.25f, "   12.25000    "},
      {1.0e7f, "  1.0000000E+07"},    {0.1f, "  0.1000000    "},
      {0.099999994f, "  9.9999994E-02"}, {9.9999997f, "   10.00000    "},
      {1.0f / 0.0f, "       Infinity"}, {-1.0f / 0.0f, "      -Infinity"},
      {std::nanf(""), "            NaN"},
  };
  // A real alone makes a line of its 15 columns.
  for (const Case& c : cases) EXPECT_EQ(list_format({c.v}), (Lines{c.want})) << c.v;
}

TEST(CommonFreeFormat, Lines) {
  EXPECT_EQ(list_format({std::string_view("Options used are:")}),
            (Lines{" Options used are:"}));
  Lines l = list_format({std::string_view("        CutAngle="), 120.0f});
  EXPECT_EQ(l, (Lines{"         CutAngle=   120.0000    "}));
  EXPECT_EQ(l[0].size(), 33u);

  EXPECT_EQ(list_format({std::string_view("n="), std::int32_t{5}, std::string_view("x"),
                         std::string_view("y"), std::int32_t{-5}}),
            (Lines{" n=           5 xy          -5"}));

  std::string t150(150, 'a'), t80(80, 'b'), t25(25, 'c');
  for (std::size_t k = 0; k < t150.size(); ++k) t150[k] = static_cast<char>('A' + k % 26);
  EXPECT_EQ(list_format({std::string_view(t150)}),
            (Lines{sp(t150.substr(0, 79)), sp(t150.substr(79))}));
  EXPECT_EQ(list_format({std::string_view(t80)}),
            (Lines{sp(t80.substr(0, 79)), " b"}));
  EXPECT_EQ(list_format({std::string_view(t25), std::string_view(t80)}),
            (Lines{sp(t25), sp(t80.substr(0, 79)), " b"}));

  // A number that does not fit goes to a new line, without a blank of its
  // own; a text after it gets one.
  std::string t70(70, 'd');
  EXPECT_EQ(list_format({std::string_view(t70), std::int32_t{1}, std::string_view("e")}),
            (Lines{sp(t70), "           1 e"}));
  // A text that exactly fills the line stays on it.
  std::string t79(79, 'f');
  EXPECT_EQ(list_format({std::string_view(t79)}), (Lines{sp(t79)}));
  EXPECT_EQ(list_format({}), (Lines{""}));
}

TEST(CommonFreeFormat, Reads) {
  struct Case {
    const char* text;
    ListStatus st;
    float value;  // expected when kOk; otherwise the item keeps 99
  };
  const Case reals[] = {
      {"3.5 x", ListStatus::kOk, 3.5f},     {"3,5", ListStatus::kOk, 3.0f},
      {"3.5x", ListStatus::kFail, 99},      {"/", ListStatus::kUnchanged, 99},
      {", 4", ListStatus::kUnchanged, 99},  {"   ", ListStatus::kEnd, 99},
      {"", ListStatus::kEnd, 99},           {" \t-2.5e1/", ListStatus::kOk, -25.0f},
      {"1d-1", ListStatus::kOk, 0.1f},      {"+.5", ListStatus::kOk, 0.5f},
      {"2*3.5", ListStatus::kOk, 3.5f},     {"2*", ListStatus::kUnchanged, 99},
      {"abc", ListStatus::kFail, 99},       {"-", ListStatus::kFail, 99},
      {"12", ListStatus::kOk, 12.0f},
  };
  for (const Case& c : reals) {
    float v = 99;
    EXPECT_EQ(list_read_real(c.text, v), c.st) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }

  std::int32_t i = 99;
  EXPECT_EQ(list_read_int(" 7 ", i), ListStatus::kOk);
  EXPECT_EQ(i, 7);
  EXPECT_EQ(list_read_int("-3,", i), ListStatus::kOk);
  EXPECT_EQ(i, -3);
  EXPECT_EQ(list_read_int("3.5", i), ListStatus::kFail);
  EXPECT_EQ(list_read_int("99999999999", i), ListStatus::kFail);
  EXPECT_EQ(i, -3);

  std::string s = "keep";
  EXPECT_EQ(list_read_text("A", 4, s), ListStatus::kOk);
  EXPECT_EQ(s, "A   ");
  EXPECT_EQ(list_read_text("  chainX more", 4, s), ListStatus::kOk);
  EXPECT_EQ(s, "chai");
  EXPECT_EQ(list_read_text("'a b,c' d", 6, s), ListStatus::kOk);
  EXPECT_EQ(s, "a b,c ");
  EXPECT_EQ(list_read_text("\"it''s\"", 5, s), ListStatus::kOk);
  EXPECT_EQ(s, "it''s");
  EXPECT_EQ(list_read_text("/A", 4, s), ListStatus::kUnchanged);
  EXPECT_EQ(list_read_text(" ", 4, s), ListStatus::kEnd);
  EXPECT_EQ(s, "it''s");
}

namespace {

// A value read in free format is the token's value as the general
// conversion gives it, whether the token takes the shortcut for plain
// decimals or not, whatever surrounds it.
TEST(CommonFreeFormat, PlainDecimalsReadAsTheGeneralConversionReadsThem) {
  std::mt19937 rng(11);
  auto digits = [&rng](int n) { return testutil::random_digits(rng, n); };
  const char* const signs[] = {"", "-", "+"};
  // A repeat count before the value is dropped; a letter right after it
  // spoils it.
  const char* const before[] = {"", " ", "   ", "\t", " \t ", "2*", " 3*"};
  const char* const after[] = {"", " ", "   ", ",", "/", "\t", " 7", "x"};
  for (int k = 0; k < 50000; ++k) {
    std::string token = signs[rng() % 3] + digits(static_cast<int>(rng() % 10));
    if (rng() % 5 != 0) token += "." + digits(static_cast<int>(rng() % 12));
    if (rng() % 10 == 0) token += "E" + std::to_string(rng() % 20);
    if (token.find_first_of("0123456789") == std::string::npos) token += "0";
    const std::string tail = after[rng() % 8];
    const std::string text = std::string(before[rng() % 7]) + token + tail;
    float expected = 0.0f;
    const bool valid = torven::detail::parse_real(token, true, 0, expected) && tail != "x";
    float got = 99.0f;
    const torven::ListStatus status = torven::list_read_real(text, got);
    ASSERT_EQ(status, valid ? torven::ListStatus::kOk : torven::ListStatus::kFail) << text;
    if (valid) {
      EXPECT_EQ(std::signbit(got), std::signbit(expected)) << text;
      EXPECT_EQ(got, expected) << text;
    }
  }
}

}  // namespace
