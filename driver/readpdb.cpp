// The reading stage: the atom store's initial state, the choice between the
// mmCIF and the PDB reader, and the PDB reader itself.
#include <string>
#include <vector>

#include "common/input_file.h"
#include "common/layout.h"
#include "common/output_file.h"
#include "common/stops.h"
#include "common/tables.h"
#include "driver/stages.h"
#include "driver/readcif.h"

namespace torven {

namespace {

constexpr std::size_t kRecordWidth = 80;
constexpr std::size_t kMaxTitleRecords = 50;

// The next record of the input as an 80-column buffer; false at the end.
bool next_record(InputFile& input, std::string& line, std::string& record) {
  if (!input.read_line(line)) return false;
  record = fit(line, kRecordWidth);
  return true;
}

[[noreturn]] void bad_field(const InputFile& input, std::string_view what,
                            std::string_view text) {
  fail(input.name(), input.line_number(),
       std::string(what) + " is not a number: \"" + std::string(text) + "\"");
}

void read_int(const InputFile& input, std::string_view record, std::size_t first,
              std::size_t width, std::string_view what, std::int32_t& out) {
  const std::string_view field = record.substr(first - 1, width);
  if (!read_int_field(field, out)) bad_field(input, what, field);
}

void read_real(const InputFile& input, std::string_view record, std::size_t first,
               std::size_t width, int decimals, std::string_view what, float& out) {
  const std::string_view field = record.substr(first - 1, width);
  if (!read_real_field(field, decimals, out)) bad_field(input, what, field);
}

// One selected atom record, columns as in the PDB format; the alternate
// location column 17 and everything after column 60 are not read.
void store_atom_record(Run& run, const std::string& LINE) {
  const InputFile& in = run.files.input;
  Text<4> ATMNAM(std::string_view(LINE).substr(12, 4));
  Text<3> RESN(std::string_view(LINE).substr(17, 3));
  const char CHAN = LINE[21];
  std::int32_t RESNO = 0;
  read_int(in, LINE, 23, 4, "residue number (columns 23-26)", RESNO);
  const char POSINS = LINE[26];
  float x = 0.0f, y = 0.0f, z = 0.0f, OCC = 0.0f;
  read_real(in, LINE, 31, 8, 3, "x coordinate (columns 31-38)", x);
  read_real(in, LINE, 39, 8, 3, "y coordinate (columns 39-46)", y);
  read_real(in, LINE, 47, 8, 3, "z coordinate (columns 47-54)", z);
  read_real(in, LINE, 57, 4, 2, "occupancy (columns 57-60)", OCC);

  // Alternates are judged by column 16: 'A' is kept under the plain name,
  // a 'B' record is shown and left to the store's occupancy test.
  if (ATMNAM.at(4) == 'A') ATMNAM.at(4) = ' ';
  if (ATMNAM.at(4) == 'B') stdout_list({std::string_view(LINE)});

  right_justify(RESN);
  const Text<4> CHAN2(std::string(1, CHAN));
  hypothesis(run, ATMNAM, RESN, CHAN2, RESNO, POSINS, x, y, z, OCC, run.NPOORAT, '?');
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

void reading_dispatch(Run& run) {
  reading_initialisation();
  std::int32_t FOUND = 0;
  const bool cif = driver.CifFlag == 1.0;
  bool cif_loop = false;
  if (cif) {
    cif_loop = readcif(
        run,
        [&run](const Text<4>& atom_name, Text<3>& RESNAM, const Text<4>& chain,
               std::int32_t RESNO, char ins_code, float x, float y, float z, float OCC,
               std::int32_t& NPOORAT, char INSC) {
          hypothesis(run, atom_name, RESNAM, chain, RESNO, ins_code, x, y, z, OCC, NPOORAT,
                     INSC);
        },
        run.NPOORAT, FOUND);
  }
  if (cif && FOUND == 1) return;
  try {
    readpdb(run);
  } catch (Failure& failure) {
    // A file read as PDB after the mmCIF pass says why it was read so.
    if (cif && failure.file == run.files.input.name()) {
      failure.what += "; read as PDB because ";
      failure.what += cif_loop ? "the mmCIF _atom_site loop held no usable row of model " +
                                     std::to_string(options.ModelNumber)
                               : std::string("the file has no mmCIF _atom_site loop");
    }
    throw;
  }
}

void readpdb(Run& run) {
  InputFile& input = run.files.input;
  OutputFile& out = run.files.out;
  std::string line, record;

  // Title scan: up to 50 title records before the first atom record. The
  // end of the file ends the scan.
  std::vector<std::string> TTL;
  input.rewind();
  while (TTL.size() < kMaxTitleRecords && next_record(input, line, record)) {
    if (record.starts_with("ATOM")) break;
    if (record.starts_with("HEADER") || record.starts_with("COMPND") ||
        record.starts_with("AUTHOR") || record.starts_with("JRNL")) {
      TTL.push_back(record);
    }
  }
  input.rewind();
  for (const std::string& title : TTL) {
    const std::string echo = "#" + title;
    out.write_line(echo);
    run.files.cor.write_line(echo);
  }

  HeaderFileLine(out, run.files.stem);
  HeaderProgramLine(out);
  HeaderCutoffLine(out);
  HeaderNmrLine(out);

  // Record loop. Under -NMR nothing counts until the MODEL record of the
  // selected model; otherwise reading runs from the first record to the
  // first ENDMDL.
  bool model_started = driver.NmrFlag != 1;
  const bool all_chains = all_blank(cum.MolId);
  while (next_record(input, line, record)) {
    if (!model_started) {
      if (record.starts_with("MODEL")) {
        std::int32_t MODELNO = 0;
        read_int(input, record, 9, 8, "MODEL number (columns 9-16)", MODELNO);
        model_started = MODELNO == options.ModelNumber;
      }
      continue;
    }
    const bool atom = record.starts_with("ATOM") ||
                      (options.HetatmFlag == 1 && record.starts_with("HETATM"));
    if (atom) {
      const Text<4> chain(std::string(1, record[21]));
      if (all_chains || chain.c == cum.MolId.c) store_atom_record(run, record);
    } else if (record.starts_with("ENDMDL")) {
      return;
    }
  }
}

}  // namespace torven
