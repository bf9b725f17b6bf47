// Stacked segments, helices, hairpin loops, bulges and the .hlx file.
#include <algorithm>

#include "common/layout.h"
#include "common/tables.h"
#include "helix/helix_stage.h"

namespace torven::helix {

namespace {

// Structure codes are only changed for residues that exist: a serial read
// from a damaged report never grows the table or reaches outside it.
void set_code(std::int64_t r, char code) {
  if (r >= 1 && r <= beta.ResidueCount) str.StructureCode[r] = code;
}
char code_of(std::int64_t r) { return r >= 1 ? str.StructureCode.get(r) : '\0'; }

// Every record of .hlx: a pair line, or the 0 that ends a list of lines.
const Layout kHlxLayout("(I5,1X,I5,A4,1X,A1,1X,2A1)");

// One pair line of .hlx, then the helix marking of its two residues.
void write_pair_line(const HelixStage& stage, std::int32_t r, OutputFile& hlx) {
  const HelixLine& l = stage.line(r);
  const std::string_view bpair = l.BPAIR.view();
  hlx.write(kHlxLayout, {l.IRES1, l.IRES2, bpair.substr(0, 4), bpair.substr(4, 1), ch(l.BASE1),
                         ch(l.BASE2)});
  const char a = code_of(l.IRES1);
  const char b = code_of(l.IRES2);
  if (a == 'N' || b == 'N') return;
  if (a != 'T') set_code(l.IRES1, 'H');
  if (b != 'T') set_code(l.IRES2, 'H');
}

// The lines first..last of a segment or helix (serials used as line
// numbers), kept within the lines that were read back.
void write_span(const HelixStage& stage, const Span& s, OutputFile& hlx) {
  const std::int32_t a = std::max(s.first, 1);
  const std::int32_t b = std::min(s.last, stage.nts());
  for (std::int32_t r = a; r <= b; ++r) write_pair_line(stage, r, hlx);
}

void write_end(OutputFile& hlx) { hlx.write(kHlxLayout, {std::int32_t{0}}); }

}  // namespace

void find_stacked_segments(HelixStage& stage) {
  stage.NRSTK.clear();
  const std::int32_t nts = stage.nts();
  // The last window ends at line nts - 1.
  for (std::int32_t t = 1; t <= nts - 6; ++t) {
    bool nonzero = true;
    for (std::int32_t r = t; r <= t + 5; ++r) nonzero = nonzero && stage.p(r) != 0;
    if (!nonzero) continue;
    const auto p = [&](std::int32_t r) { return static_cast<std::int64_t>(stage.p(r)); };
    if (p(t + 1) != p(t) - 1 || p(t + 2) != p(t + 1) - 1 || p(t + 4) != p(t + 3) - 1 ||
        p(t + 5) != p(t + 4) - 1 || p(t + 3) == p(t + 2) - 1) {
      continue;
    }
    Span s;
    s.first = stage.ires1(t);
    for (std::int32_t r = t - 1; r >= 1 && p(r) != 0 && p(r) == p(r + 1) + 1; --r) {
      s.first = stage.ires1(r);
    }
    s.last = stage.ires1(t + 5);
    for (std::int32_t r = t + 6; r <= nts && p(r) != 0 && p(r) == p(r - 1) - 1; ++r) {
      s.last = stage.ires1(r);
    }
    stage.NRSTK.push_back(s);
  }
}

void find_helices(HelixStage& stage) {
  stage.NDOUB.clear();
  const std::int32_t nts = stage.nts();
  const auto p = [&](std::int64_t r) { return static_cast<std::int64_t>(stage.p(r)); };
  std::int32_t t = 1;
  while (t <= nts - 3) {
    if (p(t) == 0 || p(t + 1) == 0 || p(t + 2) == 0 || p(t) <= stage.ires1(t) ||
        p(t + 1) != p(t) - 1 || p(t + 2) != p(t + 1) - 1) {
      ++t;
      continue;
    }
    Span h;
    h.first = stage.ires1(t);
    std::int32_t e = t + 2;
    while (e + 1 <= nts && p(e + 1) != 0 && p(e + 1) == p(e) - 1) ++e;
    h.last = stage.ires1(e);
    // Hairpin loop of 2 to 5 unpaired residues closed by the helix's last pair.
    for (std::int32_t L = 2; L <= 5; ++L) {
      if (static_cast<std::int64_t>(e) + L + 1 > nts) break;
      if (p(e) != stage.ires1(e + L + 1)) continue;
      bool unpaired = true;
      for (std::int32_t m = 1; m <= L; ++m) unpaired = unpaired && p(e + m) == 0;
      if (!unpaired) continue;
      for (std::int32_t m = 1; m <= L; ++m) set_code(stage.ires1(e + m), 'L');
      break;
    }
    stage.NDOUB.push_back(h);
    t = e + 1;
  }
}

void write_hlx(const HelixStage& stage, OutputFile& hlx) {
  for (const Span& s : stage.NRSTK) {
    write_span(stage, s, hlx);
    write_end(hlx);
  }
  write_end(hlx);

  const std::size_t n = stage.NDOUB.size();
  for (std::size_t k = 0; k < n; ++k) {
    write_span(stage, stage.NDOUB[k], hlx);
    if (k + 1 < n) {
      const std::int64_t e = stage.NDOUB[k].last;
      const std::int64_t s = stage.NDOUB[k + 1].first;
      if (s - e <= 5 && static_cast<std::int64_t>(stage.p(s)) == stage.p(e) - std::int64_t{1}) {
        for (std::int64_t r = e + 1; r <= s - 1; ++r) set_code(r, 'B');
      }
    }
    write_end(hlx);
  }
}

}  // namespace torven::helix
