#include "rules/rule_list.h"

#include "ui/settings.h"

#include <iterator>
#include <stdexcept>

namespace vantrel {

void RuleList::erase(std::size_t index) {
    if (index >= rules_.size()) {
        throw std::out_of_range("RuleList::erase");
    }
    Changed();
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

void RuleList::Index() const {
    byClass_.clear();
    anyClass_.clear();
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        if (rules_[i].className.empty()) {
            anyClass_.push_back(i);
        } else {
            byClass_[rules_[i].className].push_back(i);
        }
    }
    indexed_ = true;
}

int RuleList::FindMatch(const WindowFacts& window) const {
    if (last_.valid && last_.className == window.className && last_.path == window.path &&
        last_.caption == window.caption) {
        return last_.index;
    }
    if (!indexed_) {
        Index();
    }
    static const std::vector<std::size_t> kNone;
    const auto found = byClass_.find(window.className);
    const std::vector<std::size_t>& own = found == byClass_.end() ? kNone : found->second;
    // Both lists are in list order; merged, the first that matches is the first in the list.
    int result = -1;
    std::size_t a = 0, b = 0;
    while (result < 0 && (a < own.size() || b < anyClass_.size())) {
        const bool takeOwn = b == anyClass_.size() || (a < own.size() && own[a] < anyClass_[b]);
        const std::size_t i = takeOwn ? own[a++] : anyClass_[b++];
        if (RuleMatches(rules_[i], window)) {
            result = static_cast<int>(i);
        }
    }
    last_ = {true, window.className, window.path, window.caption, result};
    return result;
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
    Changed();
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
