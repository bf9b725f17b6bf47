// The residue reports: for each residue in serial order its pairs are
// reordered against the neighbouring residues and labelled BP, TP or BF,
// and one record goes to each of _pairing.csv, .out and .nup.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/layout.h"
#include "common/codes.h"
#include "common/run_files.h"
#include "common/stops.h"
#include "common/tables.h"
#include "common/text.h"
#include "driver/stages.h"

namespace torven {

namespace {

// The pair list of residue r as it stands (empty beyond the table).
const std::vector<PairSlot>& pair_list(std::int32_t r) {
  static const std::vector<PairSlot> none;
  if (r < 1 || static_cast<std::size_t>(r) >= hbqua.PairList.allocated()) return none;
  return hbqua.PairList[r];
}

// First partner of residue r, 0 when it has no pair.
std::int32_t first_partner(std::int32_t r) {
  const std::vector<PairSlot>& l = pair_list(r);
  return l.empty() ? 0 : l.front().PairPartners;
}

bool neighbours(std::int32_t a, std::int32_t b) { return a == b + 1 || a == b - 1; }

// One pass from slot 2 upward: a pair moves up one slot when its partner
// neighbours the first partner P of the previous residue (already reordered),
// or, when the previous residue has exactly one pair and this residue is not
// the last, the first partner Q of the next residue (not yet reordered).
void neighbour_reorder(std::int32_t i) {
  if (i < 2) return;
  std::vector<PairSlot>& list = hbqua.PairList[i];
  const std::size_t n = list.size();
  if (n < 2) return;
  const std::size_t prev_count = pair_list(i - 1).size();
  const std::int32_t p = first_partner(i - 1);
  const bool has_next = i < beta.ResidueCount && !pair_list(i + 1).empty();
  const std::int32_t q = first_partner(i + 1);
  for (std::size_t m = 1; m < n; ++m) {
    const std::int32_t a = list[m].PairPartners;
    if ((prev_count > 0 && neighbours(a, p)) ||
        (has_next && prev_count == 1 && neighbours(a, q)))
      std::swap(list[m - 1], list[m]);
  }
}

// "BP" for slot 1; a later slot is "BF" on the own edge of slot 1, else "TP".
std::vector<Text<2>> pair_indicators(const std::vector<PairSlot>& list) {
  std::vector<Text<2>> ind(list.size());
  if (list.empty()) return ind;
  const char first_edge = OwnEdge(list.front().PairEdges);
  ind[0] = "BP";
  for (std::size_t k = 1; k < list.size(); ++k)
    ind[k] = OwnEdge(list[k].PairEdges) == first_edge ? "BF" : "TP";
  return ind;
}

// The printed data of one residue. Items of a write hold views, so the
// texts are copied here and stay in place for the write.
struct ResidueData {
  std::int32_t serial = 0;
  std::int32_t number = 0;
  Text<3> name;
  char ins = 0;
  Text<4> chain;
};

ResidueData residue_data(std::int32_t r) {
  ResidueData d;
  d.serial = r;
  d.number = num.ResNumber(2).get(r);
  const std::int32_t first = beta.ResFirstAtom.get(r);
  d.name = names.AtomResName.get(first);
  d.ins = beta.AtomInsCode.get(first);
  d.chain = cum.ResChainId(2).get(r);
  return d;
}

// A printed field of _pairing.csv: the value without its leading blanks, cut
// before its first inner blank, closed by one blank.
std::string csv_field(std::string_view value) {
  std::size_t b = 0;
  while (b < value.size() && value[b] == ' ') ++b;
  std::size_t e = b;
  while (e < value.size() && value[e] != ' ') ++e;
  std::string t(value.substr(b, e - b));
  t += ' ';
  return t;
}

constexpr int kCsvFields = 36;

}  // namespace

void PairingCsvRecord(Run& run, std::int32_t i) {
  const std::vector<PairSlot>& list = pair_list(i);
  const std::vector<Text<2>> ind = pair_indicators(list);

  // Only the printed fields are built: the residue's five, nine per pair
  // for pairs 1-3, and the first four of pair 4.
  std::vector<std::string> field(kCsvFields + 1, " ");
  auto set = [&field](int f, std::string_view v) {
    if (f <= kCsvFields) field[static_cast<std::size_t>(f)] = csv_field(v);
  };
  const ResidueData own = residue_data(i);
  set(1, std::to_string(own.serial));
  set(2, std::to_string(own.number));
  set(3, own.name.view());
  set(4, std::string_view(&own.ins, 1));
  set(5, own.chain.view());
  for (std::size_t s = 0; s < list.size(); ++s) {
    const int f = 9 * static_cast<int>(s + 1) - 3;
    if (f > kCsvFields) break;
    const PairSlot& p = list[s];
    const ResidueData d = residue_data(p.PairPartners);
    set(f, std::to_string(d.serial));
    set(f + 1, std::to_string(d.number));
    set(f + 2, d.name.view());
    set(f + 3, std::string_view(&d.ins, 1));
    set(f + 4, d.chain.view());
    set(f + 5, p.PairEdges.view());
    set(f + 6, std::string_view(&p.PairOrientation, 1));
    set(f + 7, ind[s].view());
    set(f + 8, format_real(p.PairEnergy, 10, 2));
  }

  // The record's identifier and a blank.
  const std::string name = run.files.record_id();
  std::vector<Item> items;
  items.reserve(kCsvFields + 2);
  items.emplace_back(std::string_view(name));
  items.emplace_back(std::string_view(" "));
  for (int f = 1; f <= kCsvFields; ++f)
    items.emplace_back(std::string_view(field[static_cast<std::size_t>(f)]));
  run.files.pairing.write_list(items);
}

void PartnerSummaryRecord(Run& run, std::int32_t i) {
  static const Layout layout("(I5,1X,4(I5,1X,A3,1X,A1,1X,A2))");
  const std::vector<PairSlot>& list = pair_list(i);
  const std::vector<Text<2>> ind = pair_indicators(list);

  std::size_t ibf = 0;  // 1-based slot of the first "BF" pair, 0 if none
  for (std::size_t k = 0; k < ind.size() && ibf == 0; ++k)
    if (ind[k].view() == "BF") ibf = k + 1;

  struct Group {
    std::int32_t partner = 0;
    Text<3> label = "   ";
    char orientation = ' ';
    Text<2> indicator = "  ";
  };
  std::vector<Group> groups;
  auto group_of = [&](std::size_t k) {  // k is 0-based
    return Group{list[k].PairPartners, list[k].PairEdges, list[k].PairOrientation, ind[k]};
  };
  if (ibf == 0) {
    for (std::size_t k = 0; k < list.size(); ++k) groups.push_back(group_of(k));
  } else {
    // Exactly four groups: the other pairs in slot order fill groups 1-3
    // (as far as there are any), the first "BF" pair stands in group 4.
    groups.resize(4);
    std::size_t g = 0;
    for (std::size_t k = 0; k < list.size() && g < 3; ++k)
      if (k + 1 != ibf) groups[g++] = group_of(k);
    groups[3] = group_of(ibf - 1);
  }

  std::vector<Item> items;
  items.reserve(1 + 4 * groups.size());
  items.emplace_back(i);
  for (const Group& g : groups) {
    items.emplace_back(g.partner);
    items.emplace_back(g.label.view());
    items.emplace_back(ch(g.orientation));
    items.emplace_back(g.indicator.view());
  }
  run.files.nup.write(layout, items);
}

void ResidueReport(Run& run) {
  static const Layout layout(
      "(1X,I5,1X,I7,1X,A3,1X,A1,1X,A4,"
      "4(1X,I5,1X,I5,1X,A3,1X,A1,1X,A4,1X,A3,A1,1X,A2,F5.2))");
  const std::int32_t count = beta.ResidueCount;
  if (count < 1) return;
  // Every residue's list exists from here on, so references to the lists
  // stay valid while the walk reorders them.
  hbqua.PairList.grow_to(count);

  for (std::int32_t i = 1; i <= count; ++i) {
    neighbour_reorder(i);
    const std::vector<PairSlot>& list = hbqua.PairList[i];
    const std::vector<Text<2>> ind = pair_indicators(list);

    // -OL: the reports end where the last residue of one strand and the
    // first of the next are each other's first partner.
    if (driver.OligoFlag == 1 && i >= 2 && first_partner(i) == i - 1 &&
        first_partner(i - 1) == i)
      plain_stop();

    PairingCsvRecord(run, i);

    // The data of every residue shown, kept in place for the write.
    std::deque<ResidueData> shown;
    shown.push_back(residue_data(i));
    std::vector<Item> items;
    items.reserve(5 + 9 * list.size());
    auto add_residue = [&items](const ResidueData& d) {
      items.emplace_back(d.serial);
      items.emplace_back(d.number);
      items.emplace_back(d.name.view());
      items.emplace_back(ch(d.ins));
      items.emplace_back(d.chain.view());
    };
    add_residue(shown.back());
    for (std::size_t k = 0; k < list.size(); ++k) {
      shown.push_back(residue_data(list[k].PairPartners));
      add_residue(shown.back());
      items.emplace_back(list[k].PairEdges.view());
      items.emplace_back(ch(list[k].PairOrientation));
      items.emplace_back(ind[k].view());
      items.emplace_back(list[k].PairEnergy);
    }
    run.files.out.write(layout, items);

    // C without a pair, W for exactly one pair stored as "W:W", N for one
    // pair with any other label, T for two or more.
    char code = 'T';
    if (list.empty())
      code = 'C';
    else if (list.size() == 1)
      code = list.front().PairEdges.view() == "W:W" ? 'W' : 'N';
    str.StructureCode[i] = code;

    PartnerSummaryRecord(run, i);
  }
}

}  // namespace torven
