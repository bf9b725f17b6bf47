// The stages of the run driver, in the order main calls them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/output_file.h"
#include "common/text.h"
#include "driver/run.h"

namespace torven {

// Every setting at its default, as a run without options has them.
void set_default_settings();
// Arguments and options: sets the settings and the input name; a wrong
// command line stops the run.
void parse_arguments(Run& run, int argc, char** argv);
void UsageBlock();
void OptionHelp();
void OptionsSummary();

// The four variant name lists from NUCLEIC_ACID_DIR.
void load_variant_lists();

// Ends the run when standard output leads to one of the outputs that the
// input names, before anything is printed or any file is opened, so that no
// stop after it writes into that file.
void refuse_standard_output(const Run& run);
// Opens the input file, then names the nine output files and creates them
// empty.
void open_run_files(Run& run);
// The output name of `input` for `suffix` (".out", "_pairing.csv", ...):
// the input name before the first '.' of its last path component, then the
// suffix; a last component without '.' gets the suffix appended.
std::string output_name(std::string_view input, std::string_view suffix);
// The input's last path component up to its first '.': the structure's name.
std::string input_stem(std::string_view input);

// Atom store.
// The base type (ResType) a right-justified residue name stands for: the
// last variant list that holds it, or N6G, PSU (also FHU) or QUO; kNone when
// none does.
std::int32_t residue_type_of(const Text<3>& RESNAM);
void hypothesis(Run& run, const Text<4>& atom_name, Text<3>& RESNAM, const Text<4>& chain,
                std::int32_t RESNO, char ins_code, float x, float y, float z, float OCC,
                std::int32_t& NPOORAT, char INSC);

// Reading.
void reading_initialisation();
void reading_dispatch(Run& run);
void readpdb(Run& run);

// The .out header lines that both readers write, the version banner and
// the column legend.
void HeaderFileLine(OutputFile& out, std::string_view stem);
void HeaderProgramLine(OutputFile& out);
void HeaderCutoffLine(OutputFile& out);
void HeaderNmrLine(OutputFile& out);
void VersionBanner(OutputFile& out);
void ColumnLegend(OutputFile& out);

// Cleaning and .cor.
void cleanpdb(Run& run);

// Post-processing of the pair lists.
void PairListCleanup();
void PairSymmetrisation();

// Residue reports. ResidueReport stops the run under -OL.
void ResidueReport(Run& run);
void PairingCsvRecord(Run& run, std::int32_t i);
void PartnerSummaryRecord(Run& run, std::int32_t i);

}  // namespace torven
