// The dot-bracket string and the .dbn file.
#include <array>
#include <string>

#include "common/layout.h"
#include "common/tables.h"
#include "helix/helix_stage.h"

namespace torven::helix {

namespace {

// Counts of one symbol over positions 1..n, with point updates and range
// sums, so that the bracket counts over a pair's span cost log n rather
// than the span's length.
class SymbolCounts {
 public:
  explicit SymbolCounts(std::size_t n) : tree_(n + 1, 0) {}
  void add(std::size_t pos, int delta) {
    for (; pos < tree_.size(); pos += pos & (~pos + 1)) tree_[pos] += delta;
  }
  std::int64_t range(std::size_t a, std::size_t b) const { return prefix(b) - prefix(a - 1); }

 private:
  std::int64_t prefix(std::size_t pos) const {
    std::int64_t s = 0;
    for (; pos > 0; pos -= pos & (~pos + 1)) s += tree_[pos];
    return s;
  }
  std::vector<std::int32_t> tree_;
};

constexpr std::array<char, 6> kSymbols = {'(', ')', '[', ']', '{', '}'};

// Sequence or dot-bracket line over all chains, '&' between two chains.
// Residues beyond the lines read back show 'N' and '.'.
template <class Symbol>
std::string chain_line(const HelixStage& stage, Symbol symbol) {
  std::string s;
  for (std::size_t c = 0; c < stage.chains.size(); ++c) {
    if (c > 0) s += '&';
    for (std::int32_t k = stage.chains[c].first; k <= stage.chains[c].last; ++k) s += symbol(k);
  }
  return s;
}

// A line of the (20000A1) layout: records of 20000 characters, the last one
// shorter; an empty line is one empty record.
void write_long_line(OutputFile& f, const std::string& s) {
  constexpr std::size_t kWidth = 20000;
  if (s.empty()) {
    f.write_line("");
    return;
  }
  for (std::size_t a = 0; a < s.size(); a += kWidth) f.write_line(std::string_view(s).substr(a, kWidth));
}

}  // namespace

void build_dot_bracket(HelixStage& stage) {
  const std::int32_t nts = stage.nts();
  stage.STRDBN.assign(static_cast<std::size_t>(nts), '.');
  std::array<SymbolCounts, kSymbols.size()> counts{
      SymbolCounts(nts), SymbolCounts(nts), SymbolCounts(nts),
      SymbolCounts(nts), SymbolCounts(nts), SymbolCounts(nts)};
  auto set = [&](std::int32_t pos, char symbol) {
    char& cell = stage.STRDBN[static_cast<std::size_t>(pos - 1)];
    for (std::size_t s = 0; s < kSymbols.size(); ++s) {
      if (cell == kSymbols[s]) counts[s].add(static_cast<std::size_t>(pos), -1);
      if (symbol == kSymbols[s]) counts[s].add(static_cast<std::size_t>(pos), 1);
    }
    cell = symbol;
  };
  auto count = [&](std::size_t s, std::int32_t i, std::int32_t j) {
    return counts[s].range(static_cast<std::size_t>(i), static_cast<std::size_t>(j));
  };

  for (std::int32_t i = 1; i <= nts; ++i) {
    const std::int32_t j = stage.p(i);
    // A partner outside 1..nts has no first partner of its own.
    if (j == 0 || j > nts || j <= i || stage.p(j) != i) continue;
    if (stage.STRDBN[static_cast<std::size_t>(i - 1)] == ')') continue;
    std::size_t level = 2;  // curly brackets when the two lower levels cross
    if (count(0, i, j) >= count(1, i, j)) {
      level = 0;
    } else if (count(2, i, j) >= count(3, i, j)) {
      level = 1;
    }
    set(i, kSymbols[2 * level]);
    set(j, kSymbols[2 * level + 1]);
  }
}

void write_dbn(const HelixStage& stage, const std::string& name, OutputFile& dbn) {
  static const Layout header("('>',A,' nts=',I5,' Created by TORVEN')");
  dbn.write(header, {std::string_view(name), stage.nts()});
  const std::int32_t nts = stage.nts();
  write_long_line(dbn, chain_line(stage, [&](std::int32_t k) {
                    return k <= nts ? stage.line(k).BASE1 : 'N';
                  }));
  write_long_line(dbn, chain_line(stage, [&](std::int32_t k) {
                    const auto pos = static_cast<std::size_t>(k);
                    return pos <= stage.STRDBN.size() ? stage.STRDBN[pos - 1] : '.';
                  }));
}

}  // namespace torven::helix
