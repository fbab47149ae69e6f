// The rule commands driven through the real "Set Rule" dialog against windows of another process,
// and the ticks of the two periodic timers.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/messages.h"
#include "app/timers.h"
#include "platform/profile.h"
#include "rules/rule_commands.h"
#include "rules/rule_more_dialog.h"
#include "rules/rule_store.h"
#include "rules/set_rule_dialog.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vantrel::Form;
using vantrel::TfrmRuleMore;
using vantrel::TfrmSetRule;
using vt::Control;
using vt::RuleSection;
using vt::RulesFile;
using vt::Topmost;
using Command = void (*)(vantrel::RuleCommandHost&);

// A script for the rule dialog: its steps in the order given, then OK, or Cancel.
class Pick {
public:
    using R = TfrmSetRule;
    Pick& Then(std::function<void(R&)> step) {
        steps_.push_back(std::move(step));
        return *this;
    }
    Pick& Shows(std::string s) {
        return Then([s](R& d) { EXPECT_EQ(vt::SetRuleShown(d), s); });
    }
    Pick& Type(std::string s) {
        return Then([s](R& d) { vt::Type(Control(d, R::kIdClassName), s); });
    }
    Pick& Action(int i) { return Set(&R::SetActionIndex, i); }
    Pick& ZOrder(int i) { return Set(&R::SetZOrderIndex, i); }
    Pick& Interval(std::string s) { return Set(&R::SetTimeIntervalText, s); }
    template <typename Setter, typename Value> Pick& Set(Setter setter, Value value) {
        return Then([setter, value](R& d) { (d.*setter)(value); });
    }
    Pick& Refresh() { return Toggle(R::kIdAutoRefresh); }
    Pick& Exclude() { return Toggle(R::kIdCurrentWindow); }
    Pick& Toggle(int id) {
        return Then([id](R& d) { vt::Toggle(Control(d, id)); });
    }
    Pick& Cancel() {
        ok_ = false;
        return *this;
    }
    void operator()(R& d) const {
        for (const auto& step : steps_) {
            step(d);
        }
        vt::Click(Control(d, ok_ ? R::kIdOk : R::kIdCancel));
    }

private:
    std::vector<std::function<void(R&)>> steps_;
    bool ok_ = true;
};

class RuleCommand : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    std::string base_ = vt::UniqueName("RCmd");

    HWND Make(const std::string& cls, const std::string& caption = "rule command window") {
        return fixture_.CreateOne(vt::Spec(cls, caption));
    }
    void WriteDefaults(const std::string& action, const std::string& zOrder) {
        WriteUserSettings("[Options]\r\nSystemMenu=0\r\nAction=" + action + "\r\nZOrder=" + zOrder +
                          "\r\n");
    }
    int Row(HWND window) { return form().windows().Find(window); }
    const vantrel::WindowEntry& Entry(HWND window) {
        const int row = Row(window);
        EXPECT_GE(row, 0);
        return form().windows().At(row < 0 ? 0 : row);
    }
    void SelectWindow(HWND window) {
        form().lvMain().Select(Row(window));
        ASSERT_EQ(form().lvMain().Selected(), Row(window));
    }
    // Each window's rule columns in its row, then how it stands once the fixture has caught up:
    // "Minimize|Stay on top|min|top", joined by ", ".
    std::string Applied(std::initializer_list<HWND> windows) {
        fixture_.Sync();
        std::string text;
        for (HWND w : windows) {
            const vantrel::WindowEntry& e = Entry(w);
            text += (text.empty() ? "" : ", ") + e.autoAction + '|' + e.autoZOrder + '|' +
                    vt::ShownAs(w) + (Topmost(w) ? "|top" : "|");
        }
        return text;
    }
    // Every rule held, one line each. The rules list shows as many rows, and rules.dat loads
    // back as the same rules, an emptied interval having been saved as -1.
    std::string Rules() {
        EXPECT_EQ(form().lvRule().Count(), static_cast<int>(form().rules().size()));
        vantrel::RuleList saved, asSaved = form().rules();
        vantrel::LoadRules(folder() + "rules.dat", saved);
        for (std::size_t i = 0; i < asSaved.size(); ++i) {
            std::string& interval = asSaved.at(i).timeInterval;
            interval = interval.empty() ? "-1" : interval;
        }
        EXPECT_EQ(vt::RuleLines(saved), vt::RuleLines(asSaved)) << "rules.dat differs";
        return vt::RuleLines(form().rules());
    }
    std::string Saved(const std::string& section, const std::string& key) {
        return vantrel::platform::ReadProfileString(folder() + "rules.dat", section, key,
                                                    "<missing>");
    }
    std::string SavedFile() { return vt::FileText(folder() + "rules.dat"); }
    std::string Timer1() {
        return (form().timer1Enabled() ? "on " : "off ") + std::to_string(form().timer1Interval());
    }
    void ShowTab(bool rules) {
        form().lvMain().Show(!rules);
        form().lvRule().Show(rules);
    }
    // Runs the command, which is to open the rule dialog once; `script` runs inside that dialog
    // and must close it.
    void Run(Command command, const std::function<void(TfrmSetRule&)>& script) {
        vt::WhenModalOpens("Set Rule",
                           [&](Form& dialog) { script(static_cast<TfrmSetRule&>(dialog)); });
        const vt::ModalDeadline deadline(10000, vantrel::kResultCancel);
        command(form());
        EXPECT_EQ(deadline.Ended(), 0) << "the script left the dialog open";
        EXPECT_EQ(vt::DropPendingScripts(), 0) << "the command opened no rule dialog";
    }
};

const Command kAddForWindow = vantrel::aMainAddRuleExecute;
// The newer fields of a rule first made for a window of the fixture: its program.
const std::string kForFixture = "|vt_fixture.exe||||";
const Command kAddTyped = vantrel::aRulesAddRuleExecute;
const Command kEdit = vantrel::aEditRuleExecute;

// Unchanged values for a class that has a rule save and apply nothing, and neither does Cancel;
// changed ones overwrite the rule and reach every window of the class, and only those.
TEST_F(RuleCommand, OnlyChangedValuesOverwriteTheRule) {
    const std::string cls = base_ + "Ruled";
    const HWND ruled = Make(cls, "second caption");
    const HWND twin = Make(cls, "twin");
    const HWND caseOnly = Make(base_ + "Case");
    const HWND other = Make(base_ + "Other");
    // The second rule differs from its window's class in letter case only: it does not apply to
    // the window, yet it counts as the class's rule when asking whether one exists.
    WriteFile("rules.dat", RulesFile({RuleSection(1, cls, 2, 0, "first caption"),
                                      RuleSection(2, base_ + "CASE", 2, 0)}));
    auto& f = Start();
    ASSERT_EQ(Applied({ruled}), "Minimize|Default|min|");
    fixture_.Show(ruled, SW_RESTORE);
    const std::string before = SavedFile();
    const std::string caseRule = base_ + "CASE|Minimize|Default||-|-\n";

    for (HWND window : {ruled, caseOnly}) {
        SelectWindow(window);
        Run(kAddForWindow, Pick());
    }
    SelectWindow(ruled);
    Run(kAddForWindow, Pick().Action(1).Cancel());
    EXPECT_EQ(SavedFile(), before);
    EXPECT_EQ(f.lvMain().Selected(), Row(ruled));
    EXPECT_EQ(Applied({ruled, caseOnly}), "Minimize|Default|normal|, Default|Default|normal|");
    EXPECT_EQ(Rules(), cls + "|Minimize|Default|first caption|-|-\n" + caseRule);

    Run(kAddForWindow, Pick().Action(1).ZOrder(1));
    EXPECT_EQ(Rules(), cls + "|Maximize|Stay on top|first caption|-|-\n" + caseRule);
    EXPECT_EQ(Applied({ruled, twin, caseOnly, other}),
              "Maximize|Stay on top|max|top, Maximize|Stay on top|max|top, "
              "Default|Default|normal|, Default|Default|normal|");
}

TEST_F(RuleCommand, InternetExplorerClassesGetTheRefreshColumnsAndTimers) {
    const std::string cls = vt::UniqueName("RcIeFrame"); // "IEFRAME" only once upper-cased
    const HWND browser = Make(cls, "start page");
    const HWND frame = Make("IEFrame", "browser");
    auto& f = Start();
    f.SetTimerVistaRefresh(false);
    SelectWindow(browser);

    Run(kAddForWindow,
        Pick().Shows(cls + "|start page|0|0|30|ie").Refresh().Exclude().Interval("45"));
    EXPECT_EQ(Rules(), cls + "|Default|Default|start page|Yes|45" + kForFixture + "\n");
    EXPECT_EQ(Entry(browser).autoRefreshInclusion, 0);
    EXPECT_EQ(Timer1(), "on 45000");

    // The dialog opens with the rule's refresh and the window's exclusion; an interval that is
    // no number runs the timer at the default.
    const std::string reopened = cls + "|start page|0|0|45|ie refresh exclude";
    Run(kAddForWindow, Pick().Shows(reopened).Refresh().Exclude().Interval(""));
    const std::string browserRule = cls + "|Default|Default|start page|No|" + kForFixture + "\n";
    EXPECT_EQ(Rules(), browserRule);
    EXPECT_EQ(Entry(browser).autoRefreshInclusion, 1);
    EXPECT_EQ(Timer1(), "off 30000");

    // Only a "Stay on top" rule for the exact class "IEFrame" concerns the two-minute timer.
    EXPECT_FALSE(f.timerVistaRefreshEnabled());
    SelectWindow(frame);
    Run(kAddForWindow, Pick().ZOrder(2));
    EXPECT_FALSE(f.timerVistaRefreshEnabled());
    Run(kAddForWindow, Pick().ZOrder(1));
    EXPECT_TRUE(f.timerVistaRefreshEnabled());
    EXPECT_EQ(Applied({frame}), "Default|Stay on top|normal|top");
    EXPECT_EQ(Rules(),
              browserRule + "IEFrame|Default|Stay on top|browser|No|30" + kForFixture + "\n");
}

// The dialog opens with the default action; the rule names the program, and More narrows it to a
// caption.
TEST_F(RuleCommand, DoubleClickMakesTheShownRuleAndMoreNarrowsItToACaption) {
    const std::string cls = base_ + "Chat";
    const HWND chat = Make(cls, "Huddle with Ann");
    const HWND other = Make(cls, "General");
    WriteDefaults("Maximize", "Default");
    auto& f = Start();
    SelectWindow(chat);
    vt::BoxAnswerer boxes;
    Run(vantrel::lvMainDblClick,
        Pick().Shows(cls + "|Huddle with Ann|1|0|30|").ZOrder(1).Then([&](TfrmSetRule& d) {
            vt::WhenModalOpens("More", [&](Form& more) {
                EXPECT_EQ(vantrel::ControlText(Control(more, TfrmRuleMore::kIdProgram)),
                          "vt_fixture.exe");
                vt::Type(Control(more, TfrmRuleMore::kIdTitlePattern), "*huddle*");
                // A place that is neither a name nor four numbers keeps the dialog open.
                ::SetWindowTextA(Control(more, TfrmRuleMore::kIdPlacement), "1,2");
                vt::Click(Control(more, TfrmRuleMore::kIdOk));
                EXPECT_EQ(more.GetModalResult(), vantrel::kResultNone);
                ::SetWindowTextA(Control(more, TfrmRuleMore::kIdPlacement), "Top Left");
                vt::Click(Control(more, TfrmRuleMore::kIdOk));
            });
            vt::Click(Control(d, TfrmSetRule::kIdMore));
        }));
    EXPECT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(Rules(), cls + "|Maximize|Stay on top|Huddle with Ann|-|-|vt_fixture.exe|*huddle*|" +
                           "Top Left||\n");
    EXPECT_EQ(f.lvMain().Selected(), Row(chat));
    EXPECT_EQ(Applied({chat, other}), "Maximize|Stay on top|max|top, Maximize|Default|max|");
}

// The list is rebuilt while the dialog is open: with fewer rows than the remembered position, or
// without the window the dialog is for.
TEST_F(RuleCommand, AListRebuiltDuringTheDialogIsNotWrittenBlindly) {
    const std::string cls = base_ + "Kept";
    // The oldest window is enumerated last, so it stands at the highest position.
    const HWND kept = Make(cls, "kept");
    vt::WindowSpec filler = vt::Spec(base_ + "Filler", "filler");
    filler.count = 3;
    const std::vector<HWND> fillers = fixture_.Create(filler);
    const HWND gone = Make(base_ + "Gone", "gone");
    const HWND sibling = Make(base_ + "Gone", "sibling");
    const HWND stranger = Make(base_ + "Stranger", "stranger");
    auto& f = Start();
    const int remembered = Row(kept);
    ASSERT_GE(remembered, 3);
    const auto rebuiltWithout = [&](const std::vector<HWND>& windows) {
        return Pick().Then([&, windows](TfrmSetRule&) {
            for (HWND window : windows) {
                fixture_.Destroy(window);
            }
            f.catalogue().Rebuild();
        });
    };

    SelectWindow(kept);
    Run(kAddForWindow, rebuiltWithout(fillers).Action(2));
    ASSERT_LT(f.windows().Count(), remembered + 1);
    // The window moved up: its own row gets the rule, and nothing is written past the end.
    const std::string keptRule = cls + "|Minimize|Default|kept|-|-" + kForFixture + "\n";
    EXPECT_EQ(Rules(), keptRule);
    EXPECT_EQ(f.lvMain().Selected(), Row(kept));
    const auto actions = vt::ColumnOf(f.windows(), &vantrel::WindowEntry::autoAction);
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "Minimize"), 1)
        << ::testing::PrintToString(actions);
    EXPECT_EQ(Applied({kept}), "Minimize|Default|min|");

    // A window that went still gets its rule stored, saved and applied to its class.
    SelectWindow(gone);
    Run(kAddForWindow, rebuiltWithout({gone}).Action(2));
    ASSERT_EQ(Row(gone), -1);
    EXPECT_EQ(Rules(), keptRule + base_ + "Gone|Minimize|Default|gone|-|-" + kForFixture + "\n");
    EXPECT_EQ(Applied({sibling, stranger}), "Minimize|Default|min|, Default|Default|normal|");
    // The rebuild cleared the selection, and no other row is selected in the gone window's place.
    EXPECT_EQ(f.lvMain().Selected(), -1);
}

// A typed class name updates a rule stored in another letter case, or appends one; the command on
// a listed window appends a rule for its exact class.
TEST_F(RuleCommand, ATypedNameUpdatesOrAppendsAndSetsTheRefreshTimer) {
    const std::string stored = base_ + "pad";
    const HWND window = Make(base_ + "Pad");
    const HWND typedWindow = Make(base_ + "Typed");
    WriteDefaults("Normal", "Default");
    WriteFile("rules.dat", RulesFile({RuleSection(1, stored, 0, 0, "old caption")}));
    auto& f = Start();
    f.SetTimerVistaRefresh(false);
    ASSERT_EQ(Entry(typedWindow).autoAction, "Normal");

    Run(kAddTyped, Pick().Shows("||0|0|30|editable nocaption").Type(base_ + "PAD").Action(2));
    std::string rules = stored + "|Minimize|Default|old caption|-|-\n";
    EXPECT_EQ(Rules(), rules);
    // Rules match windows with their letter case.
    EXPECT_EQ(Applied({window}), "Normal|Default|normal|");

    Run(kAddTyped, Pick().Type(base_ + "Typed")); // unchanged values make a rule all the same
    rules += base_ + "Typed|Default|Default||-|-\n";
    EXPECT_EQ(Rules(), rules);
    EXPECT_EQ(Entry(typedWindow).autoAction, "Default");

    const std::string before = SavedFile();
    Run(kAddTyped, Pick().Type("another").Cancel());
    EXPECT_EQ(Rules(), rules);
    EXPECT_EQ(SavedFile(), before);

    Run(kAddTyped, Pick().Type("IEFrame").Refresh().Interval("0").ZOrder(1));
    rules += "IEFrame|Default|Stay on top||Yes|0\n";
    EXPECT_EQ(Rules(), rules);
    EXPECT_EQ(Timer1(), "on 30000");
    // Only the command on a listed window looks at the two-minute timer.
    EXPECT_FALSE(f.timerVistaRefreshEnabled());

    SelectWindow(window);
    Run(kAddForWindow, Pick().Action(1));
    EXPECT_EQ(Rules(), rules + base_ + "Pad|Maximize|Default|rule command window|-|-\n");
    EXPECT_EQ(Applied({window}), "Maximize|Default|max|");
}

TEST_F(RuleCommand, AnInternetExplorerRuleSetsTheTimerAsItOpensAndOnlyThen) {
    const std::string on = vt::UniqueName("RcIEFrameOn");
    const std::string off = vt::UniqueName("RcIEFrameOff");
    const std::string bad = vt::UniqueName("RcIEFrameBad");
    const std::string edited = vt::UniqueName("RcIEFrameEdit");
    WriteFile(
        "rules.dat",
        RulesFile({RuleSection(1, on, 0, 0, "", "Yes", 20), RuleSection(2, off, 0, 0, "", "No", 50),
                   RuleSection(3, base_ + "Plain", 0, 0), RuleSection(4, bad, 0, 0, "", "Yes", -1),
                   RuleSection(5, edited, 1, 0, "browser", "Yes", 30)}));
    auto& f = Start();
    ShowTab(true);
    const std::string before = SavedFile();
    f.SetTimer1(false, 1000);
    const struct {
        Command command;
        Pick script;
        const char* timer; // as the dialog opens, and after it closed
    } rows[] = {
        {vantrel::lvRuleDblClick, Pick().Shows(on + "||0|0|20|nocaption ie refresh").Cancel(),
         "on 20000"},
        {kEdit, Pick().Shows(off + "||0|0|50|nocaption ie").Cancel(), "off 50000"},
        {kEdit, Pick().Shows(base_ + "Plain||0|0|30|nocaption").Cancel(), "off 50000"},
        // The file's -1 loads as "-1": no usable interval, so the default.
        {kEdit, Pick().Shows(bad + "||0|0|-1|nocaption ie refresh"), "on 30000"},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("rule " + std::to_string(i + 1));
        f.lvRule().Select(i);
        Run(rows[i].command, [&](TfrmSetRule& d) {
            EXPECT_EQ(Timer1(), rows[i].timer);
            rows[i].script(d);
        });
        EXPECT_EQ(Timer1(), rows[i].timer);
    }
    EXPECT_EQ(SavedFile(), before);

    // The program keeps no copy of the file, so a save shows as this stand-in being replaced.
    const std::string standIn = "[Options]\r\nWindowCount=0\r\n";
    WriteFile("rules.dat", standIn);
    f.lvRule().Select(4);
    Run(kEdit, Pick());
    EXPECT_EQ(SavedFile(), standIn);
    // An interval retyped with a leading zero is a change.
    Run(kEdit, Pick().Shows(edited + "|browser|1|0|30|nocaption ie refresh").Interval("030"));
    EXPECT_EQ(vt::RuleText(f.rules().at(4)), edited + "|Maximize|Default|browser|Yes|030");
    EXPECT_EQ(Saved("Options", "WindowCount") + "|" + Saved("Window5", "TimeInterval"), "5|30");
    // The accepted values do not set the timer again.
    Run(kEdit, Pick().Refresh().Interval("90"));
    EXPECT_EQ(vt::RuleText(f.rules().at(4)), edited + "|Maximize|Default|browser|No|90");
    EXPECT_EQ(Timer1(), "on 30000");
    EXPECT_EQ(Saved("Window5", "AutoRefresh"), "No");
}

// The commands need their list showing with a selection: without one, add and the double clicks
// open nothing, edit and delete ask for one. A changed rule is applied to its open windows at
// once, and a deleted one gives them the defaults; the following rule, else the first, is selected
// afterwards.
TEST_F(RuleCommand, CommandsNeedASelectionAndChangedOrDeletedRulesReachTheirWindows) {
    const std::string cls = base_ + "Applied";
    const HWND window = Make(cls);
    WriteDefaults("Normal", "Normal");
    WriteFile("rules.dat", RulesFile({RuleSection(1, base_ + "A", 1, 0), RuleSection(2, cls, 0, 0),
                                      RuleSection(3, base_ + "C", 3, 0)}));
    auto& f = Start();
    const std::string before = SavedFile();
    SelectWindow(window);
    f.lvRule().Select(1);
    EXPECT_TRUE(vantrel::aMainAddRuleUpdate(f));
    EXPECT_FALSE(vantrel::aEditRuleUpdate(f)); // the rules list is not showing
    ShowTab(true);
    EXPECT_FALSE(vantrel::aMainAddRuleUpdate(f));
    EXPECT_TRUE(vantrel::aEditRuleUpdate(f));
    f.lvRule().Select(-1);
    EXPECT_FALSE(vantrel::aEditRuleUpdate(f));
    ShowTab(false);
    f.lvMain().Select(-1);
    EXPECT_FALSE(vantrel::aMainAddRuleUpdate(f));
    vt::WhenModalOpens("Set Rule", [](Form& form) { form.SetModalResult(vantrel::kResultCancel); });
    {
        const vt::BoxAnswerer answerer;
        const vt::ModalDeadline deadline(10000, vantrel::kResultCancel);
        vantrel::lvMainDblClick(f);
        vantrel::aMainAddRuleExecute(f);
        ShowTab(true);
        vantrel::aDeleteRuleExecute(f);
        vantrel::aEditRuleExecute(f);
        vantrel::lvRuleDblClick(f); // not even the message
        EXPECT_EQ(deadline.Ended(), 0);
        ASSERT_EQ(vt::ShownBoxes().size(), 2u);
        for (const vt::ShownBox& box : vt::ShownBoxes()) {
            EXPECT_EQ(box.title + "|" + box.text, "Vantrel|Please select the list item first.");
        }
    }
    EXPECT_EQ(vt::DropPendingScripts(), 1); // no dialog opened
    const std::string a = base_ + "A|Maximize|Default||-|-\n";
    const std::string c = base_ + "C|Normal|Default||-|-\n";
    EXPECT_EQ(Rules(), a + cls + "|Default|Default||-|-\n" + c);
    EXPECT_EQ(SavedFile(), before);

    f.lvRule().Select(1);
    Run(kEdit, Pick().Shows(cls + "||0|0|30|nocaption").Action(2).ZOrder(1));
    EXPECT_EQ(Rules(), a + cls + "|Minimize|Stay on top||-|-\n" + c);
    EXPECT_EQ(Applied({window}), "Minimize|Stay on top|min|top");

    // A delete that lost the selection would ask for one: answered, it fails the test, not hangs.
    const vt::BoxAnswerer answerer;
    // The middle row, then the last one, then the only one.
    for (const auto& [rules, selected] : {std::pair{a + c, 1}, {a, 0}, {std::string(), -1}}) {
        vantrel::aDeleteRuleExecute(f);
        EXPECT_EQ(Rules() + "selected " + std::to_string(f.lvRule().Selected()),
                  rules + "selected " + std::to_string(selected));
        EXPECT_EQ(Applied({window}), "Normal|Normal|normal|");
    }
    EXPECT_TRUE(answerer.Seen().empty());
}

struct Timer1Row {
    const char* name;
    const char* version;
    int major;
    bool keys; // F5 pressed, else the refresh command
    friend void PrintTo(const Timer1Row& row, std::ostream* out) { *out << row.name; }
};

// Class names are atoms shared by the whole session and compared without letter case, so a
// session that has seen "IEFrame" reports "ieframe" as "IEFrame" too. The other-case windows
// therefore get unique names that hold "ieframe" in lower case.
class Timer1 : public RuleCommand, public ::testing::WithParamInterface<Timer1Row> {
protected:
    void SetUp() override { ASSERT_TRUE(ie_); }
    // The refreshes a window has handled, as F5 presses (down/up) and as refresh commands, read
    // once a private message posted after them is counted: posted messages wait behind commands.
    std::string Refreshes(HWND window) {
        const int before = fixture_.GetCounts(window).privateMessages;
        ::PostMessageA(window, WM_USER + 7, 0, 0);
        EXPECT_TRUE(vt::WaitUntil(
            [&] { return fixture_.GetCounts(window).privateMessages == before + 1; }));
        const vt::Counts c = fixture_.GetCounts(window);
        return "F5 " + std::to_string(c.keyDownF5) + "/" + std::to_string(c.keyUpF5) +
               ", command " + std::to_string(c.commandA220);
    }
    std::string Expected(int n) const {
        const std::string k = std::to_string(GetParam().keys ? n : 0);
        return "F5 " + k + "/" + k + ", command " + std::to_string(GetParam().keys ? 0 : n);
    }

    // The program reads the Internet Explorer version at start.
    const vt::RegValueOverride ie_{HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer",
                                   "Version", GetParam().version};
};

// The exclusion chosen in the dialog is the window's own, and holds until the next rebuild.
TEST_P(Timer1, RefreshesEveryIncludedInternetExplorerWindow) {
    const HWND upper = Make("IEFrame", "browser");
    const HWND excluded = Make("IEFrame", "browser");
    const HWND lower = Make(vt::UniqueName("ieframe"), "browser");
    const HWND plain = Make(base_ + "Plain");
    auto& f = Start();
    ASSERT_EQ(f.ieMajorVersion(), GetParam().major);
    ASSERT_NE(Entry(lower).className.find("ieframe"), std::string::npos);

    vantrel::Timer1Timer(f);
    for (HWND browser : {upper, excluded, lower}) {
        EXPECT_EQ(Refreshes(browser), Expected(1));
    }
    EXPECT_EQ(Refreshes(plain), Expected(0));

    SelectWindow(excluded);
    Run(kAddForWindow, Pick().Refresh().Exclude());
    ASSERT_TRUE(f.timer1Enabled());
    vantrel::Timer1Timer(f);
    EXPECT_EQ(Refreshes(upper), Expected(2));
    EXPECT_EQ(Refreshes(lower), Expected(2));
    EXPECT_EQ(Refreshes(excluded), Expected(1));
    f.catalogue().Rebuild();
    vantrel::Timer1Timer(f);
    EXPECT_EQ(Refreshes(excluded), Expected(2));
}

const Timer1Row kTimer1Rows[] = {
    {"Version6SendsTheRefreshCommand", "6.0.2900.5512", 6, false},
    {"Version8PressesF5", "8.0.6001.18702", 8, true},
    {"Version11PressesF5", "11.0.9600.16428", 11, true},
};
INSTANTIATE_TEST_SUITE_P(Versions, Timer1, ::testing::ValuesIn(kTimer1Rows),
                         [](const auto& info) { return std::string(info.param.name); });

// The two-minute tick on an "IEFrame" window that lost its place on top, beside a listed window of
// another class holding "ieframe", which does not count. With the window in the tray the tick goes
// on to apply the rules of "IEFrame", bringing it back. The tick's rebuild (every tick on version
// code 11, else only to look for the class) resets the marker's exclusion from the refresh.
struct TickRow {
    const char* name;
    int action, zOrder; // of the rule for "IEFrame"
    bool inTray;        // the window hidden in the tray before the tick
    const char* after;  // as stands() puts it
    friend void PrintTo(const TickRow& row, std::ostream* out) { *out << row.name; }
};

class TwoMinuteTick : public RuleCommand, public ::testing::WithParamInterface<TickRow> {};

TEST_P(TwoMinuteTick, OnAnIEFrameWindow) {
    const TickRow& p = GetParam();
    const HWND upper = Make("IEFrame", "browser");
    const HWND lower = Make(vt::UniqueName("ieframe"), "browser");
    const HWND marker = Make(base_ + "Marker");
    WriteFile("rules.dat", RulesFile({RuleSection(1, "IEFrame", p.action, p.zOrder)}));
    auto& f = Start();
    const auto stands = [&] {
        return std::string(::IsWindowVisible(upper) ? "shown" : "hidden") +
               (f.tray().WindowIconAdded(upper) ? " tray" : "") + (Topmost(upper) ? " top" : "") +
               (Entry(marker).autoRefreshInclusion == 0 ? " excluded" : "");
    };
    if (p.inTray) {
        vt::SysMenuCommand(f.Handle(), upper, 11);
        // As the shell or a relay tells of it: no watch runs here.
        ::PostMessageA(f.Handle(), vantrel::WM_WINDOWNOTICE, vantrel::kNoticeDestroyed,
                       vt::L(upper));
        ASSERT_TRUE(vt::WaitUntil([&] { return Row(upper) < 0; }));
    }
    fixture_.Sync();
    ASSERT_GE(Row(lower), 0);
    ASSERT_EQ(stands(),
              std::string(p.inTray ? "hidden tray" : "shown") + (p.zOrder == 1 ? " top" : ""));
    ::SetWindowPos(upper, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(Topmost(upper));
    f.windows().At(Row(marker)).autoRefreshInclusion = 0;

    vantrel::TimerVistaRefreshTimer(f);
    // The tick's rebuild runs in slices, and the rest of the tick once it is whole; a whole
    // rebuild would have held the program until it was done.
    EXPECT_EQ(f.catalogue().PassRunning(), f.versionCode() == 11);
    EXPECT_TRUE(vt::WaitUntil([&] { return !f.catalogue().PassRunning(); }));
    fixture_.Sync();
    const std::string after = p.after;
    EXPECT_EQ(stands(), f.versionCode() == 11 ? after.substr(0, after.find(" excluded")) : after);
}

const TickRow kTickRows[] = {
    {"StayOnTopPutsTheListedWindowOnTopAgain", 0, 1, false, "shown top excluded"},
    {"StayOnTopBringsBackTheWindowInTheTray", 3, 1, true, "shown top"},
    // Applying the rules of "IEFrame" would have shown it again.
    {"WithoutStayOnTopTheTickStopsEarly", 3, 2, true, "hidden tray excluded"},
};
INSTANTIATE_TEST_SUITE_P(Rules, TwoMinuteTick, ::testing::ValuesIn(kTickRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
