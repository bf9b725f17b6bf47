// The floating-point mode of a run.
#pragma once

namespace torven {

// Subnormal inputs and results are treated as zero from here on.
void set_flush_to_zero();

}  // namespace torven
