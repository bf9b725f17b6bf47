// Placeholder: pair-list cleanup and symmetrisation.
#include "driver/stages.h"
namespace torven {
void PairListCleanup() {}
void PairSymmetrisation() {}
}  // namespace torven
