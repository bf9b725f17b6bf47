#include "common/text.h"

#include <algorithm>

namespace torven {

bool text_eq(std::string_view a, std::string_view b) {
  const std::string_view& shorter = a.size() <= b.size() ? a : b;
  const std::string_view& longer = a.size() <= b.size() ? b : a;
  if (longer.compare(0, shorter.size(), shorter) != 0) return false;
  for (std::size_t i = shorter.size(); i < longer.size(); ++i)
    if (longer[i] != ' ') return false;
  return true;
}

int trimmed_length(std::string_view s) {
  std::size_t k = s.find_last_not_of(' ');
  return k == std::string_view::npos ? 0 : static_cast<int>(k) + 1;
}

std::string left_adjust(std::string_view s) {
  std::size_t k = s.find_first_not_of(' ');
  if (k == std::string_view::npos) return std::string(s.size(), ' ');
  std::string r(s.substr(k));
  r.append(k, ' ');
  return r;
}

std::string fit(std::string_view s, std::size_t n) {
  std::string r(s.substr(0, std::min(n, s.size())));
  r.resize(n, ' ');
  return r;
}

std::string trim_name(std::string_view name) { return std::string(trimmed_name(name)); }

std::string_view trimmed_name(std::string_view name) {
  const std::size_t b = name.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  const std::size_t e = name.find_last_not_of(' ');
  return name.substr(b, e - b + 1);
}

void right_justify(Text<3>& name) {
  for (int shift = 0; shift < 2 && name.at(3) == ' '; ++shift) {
    name.at(3) = name.at(2);
    name.at(2) = name.at(1);
    name.at(1) = ' ';
  }
}

}  // namespace torven
