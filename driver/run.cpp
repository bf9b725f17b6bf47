#include "driver/run.h"

namespace torven {

void Run::reset() {
  files.close_all(false);
  FILENM.clear();
  files.stem.clear();
  have_file = false;
  NPOORAT = 0;
  store = AtomStoreState{};
  reset_tables();
}

}  // namespace torven
