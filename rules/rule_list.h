#pragma once
// The one ordered collection of window rules. The rules list view only shows it, so every change
// goes through here and the view is redrawn from it. Order is file order, then appending; the
// list is never sorted, and duplicates are allowed: every lookup takes the first match.
#include "rules/rule.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantrel {

struct CommonSettings;

class RuleList {
public:
    std::size_t size() const { return rules_.size(); }
    bool empty() const { return rules_.empty(); }
    // Both throw std::out_of_range for a position past the end.
    const WindowRule& at(std::size_t index) const { return rules_.at(index); }
    // A rule changed through this reference must be changed before the next match is asked
    // for: the lookup is rebuilt when the reference is handed out.
    WindowRule& at(std::size_t index) {
        Changed();
        return rules_.at(index);
    }
    void append(const WindowRule& rule) {
        Changed();
        rules_.push_back(rule);
    }
    void erase(std::size_t index);
    void clear() {
        Changed();
        rules_.clear();
    }

    // Position of the first rule whose class name equals name ignoring ASCII letter case, or -1.
    // Only the "does a rule already exist" question ignores case; matching windows never does.
    int FindRule(const std::string& name) const;
    // The same question for a rule that also names a program and a caption pattern: all three
    // must agree (program and pattern ignoring ASCII letter case).
    int FindRule(const std::string& name, const std::string& program,
                 const std::string& titlePattern) const;

    // Position of the first rule that matches the window, or -1: it alone decides the columns
    // and the effects.
    int FindMatch(const WindowFacts& window) const;
    const WindowRule* MatchOf(const WindowFacts& window) const;
    std::string RuleActionText(const WindowFacts& window, const CommonSettings& settings) const;
    std::string RuleZOrderText(const WindowFacts& window, const CommonSettings& settings) const;

    // Action and z order texts of the first rule whose class name equals className exactly, or
    // the defaults of the common settings when there is none.
    std::string RuleActionText(const std::string& className, const CommonSettings& settings) const;
    std::string RuleZOrderText(const std::string& className, const CommonSettings& settings) const;

    // Updates the first rule with exactly this class name and the extras' program and pattern
    // (those two ignoring ASCII letter case), keeping its class name and the caption it was
    // made from; appends a new rule otherwise. Saving is the caller's business.
    void StoreRule(const std::string& windowCaption, const std::string& className,
                   const std::string& action, const std::string& zOrder,
                   const std::string& autoRefresh, const std::string& timeInterval,
                   const RuleExtras& extras = {});

private:
    // Position of the first rule with exactly this class name, or size() when there is none.
    std::size_t FindExact(const std::string& className) const;
    // The same, for a rule with this program and pattern too (ignoring ASCII letter case).
    std::size_t FindStored(const std::string& className, const std::string& program,
                           const std::string& titlePattern) const;

    void Changed() const {
        indexed_ = false;
        last_.valid = false;
    }
    void Index() const;

    std::vector<WindowRule> rules_;
    // Matching asks only the rules of the window's class and those for any class, so a rebuild
    // does not compare every window with every rule. A row asks three times in a row (its two
    // columns and its effects), so the last answer is kept too.
    mutable bool indexed_ = false;
    mutable std::unordered_map<std::string, std::vector<std::size_t>> byClass_;
    mutable std::vector<std::size_t> anyClass_;
    struct LastMatch {
        bool valid = false;
        std::string className, path, caption;
        int index = -1;
    };
    mutable LastMatch last_;
};

} // namespace vantrel
