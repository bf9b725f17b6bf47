// Placeholder: the cleaning, .cor and the legend.
#include "driver/stages.h"
namespace torven {
void cleanpdb() {}
void VersionBanner() {}
void ColumnLegend() {}
}  // namespace torven
