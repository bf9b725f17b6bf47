#include "common/tables.h"

#include "common/stops.h"

namespace torven {

OptionsTable options;
NamesTable names;
AlphaTable alpha;
ChainsTable chains;
OccurTable occur;
ResidueTable residue;
GamaTable gama;
BetaTable beta;
NumTable num;
CumTable cum;
StrTable str;
BasenmsTable basenms;
HbquaTable hbqua;
DeltaTable delta;
DeltadTable deltad;
DriverSettings driver;

void reset_tables() {
  options = OptionsTable{};
  names = NamesTable{};
  alpha = AlphaTable{};
  chains = ChainsTable{};
  occur = OccurTable{};
  residue = ResidueTable{};
  gama = GamaTable{};
  beta = BetaTable{};
  num = NumTable{};
  cum = CumTable{};
  str = StrTable{};
  basenms = BasenmsTable{};
  hbqua = HbquaTable{};
  delta = DeltaTable{};
  deltad = DeltadTable{};
  driver = DriverSettings{};
}

void fail_negative_index(std::int64_t i) {
  fail("(tables)", 0, "index " + std::to_string(i) + " below a table's start");
}

}  // namespace torven
