// The mmCIF reader: finds the _atom_site loop, learns from its tag lines
// which field holds which item, and hands every usable data line of the
// selected model to the atom store.
#include "driver/readcif.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "common/freeformat.h"
#include "common/input_file.h"
#include "common/layout.h"
#include "common/output_file.h"
#include "common/stops.h"
#include "common/tables.h"
#include "driver/stages.h"

namespace torven {

namespace {

struct Tag {
  std::string_view text;
  std::int32_t CifColumns::*index;
};

// Every tag line is tested against these in this order.
constexpr Tag kTags[] = {
    {"_atom_site.group_PDB", &CifColumns::IGROUP},
    {"_atom_site.label_atom_id", &CifColumns::IATOM},
    {"_atom_site.label_comp_id", &CifColumns::IRES},
    {"_atom_site.auth_asym_id", &CifColumns::ICHAIN},
    {"_atom_site.auth_seq_id", &CifColumns::IRESNO},
    {"_atom_site.pdbx_PDB_ins_code", &CifColumns::IINS},
    {"_atom_site.Cartn_x", &CifColumns::IX},
    {"_atom_site.Cartn_y", &CifColumns::IY},
    {"_atom_site.Cartn_z", &CifColumns::IZ},
    {"_atom_site.occupancy", &CifColumns::IOCC},
    {"_atom_site.label_alt_id", &CifColumns::IALT},
    {"_atom_site.pdbx_PDB_model_num", &CifColumns::IMODEL},
};

// A line that begins with a tag sets the tag's index, unless the tag goes on
// with '_' (a longer tag that merely begins with it). A line shorter than
// the next character counts as followed by a blank.
void tag_test(std::string_view LINE, std::int32_t n, CifColumns& cols) {
  for (const Tag& t : kTags) {
    if (!LINE.starts_with(t.text)) continue;
    char after = LINE.size() > t.text.size() ? LINE[t.text.size()] : ' ';
    if (after != '_') cols.*(t.index) = n;
  }
}

std::string_view tag_of(std::int32_t CifColumns::*index) {
  for (const Tag& t : kTags)
    if (t.index == index) return t.text;
  return {};
}

[[noreturn]] void fail_number(const InputFile& input, const CifColumns& cols,
                              std::int32_t CifColumns::*index,
                              std::string_view field) {
  std::string what(tag_of(index));
  what += " value \"";
  std::string_view v = field.substr(0, static_cast<std::size_t>(
                                           std::max(trimmed_length(field), 0)));
  while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
  what += v;
  what += "\" (field ";
  what += std::to_string(cols.*index);
  what += ") is not a number";
  fail(input.name(), input.line_number(), what);
}

// The model number and the coordinates and occupancy must hold a number: a
// word, a field of blanks, or a separator where the value would begin all
// end the run.
std::int32_t read_int(const InputFile& input, const CifColumns& cols,
                      std::int32_t CifColumns::*index, std::string_view field) {
  std::int32_t v = 0;
  if (list_read_int(field, v) != ListStatus::kOk) fail_number(input, cols, index, field);
  return v;
}

float read_real(const InputFile& input, const CifColumns& cols,
                std::int32_t CifColumns::*index, std::string_view field) {
  float v = 0.0f;
  if (list_read_real(field, v) != ListStatus::kOk) fail_number(input, cols, index, field);
  return v;
}

// The text before the first blank, or the whole text when it holds none.
std::string_view before_blank(std::string_view s) {
  std::size_t k = s.find(' ');
  return k == std::string_view::npos ? s : s.substr(0, k);
}

}  // namespace

std::int32_t CifColumns::largest() const {
  return std::max({IGROUP, IATOM, IRES, ICHAIN, IRESNO, IINS, IX, IY, IZ,
                   IOCC, IALT, IMODEL});
}

bool CifColumns::required() const {
  return IATOM != 0 && IRES != 0 && IRESNO != 0 && IX != 0 && IY != 0 &&
         IZ != 0;
}

void removebl(char* text, std::size_t width) {
  std::size_t k = 0;
  while (k < width && (text[k] == ' ' || text[k] == '"')) ++k;
  if (k == 0) return;
  std::memmove(text, text + k, width - k);
  std::memset(text + (width - k), ' ', k);
}

namespace {

// Bit k of the result tells whether byte k of the eight at p is a blank
// (on a little-endian machine, where the first byte is the lowest).
std::uint64_t blank_bits8(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  v ^= 0x2020202020202020ull;  // a blank becomes a zero byte
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t zero = ~(((v & kLow7) + kLow7) | v | kLow7);  // 0x80 where zero
  return ((zero >> 7) * 0x0102040810204080ull) >> 56;
}

}  // namespace

void split_fields(std::string_view line, CifFields& f) {
  const std::size_t keep = f.begin.size();
  const std::size_t len = line.size();
  const char* s = line.data();
  // A field ends at a blank whose predecessor is not a blank (past the end
  // of the line every position holds a blank, before its start too) and
  // takes that blank along; the next one starts just after it. The blanks
  // are found as bits, 64 positions to a word; position len is the
  // line's last possible end.
  std::size_t start = 0;
  std::size_t count = 0;
  std::uint64_t before = 1;  // the position before the word's first is a blank
  for (std::size_t w0 = 0; w0 <= len && count < keep; w0 += 64) {
    std::uint64_t blanks = 0;
    std::size_t k = w0;
    if constexpr (std::endian::native == std::endian::little) {
      for (; k + 8 <= len && k < w0 + 64; k += 8) blanks |= blank_bits8(s + k) << (k - w0);
    }
    for (; k < len && k < w0 + 64; ++k) blanks |= std::uint64_t{s[k] == ' '} << (k - w0);
    if (len < w0 + 64) blanks |= std::uint64_t{1} << (len - w0);
    std::uint64_t ends = blanks & ~((blanks << 1) | before);
    before = blanks >> 63;
    for (; ends != 0 && count < keep; ends &= ends - 1) {
      const std::size_t p = w0 + static_cast<std::size_t>(std::countr_zero(ends));
      f.begin[count] = static_cast<std::uint32_t>(start);
      f.end[count] = static_cast<std::uint32_t>(std::min(p + 1, len));
      ++count;
      start = p + 1;
    }
  }
  f.count = static_cast<std::int32_t>(count);
}

void stream(const InputFile& input, std::string_view LINE, const CifColumns& cols, CifFields& f,
            std::int32_t& SKIP, std::int32_t& FOUND) {
  SKIP = 0;
  // The stripped line: the blanks that stripping would move to its end
  // only ever pad a field, which a field's reading does anyway.
  std::string_view line = LINE;
  line.remove_prefix(std::min(line.find_first_not_of(" \""), line.size()));
  f.line = line;
  const auto need = static_cast<std::size_t>(cols.largest());
  if (f.begin.size() != need) {
    f.begin.resize(need);
    f.end.resize(need);
  }
  split_fields(line, f);
  // A line without a field for every item in use would read another line's
  // values (or nothing): it is dropped before anything is taken from it.
  if (static_cast<std::size_t>(f.count) < need) {
    SKIP = 1;
    return;
  }
  auto field = [&f](std::int32_t k) { return f.field(k); };
  auto take = [&f](std::int32_t k, Text<15>& out) {
    out = f.field(k);
    removebl(out);
  };

  if (cols.IGROUP != 0) take(cols.IGROUP, f.ATMHTM);
  if (cols.IALT != 0)
    take(cols.IALT, f.ALTERNATE);
  else
    f.ALTERNATE = ".";
  if (cols.IGROUP != 0 && f.ATMHTM.view().substr(0, 6) == "HETATM" &&
      options.HetatmFlag != 1) {
    SKIP = 1;
    return;
  }
  if (cols.IMODEL != 0 &&
      read_int(input, cols, &CifColumns::IMODEL, field(cols.IMODEL)) !=
          options.ModelNumber) {
    SKIP = 1;
    return;
  }
  FOUND = 1;

  // A name between double quotes loses the leading one to the strip and the
  // closing one here.
  take(cols.IATOM, f.ATMNM);
  for (char& c : f.ATMNM.c) {
    if (c == '"') {
      c = ' ';
      break;
    }
  }
  take(cols.IRES, f.RES);
  if (cols.IINS != 0)
    take(cols.IINS, f.NSCODE);
  else
    f.NSCODE = "?";
  f.INSCODE = f.NSCODE.c[0];

  // The residue number is the integer in the field's first seven
  // characters, leading blanks included.
  if (!read_int_field(field(cols.IRESNO).substr(0, 7), f.RESNO)) {
    SKIP = 1;
    return;
  }
  if (cols.ICHAIN != 0)
    take(cols.ICHAIN, f.CHAIN);
  else
    f.CHAIN = "";
  f.x = read_real(input, cols, &CifColumns::IX, field(cols.IX));
  f.y = read_real(input, cols, &CifColumns::IY, field(cols.IY));
  f.z = read_real(input, cols, &CifColumns::IZ, field(cols.IZ));
  f.OCC = cols.IOCC != 0 ? read_real(input, cols, &CifColumns::IOCC, field(cols.IOCC))
                         : 1.0f;
}

bool readcif(Run& run, const CifAtomStore& store, std::int32_t& NPOORAT, std::int32_t& FOUND) {
  InputFile& input = run.files.input;
  OutputFile& out = run.files.out;
  HeaderFileLine(out, run.files.stem);
  if (driver.NmrFlag == 1) HeaderNmrLine(out);
  HeaderProgramLine(out);
  HeaderCutoffLine(out);

  FOUND = 0;
  CifColumns cols;
  const char POSEI = ' ';
  // The alternates that are read.
  const Text<15> kAltA("A"), kAltNone(".");
  // With a blank first, MolId selects every chain; otherwise a chain passes
  // when its text before the first blank equals MolId's.
  const bool all_chains = cum.MolId.c[0] == ' ';
  const std::string_view mol = before_blank(cum.MolId.view());

  // Each line is a view into the input's buffer, valid until the next read.
  std::string_view LINE;
  // Find "loop_" directly followed by an _atom_site tag line. The line after
  // a "loop_" line is not itself tested for "loop_".
  for (;;) {
    if (!input.read_view(LINE)) return false;
    if (!LINE.starts_with("loop_")) continue;
    if (!input.read_view(LINE)) return false;
    if (LINE.starts_with("_atom_site.")) break;
  }

  // The loop: lines are numbered from its first tag line on; a line that
  // begins with "_atom" is a further tag line, anything else a data row. A
  // '#' line or the end of the file ends the pass.
  CifFields f;
  std::int32_t n = 1;
  bool tag_line = true;
  std::int32_t SKIP = 0;
  for (;;) {
    if (tag_line) tag_test(LINE, n, cols);
    if (!input.read_view(LINE)) return true;
    ++n;
    if (!LINE.empty() && LINE[0] == '#') return true;
    tag_line = LINE.starts_with("_atom");
    if (tag_line || !cols.required()) continue;

    stream(input, LINE, cols, f, SKIP, FOUND);
    if (SKIP == 1) continue;
    if (!(f.ALTERNATE == kAltA || f.ALTERNATE == kAltNone)) continue;
    if (!all_chains && before_blank(f.CHAIN.view()) != mol) continue;

    Text<4> atom_name(f.ATMNM.view().substr(0, 4));
    Text<3> res_name(f.RES.view().substr(0, 3));
    Text<4> chain(f.CHAIN.view().substr(0, 4));
    store(atom_name, res_name, chain, f.RESNO, POSEI, f.x, f.y, f.z, f.OCC, NPOORAT,
          f.INSCODE);
  }
}

}  // namespace torven
