#pragma once
// The rules file: an initialization file with the rule count in "Options" and one section
// "Window1", "Window2", ... per rule, read and written key by key. Nothing is ever deleted from
// it, so sections above the count from an earlier, longer list stay and are ignored.
#include "rules/rule_list.h"

#include <optional>
#include <string>

namespace vantrel {

struct LoadResult {
    // Set when some rule switches the automatic refresh on: the interval of the last such rule in
    // file order. Unset means the refresh timer keeps its current state.
    std::optional<int> refreshIntervalMs;
};

// Replaces the contents of rules by the rules of the file. A missing or unreadable file gives an
// empty list; nothing is reported.
LoadResult LoadRules(const std::string& path, RuleList& rules);

// Writes the count and every rule. A refused write throws UserError naming the file; the keys
// written before it stay written.
void SaveRules(const std::string& path, const RuleList& rules);

} // namespace vantrel
