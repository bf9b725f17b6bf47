#include "driver/state.h"

namespace torven {
DriverState state;
}  // namespace torven
