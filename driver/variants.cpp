// Placeholder: the variant name lists.
#include "driver/stages.h"
namespace torven {
void load_variant_lists() {}
}  // namespace torven
