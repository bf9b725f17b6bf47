// Chains, _structure.csv and .dat.
#include <string>

#include "common/layout.h"
#include "common/tables.h"
#include "helix/helix_stage.h"

namespace torven::helix {

namespace {

Text<4> chain_of(std::int32_t r) { return cum.ResChainId(1).get(r); }

// The chain field of _structure.csv: the identifier before its first blank;
// an identifier of four non-blank characters is printed whole.
std::string chain_field(const Text<4>& name) {
  std::string s;
  for (char c : name.c) {
    if (c == ' ') break;
    s += c;
  }
  return s;
}

}  // namespace

bool split_chains(HelixStage& stage) {
  stage.chains.clear();
  const std::int32_t n = beta.ResidueCount;
  Chain c;
  c.first = 1;
  // Without residues the one chain is empty and carries a blank name.
  c.name = n >= 1 ? chain_of(1) : Text<4>("    ");
  for (std::int32_t i = 1; i <= n - 1; ++i) {
    if (chain_of(i + 1).c == chain_of(i).c) continue;
    c.last = i;
    stage.chains.push_back(c);
    if (stage.chains.size() == kMaxChains) return false;
    c.first = i + 1;
    c.name = chain_of(i + 1);
  }
  c.last = n;
  stage.chains.push_back(c);
  return true;
}

void write_chains(const HelixStage& stage, std::string_view record_id,
                  std::int32_t ModelNumber, const std::string& name,
                  OutputFile& structure, OutputFile& dat) {
  static const Layout header("('>',A,':',A,A,' Created by TORVEN')");
  std::string model = std::to_string(ModelNumber);
  model.resize(15, ' ');
  const std::string_view comma(",");

  for (const Chain& c : stage.chains) {
    const std::string chain = chain_field(c.name);
    for (std::int32_t k = c.first; k <= c.last; ++k) {
      const HelixLine& l = stage.line(k);
      // A residue beyond the lines read back keeps its own serial and number.
      const bool read = k <= stage.nts();
      const std::string serial = std::to_string(read ? l.IRES1 : k);
      const std::string number = std::to_string(read ? l.NPDBRES : num.ResNumber(1).get(k));
      const char base = read ? l.BASE1 : 'N';
      const char ins = beta.AtomInsCode.get(beta.ResFirstAtom.get(k));
      const char code = str.StructureCode.get(k);
      structure.write_list({record_id, comma, std::string_view(serial), comma,
                            std::string_view(number), comma, ch(base), comma, ch(ins), comma,
                            std::string_view(chain), comma, ch(code)});
    }
    dat.write(header, {std::string_view(name), c.name.view(), std::string_view(model)});
    constexpr std::int32_t kPerRecord = 70;
    std::string codes;
    for (std::int32_t k = c.first; k <= c.last; ++k) codes += str.StructureCode.get(k);
    if (codes.empty()) dat.write_line("");
    for (std::size_t a = 0; a < codes.size(); a += kPerRecord) {
      dat.write_line(std::string_view(codes).substr(a, kPerRecord));
    }
  }
}

}  // namespace torven::helix
