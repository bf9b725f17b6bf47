#include "common/float_mode.h"

#if defined(__x86_64__) || defined(__SSE2__)
#include <pmmintrin.h>
#include <xmmintrin.h>
#endif

namespace torven {

void set_flush_to_zero() {
#if defined(__x86_64__) || defined(__SSE2__)
  _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
  _MM_SET_DENORMALS_ZERO_MODE(_MM_DENORMALS_ZERO_ON);
#endif
}

}  // namespace torven
