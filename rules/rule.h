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
    // Optional narrowing and effects; empty means "any" or "leave it". A rule that uses none of
    // them is written to the rules file exactly as before they existed.
    std::string program{};      // executable file name or full path, any letter case
    std::string titlePattern{}; // caption pattern: '*' any run, '?' one character, any letter case
    std::string placement{};    // one of the nine place names, or "x,y,w,h" on the window's monitor
    std::string transparency{}; // percent 0..100
    bool applyOnce = false;     // act on a window once, not at every rebuild
};

// The rule values the More dialog edits, in the form the rule holds them.
struct RuleExtras {
    std::string program;
    std::string titlePattern;
    std::string placement;
    std::string transparency;
    bool applyOnce = false;

    bool operator==(const RuleExtras& other) const {
        return program == other.program && titlePattern == other.titlePattern &&
               placement == other.placement && transparency == other.transparency &&
               applyOnce == other.applyOnce;
    }
    bool operator!=(const RuleExtras& other) const { return !(*this == other); }
};

RuleExtras ExtrasOf(const WindowRule& rule);
void SetExtras(WindowRule& rule, const RuleExtras& extras);

// What a rule is matched against: the window's class, its program's path and its caption.
struct WindowFacts {
    const std::string& className;
    const std::string& path;
    const std::string& caption;
};

// Whole-text match of a pattern with '*' and '?', ASCII letters folded.
bool PatternMatches(const std::string& pattern, const std::string& text);

// A program given as a file name matches the last part of the path; one given with a folder
// matches the whole path. Both ignore ASCII letter case.
bool ProgramMatches(const std::string& program, const std::string& path);

// Class exactly (or any, when the rule's is empty), program and caption pattern. A rule with
// none of the three matches nothing.
bool RuleMatches(const WindowRule& rule, const WindowFacts& window);

// The last part of a path: what "Add rule" puts into a new rule's program.
std::string FileNameOf(const std::string& path);

// The rule's match in one text for the rules list: "class | program | pattern", leaving out the
// parts that are empty.
std::string MatchText(const WindowRule& rule);

// A placement as a rule holds it: a place name (the index into AlignmentPlaces()), or a
// rectangle relative to the monitor's top-left corner.
struct RulePlacement {
    int place = -1; // -1: a rectangle
    int x = 0, y = 0, w = 0, h = 0;
};
// False for empty or unusable text, which leaves the window where it is.
bool ParseRulePlacement(const std::string& text, RulePlacement& out);
// Transparency percent of a rule, or -1 when it leaves transparency alone.
int RuleTransparencyPercent(const std::string& text);

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
