#include "rules/rule_list.h"

#include "ui/settings.h"

#include <iterator>
#include <stdexcept>

namespace vantrel {

void RuleList::erase(std::size_t index) {
    if (index >= rules_.size()) {
        throw std::out_of_range("RuleList::erase");
    }
    rules_.erase(std::next(rules_.begin(), static_cast<std::ptrdiff_t>(index)));
}

int RuleList::FindRule(const std::string& name) const {
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        if (EqualsAsciiNoCase(rules_[i].className, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int RuleList::FindRule(const std::string& name, const std::string& program,
                       const std::string& titlePattern) const {
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        const WindowRule& rule = rules_[i];
        if (EqualsAsciiNoCase(rule.className, name) && EqualsAsciiNoCase(rule.program, program) &&
            EqualsAsciiNoCase(rule.titlePattern, titlePattern)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int RuleList::FindMatch(const WindowFacts& window) const {
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        if (RuleMatches(rules_[i], window)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const WindowRule* RuleList::MatchOf(const WindowFacts& window) const {
    const int i = FindMatch(window);
    return i < 0 ? nullptr : &rules_[static_cast<std::size_t>(i)];
}

std::string RuleList::RuleActionText(const WindowFacts& window,
                                     const CommonSettings& settings) const {
    const WindowRule* rule = MatchOf(window);
    return rule != nullptr ? rule->action : settings.action;
}

std::string RuleList::RuleZOrderText(const WindowFacts& window,
                                     const CommonSettings& settings) const {
    const WindowRule* rule = MatchOf(window);
    return rule != nullptr ? rule->zOrder : settings.zOrder;
}

std::size_t RuleList::FindExact(const std::string& className) const {
    std::size_t i = 0;
    while (i < rules_.size() && rules_[i].className != className) {
        ++i;
    }
    return i;
}

std::size_t RuleList::FindStored(const std::string& className, const std::string& program,
                                 const std::string& titlePattern) const {
    std::size_t i = 0;
    while (i < rules_.size() &&
           (rules_[i].className != className || !EqualsAsciiNoCase(rules_[i].program, program) ||
            !EqualsAsciiNoCase(rules_[i].titlePattern, titlePattern))) {
        ++i;
    }
    return i;
}

std::string RuleList::RuleActionText(const std::string& className,
                                     const CommonSettings& settings) const {
    const std::size_t i = FindExact(className);
    return i < rules_.size() ? rules_[i].action : settings.action;
}

std::string RuleList::RuleZOrderText(const std::string& className,
                                     const CommonSettings& settings) const {
    const std::size_t i = FindExact(className);
    return i < rules_.size() ? rules_[i].zOrder : settings.zOrder;
}

void RuleList::StoreRule(const std::string& windowCaption, const std::string& className,
                         const std::string& action, const std::string& zOrder,
                         const std::string& autoRefresh, const std::string& timeInterval,
                         const RuleExtras& extras) {
    const std::size_t i = FindStored(className, extras.program, extras.titlePattern);
    if (i == rules_.size()) {
        WindowRule rule{className, action, zOrder, windowCaption, autoRefresh, timeInterval};
        SetExtras(rule, extras);
        rules_.push_back(rule);
        return;
    }
    WindowRule& existing = rules_[i];
    SetExtras(existing, extras);
    existing.action = action;
    existing.zOrder = zOrder;
    existing.autoRefresh = autoRefresh;
    existing.timeInterval = timeInterval;
}

} // namespace vantrel
