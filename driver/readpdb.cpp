// The reading stage: the atom store's initial state, the choice between the
// mmCIF and the PDB reader, the PDB reader itself and the .out header lines.
#include <string>
#include <vector>

#include "common/files.h"
#include "common/layout.h"
#include "common/tables.h"
#include "driver/stages.h"
#include "driver/state.h"

namespace torven {

namespace {

constexpr std::size_t kRecordWidth = 80;
constexpr std::size_t kMaxTitleRecords = 50;

bool starts_with(std::string_view record, std::string_view prefix) {
  return record.substr(0, prefix.size()) == prefix;
}

// The next record of the input as an 80-column buffer; false at the end.
bool next_record(std::string& line, std::string& record) {
  if (!files.input.read_line(line)) return false;
  record = fit(line, kRecordWidth);
  return true;
}

[[noreturn]] void bad_field(std::string_view what, std::string_view text) {
  fail(files.input.name(), files.input.line_number(),
       std::string(what) + " is not a number: \"" + std::string(text) + "\"");
}

void read_int(std::string_view record, std::size_t first, std::size_t width,
              std::string_view what, std::int32_t& out) {
  const std::string_view field = record.substr(first - 1, width);
  if (!read_int_field(field, out)) bad_field(what, field);
}

void read_real(std::string_view record, std::size_t first, std::size_t width, int decimals,
               std::string_view what, float& out) {
  const std::string_view field = record.substr(first - 1, width);
  if (!read_real_field(field, decimals, out)) bad_field(what, field);
}

// One selected atom record, columns as in the PDB format; the alternate
// location column 17 and everything after column 60 are not read.
void store_atom_record(const std::string& LINE) {
  Text<4> ATMNAM(std::string_view(LINE).substr(12, 4));
  Text<3> RESN(std::string_view(LINE).substr(17, 3));
  const char CHAN = LINE[21];
  std::int32_t RESNO = 0;
  read_int(LINE, 23, 4, "residue number (columns 23-26)", RESNO);
  const char POSINS = LINE[26];
  float x = 0.0f, y = 0.0f, z = 0.0f, OCC = 0.0f;
  read_real(LINE, 31, 8, 3, "x coordinate (columns 31-38)", x);
  read_real(LINE, 39, 8, 3, "y coordinate (columns 39-46)", y);
  read_real(LINE, 47, 8, 3, "z coordinate (columns 47-54)", z);
  read_real(LINE, 57, 4, 2, "occupancy (columns 57-60)", OCC);

  // Alternates are judged by column 16: 'A' is kept under the plain name,
  // a 'B' record is shown and left to the store's occupancy test.
  if (ATMNAM.at(4) == 'A') ATMNAM.at(4) = ' ';
  if (ATMNAM.at(4) == 'B') stdout_list({std::string_view(LINE)});

  for (int shift = 0; shift < 2 && RESN.at(3) == ' '; ++shift) {
    RESN.at(3) = RESN.at(2);
    RESN.at(2) = RESN.at(1);
    RESN.at(1) = ' ';
  }
  const Text<4> CHAN2(std::string(1, CHAN));
  hypothesis(ATMNAM, RESN, CHAN2, RESNO, POSINS, x, y, z, OCC, state.NPOORAT, '?');
}

bool all_blank(const Text<4>& t) {
  for (char c : t.c) {
    if (c != ' ') return false;
  }
  return true;
}

}  // namespace

void reading_initialisation() {
  delta.NextAtom = 1;
  delta.LastResNumber = -9999;
  deltad.LastInsCode = ' ';
  beta.ResidueCount = 0;
  beta.ResFirstAtom[1] = 1;
}

void reading_dispatch() {
  reading_initialisation();
  std::int32_t FOUND = 0;
  const bool cif = driver.CifFlag == 1.0;
  if (cif) readcif(state.NPOORAT, FOUND);
  if (driver.CifFlag == 0.0 || (cif && FOUND == 0)) readpdb();
}

void HeaderFileLine() {
  // The _structure.csv name without ".csv".
  std::string name = trim_name(state.FILENM);
  if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".csv") == 0) {
    name.resize(name.size() - 4);
  }
  static const Layout kLayout(
      "('#HEADER   Base Pairing/Triplet Scheme for Structure',' File',A20)");
  files.out.write(kLayout, {std::string_view(name)});
}

void HeaderProgramLine() {
  static const Layout kLayout("('#HEADER   Program TORVEN run with the following options:')");
  files.out.write(kLayout, {});
}

void HeaderCutoffLine() {
  static const Layout kLayout(
      "('#HEADER   Distance cutoff: ',F3.1,'   Angle cutoff: ',F5.1,"
      "'   E-value cutoff: ',F3.1)");
  files.out.write(kLayout, {driver.HbDist, options.CutAngle, options.CutEnergy});
}

void HeaderNmrLine() {
  // Only NMR runs name their model.
  if (driver.NmrFlag != 1) return;
  static const Layout kLayout("('#HEADER   Results for NMR model no.',I6)");
  files.out.write(kLayout, {options.ModelNumber});
}

void readpdb() {
  std::string line, record;

  // Title scan: up to 50 title records before the first atom record. The
  // end of the file ends the scan.
  std::vector<std::string> TTL;
  files.input.rewind();
  while (TTL.size() < kMaxTitleRecords && next_record(line, record)) {
    if (starts_with(record, "ATOM")) break;
    if (starts_with(record, "HEADER") || starts_with(record, "COMPND") ||
        starts_with(record, "AUTHOR") || starts_with(record, "JRNL")) {
      TTL.push_back(record);
    }
  }
  files.input.rewind();
  for (const std::string& title : TTL) {
    const std::string echo = "#" + title;
    files.out.write_line(echo);
    files.cor.write_line(echo);
  }

  HeaderFileLine();
  HeaderProgramLine();
  HeaderCutoffLine();
  HeaderNmrLine();

  // Record loop. Under -NMR nothing counts until the MODEL record of the
  // selected model; otherwise reading runs from the first record to the
  // first ENDMDL.
  bool model_started = driver.NmrFlag != 1;
  const bool all_chains = all_blank(cum.MolId);
  while (next_record(line, record)) {
    if (!model_started) {
      if (starts_with(record, "MODEL")) {
        std::int32_t MODELNO = 0;
        read_int(record, 9, 8, "MODEL number (columns 9-16)", MODELNO);
        model_started = MODELNO == options.ModelNumber;
      }
      continue;
    }
    const bool atom = starts_with(record, "ATOM") ||
                      (options.HetatmFlag == 1 && starts_with(record, "HETATM"));
    if (atom) {
      const Text<4> chain(std::string(1, record[21]));
      if (all_chains || chain.c == cum.MolId.c) store_atom_record(record);
    } else if (starts_with(record, "ENDMDL")) {
      return;
    }
  }
}

}  // namespace torven
