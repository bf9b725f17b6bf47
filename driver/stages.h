// The stages of subsystem 1, called by the run driver in this order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.h"

namespace torven {

// Every setting at its default, as a run without options has them.
void set_default_settings();
// Arguments and options: sets the settings; a wrong command line stops.
void parse_arguments(int argc, char** argv);
void UsageBlock();
void OptionHelp();
void OptionsSummary();

// The four variant name lists from NUCLEIC_ACID_DIR.
void load_variant_lists();

// Opens the input file, names and opens the eight output files.
void open_run_files();
// The output name of `input` for `suffix` (".out", "_pairing.csv", ...):
// the input name before the first '.' of its last path component, then the
// suffix; a last component without '.' gets the suffix appended.
std::string output_name(std::string_view input, std::string_view suffix);

// Atom store.
// The base type (ResType) a right-justified residue name stands for: the
// last variant list that holds it, or N6G, PSU (also FHU) or QUO; kNone when
// none does.
std::int32_t residue_type_of(const Text<3>& RESNAM);
void hypothesis(const Text<4>& atom_name, Text<3>& RESNAM, const Text<4>& chain,
                std::int32_t RESNO, char ins_code, float x, float y, float z,
                float OCC, std::int32_t& NPOORAT, char INSC);

// Reading.
void reading_initialisation();
void reading_dispatch();
void readpdb();
void readcif(std::int32_t& NPOORAT, std::int32_t& FOUND);
// Header lines of .out shared by both readers.
void HeaderFileLine();
void HeaderProgramLine();
void HeaderCutoffLine();
void HeaderNmrLine();

// Cleaning, .cor, version banner and column legend.
void cleanpdb();
void VersionBanner();
void ColumnLegend();

// Post-processing of the pair lists.
void PairListCleanup();
void PairSymmetrisation();

// Residue reports.
void ResidueReport();
void PairingCsvRecord(std::int32_t i);
void PartnerSummaryRecord(std::int32_t i);

}  // namespace torven
