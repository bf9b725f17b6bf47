// Placeholder: the rule walk, evaluators and partner search.
#include "pairs/pairs.h"
namespace torven {
void verify(std::int32_t, std::int32_t, std::int32_t, const AtomName4&, std::int32_t, float&, float&, std::int32_t&, std::int32_t&, float, std::int32_t, float, std::int32_t, std::int32_t) {}
void findpair(std::int32_t, std::int32_t, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, std::int32_t, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, char, const Text<3>&, const Text<3>&, std::int32_t) {}
void findhb3(std::int32_t, std::int32_t, std::int32_t, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, const AtomName4&, char, const Text<3>&, const Text<3>&) {}
void PairAppend(std::int32_t, std::int32_t, char, const Text<3>&, const Text<3>&, float, float) {}
void RuleWalk() {}
}  // namespace torven
