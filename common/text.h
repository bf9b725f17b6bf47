// Fixed-width, blank-padded text values and the operations every stage uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace torven {

// Two texts are equal when they are equal after the shorter one is padded
// with blanks. Trailing blanks never matter; the zero byte is not a blank.
bool text_eq(std::string_view a, std::string_view b);

// Position of the last character that is not a blank, 0 for all blanks.
int trimmed_length(std::string_view s);

// Leading blanks removed and as many blanks appended (same width).
std::string left_adjust(std::string_view s);

// s cut to n characters or padded with blanks to n.
std::string fit(std::string_view s, std::size_t n);

// File names lose their leading and trailing blanks before use.
std::string trim_name(std::string_view name);
// The same name seen in place, without a copy.
std::string_view trimmed_name(std::string_view name);

// A text of fixed width N. A default-constructed text holds N zero bytes,
// as every table entry does before anything writes it. Assignment pads with
// blanks or keeps the leftmost characters.
template <std::size_t N>
struct Text {
  std::array<char, N> c{};

  Text() = default;
  Text(std::string_view s) { assign(s); }  // NOLINT: implicit by design
  Text(const char* s) { assign(s); }       // NOLINT

  void assign(std::string_view s) {
    const std::size_t n = s.size() < N ? s.size() : N;
    if (n > 0) std::memcpy(c.data(), s.data(), n);
    std::memset(c.data() + n, ' ', N - n);
  }
  Text& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  Text& operator=(const char* s) {
    assign(s);
    return *this;
  }

  // 1-based character access.
  char& at(std::size_t pos) { return c[pos - 1]; }
  char at(std::size_t pos) const { return c[pos - 1]; }

  std::string_view view() const { return std::string_view(c.data(), N); }
  std::string str() const { return std::string(c.data(), N); }
  operator std::string_view() const { return view(); }  // NOLINT

  static constexpr std::size_t width = N;
};

// A residue name moved right while its last character is blank, at most
// twice: "A  " becomes "  A", " DA" stays.
void right_justify(Text<3>& name);

template <std::size_t N, std::size_t M>
bool operator==(const Text<N>& a, const Text<M>& b) {
  return text_eq(a.view(), b.view());
}
// Texts of one width are equal when every character is.
template <std::size_t N>
bool operator==(const Text<N>& a, const Text<N>& b) {
  return a.c == b.c;
}
template <std::size_t N>
bool operator==(const Text<N>& a, std::string_view b) {
  return text_eq(a.view(), b);
}
template <std::size_t N>
bool operator==(const Text<N>& a, const char* b) {
  return text_eq(a.view(), b);
}

}  // namespace torven
