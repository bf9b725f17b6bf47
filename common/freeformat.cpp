#include "common/freeformat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/text.h"

namespace torven {

namespace {

constexpr std::size_t kLineWidth = 80;

void put_right(std::string& out, const char* s, std::size_t len, std::size_t w) {
  if (len < w) out.append(w - len, ' ');
  out.append(s, len);
}

void append_real(std::string& out, float v) {
  char buf[64];
  if (std::isnan(v)) {
    put_right(out, "NaN", 3, 15);
    return;
  }
  if (std::isinf(v)) {
    if (v < 0)
      put_right(out, "-Infinity", 9, 15);
    else
      put_right(out, "Infinity", 8, 15);
    return;
  }
  double x = static_cast<double>(v);
  // The decimal exponent of the value rounded to 7 significant digits
  // decides between the fixed and the exponent form.
  std::snprintf(buf, sizeof buf, "%.6e", x);
  int e10 = std::atoi(std::strchr(buf, 'e') + 1);
  if (v != 0.0f && e10 >= -1 && e10 <= 6) {
    int decimals = e10 < 0 ? 7 : 6 - e10;
    int len = std::snprintf(buf, sizeof buf, "%#.*f", decimals, x);
    put_right(out, buf, static_cast<std::size_t>(len), 11);
    out.append(4, ' ');
    return;
  }
  int len = std::snprintf(buf, sizeof buf, "%.7E", x);
  put_right(out, buf, static_cast<std::size_t>(len), 15);
}

void append_number(std::string& out, const Item& it) {
  if (const auto* i = std::get_if<std::int32_t>(&it)) {
    char buf[16];
    int len = std::snprintf(buf, sizeof buf, "%d", static_cast<int>(*i));
    put_right(out, buf, static_cast<std::size_t>(len), 12);
  } else {
    append_real(out, std::get<float>(it));
  }
}

}  // namespace

std::vector<std::string> list_format(const std::vector<Item>& items) {
  std::vector<std::string> lines;
  std::string cur;
  bool after_number = false;
  auto new_line = [&] {
    lines.push_back(std::move(cur));
    cur.clear();
    after_number = false;
  };
  for (const Item& it : items) {
    if (const auto* s = std::get_if<std::string_view>(&it)) {
      // A text item needs a blank at the start of a line or after a number.
      std::size_t sep = (cur.empty() || after_number) ? 1 : 0;
      if (!cur.empty() && cur.size() + sep + s->size() > kLineWidth) {
        new_line();
        sep = 1;
      }
      if (cur.empty() && s->size() > kLineWidth - 1) {
        // Too long for any line: pieces of 79 characters, each on its own
        // line after a blank; the last piece stays the line in progress.
        std::string_view rest = *s;
        while (rest.size() > kLineWidth - 1) {
          cur.push_back(' ');
          cur.append(rest.substr(0, kLineWidth - 1));
          rest.remove_prefix(kLineWidth - 1);
          new_line();
        }
        cur.push_back(' ');
        cur.append(rest);
      } else {
        cur.append(sep, ' ');
        cur.append(*s);
      }
      after_number = false;
    } else {
      std::size_t w = std::holds_alternative<std::int32_t>(it) ? 12 : 15;
      if (!cur.empty() && cur.size() + w > kLineWidth) new_line();
      append_number(cur, it);
      after_number = true;
    }
  }
  lines.push_back(std::move(cur));
  return lines;
}

namespace {

bool is_sep(char c) { return c == ' ' || c == '\t' || c == ',' || c == '/'; }

// Finds the value of one item: kOk with the value in `value`, or the
// outcome when there is none. A count and an asterisk before the value
// ("2*3.5") are dropped; a count and an asterisk alone leave the item
// unchanged. A quoted text value is returned with the rest of the text
// from its opening mark on.
ListStatus locate(std::string_view text, std::string_view& value, bool text_item) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i == text.size()) return ListStatus::kEnd;
  if (text[i] == ',' || text[i] == '/') return ListStatus::kUnchanged;
  std::size_t j = i;
  std::size_t star = std::string_view::npos;  // the first '*' of the value
  for (; j < text.size() && !is_sep(text[j]); ++j)
    if (text[j] == '*' && star == std::string_view::npos) star = j;
  if (star != std::string_view::npos && star > i) {
    std::string_view count = text.substr(i, star - i);
    if (count.find_first_not_of("0123456789") == std::string_view::npos &&
        count.find_first_not_of('0') != std::string_view::npos) {
      i = star + 1;
      if (i == j) return ListStatus::kUnchanged;
    }
  }
  if (text_item && (text[i] == '\'' || text[i] == '"')) {
    value = text.substr(i);
    return ListStatus::kOk;
  }
  value = text.substr(i, j - i);
  return ListStatus::kOk;
}

}  // namespace

ListStatus list_read_int(std::string_view text, std::int32_t& out) {
  std::string_view v;
  ListStatus st = locate(text, v, false);
  if (st != ListStatus::kOk) return st;
  std::int32_t r = 0;
  if (!detail::parse_int(v, r)) return ListStatus::kFail;
  out = r;
  return ListStatus::kOk;
}

ListStatus list_read_real(std::string_view text, float& out) {
  // Most values are plain decimals right after the blanks, up to a blank or
  // the end: they need neither the search for a repeat count nor a second
  // look at their characters.
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  float plain = 0.0f;
  const std::size_t n = detail::read_plain_decimal(text.substr(i), 0, plain);
  if (n > 0 && (i + n == text.size() || is_sep(text[i + n]))) {
    out = plain;
    return ListStatus::kOk;
  }

  std::string_view v;
  ListStatus st = locate(text, v, false);
  if (st != ListStatus::kOk) return st;
  float r = 0.0f;
  if (!detail::parse_real(v, true, 0, r)) return ListStatus::kFail;
  out = r;
  return ListStatus::kOk;
}

ListStatus list_read_text(std::string_view text, std::size_t w, std::string& out) {
  std::string_view v;
  ListStatus st = locate(text, v, true);
  if (st != ListStatus::kOk) return st;
  std::string value;
  if (!v.empty() && (v[0] == '\'' || v[0] == '"')) {
    // Runs to the matching mark; a doubled mark stands for one.
    char q = v[0];
    for (std::size_t k = 1; k < v.size(); ++k) {
      if (v[k] == q) {
        if (k + 1 < v.size() && v[k + 1] == q) {
          value.push_back(q);
          ++k;
          continue;
        }
        break;
      }
      value.push_back(v[k]);
    }
  } else {
    value.assign(v);
  }
  out = fit(value, w);
  return ListStatus::kOk;
}

}  // namespace torven
