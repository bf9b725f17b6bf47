// Cleaning: atom names normalised for the pairing rules, incomplete
// residues dropped, the residue counts and .cor written.
#include <array>
#include <cstring>
#include <string>

#include "common/layout.h"
#include "common/output_file.h"
#include "common/tables.h"
#include "driver/stages.h"

namespace torven {

namespace {

// The base-ring atoms; a residue needs six of them and a C1' atom.
constexpr std::array<const char*, 9> kRingAtoms = {"N1  ", "C2  ", "N3  ", "C4  ", "C5  ",
                                                   "C6  ", "N7  ", "C8  ", "N9  "};
constexpr int kMinRingAtoms = 6;

bool same4(const Text<4>& a, const char* b) { return std::memcmp(a.c.data(), b, 4) == 0; }

// Leading blanks removed (at most two) and a primed third character
// written as '*': " C1'" becomes "C1* ".
void normalise_atom_name(Text<4>& name) {
  for (int shift = 0; shift < 2 && name.at(1) == ' '; ++shift) {
    name.at(1) = name.at(2);
    name.at(2) = name.at(3);
    name.at(3) = name.at(4);
    name.at(4) = ' ';
  }
  if (name.at(3) == '\'') name.at(3) = '*';
}

// Atom j repeats atom j-1 (name, residue name and coordinates).
bool duplicate_atom(std::int32_t j) {
  if (j < 2) return false;
  return names.AtomName.get(j).c == names.AtomName.get(j - 1).c &&
         names.AtomResName.get(j).c == names.AtomResName.get(j - 1).c &&
         alpha.AtomX.get(j) == alpha.AtomX.get(j - 1) &&
         alpha.AtomY.get(j) == alpha.AtomY.get(j - 1) &&
         alpha.AtomZ.get(j) == alpha.AtomZ.get(j - 1);
}

}  // namespace

void cleanpdb(Run& run) {
  OutputFile& out = run.files.out;
  OutputFile& cor = run.files.cor;
  static const Layout kPoorly("('#==========Number of POORLY defined atoms:',I5,' ==========')");
  static const Layout kOriginal("('#HEADER   Original number of residues in structure ','file: ',I6)");
  static const Layout kCleaned("('#HEADER   Cleaned number of residues: ',I6)");

  if (run.NPOORAT > 1) out.write(kPoorly, {run.NPOORAT});

  const std::int32_t N = beta.ResidueCount;
  for (std::int32_t i = 1; i <= N; ++i) {
    num.ResNumber(2)[i] = num.ResNumber(1).get(i);
    cum.ResChainId(2)[i] = cum.ResChainId(1).get(i);
  }

  // Residues are kept in order; a dropped one makes room for the next.
  std::int32_t n = 0;
  for (std::int32_t i = 1; i <= N; ++i) {
    const std::int32_t first = beta.ResFirstAtom.get(i);
    const std::int32_t last = beta.ResLastAtom.get(i);
    int ring_atoms = 0;
    bool has_c1 = false;
    for (std::int32_t j = first; j <= last; ++j) {
      Text<4>& name = names.AtomName[j];
      normalise_atom_name(name);
      for (const char* ring : kRingAtoms) {
        if (same4(name, ring)) ++ring_atoms;
      }
      if (same4(name, "C1* ")) has_c1 = true;
    }
    if (ring_atoms < kMinRingAtoms || !has_c1) continue;
    ++n;
    if (n != i) {
      beta.ResFirstAtom[n] = first;
      beta.ResLastAtom[n] = last;
      num.ResNumber(2)[n] = num.ResNumber(2).get(i);
      cum.ResChainId(2)[n] = cum.ResChainId(2).get(i);
    }
  }

  out.write(kOriginal, {N});
  out.write(kCleaned, {n});
  beta.ResidueCount = n;

  // The coordinates of the kept residues; a repeated atom ends the file.
  bool ended = false;
  std::string record;
  for (std::int32_t i = 1; i <= n && !ended; ++i) {
    const std::int32_t last = beta.ResLastAtom.get(i);
    for (std::int32_t j = beta.ResFirstAtom.get(i); j <= last; ++j) {
      if (duplicate_atom(j)) {
        cor.write_line("END");
        ended = true;
        break;
      }
      // ('ATOM',1X,I6,2X,A4,A3,I6,4X,3F8.3,2X,F4.2), built field by field:
      // there is one such record per atom.
      record.assign("ATOM ");
      put_int(record, j, 6);
      record.append(2, ' ');
      put_text(record, names.AtomName.cref(j).view(), 4);
      put_text(record, names.AtomResName.cref(j).view(), 3);
      put_int(record, i, 6);
      record.append(4, ' ');
      put_real(record, alpha.AtomX.get(j), 8, 3);
      put_real(record, alpha.AtomY.get(j), 8, 3);
      put_real(record, alpha.AtomZ.get(j), 8, 3);
      record.append(2, ' ');
      put_real(record, occur.AtomOccupancy.get(j), 4, 2);
      cor.write_line(record);
    }
  }

  for (std::int32_t i = 1; i <= n; ++i) {
    num.ResNumber(1)[i] = num.ResNumber(2).get(i);
    cum.ResChainId(1)[i] = cum.ResChainId(2).get(i);
  }

  if (!ended) cor.write_line("END");
  cor.close();
}

}  // namespace torven
