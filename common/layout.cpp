#include "common/layout.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace torven {

// One element of a parsed layout. Groups hold their elements; data fields
// and '/' carry their repeat count instead of being expanded, so a layout
// such as (20000A1) stays one node.
struct Layout::Node {
  enum Kind { kGroup, kInt, kReal, kText, kTextFree, kSkip, kTab, kSlash, kLiteral };
  Kind kind = kGroup;
  int repeat = 1;
  int w = 0;  // field width; n of nX and Tn
  int d = 0;  // decimals of Fw.d
  std::string lit;
  std::vector<Node> kids;
  int revert = 0;  // root only: index of the last top-level group, or 0
};

// Appends v right-justified in w columns, or w asterisks when too wide.
void put_int(std::string& out, std::int32_t v, int w) {
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  int len = static_cast<int>(res.ptr - buf);
  if (len > w) {
    out.append(static_cast<std::size_t>(w), '*');
    return;
  }
  out.append(static_cast<std::size_t>(w - len), ' ');
  out.append(buf, static_cast<std::size_t>(len));
}

namespace {

// The value rounded to d decimals, "-" for a negative sign bit, a leading
// "0" before the point of a value below 1, and the point even when d is 0,
// written to end just before `end`; returns where it starts. The exact
// binary value is rounded to nearest with ties to even: for up to 12
// decimals a float times 10^d is exact in double precision, so rounding
// that product to an integer is exact. Null when the value needs another
// way (more decimals, or 18 digits and more).
char* fixed_digits(char* end, float v, int d) {
  static const double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,  1e6,
                                  1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
  if (d > 12) return nullptr;
  const double scaled = std::nearbyint(std::fabs(static_cast<double>(v)) * kPow10[d]);
  if (!(scaled < 1e18)) return nullptr;
  auto n = static_cast<std::uint64_t>(scaled);
  char* p = end;
  for (int k = 0; k < d; ++k) {
    *--p = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  *--p = '.';
  do {
    *--p = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  if (std::signbit(v)) *--p = '-';
  return p;
}

}  // namespace

void put_real(std::string& out, float v, int w, int d) {
  if (!std::isfinite(v)) {
    out.append(static_cast<std::size_t>(w), '*');
    return;
  }
  char buf[200];
  char* p = fixed_digits(buf + sizeof buf, v, d);
  int len = 0;
  if (p != nullptr) {
    len = static_cast<int>(buf + sizeof buf - p);
  } else {
    // '#' keeps the point of a field without decimals.
    len = std::snprintf(buf, sizeof buf, "%#.*f", d, static_cast<double>(v));
    p = buf;
  }
  if (len > w) {
    // Drop the '0' before the point when the field has no room for it.
    const bool neg = p[0] == '-';
    const std::size_t z = neg ? 1 : 0;
    if (d > 0 && len - 1 <= w && p[z] == '0' && p[z + 1] == '.') {
      if (neg) p[1] = '-';
      ++p;
      --len;
    } else {
      out.append(static_cast<std::size_t>(w), '*');
      return;
    }
  }
  out.append(static_cast<std::size_t>(w - len), ' ');
  out.append(p, static_cast<std::size_t>(len));
}

void put_text(std::string& out, std::string_view s, int w) {
  std::size_t uw = static_cast<std::size_t>(w);
  if (uw > s.size()) {
    out.append(uw - s.size(), ' ');
    out.append(s);
  } else {
    out.append(s.substr(0, uw));
  }
}

namespace {

using Node = Layout::Node;

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  void parse_root(Node& root) {
    skip_blanks();
    expect('(');
    parse_list(root);
    skip_blanks();
    if (i_ != s_.size()) bad("text after the closing parenthesis");
    root.revert = 0;
    for (std::size_t k = 0; k < root.kids.size(); ++k)
      if (root.kids[k].kind == Node::kGroup) root.revert = static_cast<int>(k);
  }

 private:
  [[noreturn]] void bad(const char* why) const {
    throw std::invalid_argument("layout \"" + std::string(s_) + "\": " + why);
  }
  void skip_blanks() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }
  void expect(char c) {
    if (i_ >= s_.size() || s_[i_] != c) bad("unexpected character");
    ++i_;
  }
  bool digit_here() const { return i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9'; }
  int number() {
    if (!digit_here()) bad("number expected");
    int v = 0;
    while (digit_here()) {
      v = v * 10 + (s_[i_] - '0');
      if (v > 100000000) bad("number too large");
      ++i_;
    }
    return v;
  }

  // Elements up to and including the closing parenthesis; commas between
  // elements are optional.
  void parse_list(Node& group) {
    for (;;) {
      skip_blanks();
      if (i_ >= s_.size()) bad("missing closing parenthesis");
      char c = s_[i_];
      if (c == ')') {
        ++i_;
        return;
      }
      if (c == ',') {
        ++i_;
        continue;
      }
      group.kids.push_back(parse_element());
    }
  }

  Node parse_element() {
    Node n;
    bool counted = digit_here();
    int r = counted ? number() : 1;
    if (counted && r < 1) bad("repeat count below 1");
    if (i_ >= s_.size()) bad("incomplete element");
    char c = s_[i_++];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    switch (c) {
      case '(':
        n.kind = Node::kGroup;
        n.repeat = r;
        parse_list(n);
        return n;
      case 'I':
        n.kind = Node::kInt;
        n.repeat = r;
        n.w = number();
        if (n.w < 1) bad("field width below 1");
        return n;
      case 'F':
        n.kind = Node::kReal;
        n.repeat = r;
        n.w = number();
        if (n.w < 1) bad("field width below 1");
        expect('.');
        n.d = number();
        if (n.d > 100) bad("too many decimals");
        return n;
      case 'A':
        n.repeat = r;
        if (digit_here()) {
          n.kind = Node::kText;
          n.w = number();
          if (n.w < 1) bad("field width below 1");
        } else {
          n.kind = Node::kTextFree;
        }
        return n;
      case 'X':
        n.kind = Node::kSkip;
        n.w = r;
        return n;
      case 'T':
        if (counted) bad("repeat count before T");
        n.kind = Node::kTab;
        n.w = number();
        if (n.w < 1) bad("column below 1");
        return n;
      case '/':
        n.kind = Node::kSlash;
        n.repeat = r;
        return n;
      case '\'': {
        Node lit;
        lit.kind = Node::kLiteral;
        for (;;) {
          if (i_ >= s_.size()) bad("unterminated literal");
          char q = s_[i_++];
          if (q == '\'') {
            if (i_ < s_.size() && s_[i_] == '\'') {
              lit.lit.push_back('\'');
              ++i_;
              continue;
            }
            break;
          }
          lit.lit.push_back(q);
        }
        if (r == 1) return lit;
        n.kind = Node::kGroup;
        n.repeat = r;
        n.kids.push_back(std::move(lit));
        return n;
      }
      default:
        bad("unknown field");
    }
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

// The output walk of one write.
class Writer {
 public:
  Writer(const std::vector<Item>& items, std::vector<std::string>& recs)
      : items_(items), recs_(recs) {}

  void run(const Node& root) {
    walk(root.kids, 0);
    while (!stop_ && next_ < items_.size()) {
      end_record();
      std::size_t before = next_;
      walk(root.kids, static_cast<std::size_t>(root.revert));
      if (next_ == before) break;  // nothing in the layout takes an item
    }
    recs_.push_back(std::move(cur_));
  }

 private:
  void end_record() {
    recs_.push_back(std::move(cur_));
    cur_.clear();
    pos_ = 0;
  }

  // Positions the output at pos_ (blanks for a gap) and returns the string
  // to append to; a field written left of the end (after a Tn) is built in
  // scratch_ and copied over the record by finish().
  std::string& target() {
    if (pos_ >= cur_.size()) {
      cur_.append(pos_ - cur_.size(), ' ');
      return cur_;
    }
    scratch_.clear();
    return scratch_;
  }
  void finish(std::string& t) {
    if (&t == &cur_) {
      pos_ = cur_.size();
      return;
    }
    std::size_t end = pos_ + scratch_.size();
    if (end > cur_.size()) cur_.resize(end, ' ');
    cur_.replace(pos_, scratch_.size(), scratch_);
    pos_ = end;
  }

  void field(const Node& n, const Item& it) {
    std::string& t = target();
    switch (n.kind) {
      case Node::kInt:
        if (const auto* i = std::get_if<std::int32_t>(&it))
          put_int(t, *i, n.w);
        else
          t.append(static_cast<std::size_t>(n.w), '*');
        break;
      case Node::kReal:
        if (const auto* f = std::get_if<float>(&it))
          put_real(t, *f, n.w, n.d);
        else if (const auto* i = std::get_if<std::int32_t>(&it))
          put_real(t, static_cast<float>(*i), n.w, n.d);
        else
          t.append(static_cast<std::size_t>(n.w), '*');
        break;
      case Node::kText:
        if (const auto* s = std::get_if<std::string_view>(&it))
          put_text(t, *s, n.w);
        else
          t.append(static_cast<std::size_t>(n.w), '*');
        break;
      default:  // kTextFree
        if (const auto* s = std::get_if<std::string_view>(&it)) t.append(*s);
        break;
    }
    finish(t);
  }

  void walk(const std::vector<Node>& nodes, std::size_t from) {
    for (std::size_t k = from; k < nodes.size(); ++k) {
      const Node& n = nodes[k];
      switch (n.kind) {
        case Node::kGroup:
          for (int r = 0; r < n.repeat && !stop_; ++r) walk(n.kids, 0);
          break;
        case Node::kInt:
        case Node::kReal:
        case Node::kText:
        case Node::kTextFree:
          for (int r = 0; r < n.repeat; ++r) {
            if (next_ >= items_.size()) {
              stop_ = true;
              return;
            }
            field(n, items_[next_++]);
          }
          break;
        case Node::kSkip:
          pos_ += static_cast<std::size_t>(n.w);
          break;
        case Node::kTab:
          pos_ = static_cast<std::size_t>(n.w - 1);
          break;
        case Node::kSlash:
          for (int r = 0; r < n.repeat; ++r) end_record();
          break;
        case Node::kLiteral: {
          std::string& t = target();
          t.append(n.lit);
          finish(t);
          break;
        }
      }
      if (stop_) return;
    }
  }

  const std::vector<Item>& items_;
  std::vector<std::string>& recs_;
  std::size_t next_ = 0;
  std::string cur_;
  std::string scratch_;
  std::size_t pos_ = 0;
  bool stop_ = false;
};

}  // namespace

Layout::Layout(std::string_view notation) : root_(std::make_unique<Node>()) {
  Parser(notation).parse_root(*root_);
}

Layout::~Layout() = default;

std::vector<std::string> Layout::format(const std::vector<Item>& items) const {
  std::vector<std::string> recs;
  Writer(items, recs).run(*root_);
  return recs;
}

namespace detail {

bool parse_int(std::string_view s, std::int32_t& out) {
  std::size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  if (i == s.size()) return false;
  std::int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > 2147483648LL) v = 2147483649LL;  // out of range; digits still checked
  }
  if (neg) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

std::size_t read_plain_decimal(std::string_view s, int implied_decimals, float& out) {
  static constexpr float kPow10[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                       1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  std::size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  std::uint32_t m = 0;
  bool any_digit = false, point = false;
  int after = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      any_digit = true;
      m = m * 10 + static_cast<std::uint32_t>(c - '0');
      if (m >= (std::uint32_t{1} << 24)) return 0;
      after += point;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  const int k = point ? after : implied_decimals;
  if (!any_digit || k < 0 || k > 10) return 0;
  const float v = static_cast<float>(m) / kPow10[k];
  out = neg ? -v : v;
  return i;
}

bool parse_real(std::string_view s, bool lower_exponent, int implied_decimals,
                float& out) {
  // A plain decimal the shortcut reads whole is done.
  if (float v = 0.0f; !s.empty() && read_plain_decimal(s, implied_decimals, v) == s.size()) {
    out = v;
    return true;
  }
  std::size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  std::string digits;  // significant digits, leading zeros dropped
  bool any_digit = false;
  bool point = false;
  std::int64_t after = 0;  // digits after the point
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      any_digit = true;
      if (!(digits.empty() && c == '0')) digits.push_back(c);
      if (point) ++after;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any_digit) return false;
  std::int64_t exp = 0;
  if (i < s.size()) {
    char e = s[i];
    bool letter = e == 'E' || e == 'D' || (lower_exponent && (e == 'e' || e == 'd'));
    if (!letter) return false;
    ++i;
    bool eneg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
    if (i == s.size()) return false;
    for (; i < s.size(); ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      if (exp < 1000000) exp = exp * 10 + (s[i] - '0');
    }
    if (eneg) exp = -exp;
  }
  if (digits.empty()) {
    out = neg ? -0.0f : 0.0f;
    return true;
  }
  exp -= point ? after : implied_decimals;
  std::string text = digits;
  text.push_back('e');
  text += std::to_string(exp);
  float v = 0.0f;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v,
                             std::chars_format::scientific);
  if (res.ec == std::errc::result_out_of_range) {
    // Too small for single precision reads as zero; too large fails.
    std::int64_t magnitude = exp + static_cast<std::int64_t>(digits.size());
    if (magnitude > 0) return false;
    v = 0.0f;
  } else if (res.ec != std::errc()) {
    return false;
  }
  out = neg ? -v : v;
  return true;
}

}  // namespace detail

bool read_int_field(std::string_view field, std::int32_t& out) {
  std::string s;
  for (char c : field)
    if (c != ' ') s.push_back(c);
  if (s.empty()) {
    out = 0;
    return true;
  }
  return detail::parse_int(s, out);
}

bool read_real_field(std::string_view field, int decimals, float& out) {
  std::string s;
  s.reserve(field.size());
  for (char c : field)
    if (c != ' ') s.push_back(c);
  if (s.empty()) {
    out = 0.0f;
    return true;
  }
  return detail::parse_real(s, false, decimals, out);
}

std::string format_real(float v, int w, int d) {
  std::string s;
  put_real(s, v, w, d);
  return s;
}

}  // namespace torven
