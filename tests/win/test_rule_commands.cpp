// The rule commands driven through the real "Set Rule" dialog against windows of another process,
// and the ticks of the two periodic timers.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/messages.h"
#include "app/timers.h"
#include "platform/registry.h"
#include "rules/rule_commands.h"
#include "rules/rule_more_dialog.h"
#include "rules/set_rule_dialog.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/main_form_fixture.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace {

using vt::BoxAnswerer;
using vt::ShownBox;

using vantrel::Form;
using vantrel::TfrmMain;
using vantrel::TfrmSetRule;
using vantrel::WindowRule;

using vt::RuleSection;
using vt::RulesFile;
using vt::Topmost;

// ---- Dialogs and message boxes, answered from inside their own modal loops ----------------------

void ClickOk(const TfrmSetRule& d) {
    vt::Click(vt::Control(d.Handle(), TfrmSetRule::kIdOk));
}
void ClickCancel(const TfrmSetRule& d) {
    vt::Click(vt::Control(d.Handle(), TfrmSetRule::kIdCancel));
}
void Toggle(const TfrmSetRule& d, int id) {
    vt::Toggle(vt::Control(d.Handle(), id));
}
void TypeClass(const TfrmSetRule& d, const std::string& text) {
    vt::Type(vt::Control(d.Handle(), TfrmSetRule::kIdClassName), text);
}
// A script that picks the action and z order (-1 leaves one as it is), then ends with OK.
std::function<void(TfrmSetRule&)> Choose(int action, int zOrder = -1) {
    return [=](TfrmSetRule& d) {
        if (action >= 0) {
            d.SetActionIndex(action);
        }
        if (zOrder >= 0) {
            d.SetZOrderIndex(zOrder);
        }
        ClickOk(d);
    };
}

// Runs `command`, which is to open the rule dialog once; `script` runs inside that dialog and
// must close it.
void WithDialog(const std::function<void()>& command,
                const std::function<void(TfrmSetRule&)>& script) {
    bool opened = false;
    vt::WhenModalOpens("Set Rule", [&](Form& form) {
        opened = true;
        script(static_cast<TfrmSetRule&>(form));
    });
    {
        const vt::ModalDeadline deadline(10000, vantrel::kResultCancel);
        command();
        EXPECT_EQ(deadline.Ended(), 0) << "the script left the dialog open";
    }
    EXPECT_TRUE(opened) << "the command opened no rule dialog";
    EXPECT_EQ(vt::DropPendingScripts(), 0);
}

// Holds the Internet Explorer version the program reads at start, and puts back what was there.
class IEVersionOverride {
public:
    explicit IEVersionOverride(const std::string& version) {
        if (key_.Create(HKEY_LOCAL_MACHINE, kKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) {
            return;
        }
        had_ = key_.ReadString("Version", old_) == ERROR_SUCCESS;
        set_ = key_.WriteString("Version", version) == ERROR_SUCCESS;
    }
    ~IEVersionOverride() {
        if (!set_) {
            return;
        }
        if (had_) {
            key_.WriteString("Version", old_);
        } else {
            key_.DeleteValue("Version");
        }
    }
    IEVersionOverride(const IEVersionOverride&) = delete;
    IEVersionOverride& operator=(const IEVersionOverride&) = delete;
    bool set() const { return set_; }

private:
    static constexpr const char* kKey = "Software\\Microsoft\\Internet Explorer";
    vantrel::platform::RegKey key_;
    std::string old_;
    bool had_ = false;
    bool set_ = false;
};

// ---- The fixture -------------------------------------------------------------------------------

class RuleCommand : public vt::MainFormTest {
protected:
    vt::Fixture fixture_;
    std::string base_ = vt::UniqueName("RCmd");

    HWND Make(const std::string& cls, const std::string& caption = "rule command window") {
        vt::WindowSpec wanted;
        wanted.className = cls;
        wanted.caption = caption;
        return fixture_.CreateOne(wanted);
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
    std::string Saved(const std::string& section, const std::string& key) {
        char buffer[512] = {};
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", buffer,
                                   sizeof(buffer), (folder() + "rules.dat").c_str());
        return buffer;
    }
    // The six keys of the [WindowK] section as saved, joined by '|'.
    std::string SavedFields(int k) {
        const std::string section = "Window" + std::to_string(k);
        std::string joined;
        for (const char* key :
             {"ClassName", "Action", "ZOrder", "WindowCaption", "AutoRefresh", "TimeInterval"}) {
            joined += (joined.empty() ? "" : "|") + Saved(section, key);
        }
        return joined;
    }
    std::string SavedFile() { return vt::FileText(folder() + "rules.dat"); }
    void ShowRulesTab() {
        form().lvMain().Show(false);
        form().lvRule().Show(true);
    }
};

// The six fields of a rule, joined by '|'.
std::string Fields(const WindowRule& r) {
    return r.className + '|' + r.action + '|' + r.zOrder + '|' + r.windowCaption + '|' +
           r.autoRefresh + '|' + r.timeInterval;
}

// ---- Adding a rule from the window list ---------------------------------------------------------

class RuleCommandAddFromList : public RuleCommand {};

TEST_F(RuleCommandAddFromList, DoubleClickWithTheDefaultMaximizeCreatesTheShownRule) {
    const std::string cls = base_ + "Pad";
    const HWND pad = Make(cls, "notes.txt - Pad");
    WriteDefaults("Maximize", "Default");
    auto& f = Start();
    SelectWindow(pad);
    const int row = Row(pad);

    WithDialog([&] { vantrel::lvMainDblClick(f); },
               [&](TfrmSetRule& d) {
                   EXPECT_EQ(d.CaptionText(), "notes.txt - Pad");
                   EXPECT_EQ(d.ClassNameText(), cls);
                   EXPECT_FALSE(d.ClassNameEditable());
                   EXPECT_EQ(d.ActionIndex(), 1);
                   EXPECT_EQ(d.ZOrderIndex(), 0);
                   EXPECT_FALSE(d.IEGroupEnabled());
                   ClickOk(d);
               });

    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Fields(f.rules().at(0)), cls + "|Maximize|Default|notes.txt - Pad|-|-");
    EXPECT_EQ(f.lvRule().Count(), 1);
    EXPECT_EQ(Saved("Options", "WindowCount"), "1");
    EXPECT_EQ(SavedFields(1), cls + "|1|0|notes.txt - Pad|-|-1");
    EXPECT_EQ(f.lvMain().Selected(), row);
    EXPECT_EQ(Entry(pad).autoAction, "Maximize");
    fixture_.Sync();
    EXPECT_TRUE(::IsZoomed(pad));
}

TEST_F(RuleCommandAddFromList, UnchangedOkForAClassWithARuleSavesAndAppliesNothing) {
    const std::string cls = base_ + "Ruled";
    const HWND ruled = Make(cls);
    const HWND caseOnly = Make(base_ + "Case");
    // The second rule differs from its window's class in letter case only: it does not apply to
    // the window, yet it counts as the class's rule when asking whether one exists.
    WriteFile("rules.dat", RulesFile({RuleSection(1, cls, 2, 0, "first caption"),
                                      RuleSection(2, base_ + "CASE", 2, 0)}));
    auto& f = Start();
    fixture_.Sync();
    ASSERT_TRUE(::IsIconic(ruled));
    fixture_.Show(ruled, SW_RESTORE);
    ASSERT_FALSE(::IsIconic(ruled));
    const std::string before = SavedFile();

    for (HWND window : {ruled, caseOnly}) {
        SelectWindow(window);
        WithDialog([&] { vantrel::aMainAddRuleExecute(f); }, ClickOk);
    }

    EXPECT_EQ(SavedFile(), before);
    fixture_.Sync();
    EXPECT_FALSE(::IsIconic(ruled)); // not applied again
    EXPECT_FALSE(::IsIconic(caseOnly));
    ASSERT_EQ(f.rules().size(), 2u);
    EXPECT_EQ(Fields(f.rules().at(0)), cls + "|Minimize|Default|first caption|-|-");
    EXPECT_EQ(Entry(caseOnly).autoAction, "Default");
}

TEST_F(RuleCommandAddFromList, ChangedOkOverwritesTheRuleAndCancelKeepsEverything) {
    const std::string cls = base_ + "Edit";
    const HWND window = Make(cls, "second caption");
    WriteFile("rules.dat", RulesFile({RuleSection(1, cls, 0, 0, "first caption")}));
    auto& f = Start();
    SelectWindow(window);
    const std::string before = SavedFile();

    WithDialog([&] { vantrel::aMainAddRuleExecute(f); },
               [](TfrmSetRule& d) {
                   d.SetActionIndex(2);
                   ClickCancel(d);
               });
    EXPECT_EQ(SavedFile(), before);
    EXPECT_EQ(f.rules().at(0).action, "Default");
    EXPECT_EQ(f.lvMain().Selected(), Row(window));
    fixture_.Sync();
    EXPECT_FALSE(::IsIconic(window));

    WithDialog([&] { vantrel::aMainAddRuleExecute(f); }, Choose(2));
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Fields(f.rules().at(0)), cls + "|Minimize|Default|first caption|-|-");
    EXPECT_EQ(SavedFields(1), cls + "|2|0|first caption|-|-1");
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(window));
}

TEST_F(RuleCommandAddFromList, EveryWindowOfTheClassGetsTheNewColumns) {
    const std::string cls = base_ + "Twin";
    const HWND first = Make(cls, "first twin");
    const HWND second = Make(cls, "second twin");
    const HWND other = Make(base_ + "Other");
    auto& f = Start();
    SelectWindow(second);

    WithDialog([&] { vantrel::aMainAddRuleExecute(f); }, Choose(2, 1));

    fixture_.Sync();
    for (HWND twin : {first, second}) {
        EXPECT_EQ(Entry(twin).autoAction, "Minimize");
        EXPECT_EQ(Entry(twin).autoZOrder, "Stay on top");
        EXPECT_TRUE(::IsIconic(twin));
        EXPECT_TRUE(Topmost(twin));
    }
    EXPECT_EQ(Entry(other).autoAction, "Default");
    EXPECT_EQ(Entry(other).autoZOrder, "Default");
    EXPECT_FALSE(::IsIconic(other));
    EXPECT_EQ(SavedFields(1), cls + "|2|1|second twin|-|-1");
}

TEST_F(RuleCommandAddFromList, InternetExplorerClassesGetTheRefreshColumnsAndTimer) {
    const std::string cls = vt::UniqueName("RcIeFrame"); // "IEFRAME" only once upper-cased
    const HWND browser = Make(cls, "start page");
    auto& f = Start();
    const bool vistaBefore = f.timerVistaRefreshEnabled();
    SelectWindow(browser);

    WithDialog([&] { vantrel::aMainAddRuleExecute(f); },
               [](TfrmSetRule& d) {
                   EXPECT_TRUE(d.IEGroupEnabled());
                   EXPECT_FALSE(d.AutoRefreshChecked());
                   EXPECT_EQ(d.TimeIntervalText(), "30");
                   EXPECT_FALSE(d.CurrentWindowChecked());
                   Toggle(d, TfrmSetRule::kIdAutoRefresh);
                   Toggle(d, TfrmSetRule::kIdCurrentWindow);
                   d.SetTimeIntervalText("45");
                   ClickOk(d);
               });
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Fields(f.rules().at(0)), cls + "|Default|Default|start page|Yes|45");
    EXPECT_EQ(SavedFields(1), cls + "|0|0|start page|Yes|45");
    EXPECT_EQ(Entry(browser).autoRefreshInclusion, 0);
    EXPECT_TRUE(f.timer1Enabled());
    EXPECT_EQ(f.timer1Interval(), 45000u);
    // Only a "Stay on top" rule for the exact class "IEFrame" concerns the two-minute timer.
    EXPECT_EQ(f.timerVistaRefreshEnabled(), vistaBefore);

    // The dialog opens with the rule's refresh and the window's exclusion; an interval that is
    // no number runs the timer at the default.
    WithDialog([&] { vantrel::aMainAddRuleExecute(f); },
               [](TfrmSetRule& d) {
                   EXPECT_TRUE(d.AutoRefreshChecked());
                   EXPECT_EQ(d.TimeIntervalText(), "45");
                   EXPECT_TRUE(d.CurrentWindowChecked());
                   Toggle(d, TfrmSetRule::kIdAutoRefresh);
                   Toggle(d, TfrmSetRule::kIdCurrentWindow);
                   d.SetTimeIntervalText("");
                   ClickOk(d);
               });
    EXPECT_EQ(Fields(f.rules().at(0)), cls + "|Default|Default|start page|No|");
    EXPECT_EQ(Saved("Window1", "TimeInterval"), "-1");
    EXPECT_EQ(Entry(browser).autoRefreshInclusion, 1);
    EXPECT_FALSE(f.timer1Enabled());
    EXPECT_EQ(f.timer1Interval(), 30000u);
}

TEST_F(RuleCommandAddFromList, StayOnTopForIEFrameSwitchesTheTwoMinuteTimerOn) {
    const HWND browser = Make("IEFrame", "browser");
    auto& f = Start();
    f.SetTimerVistaRefresh(false);
    SelectWindow(browser);

    WithDialog([&] { vantrel::aMainAddRuleExecute(f); }, Choose(-1, 2));
    EXPECT_FALSE(f.timerVistaRefreshEnabled());

    WithDialog([&] { vantrel::aMainAddRuleExecute(f); }, Choose(-1, 1));
    EXPECT_TRUE(f.timerVistaRefreshEnabled());
    fixture_.Sync();
    EXPECT_TRUE(Topmost(browser));
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Fields(f.rules().at(0)), "IEFrame|Default|Stay on top|browser|No|30");
}

// The list is rebuilt while the dialog is open and has fewer rows than the remembered position.
TEST_F(RuleCommandAddFromList, AListThatShrankDuringTheDialogIsNotWrittenBlindly) {
    const std::string cls = base_ + "Kept";
    // The oldest window is enumerated last, so it stands at the highest position.
    const HWND kept = Make(cls, "kept");
    std::vector<HWND> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(Make(base_ + "Filler" + std::to_string(i), "filler"));
    }
    auto& f = Start();
    const int remembered = Row(kept);
    ASSERT_GE(remembered, 3);
    SelectWindow(kept);

    WithDialog([&] { vantrel::aMainAddRuleExecute(f); },
               [&](TfrmSetRule& d) {
                   for (HWND filler : fillers) {
                       fixture_.Destroy(filler);
                   }
                   f.catalogue().Rebuild();
                   EXPECT_LT(f.windows().Count(), remembered + 1);
                   Choose(2)(d);
               });
    // The window moved up: its own row gets the rule, and nothing is written past the end.
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Saved("Window1", "Action"), "2");
    const int now = Row(kept);
    ASSERT_GE(now, 0);
    EXPECT_EQ(f.windows().At(now).autoAction, "Minimize");
    EXPECT_EQ(f.lvMain().Selected(), now);
    for (int i = 0; i < f.windows().Count(); ++i) {
        if (i != now) {
            EXPECT_NE(f.windows().At(i).autoAction, "Minimize") << f.windows().At(i).className;
        }
    }
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(kept));
}

TEST_F(RuleCommandAddFromList, RuleNamesTheProgramAndMoreNarrowsItToACaption) {
    const std::string cls = base_ + "Chat";
    const HWND chat = Make(cls, "Huddle with Ann");
    const HWND other = Make(cls, "General");
    auto& f = Start();
    SelectWindow(chat);
    vt::BoxAnswerer boxes;
    WithDialog([&] { vantrel::lvMainDblClick(f); },
               [&](TfrmSetRule& d) {
                   d.SetActionIndex(0);
                   d.SetZOrderIndex(1);
                   vt::WhenModalOpens("More", [&](vantrel::Form& more) {
                       auto ctl = [&](int id) { return vt::Control(more.Handle(), id); };
                       EXPECT_EQ(vantrel::ControlText(ctl(vantrel::TfrmRuleMore::kIdProgram)),
                                 "vt_fixture.exe");
                       vt::Type(ctl(vantrel::TfrmRuleMore::kIdTitlePattern), "*huddle*");
                       // A place that is neither a name nor four numbers keeps the dialog open.
                       ::SetWindowTextA(ctl(vantrel::TfrmRuleMore::kIdPlacement), "1,2");
                       vt::Click(ctl(vantrel::TfrmRuleMore::kIdOk));
                       EXPECT_EQ(more.GetModalResult(), vantrel::kResultNone);
                       ::SetWindowTextA(ctl(vantrel::TfrmRuleMore::kIdPlacement), "Top Left");
                       vt::Click(ctl(vantrel::TfrmRuleMore::kIdOk));
                   });
                   vt::Click(vt::Control(d.Handle(), TfrmSetRule::kIdMore));
                   ClickOk(d);
               });
    EXPECT_EQ(boxes.Seen().size(), 1u);
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(vantrel::ColumnText(f.rules().at(0), 0), cls + " | vt_fixture.exe | *huddle*");
    EXPECT_EQ(Saved("Window1", "Program") + "|" + Saved("Window1", "TitlePattern") + "|" +
                  Saved("Window1", "Placement"),
              "vt_fixture.exe|*huddle*|Top Left");
    fixture_.Sync();
    // Applied to the window the rule matches now, and only to it.
    EXPECT_EQ(Entry(chat).autoZOrder, "Stay on top");
    EXPECT_EQ(Entry(other).autoZOrder, "Default");
    EXPECT_TRUE(::GetWindowLongA(chat, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(::GetWindowLongA(other, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(RuleCommandAddFromList, AWindowThatWentDuringTheDialogStillGetsItsRuleStored) {
    const std::string cls = base_ + "Gone";
    const HWND gone = Make(cls, "gone");
    const HWND sibling = Make(cls, "sibling");
    const HWND stranger = Make(base_ + "Stranger", "stranger");
    auto& f = Start();
    SelectWindow(gone);

    WithDialog([&] { vantrel::aMainAddRuleExecute(f); },
               [&](TfrmSetRule& d) {
                   fixture_.Destroy(gone);
                   f.catalogue().Rebuild();
                   Choose(2)(d);
               });
    ASSERT_EQ(Row(gone), -1);
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Fields(f.rules().at(0)), cls + "|Minimize|Default|gone|-|-");
    EXPECT_EQ(SavedFields(1), cls + "|2|0|gone|-|-1");
    EXPECT_EQ(Entry(sibling).autoAction, "Minimize");
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(sibling));
    EXPECT_EQ(Entry(stranger).autoAction, "Default");
    EXPECT_FALSE(::IsIconic(stranger));
    // The rebuild cleared the selection, and no other row is selected in the gone window's place.
    EXPECT_EQ(f.lvMain().Selected(), -1);
}

// ---- Adding a rule on the Rules tab -------------------------------------------------------------

class RuleCommandRulesTab : public RuleCommand {};

TEST_F(RuleCommandRulesTab, ATypedNameInAnotherCaseUpdatesButTheWindowListAppends) {
    const std::string stored = base_ + "pad";
    const HWND window = Make(base_ + "Pad");
    WriteFile("rules.dat", RulesFile({RuleSection(1, stored, 0, 0, "old caption")}));
    auto& f = Start();

    WithDialog([&] { vantrel::aRulesAddRuleExecute(f); },
               [&](TfrmSetRule& d) {
                   EXPECT_TRUE(d.ClassNameEditable());
                   EXPECT_EQ(d.ClassNameText(), "");
                   EXPECT_FALSE(
                       ::IsWindowEnabled(vt::Control(d.Handle(), TfrmSetRule::kIdCaption)));
                   TypeClass(d, base_ + "PAD");
                   Choose(2)(d);
               });
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Fields(f.rules().at(0)), stored + "|Minimize|Default|old caption|-|-");
    EXPECT_EQ(SavedFields(1), stored + "|2|0|old caption|-|-1");
    // Rules match windows with their letter case.
    EXPECT_EQ(Entry(window).autoAction, "Default");
    fixture_.Sync();
    EXPECT_FALSE(::IsIconic(window));

    SelectWindow(window);
    WithDialog([&] { vantrel::aMainAddRuleExecute(f); }, Choose(2));
    ASSERT_EQ(f.rules().size(), 2u);
    EXPECT_EQ(f.rules().at(1).className, base_ + "Pad");
    EXPECT_EQ(f.lvRule().Count(), 2);
    EXPECT_EQ(Saved("Options", "WindowCount"), "2");
    EXPECT_EQ(Entry(window).autoAction, "Minimize");
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(window));
}

TEST_F(RuleCommandRulesTab, UnchangedOkAppendsAndRefreshesTheWindowColumns) {
    const std::string cls = base_ + "Typed";
    const HWND window = Make(cls);
    WriteDefaults("Minimize", "Default");
    auto& f = Start();
    ASSERT_EQ(Entry(window).autoAction, "Minimize");

    WithDialog([&] { vantrel::aRulesAddRuleExecute(f); },
               [&](const TfrmSetRule& d) {
                   TypeClass(d, cls);
                   ClickOk(d);
               });
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Fields(f.rules().at(0)), cls + "|Default|Default||-|-");
    EXPECT_EQ(f.lvRule().Count(), 1);
    EXPECT_EQ(Entry(window).autoAction, "Default");
    EXPECT_EQ(SavedFields(1), cls + "|0|0||-|-1");

    const std::string before = SavedFile();
    WithDialog([&] { vantrel::aRulesAddRuleExecute(f); },
               [&](const TfrmSetRule& d) {
                   TypeClass(d, "another");
                   ClickCancel(d);
               });
    EXPECT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(SavedFile(), before);
}

TEST_F(RuleCommandRulesTab, ATypedInternetExplorerNameSetsTheRefreshTimer) {
    auto& f = Start();
    f.SetTimerVistaRefresh(false);
    WithDialog([&] { vantrel::aRulesAddRuleExecute(f); },
               [&](TfrmSetRule& d) {
                   EXPECT_FALSE(d.IEGroupEnabled());
                   TypeClass(d, "IEFrame");
                   EXPECT_TRUE(d.IEGroupEnabled());
                   Toggle(d, TfrmSetRule::kIdAutoRefresh);
                   d.SetTimeIntervalText("0");
                   Choose(-1, 1)(d);
               });
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(Fields(f.rules().at(0)), "IEFrame|Default|Stay on top||Yes|0");
    EXPECT_TRUE(f.timer1Enabled());
    EXPECT_EQ(f.timer1Interval(), 30000u);
    EXPECT_EQ(SavedFields(1), "IEFrame|0|1||Yes|0");
    // Only the command on a listed window looks at the two-minute timer.
    EXPECT_FALSE(f.timerVistaRefreshEnabled());
}

// ---- Editing a rule ----------------------------------------------------------------------------

class RuleCommandEdit : public RuleCommand {};

TEST_F(RuleCommandEdit, OpeningAnInternetExplorerRuleSetsTheTimerEvenOnCancel) {
    const std::string on = vt::UniqueName("RcIEFrameOn");
    const std::string off = vt::UniqueName("RcIEFrameOff");
    WriteFile(
        "rules.dat",
        RulesFile({RuleSection(1, on, 0, 0, "", "Yes", 20), RuleSection(2, off, 0, 0, "", "No", 50),
                   RuleSection(3, base_ + "Plain", 0, 0),
                   RuleSection(4, vt::UniqueName("RcIEFrameBad"), 0, 0, "", "Yes", -1)}));
    auto& f = Start();
    ShowRulesTab();
    const std::string before = SavedFile();

    f.SetTimer1(false, 1000);
    f.lvRule().Select(0);
    WithDialog([&] { vantrel::lvRuleDblClick(f); },
               [&](TfrmSetRule& d) {
                   EXPECT_TRUE(f.timer1Enabled());
                   EXPECT_EQ(f.timer1Interval(), 20000u);
                   EXPECT_TRUE(d.AutoRefreshChecked());
                   EXPECT_EQ(d.TimeIntervalText(), "20");
                   EXPECT_EQ(d.ClassNameText(), on);
                   EXPECT_FALSE(d.ClassNameEditable());
                   ClickCancel(d);
               });
    EXPECT_TRUE(f.timer1Enabled());
    EXPECT_EQ(f.timer1Interval(), 20000u);

    f.lvRule().Select(1);
    WithDialog([&] { vantrel::aEditRuleExecute(f); }, ClickCancel);
    EXPECT_FALSE(f.timer1Enabled());
    EXPECT_EQ(f.timer1Interval(), 50000u);

    // An ordinary rule leaves the timer alone.
    f.lvRule().Select(2);
    WithDialog([&] { vantrel::aEditRuleExecute(f); }, ClickCancel);
    EXPECT_FALSE(f.timer1Enabled());

    // The file's -1 loads as "-1": no usable interval, so the default.
    f.lvRule().Select(3);
    WithDialog([&] { vantrel::aEditRuleExecute(f); }, ClickOk);
    EXPECT_TRUE(f.timer1Enabled());
    EXPECT_EQ(f.timer1Interval(), 30000u);
    EXPECT_EQ(SavedFile(), before);
}

TEST_F(RuleCommandEdit, AnIntervalRetypedWithALeadingZeroIsAChange) {
    const std::string cls = vt::UniqueName("RcIEFrameEdit");
    WriteFile("rules.dat", RulesFile({RuleSection(1, base_ + "First", 0, 0),
                                      RuleSection(2, cls, 1, 0, "browser", "Yes", 30)}));
    auto& f = Start();
    ShowRulesTab();
    f.lvRule().Select(1);
    // The program keeps no copy of the file, so a save shows as this stand-in being replaced.
    const std::string standIn = "[Options]\r\nWindowCount=0\r\n";
    WriteFile("rules.dat", standIn);

    WithDialog([&] { vantrel::aEditRuleExecute(f); }, ClickOk);
    EXPECT_EQ(SavedFile(), standIn);

    WithDialog([&] { vantrel::aEditRuleExecute(f); },
               [](TfrmSetRule& d) {
                   EXPECT_FALSE(
                       ::IsWindowEnabled(vt::Control(d.Handle(), TfrmSetRule::kIdCaption)));
                   EXPECT_EQ(d.CaptionText(), "browser");
                   EXPECT_EQ(d.ActionIndex(), 1);
                   d.SetTimeIntervalText("030");
                   ClickOk(d);
               });
    EXPECT_EQ(Fields(f.rules().at(1)), cls + "|Maximize|Default|browser|Yes|030");
    EXPECT_EQ(Saved("Options", "WindowCount"), "2");
    EXPECT_EQ(Saved("Window2", "TimeInterval"), "30");

    // The accepted values do not set the timer again.
    WithDialog([&] { vantrel::aEditRuleExecute(f); },
               [](TfrmSetRule& d) {
                   Toggle(d, TfrmSetRule::kIdAutoRefresh);
                   d.SetTimeIntervalText("90");
                   ClickOk(d);
               });
    EXPECT_EQ(Fields(f.rules().at(1)), cls + "|Maximize|Default|browser|No|90");
    EXPECT_TRUE(f.timer1Enabled());
    EXPECT_EQ(f.timer1Interval(), 30000u);
    EXPECT_EQ(Saved("Window2", "AutoRefresh"), "No");
}

TEST_F(RuleCommandEdit, AChangedRuleIsAppliedToItsOpenWindows) {
    const std::string cls = base_ + "Applied";
    const HWND window = Make(cls);
    WriteFile("rules.dat", RulesFile({RuleSection(1, cls, 0, 0)}));
    auto& f = Start();
    ShowRulesTab();
    f.lvRule().Select(0);

    WithDialog([&] { vantrel::aEditRuleExecute(f); },
               [](TfrmSetRule& d) {
                   EXPECT_FALSE(d.IEGroupEnabled());
                   Choose(2, 1)(d);
               });
    EXPECT_EQ(Fields(f.rules().at(0)), cls + "|Minimize|Stay on top||-|-");
    EXPECT_EQ(Entry(window).autoAction, "Minimize");
    EXPECT_EQ(Entry(window).autoZOrder, "Stay on top");
    fixture_.Sync();
    EXPECT_TRUE(::IsIconic(window));
    EXPECT_TRUE(Topmost(window));
    EXPECT_EQ(SavedFields(1), cls + "|2|1||-|-1");
}

// ---- Deleting a rule and the selection message --------------------------------------------------

class RuleCommandDelete : public RuleCommand {};

TEST_F(RuleCommandDelete, TheFollowingRuleOrTheFirstIsSelectedAfterwards) {
    WriteFile("rules.dat",
              RulesFile({RuleSection(1, base_ + "A", 1, 0), RuleSection(2, base_ + "B", 2, 0),
                         RuleSection(3, base_ + "C", 3, 0)}));
    auto& f = Start();
    ShowRulesTab();

    f.lvRule().Select(1);
    vantrel::aDeleteRuleExecute(f);
    ASSERT_EQ(f.rules().size(), 2u);
    EXPECT_EQ(f.rules().at(1).className, base_ + "C");
    EXPECT_EQ(f.lvRule().Count(), 2);
    EXPECT_EQ(f.lvRule().Selected(), 1);
    EXPECT_EQ(Saved("Options", "WindowCount"), "2");
    EXPECT_EQ(SavedFields(2), base_ + "C|3|0||-|-1");

    vantrel::aDeleteRuleExecute(f); // the last row
    ASSERT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(f.rules().at(0).className, base_ + "A");
    EXPECT_EQ(f.lvRule().Selected(), 0);

    vantrel::aDeleteRuleExecute(f); // the only row
    EXPECT_EQ(f.rules().size(), 0u);
    EXPECT_EQ(f.lvRule().Count(), 0);
    EXPECT_EQ(f.lvRule().Selected(), -1);
    EXPECT_EQ(Saved("Options", "WindowCount"), "0");
}

TEST_F(RuleCommandDelete, WithoutASelectionEditAndDeleteAskForOne) {
    WriteFile("rules.dat", RulesFile({RuleSection(1, base_ + "Kept", 1, 0)}));
    auto& f = Start();
    ShowRulesTab();
    f.lvRule().Select(-1);
    const std::string before = SavedFile();
    vt::WhenModalOpens("Set Rule", [](Form& form) { form.SetModalResult(vantrel::kResultCancel); });
    {
        BoxAnswerer answerer;
        const vt::ModalDeadline deadline(10000, vantrel::kResultCancel);
        vantrel::aDeleteRuleExecute(f);
        vantrel::aEditRuleExecute(f);
        vantrel::lvRuleDblClick(f); // no selection: not even the message
        EXPECT_EQ(deadline.Ended(), 0);
    }
    ASSERT_EQ(vt::ShownBoxes().size(), 2u);
    for (const ShownBox& box : vt::ShownBoxes()) {
        EXPECT_EQ(box.title, "Vantrel");
        EXPECT_EQ(box.text, "Please select the list item first.");
    }
    EXPECT_EQ(vt::DropPendingScripts(), 1); // no dialog opened
    EXPECT_EQ(f.rules().size(), 1u);
    EXPECT_EQ(SavedFile(), before);
}

TEST_F(RuleCommandDelete, OpenWindowsGetTheDefaultsAtOnce) {
    const std::string cls = base_ + "Doomed";
    const HWND window = Make(cls);
    WriteDefaults("Normal", "Normal");
    WriteFile("rules.dat",
              RulesFile({RuleSection(1, base_ + "Other", 0, 0), RuleSection(2, cls, 2, 1)}));
    auto& f = Start();
    fixture_.Sync();
    ASSERT_TRUE(::IsIconic(window));
    ASSERT_TRUE(Topmost(window));
    ShowRulesTab();
    f.lvRule().Select(1);

    vantrel::aDeleteRuleExecute(f);
    EXPECT_EQ(Entry(window).autoAction, "Normal");
    EXPECT_EQ(Entry(window).autoZOrder, "Normal");
    fixture_.Sync();
    EXPECT_FALSE(::IsIconic(window));
    EXPECT_FALSE(Topmost(window));
    EXPECT_EQ(f.lvRule().Selected(), 0);
}

// ---- Enabled states ----------------------------------------------------------------------------

class RuleCommandUpdate : public RuleCommand {};

TEST_F(RuleCommandUpdate, CommandsNeedTheirListShowingWithASelection) {
    const HWND window = Make(base_ + "Upd");
    auto& f = Start();
    f.rules().append(WindowRule{base_ + "Upd", "Default", "Default", "", "-", "-"});
    f.lvRule().SetCount(1);
    SelectWindow(window);
    f.lvRule().Select(0);
    EXPECT_TRUE(vantrel::aMainAddRuleUpdate(f));
    EXPECT_FALSE(vantrel::aEditRuleUpdate(f)); // the rules list is not showing
    f.lvMain().Select(-1);
    EXPECT_FALSE(vantrel::aMainAddRuleUpdate(f));
    // Without a selection the add command opens nothing.
    vt::WhenModalOpens("Set Rule", [](Form& form) { form.SetModalResult(vantrel::kResultCancel); });
    vantrel::lvMainDblClick(f);
    vantrel::aMainAddRuleExecute(f);
    EXPECT_EQ(vt::DropPendingScripts(), 1);
    EXPECT_EQ(::GetFileAttributesA((folder() + "rules.dat").c_str()), INVALID_FILE_ATTRIBUTES);

    SelectWindow(window);
    ShowRulesTab();
    EXPECT_FALSE(vantrel::aMainAddRuleUpdate(f));
    EXPECT_TRUE(vantrel::aEditRuleUpdate(f));
    f.lvRule().Select(-1);
    EXPECT_FALSE(vantrel::aEditRuleUpdate(f));
}

// ---- The timers -------------------------------------------------------------------------------

// Class names are atoms shared by the whole session and compared without letter case, so a
// session that has seen "IEFrame" reports "ieframe" as "IEFrame" too. The other-case windows
// therefore get unique names that hold "ieframe" in lower case.
class TimerTick : public RuleCommand {
protected:
    HWND MakeBrowser(const std::string& cls) { return Make(cls, "browser"); }
    static bool Pair(vt::Fixture& fixture, HWND window, int n) {
        const vt::Counts c = fixture.GetCounts(window);
        return c.keyDownF5 == n && c.keyUpF5 == n;
    }
    // The fixture answers its commands ahead of posted messages, so a window's counts may lag
    // behind what was posted to it. Posted messages to one thread are handled in order, though:
    // once a marker posted now has been counted, everything posted before it has been handled.
    // The marker is the refresh command, which the F5 ticks never post.
    // The tick's rebuild runs in slices, and the rest of the tick once it is whole.
    void Tick(TfrmMain& f) {
        vantrel::TimerVistaRefreshTimer(f);
        // A whole rebuild would have held the program until it was done.
        EXPECT_EQ(f.catalogue().PassRunning(), f.versionCode() == 11);
        EXPECT_TRUE(vt::WaitUntil([&] { return !f.catalogue().PassRunning(); }));
        fixture_.Sync();
    }
    static void Drain(vt::Fixture& fixture, HWND window) {
        const int before = fixture.GetCounts(window).commandA220;
        ::PostMessageA(window, WM_COMMAND, 0xA220, 0);
        EXPECT_TRUE(
            vt::WaitUntil([&] { return fixture.GetCounts(window).commandA220 == before + 1; }));
    }
};

TEST_F(TimerTick, Timer1SendsF5ToEveryIncludedInternetExplorerWindow) {
    IEVersionOverride version("8.0.6001.18702");
    ASSERT_TRUE(version.set());
    const HWND upper = MakeBrowser("IEFrame");
    const HWND lower = MakeBrowser(vt::UniqueName("ieframe"));
    const HWND plain = Make(base_ + "Plain");
    auto& f = Start();
    ASSERT_EQ(f.ieMajorVersion(), 8);
    ASSERT_NE(Entry(lower).className.find("ieframe"), std::string::npos);

    vantrel::Timer1Timer(f);
    EXPECT_TRUE(vt::WaitUntil([&] { return Pair(fixture_, upper, 1); }));
    EXPECT_TRUE(vt::WaitUntil([&] { return Pair(fixture_, lower, 1); }));
    Drain(fixture_, upper);
    EXPECT_EQ(fixture_.GetCounts(upper).commandA220, 1); // the marker alone
    EXPECT_TRUE(Pair(fixture_, upper, 1));
    Drain(fixture_, plain);
    EXPECT_TRUE(Pair(fixture_, plain, 0));

    // Excluded until the next rebuild.
    f.windows().At(Row(lower)).autoRefreshInclusion = 0;
    vantrel::Timer1Timer(f);
    EXPECT_TRUE(vt::WaitUntil([&] { return Pair(fixture_, upper, 2); }));
    Drain(fixture_, lower);
    EXPECT_TRUE(Pair(fixture_, lower, 1));
    f.catalogue().Rebuild();
    vantrel::Timer1Timer(f);
    EXPECT_TRUE(vt::WaitUntil([&] { return Pair(fixture_, lower, 2); }));
}

TEST_F(TimerTick, Timer1UsesTheRefreshCommandUpToVersion6) {
    IEVersionOverride version("6.0.2900.5512");
    ASSERT_TRUE(version.set());
    const HWND upper = MakeBrowser("IEFrame");
    auto& f = Start();
    ASSERT_EQ(f.ieMajorVersion(), 6);

    vantrel::Timer1Timer(f);
    // A second command posted after the tick: once both are counted the tick has been handled.
    ::PostMessageA(upper, WM_COMMAND, 0xA220, 0);
    EXPECT_TRUE(vt::WaitUntil([&] { return fixture_.GetCounts(upper).commandA220 == 2; }));
    EXPECT_TRUE(Pair(fixture_, upper, 0));
}

TEST_F(TimerTick, TheExclusionChosenInTheDialogHoldsUntilTheNextRebuild) {
    IEVersionOverride version("11.0.9600.16428");
    ASSERT_TRUE(version.set());
    const HWND excluded = MakeBrowser("IEFrame");
    const HWND included = MakeBrowser("IEFrame");
    auto& f = Start();
    SelectWindow(excluded);
    WithDialog([&] { vantrel::aMainAddRuleExecute(f); },
               [](const TfrmSetRule& d) {
                   Toggle(d, TfrmSetRule::kIdAutoRefresh);
                   Toggle(d, TfrmSetRule::kIdCurrentWindow);
                   ClickOk(d);
               });
    ASSERT_TRUE(f.timer1Enabled());

    vantrel::Timer1Timer(f);
    EXPECT_TRUE(vt::WaitUntil([&] { return Pair(fixture_, included, 1); }));
    Drain(fixture_, excluded);
    EXPECT_TRUE(Pair(fixture_, excluded, 0));

    f.catalogue().Rebuild();
    vantrel::Timer1Timer(f);
    EXPECT_TRUE(vt::WaitUntil([&] { return Pair(fixture_, excluded, 1); }));
    EXPECT_TRUE(vt::WaitUntil([&] { return Pair(fixture_, included, 2); }));
}

// This system's version code makes every two-minute tick rebuild the list first, which resets
// every exclusion from the refresh; elsewhere the tick leaves the list alone.
void ExpectRebuiltOnlyOnVersion11(TfrmMain& f, HWND marker) {
    const int row = f.windows().Find(marker);
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.windows().At(row).autoRefreshInclusion, f.versionCode() == 11 ? 1 : 0);
}

TEST_F(TimerTick, TwoMinuteTickPutsListedIEFrameWindowsOnTopAgain) {
    const HWND upper = MakeBrowser("IEFrame");
    const HWND marker = Make(base_ + "Marker");
    WriteFile("rules.dat", RulesFile({RuleSection(1, "IEFrame", 0, 1)}));
    auto& f = Start();
    fixture_.Sync();
    ASSERT_TRUE(Topmost(upper));
    ::SetWindowPos(upper, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(Topmost(upper));
    f.windows().At(Row(marker)).autoRefreshInclusion = 0;

    Tick(f);
    EXPECT_TRUE(Topmost(upper));
    ExpectRebuiltOnlyOnVersion11(f, marker);
}

// Only the exact class counts as a listed Internet Explorer window: with another class holding
// "ieframe" listed and the "IEFrame" window hidden in the tray, the tick goes on to apply the
// rules of the class "IEFrame", which brings the hidden window back.
TEST_F(TimerTick, TwoMinuteTickCountsOnlyTheExactClassAsListed) {
    const HWND upper = MakeBrowser("IEFrame");
    const HWND lower = MakeBrowser(vt::UniqueName("ieframe"));
    WriteFile("rules.dat", RulesFile({RuleSection(1, "IEFrame", 3, 1)}));
    auto& f = Start();
    ::SendMessageA(f.Handle(), vantrel::WM_SYSMENUCOMMAND, vt::W(upper), 11);
    fixture_.Sync();
    ASSERT_FALSE(::IsWindowVisible(upper));
    ASSERT_TRUE(f.tray().WindowIconAdded(upper));
    ASSERT_GE(Row(lower), 0);
    ::SetWindowPos(upper, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    Tick(f);
    EXPECT_TRUE(::IsWindowVisible(upper));
    EXPECT_FALSE(f.tray().WindowIconAdded(upper));
    EXPECT_TRUE(Topmost(upper));
}

TEST_F(TimerTick, TwoMinuteTickStopsEarlyWithoutAStayOnTopRule) {
    const HWND upper = MakeBrowser("IEFrame");
    const HWND marker = Make(base_ + "Marker");
    WriteFile("rules.dat", RulesFile({RuleSection(1, "IEFrame", 3, 2)}));
    auto& f = Start();
    ::SendMessageA(f.Handle(), vantrel::WM_SYSMENUCOMMAND, vt::W(upper), 11);
    fixture_.Sync();
    ASSERT_FALSE(::IsWindowVisible(upper));
    f.windows().At(Row(marker)).autoRefreshInclusion = 0;

    Tick(f);
    // Applying the rules of "IEFrame" would have shown it again.
    EXPECT_FALSE(::IsWindowVisible(upper));
    EXPECT_TRUE(f.tray().WindowIconAdded(upper));
    ExpectRebuiltOnlyOnVersion11(f, marker);
}

} // namespace
