// The mmCIF reader: the pass over the _atom_site loop and its two helpers.
//
// The reader understands one narrow form of mmCIF: a single _atom_site loop
// introduced by a "loop_" line and followed by one tag per line, one data
// row per line with blank-separated values (a tab separates nothing and
// quotes do not group), and a '#' line (or the end of the file) after it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "driver/run.h"

namespace torven {

// Column indices of the twelve items: the number of the item's tag line in
// the loop header (from 1), which is also the number of its field in every
// data line; 0 when the tag was not seen.
struct CifColumns {
  std::int32_t IGROUP = 0, IATOM = 0, IRES = 0, ICHAIN = 0, IRESNO = 0,
               IINS = 0, IX = 0, IY = 0, IZ = 0, IOCC = 0, IALT = 0,
               IMODEL = 0;
  // The largest index in use: a data line needs at least this many fields.
  std::int32_t largest() const;
  // The six items without which no data line is handled.
  bool required() const;
};

// The items of the current data line.
struct CifFields {
  // Field n (from 1) of the stripped line is its characters
  // [begin[n-1], end[n-1]), cut to 15; only the fields up to the largest
  // column index in use are located.
  std::string_view line;
  std::vector<std::uint32_t> begin, end;
  std::int32_t count = 0;  // fields found, counted up to the number located
  Text<15> ATMHTM, ALTERNATE, ATMNM, RES, NSCODE, CHAIN;
  char INSCODE = ' ';
  std::int32_t RESNO = 0;
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float OCC = 1.0f;

  // The text of field n as the items read it: at most 15 characters (a
  // shorter field reads as if padded with blanks to 15).
  std::string_view field(std::int32_t n) const {
    const auto k = static_cast<std::size_t>(n - 1);
    return line.substr(begin[k], std::min<std::size_t>(end[k] - begin[k], 15));
  }
};

// Strips every leading blank and leading double quote; the rest moves left
// as one piece and blanks fill the end, so the width stays the same.
void removebl(char* text, std::size_t width);
template <std::size_t N>
void removebl(Text<N>& text) {
  removebl(text.c.data(), N);
}

// Splits a stripped line into blank-ended fields: a field runs from just
// after the previous field's ending blank through the next blank that
// follows a non-blank, so a field keeps all but one of the blanks before its
// value. The line counts as padded with blanks, so its last value makes a
// field. Only the first f.begin.size() fields are located.
void split_fields(std::string_view line, CifFields& f);

// Strips LINE (its leading blanks and double quotes), splits it and extracts
// the items of one data line. SKIP = 1 drops the line: fewer fields than the
// largest index in use (before anything else is read, so FOUND is
// untouched), a HETATM line without -HT, another model, or a residue number
// that is not an integer. FOUND becomes 1 at a line of the selected model
// that passes the HETATM filter. A model, coordinate or occupancy field that
// holds no number ends the run, naming the input's line.
void stream(const InputFile& input, std::string_view LINE, const CifColumns& cols,
            CifFields& f, std::int32_t& SKIP, std::int32_t& FOUND);

// Where readcif hands every accepted atom: the atom store in a run, a
// recorder in a test. The arguments are those of hypothesis.
using CifAtomStore = std::function<void(
    const Text<4>& atom_name, Text<3>& RESNAM, const Text<4>& chain, std::int32_t RESNO,
    char ins_code, float x, float y, float z, float OCC, std::int32_t& NPOORAT, char INSC)>;

// The pass over the _atom_site loop of the run's input: writes the .out
// header lines, hands every usable data line of the selected model to
// `store`, and sets FOUND to 1 when a line of that model got past the
// HETATM filter. False when the input holds no _atom_site loop.
bool readcif(Run& run, const CifAtomStore& store, std::int32_t& NPOORAT, std::int32_t& FOUND);

}  // namespace torven
