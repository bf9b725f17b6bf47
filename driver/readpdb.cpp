// Placeholder: the reading dispatch and the PDB reader.
#include "driver/stages.h"
namespace torven {
void reading_initialisation() {}
void reading_dispatch() {}
void readpdb() {}
void HeaderFileLine() {}
void HeaderProgramLine() {}
void HeaderCutoffLine() {}
void HeaderNmrLine() {}
}  // namespace torven
