// The atom store: every atom a reader accepts passes through hypothesis(),
// which filters poorly defined atoms and unrecognised residues, appends the
// rest to the atom table and keeps the residue table in step.
#include <cstring>

#include "common/layout.h"
#include "common/run_files.h"
#include "common/tables.h"
#include "driver/stages.h"

namespace torven {

namespace {

bool same3(const Text<3>& a, const char* b) { return std::memcmp(a.c.data(), b, 3) == 0; }
bool same3(const Text<3>& a, const Text<3>& b) { return a.c == b.c; }

// The base type of a residue name. Every test is made and the last match
// wins, so a name on several lists takes the last list's type, and the names
// known without a list win over the lists.
std::int32_t classify(const Text<3>& RESNAM) {
  std::int32_t res_type = kNone;
  for (int list = 1; list <= 4; ++list) {
    const std::vector<Text<3>>& list_names = basenms.VariantNames[list];
    const std::int32_t count = beta.VariantCount[list];
    for (std::int32_t k = 1; k <= count && k < static_cast<std::int32_t>(list_names.size()); ++k) {
      if (same3(RESNAM, list_names[static_cast<std::size_t>(k)])) res_type = list;
    }
  }
  if (same3(RESNAM, "N6G")) res_type = kN6G;
  if (same3(RESNAM, "PSU") || same3(RESNAM, "FHU")) res_type = kPSU;
  if (same3(RESNAM, "QUO")) res_type = kQUO;
  return res_type;
}

}  // namespace

std::int32_t residue_type_of(const Text<3>& RESNAM) {
  // Atoms come residue by residue, so the same few names are asked again
  // and again: each is classified once per loading of the lists.
  std::uint32_t key = 0;
  std::memcpy(&key, RESNAM.c.data(), 3);
  return basenms.TypeOfName.get(key, [&RESNAM] { return classify(RESNAM); });
}

void hypothesis(Run& run, const Text<4>& atom_name, Text<3>& RESNAM, const Text<4>& chain,
                std::int32_t RESNO, char ins_code, float x, float y, float z, float OCC,
                std::int32_t& NPOORAT, char INSC) {
  Column<char>& POS = run.store.POS;
  right_justify(RESNAM);

  // Well defined: occupancy exactly 0, or at least one half and not a 'B'
  // alternate. The comparison is made in double precision.
  const double occ = OCC;
  if (!(occ == 0.0 || (occ >= 0.5 && atom_name.at(4) != 'B'))) {
    ++NPOORAT;
    return;
  }

  const std::int32_t res_type = residue_type_of(RESNAM);
  static const char* const kClass[8] = {nullptr, "  A", "  G", "  C", "  U", "N6G", "PSU", "QUO"};
  const char* const base_class = kClass[res_type];

  if (base_class == nullptr) {
    // An unrecognised residue is reported once, by its C1' atom.
    if (std::memcmp(atom_name.c.data(), " C1'", 4) == 0) {
      static const Layout kModres("('#MODRES',3X,I5,2X,A3,2X,A4)");
      run.files.out.write(kModres, {RESNO, RESNAM.view(), chain.view()});
    }
    return;
  }

  const std::int32_t c = delta.NextAtom;
  names.AtomName[c] = atom_name;
  names.AtomResName[c] = RESNAM;
  chains.AtomChainId[c] = chain;
  beta.AtomResNumber[c] = RESNO;
  POS[c] = ins_code;
  beta.AtomInsCode[c] = INSC;
  alpha.AtomX[c] = x;
  alpha.AtomY[c] = y;
  alpha.AtomZ[c] = z;
  occur.AtomOccupancy[c] = OCC;
  residue.AtomBaseClass[c] = base_class;
  gama.AtomResType[c] = res_type;

  // A residue is a run of atoms with the same number and insertion codes;
  // the chain and the residue name are not compared.
  const bool continues = beta.ResidueCount > 0 && RESNO == delta.LastResNumber &&
                         POS.get(c) == deltad.LastInsCode &&
                         beta.AtomInsCode.get(c) == deltad.LastInsCode2;
  if (!continues) {
    const std::int32_t r = ++beta.ResidueCount;
    delta.LastResNumber = RESNO;
    beta.ResFirstAtom[r] = c;
    deltad.LastInsCode = POS.get(c);
    deltad.LastInsCode2 = beta.AtomInsCode.get(c);
    run.store.CHAINID = chains.AtomChainId.get(c);
    num.ResNumber(1)[r] = RESNO;
    cum.ResChainId(1)[r] = run.store.CHAINID;
  }
  beta.ResLastAtom[beta.ResidueCount] = c;
  delta.NextAtom = c + 1;
}

}  // namespace torven
