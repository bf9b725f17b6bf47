// Placeholder: the residue reports.
#include "driver/stages.h"
namespace torven {
void ResidueReport() {}
void PairingCsvRecord(std::int32_t) {}
void PartnerSummaryRecord(std::int32_t) {}
}  // namespace torven
