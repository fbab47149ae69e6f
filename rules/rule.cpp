#include "rules/rule.h"

#include "commands/placement.h"
#include "platform/profile.h"

#include <algorithm>
#include <array>
#include <climits>

namespace vantrel {

namespace {

constexpr std::array<const char*, kActionCount> kActionTexts = {"Default", "Maximize", "Minimize",
                                                                "Normal", "Minimize to tray"};
constexpr std::array<const char*, kZOrderCount> kZOrderTexts = {"Default", "Stay on top", "Normal"};

// Larger intervals would overflow the millisecond count handed to the timer.
constexpr int kMaxTimerSeconds = INT_MAX / 1000;

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

template <std::size_t N>
int CodeOf(const std::array<const char*, N>& table, const std::string& text) {
    for (std::size_t i = 1; i < N; ++i) {
        if (text == table[i]) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

template <std::size_t N> std::string TextOf(const std::array<const char*, N>& table, int code) {
    if (code < 0 || code >= static_cast<int>(N)) {
        return table[0];
    }
    return table[static_cast<std::size_t>(code)];
}

} // namespace

std::string ActionTexts(int code) {
    return TextOf(kActionTexts, code);
}

std::string ZOrderTexts(int code) {
    return TextOf(kZOrderTexts, code);
}

int ActionFromText(const std::string& text) {
    return CodeOf(kActionTexts, text);
}

int ZOrderFromText(const std::string& text) {
    return CodeOf(kZOrderTexts, text);
}

bool ContainsIEFrame(const std::string& className) {
    std::string upper = className;
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
    return upper.find("IEFRAME") != std::string::npos;
}

bool EqualsAsciiNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

int IntervalForFile(const std::string& text) {
    return platform::ProfileInt(text, -1);
}

int IntervalSecondsForTimer(const std::string& text) {
    const int seconds = platform::ProfileInt(text, kDefaultIntervalSeconds);
    // A zero or negative interval would make the timer fire constantly or not at all; the
    // default is what the user gets for any other unusable value as well.
    if (seconds <= 0) {
        return kDefaultIntervalSeconds;
    }
    return seconds > kMaxTimerSeconds ? kMaxTimerSeconds : seconds;
}

RuleExtras ExtrasOf(const WindowRule& rule) {
    return {rule.program, rule.titlePattern, rule.placement, rule.transparency, rule.applyOnce};
}

void SetExtras(WindowRule& rule, const RuleExtras& extras) {
    rule.program = extras.program;
    rule.titlePattern = extras.titlePattern;
    rule.placement = extras.placement;
    rule.transparency = extras.transparency;
    rule.applyOnce = extras.applyOnce;
}

bool PatternMatches(const std::string& pattern, const std::string& text) {
    // Greedy with one backtrack point: the last '*' seen absorbs one more character on a
    // mismatch. Linear in practice and never recursive, so a hostile caption costs little.
    std::size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || AsciiUpper(pattern[p]) == AsciiUpper(text[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ProgramMatches(const std::string& program, const std::string& path) {
    // Compared in place: this runs for every listed window against every program rule.
    const bool withFolder = program.find_first_of("\\/") != std::string::npos;
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t from = withFolder || slash == std::string::npos ? 0 : slash + 1;
    if (path.size() - from != program.size()) {
        return false;
    }
    for (std::size_t i = 0; i < program.size(); ++i) {
        if (AsciiUpper(program[i]) != AsciiUpper(path[from + i])) {
            return false;
        }
    }
    return true;
}

bool RuleMatches(const WindowRule& rule, const WindowFacts& window) {
    if (rule.className.empty() && rule.program.empty() && rule.titlePattern.empty()) {
        return false;
    }
    return (rule.className.empty() || rule.className == window.className) &&
           (rule.program.empty() || ProgramMatches(rule.program, window.path)) &&
           (rule.titlePattern.empty() || PatternMatches(rule.titlePattern, window.caption));
}

std::string MatchText(const WindowRule& rule) {
    std::string text = rule.className.empty() ? "*" : rule.className;
    for (const std::string* part : {&rule.program, &rule.titlePattern}) {
        if (!part->empty()) {
            text += " | " + *part;
        }
    }
    return text;
}

bool ParseRulePlacement(const std::string& text, RulePlacement& out) {
    const auto& places = AlignmentPlaces();
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (EqualsAsciiNoCase(text, places[i].commandText)) {
            out = RulePlacement{};
            out.place = static_cast<int>(i);
            return true;
        }
    }
    int values[4] = {};
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const std::size_t comma = k < 3 ? text.find(',', start) : text.size();
        if (comma == std::string::npos || !ParseInt(text.substr(start, comma - start), values[k])) {
            return false;
        }
        start = comma + 1;
    }
    // A window of no width or height is a typing error, never a wish.
    if (values[2] <= 0 || values[3] <= 0) {
        return false;
    }
    out = RulePlacement{-1, values[0], values[1], values[2], values[3]};
    return true;
}

int RuleTransparencyPercent(const std::string& text) {
    int percent = -1;
    if (!ParseInt(text, percent) || percent < 0 || percent > 100) {
        return -1;
    }
    return percent;
}

std::string ColumnText(const WindowRule& rule, int column) {
    switch (column) {
    case 0:
        return MatchText(rule);
    case 1:
        return rule.action;
    case 2:
        return rule.zOrder;
    case 3:
        return rule.windowCaption;
    case 4:
        return rule.autoRefresh;
    default:
        return rule.timeInterval;
    }
}

} // namespace vantrel
