// Placeholder: the argument walk and the messages.
#include "driver/stages.h"
namespace torven {
void parse_arguments(int, char**) {}
void UsageBlock() {}
void OptionHelp() {}
void OptionsSummary() {}
}  // namespace torven
