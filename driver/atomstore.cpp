// Placeholder: the atom store.
#include "driver/stages.h"
namespace torven {
void hypothesis(const Text<4>&, Text<3>&, const Text<4>&, std::int32_t, char, float, float, float, float, std::int32_t&, char) {}
}  // namespace torven
