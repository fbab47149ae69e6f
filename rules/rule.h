#pragma once
// A window rule and the conversions around it. Lists, settings and dialogs hold the display texts
// of the action and the z order; only the rules file holds their codes.
#include <string>

namespace vantrel {

// All six fields in their in-memory (display) form, in the order of the list columns and of the
// keys in the rules file.
struct WindowRule {
    std::string className;
    std::string action;
    std::string zOrder;
    std::string windowCaption;
    std::string autoRefresh;  // "Yes", "No", or "-" for a class that is not Internet Explorer's
    std::string timeInterval; // seconds as typed (may be empty), or "-"
};

constexpr int kActionCount = 5;
constexpr int kZOrderCount = 3;
constexpr int kDefaultIntervalSeconds = 30;

// Display text of a code; any code outside the table reads as "Default".
std::string ActionTexts(int code);
std::string ZOrderTexts(int code);

// Code of a display text, exact comparison; any text outside the table gives 0 ("Default").
int ActionFromText(const std::string& text);
int ZOrderFromText(const std::string& text);

// Internet Explorer frame windows are recognised in any letter case, so "ieframe" counts too.
bool ContainsIEFrame(const std::string& className);

// ASCII letters fold, every other byte compares as it is: class names are ANSI bytes and the
// C locale's tables would fold bytes of the code page differently from one machine to the next.
bool EqualsAsciiNoCase(const std::string& a, const std::string& b);

// The number written to the rules file: -1 for "-", an empty text or any text that is not an
// integer.
int IntervalForFile(const std::string& text);

// Seconds between two refreshes as the timer needs them: always at least 1 and small enough that
// the milliseconds fit an int. Text that is not a number, zero or negative gives the default.
int IntervalSecondsForTimer(const std::string& text);

// The rule's text in the rules list's columns: class name, action, z order, window caption,
// auto refresh, interval.
std::string ColumnText(const WindowRule& rule, int column);

} // namespace vantrel
