#include "rules/rule.h"

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

std::string ColumnText(const WindowRule& rule, int column) {
    switch (column) {
    case 0:
        return rule.className;
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
