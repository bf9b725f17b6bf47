// Internal pieces of the secondary-structure stage, split so that each step
// can be run and checked on its own. rnahelix() runs them in order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/input_file.h"
#include "common/output_file.h"
#include "common/text.h"

namespace torven::helix {

// What the stage keeps of one residue line of .out (line t = residue t).
struct HelixLine {
  std::int32_t IRES1 = 0;    // residue serial, columns 1-6
  std::int32_t NPDBRES = 0;  // residue number, columns 7-14
  std::int32_t IRES2 = 0;    // first partner's serial, columns 26-31; 0 = none
  std::int32_t SecondPartner = 0;  // columns 62-67, only for .bpseq
  Text<5> BPAIR;             // columns 50-54: edge label, orientation, blank
  char BASE1 = 0;            // base letter of the residue
  char BASE2 = 0;            // base letter of the first partner
};

// A stacked segment or a helix: first and last residue serial.
struct Span {
  std::int32_t first = 0;
  std::int32_t last = 0;
};

struct Chain {
  std::int32_t first = 0;  // NCHNB
  std::int32_t last = 0;   // NCHNE
  Text<4> name;            // NAMECHN
};

// The chain table holds at most this many chains.
constexpr std::size_t kMaxChains = 100;

struct HelixStage {
  std::vector<HelixLine> lines;  // lines[t-1] is line t, t = 1..nts
  std::vector<char> STRDBN;      // STRDBN[t-1], dot-bracket symbol of line t
  std::vector<Span> NRSTK;       // stacked segments, in the order found
  std::vector<Span> NDOUB;       // helices, in the order found
  std::vector<Chain> chains;

  std::int32_t nts() const { return static_cast<std::int32_t>(lines.size()); }
  // Line t; a line outside 1..nts reads as an empty line (all zero).
  const HelixLine& line(std::int64_t t) const;
  std::int32_t p(std::int64_t t) const { return line(t).IRES2; }
  std::int32_t ires1(std::int64_t t) const { return line(t).IRES1; }
};

// Line classes after the column legend.
bool is_legend_end(std::string_view line);    // "Equivalent" in columns 65-74
bool is_continuation(std::string_view line);  // ':' in column 26

// Reads the fields of one residue line. False with `what` describing the
// field when a number cannot be read.
bool parse_residue_line(std::string_view line, HelixLine& out, std::string& what);

// Pass 1: the number of residue lines after the legend (0 without legend).
std::int32_t count_residue_lines(InputFile& out);
// Pass 2: writes the .bpseq header, reads the nts residue lines into
// stage.lines and writes one .bpseq line for each. A line that cannot be
// read ends the run through fail().
void read_back(InputFile& out, std::int32_t nts, const std::string& name,
               HelixStage& stage, OutputFile& bpseq);

// Dot-bracket string of lines 1..nts, three bracket levels.
void build_dot_bracket(HelixStage& stage);

// Stacked segments (NRSTK), then helices (NDOUB) with the hairpin-loop 'L'.
void find_stacked_segments(HelixStage& stage);
void find_helices(HelixStage& stage);
// Both parts of .hlx, setting 'H' on the pairs written and 'B' on bulges.
void write_hlx(const HelixStage& stage, OutputFile& hlx);

// Splits residues 1..ResidueCount into runs of equal chain identifier.
// False when a 101st chain would begin (stage.chains then holds 100).
bool split_chains(HelixStage& stage);
// _structure.csv records, each headed by `record_id`, and the .dat block of
// every chain.
void write_chains(const HelixStage& stage, std::string_view record_id,
                  std::int32_t ModelNumber, const std::string& name,
                  OutputFile& structure, OutputFile& dat);
// .dbn: header, sequence and dot-bracket string with '&' between chains.
void write_dbn(const HelixStage& stage, const std::string& name, OutputFile& dbn);

}  // namespace torven::helix
