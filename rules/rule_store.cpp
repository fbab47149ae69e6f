#include "rules/rule_store.h"

#include "platform/error.h"
#include "platform/profile.h"

#include <algorithm>
#include <vector>

namespace vantrel {

namespace {

using platform::ProfileInt;
using platform::ReadProfileString;

const char* const kOptionsSection = "Options";
const char* const kCountKey = "WindowCount";
const char* const kRuleSectionPrefix = "Window";
// Keys of the matching and effects added later; a rule that does not use one has no such key, so
// older readers see the class rules they always saw.
const char* const kProgramKey = "Program";
const char* const kTitlePatternKey = "TitlePattern";
const char* const kPlacementKey = "Placement";
const char* const kTransparencyKey = "Transparency";
const char* const kApplyOnceKey = "ApplyOnce";

// Up to this count a missing section still yields a default rule, as it always has; above it the
// count is not trusted, since a damaged file could otherwise make billions of rules. Every save
// writes every key of every rule, and each write rewrites the whole file, so even a thousand
// empty rules would stall each save for minutes.
constexpr int kTrustedWindowCount = 64;

std::string RuleSection(std::size_t number) {
    return kRuleSectionPrefix + std::to_string(number);
}

// Number of a section named "Window" + a decimal number without leading zeros (name compared
// without regard to case, as the profile functions do), or 0 for any other name.
int RuleSectionNumber(const std::string& name) {
    const std::string prefix = kRuleSectionPrefix;
    if (name.size() <= prefix.size() || !EqualsAsciiNoCase(name.substr(0, prefix.size()), prefix)) {
        return 0;
    }
    const std::string digits = name.substr(prefix.size());
    if (digits[0] < '1' || digits[0] > '9' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    return std::max(ProfileInt(digits, 0), 0);
}

// The rule sections the file really has, in ascending order, none above `count`.
std::vector<int> PresentRuleSections(const std::string& path, int count) {
    std::vector<int> present;
    for (const std::string& name : platform::ProfileSectionNames(path)) {
        const int k = RuleSectionNumber(name);
        if (k >= 1 && k <= count) {
            present.push_back(k);
        }
    }
    std::sort(present.begin(), present.end());
    present.erase(std::unique(present.begin(), present.end()), present.end());
    return present;
}

WindowRule ReadRule(const std::string& path, const std::string& section) {
    WindowRule rule;
    // Codes outside the tables load as "Default": the rest of the program expects listed texts.
    rule.className = ReadProfileString(path, section, "ClassName", "");
    rule.action = ActionTexts(ProfileInt(ReadProfileString(path, section, "Action", ""), 0));
    rule.zOrder = ZOrderTexts(ProfileInt(ReadProfileString(path, section, "ZOrder", ""), 0));
    rule.windowCaption = ReadProfileString(path, section, "WindowCaption", "");
    rule.autoRefresh = ReadProfileString(path, section, "AutoRefresh", "-");
    const int interval =
        ProfileInt(ReadProfileString(path, section, "TimeInterval", ""), kDefaultIntervalSeconds);
    rule.timeInterval = rule.autoRefresh == "-" ? "-" : std::to_string(interval);
    rule.program = ReadProfileString(path, section, kProgramKey, "");
    rule.titlePattern = ReadProfileString(path, section, kTitlePatternKey, "");
    rule.placement = ReadProfileString(path, section, kPlacementKey, "");
    rule.transparency = ReadProfileString(path, section, kTransparencyKey, "");
    rule.applyOnce = ReadProfileString(path, section, kApplyOnceKey, "") == "Yes";
    return rule;
}

void Write(const std::string& path, const std::string& section, const std::string& key,
           const std::string& value) {
    if (!platform::WriteProfileString(path, section, key, value)) {
        throw UserError(FormatWithArg(kUnableToWrite, path));
    }
}

// Written when used, taken out otherwise: the section may have held another rule's value.
void WriteOptional(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
    if (!value.empty()) {
        Write(path, section, key, value);
    } else if (!platform::DeleteProfileKey(path, section, key)) {
        throw UserError(FormatWithArg(kUnableToWrite, path));
    }
}

} // namespace

LoadResult LoadRules(const std::string& path, RuleList& rules) {
    rules.clear();
    LoadResult result;
    const int count = ProfileInt(ReadProfileString(path, kOptionsSection, kCountKey, ""), 0);
    std::vector<int> sections;
    if (count > kTrustedWindowCount) {
        // A count this large is not what the program writes: only the sections that are really
        // there are loaded, so a damaged or hostile count cannot fill memory with empty rules.
        sections = PresentRuleSections(path, count);
    } else {
        for (int k = 1; k <= count; ++k) {
            sections.push_back(k);
        }
    }
    for (int k : sections) {
        const WindowRule rule = ReadRule(path, RuleSection(static_cast<std::size_t>(k)));
        if (rule.autoRefresh == "Yes") {
            // Zero or negative seconds fall back to the default: the timer never gets 0 or less.
            result.refreshIntervalMs = IntervalSecondsForTimer(rule.timeInterval) * 1000;
        }
        rules.append(rule);
    }
    return result;
}

void SaveRules(const std::string& path, const RuleList& rules) {
    Write(path, kOptionsSection, kCountKey, std::to_string(rules.size()));
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const WindowRule& rule = rules.at(i);
        const std::string section = RuleSection(i + 1);
        Write(path, section, "ClassName", rule.className);
        Write(path, section, "Action", std::to_string(ActionFromText(rule.action)));
        Write(path, section, "ZOrder", std::to_string(ZOrderFromText(rule.zOrder)));
        Write(path, section, "WindowCaption", rule.windowCaption);
        Write(path, section, "AutoRefresh", rule.autoRefresh);
        Write(path, section, "TimeInterval", std::to_string(IntervalForFile(rule.timeInterval)));
        WriteOptional(path, section, kProgramKey, rule.program);
        WriteOptional(path, section, kTitlePatternKey, rule.titlePattern);
        WriteOptional(path, section, kPlacementKey, rule.placement);
        WriteOptional(path, section, kTransparencyKey, rule.transparency);
        WriteOptional(path, section, kApplyOnceKey, rule.applyOnce ? "Yes" : "");
    }
}

} // namespace vantrel
