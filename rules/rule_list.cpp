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

std::size_t RuleList::FindExact(const std::string& className) const {
    std::size_t i = 0;
    while (i < rules_.size() && rules_[i].className != className) {
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
                         const std::string& autoRefresh, const std::string& timeInterval) {
    const std::size_t i = FindExact(className);
    if (i == rules_.size()) {
        rules_.push_back({className, action, zOrder, windowCaption, autoRefresh, timeInterval});
        return;
    }
    WindowRule& existing = rules_[i];
    existing.action = action;
    existing.zOrder = zOrder;
    existing.autoRefresh = autoRefresh;
    existing.timeInterval = timeInterval;
}

} // namespace vantrel
