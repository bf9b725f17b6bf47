// Record layouts: the fixed-column notation every writer uses, and the
// conversions of single fixed fields for code that reads or writes a field
// on its own.
//
// A layout is written as text, exactly as a record is described:
//   "(1X,I5,1X,I7,1X,A3,1X,A1,1X,A4,4(1X,I5,1X,A3))"
// Fields: Iw, Fw.d, Aw, A, nX, Tn, '/', 'literal' (a doubled quote stands
// for one quote) and n(...) groups. Every field but nX and Tn takes a
// repeat count (rIw, rFw.d, rAw, rA, r/, r'literal'). Letters may be in
// lower case, and commas between fields may be left out.
//
// Output rules:
//  1. Items are matched in order with the data fields I, F and A; literals,
//     blanks and positions are written as the layout is walked.
//  2. A record ends at the last character written to it: an nX or Tn at the
//     end of a record adds no blanks.
//  3. When the items run out, output stops at the first data field that has
//     no item left; literals before that field are still written.
//  4. When the layout runs out while items remain, the record ends and the
//     layout is taken up again from the start of its last top-level group
//     (with that group's repeat count), or from its beginning when it has
//     no group.
// Numbers too wide for their field print as asterisks. Fw.d rounds the exact
// binary value to nearest, ties to even, and keeps the '-' of a negative
// value that rounds to zero; it drops the 0 before the point when only that
// makes the value fit ("0.50" in F3.2 is ".50"); a value that is not finite
// prints as asterisks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace torven {

// One output item: an integer, a real or a text. The text must outlive the
// write. An integer in an F field is written as a real. Otherwise an item of
// another kind than its field is written as w asterisks in an Iw, Fw.d or
// Aw field (a real in an I field, a number in an Aw field, a text in an I
// or F field) and as nothing in an A field.
using Item = std::variant<std::int32_t, float, std::string_view>;

// The character c as a one-character text item, viewing c itself, which
// must outlive the write. A char passed as an item directly would become an
// integer.
inline std::string_view ch(const char& c) { return std::string_view(&c, 1); }

class Layout {
 public:
  explicit Layout(std::string_view notation);  // throws std::invalid_argument
  ~Layout();
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

  // The records (lines, without line ends) that one write produces.
  std::vector<std::string> format(const std::vector<Item>& items) const;

  struct Node;  // parsed form, defined in layout.cpp

 private:
  std::unique_ptr<Node> root_;
};

// Input conversions of single fields, as Iw and Fw.d read them with w the
// field's length and d `decimals`. Blanks anywhere are ignored and a field
// of blanks reads as 0. A real without a point takes its last `decimals`
// digits as decimals, and only E and D in upper case begin an exponent.
// False (out untouched) when the field is not a number of its kind.
bool read_int_field(std::string_view field, std::int32_t& out);
bool read_real_field(std::string_view field, int decimals, float& out);

// Output conversions of single fields, appended to a record.
void put_int(std::string& out, std::int32_t v, int w);          // Iw
void put_real(std::string& out, float v, int w, int d);         // Fw.d
void put_text(std::string& out, std::string_view s, int w);     // Aw

// An Fw.d field as a text of its own.
std::string format_real(float v, int w, int d);

namespace detail {
// An optional sign and digits only, within 32 bits.
bool parse_int(std::string_view s, std::int32_t& out);
// A real: optional sign, digits with an optional point, optional exponent
// (E or D, also e and d when lower_exponent) with an optionally signed
// integer. Without a point the last implied_decimals digits are decimals.
// Correctly rounded; a value below the single-precision range reads as 0,
// one above it fails.
bool parse_real(std::string_view s, bool lower_exponent, int implied_decimals,
                float& out);
// The shortcut parse_real takes first: a plain decimal (optional sign,
// digits, optional point, no exponent) whose digits make an integer m below
// 2^24 with k <= 10 decimals (implied_decimals when there is no point) is
// m / 10^k, both exact in single precision, so one division rounds it
// correctly, as the general conversion does. Reads the plain decimal that
// begins s up to the first character that cannot continue one and returns
// its length (out set); 0 (out untouched) when the characters make none the
// shortcut reads.
std::size_t read_plain_decimal(std::string_view s, int implied_decimals, float& out);
}  // namespace detail

}  // namespace torven
