// Placeholder: the secondary-structure stage.
#include "helix/rnahelix.h"
#include "common/files.h"
namespace torven {
void rnahelix(const Text<80>&, std::int32_t) { plain_stop(); }
void renbase(const Text<3>&, char&) {}
}  // namespace torven
