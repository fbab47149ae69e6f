#include "platform/gdi.h"
#include "platform/handles.h"
#include "rules/rule.h"
#include "rules/set_rule_dialog.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using vt::BoxAnswerer;
using vt::ShownBox;

void Press(const Form& form, int id) {
    vt::Click(vt::Control(form.Handle(), id));
}

void ClickOk(const TfrmSetRule& dialog) {
    Press(dialog, TfrmSetRule::kIdOk);
}

class SetRuleDialog : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(vt::DropPendingScripts(), 0); }

    // Shows the dialog with `script` running inside its modal loop; returns the modal result.
    static int Run(TfrmSetRule& dialog, const std::function<void(TfrmSetRule&)>& script) {
        vt::WhenModalOpens("Set Rule",
                           [script](Form& form) { script(static_cast<TfrmSetRule&>(form)); });
        const vt::ModalDeadline deadline;
        const int result = dialog.ShowModal();
        EXPECT_EQ(deadline.Ended(), 0) << "the script left the dialog open";
        return result;
    }
    int Run(const std::function<void(TfrmSetRule&)>& script) { return Run(dialog_, script); }
    // Clicks OK from the script and closes the dialog with whatever OK decides.
    int RunOk(const std::function<void(TfrmSetRule&)>& steps = {}) {
        return Run([this, steps](TfrmSetRule& d) {
            if (steps) {
                steps(d);
            }
            vt::Click(Ctl(TfrmSetRule::kIdOk));
        });
    }
    HWND Ctl(int id) const { return vt::Control(dialog_.Handle(), id); }
    HWND Labelled(const std::string& text) const {
        return vt::ControlByText(dialog_.Handle(), text);
    }
    // As the command for a window of the list fills the dialog.
    void FillForWindow(const std::string& className, const std::string& interval = "45") {
        dialog_.SetCaptionText("Start Page - Browser");
        dialog_.SetClassNameText(className);
        dialog_.SetActionIndex(3);
        dialog_.SetZOrderIndex(1);
        dialog_.SetAutoRefreshChecked(true);
        dialog_.SetTimeIntervalText(interval);
    }
    // As the command for a typed class name fills it.
    void FillForTypedClass() {
        dialog_.DisableCaption();
        dialog_.SetClassNameEditable(true);
    }
    // How many of GroupBox2 and the five controls in it are enabled.
    static int EnabledIEControls(HWND form) {
        int n = 0;
        for (HWND control :
             {vt::ControlByText(form, "Internet Explorer"),
              vt::Control(form, TfrmSetRule::kIdAutoRefresh),
              vt::ControlByText(form, "Time Intervals:"),
              vt::Control(form, TfrmSetRule::kIdTimeInterval), vt::ControlByText(form, "second"),
              vt::Control(form, TfrmSetRule::kIdCurrentWindow)}) {
            n += (control != nullptr && ::IsWindowEnabled(control)) ? 1 : 0;
        }
        return n;
    }

    TfrmSetRule dialog_{nullptr};
};

TEST_F(SetRuleDialog, LayoutCaptionsAndInitialState) {
    const HWND form = dialog_.Create();
    EXPECT_EQ(vt::TextOf(form), "Set Rule");
    EXPECT_EQ(::GetWindowLongPtrA(form, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    RECT client{};
    ::GetClientRect(form, &client);
    EXPECT_EQ(client.right, 435);
    EXPECT_EQ(client.bottom, 346);

    const std::vector<HWND> labelled = {
        Labelled("Window Caption:"),
        Labelled("Class Name:"),
        Labelled("Next start action"),
        Labelled("Next start Z Order"),
        Labelled("Internet Explorer"),
        Labelled("Automatic refresh enabled"),
        Labelled("Time Intervals:"),
        Labelled("second"),
        Labelled("Don't include the current window"),
        Labelled("&OK"),
        Labelled("&Cancel"),
        Ctl(TfrmSetRule::kIdCaption),
        Ctl(TfrmSetRule::kIdClassName),
        Ctl(TfrmSetRule::kIdTimeInterval),
    };
    LOGFONTA font{};
    ::GetObjectA(
        reinterpret_cast<HGDIOBJ>(::SendMessageA(Ctl(TfrmSetRule::kIdOk), WM_GETFONT, 0, 0)),
        sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, vantrel::platform::UiFontFace());
    for (const HWND control : labelled) {
        SCOPED_TRACE(vt::TextOf(control));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(::SendMessageA(control, WM_GETFONT, 0, 0),
                  ::SendMessageA(Ctl(TfrmSetRule::kIdOk), WM_GETFONT, 0, 0));
    }
    for (int i = 0; i < kActionCount; ++i) {
        EXPECT_EQ(vt::TextOf(Ctl(TfrmSetRule::kIdActionFirst + i)), ActionTexts(i));
    }
    for (int i = 0; i < kZOrderCount; ++i) {
        EXPECT_EQ(vt::TextOf(Ctl(TfrmSetRule::kIdZOrderFirst + i)), ZOrderTexts(i));
    }
    const HWND image = ::ChildWindowFromPoint(form, POINT{380, 124});
    vt::ExpectSoundLayout(form);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(image, STM_GETICON, 0, 0)),
              ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)));

    EXPECT_EQ(dialog_.ActionIndex(), 0);
    EXPECT_EQ(dialog_.ZOrderIndex(), 0);
    EXPECT_FALSE(dialog_.AutoRefreshChecked());
    EXPECT_FALSE(dialog_.CurrentWindowChecked());
    EXPECT_EQ(dialog_.TimeIntervalText(), "30");
    EXPECT_TRUE(dialog_.IEGroupEnabled());
    EXPECT_FALSE(dialog_.ClassNameEditable());
    EXPECT_NE(::GetWindowLongPtrA(Ctl(TfrmSetRule::kIdCaption), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(::SendMessageA(Ctl(TfrmSetRule::kIdClassName), EM_GETLIMITTEXT, 0, 0), 255);
}

TEST_F(SetRuleDialog, CaptionAndClassNameKeepTheActiveBorderBackground) {
    dialog_.Create();
    dialog_.SetClassNameEditable(true);
    dialog_.DisableCaption();
    const HWND form = dialog_.Handle();
    const auto release = [form](HDC dc) { ::ReleaseDC(form, dc); };
    const std::unique_ptr<HDC__, decltype(release)> held(::GetDC(form), release);
    const HDC dc = held.get();
    const auto brush = [&](UINT msg, HWND control) {
        return reinterpret_cast<HBRUSH>(::SendMessageA(form, msg, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(control)));
    };
    const HBRUSH border = ::GetSysColorBrush(COLOR_ACTIVEBORDER);
    EXPECT_EQ(brush(WM_CTLCOLOREDIT, Ctl(TfrmSetRule::kIdClassName)), border);
    EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_ACTIVEBORDER));
    EXPECT_EQ(brush(WM_CTLCOLORSTATIC, Ctl(TfrmSetRule::kIdCaption)), border);
    EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_GRAYTEXT)); // disabled
    EXPECT_NE(brush(WM_CTLCOLORSTATIC, Labelled("Class Name:")), border);
    EXPECT_NE(brush(WM_CTLCOLOREDIT, Ctl(TfrmSetRule::kIdTimeInterval)), border);
}

TEST_F(SetRuleDialog, OpensCentredOverItsOwnerWithTheFocusOnTheFirstField) {
    platform::UniqueWindow owner(::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 200,
                                                   150, 700, 500, nullptr, nullptr,
                                                   ::GetModuleHandleA(nullptr), nullptr));
    TfrmSetRule dialog(owner.get());
    RECT me{};
    HWND focus = nullptr;
    Run(dialog, [&](const TfrmSetRule& d) {
        ::GetWindowRect(d.Handle(), &me);
        focus = ::GetFocus();
        Press(d, TfrmSetRule::kIdCancel);
    });
    EXPECT_NEAR((me.left + me.right) / 2, 200 + 350, 1);
    EXPECT_NEAR((me.top + me.bottom) / 2, 150 + 250, 1);
    EXPECT_EQ(focus, vt::Control(dialog.Handle(), TfrmSetRule::kIdCaption));
}

TEST_F(SetRuleDialog, InternetExplorerGroupFollowsTheClassName) {
    FillForWindow("Notepad");
    Run([this](TfrmSetRule& d) {
        EXPECT_EQ(EnabledIEControls(d.Handle()), 0);
        vt::Click(Ctl(TfrmSetRule::kIdCancel));
    });
    EXPECT_FALSE(dialog_.IEGroupEnabled());

    for (const char* ieClass : {"IEFrame", "xieframe2"}) {
        TfrmSetRule ie(nullptr);
        ie.SetClassNameText(ieClass);
        Run(ie, [&](TfrmSetRule& d) {
            EXPECT_EQ(EnabledIEControls(d.Handle()), 6) << ieClass;
            Press(d, TfrmSetRule::kIdCancel);
        });
    }
}

TEST_F(SetRuleDialog, TypingIEFrameEnablesTheGroupForGood) {
    FillForTypedClass();
    Run([this](TfrmSetRule& d) {
        const HWND className = Ctl(TfrmSetRule::kIdClassName);
        EXPECT_EQ(EnabledIEControls(d.Handle()), 0);
        vt::Type(className, "IEFr");
        EXPECT_EQ(EnabledIEControls(d.Handle()), 0);
        vt::Type(className, "ame");
        EXPECT_EQ(EnabledIEControls(d.Handle()), 6);
        vt::Type(className, std::string(7, '\b'));
        EXPECT_EQ(d.ClassNameText(), "");
        vt::Type(className, "Notepad");
        EXPECT_EQ(EnabledIEControls(d.Handle()), 6);
        vt::Click(Ctl(TfrmSetRule::kIdCancel));
    });
    EXPECT_TRUE(dialog_.IEGroupEnabled());
}

TEST_F(SetRuleDialog, OkRefusesOnlyAnEmptyEditableClassName) {
    FillForTypedClass();
    BoxAnswerer answerer;
    EXPECT_EQ(Run([this](TfrmSetRule& d) {
                  vt::Click(Ctl(TfrmSetRule::kIdOk));
                  EXPECT_EQ(d.GetModalResult(), kResultNone);
                  EXPECT_TRUE(::IsWindowVisible(d.Handle()));
                  vt::Type(Ctl(TfrmSetRule::kIdClassName), " ");
                  vt::Click(Ctl(TfrmSetRule::kIdOk));
              }),
              kResultOk);
    ASSERT_EQ(vt::ShownBoxes().size(), 1u);
    EXPECT_EQ(vt::ShownBoxes()[0].title, "Vantrel");
    EXPECT_EQ(vt::ShownBoxes()[0].text, "Please input Class Name first.");
    EXPECT_EQ(vt::ShownBoxes()[0].owner, dialog_.Handle());
    EXPECT_EQ(vt::ShownBoxes()[0].icon, ::LoadIconA(nullptr, IDI_INFORMATION));
    EXPECT_EQ(dialog_.ClassNameText(), " ");

    TfrmSetRule readOnly(nullptr);
    EXPECT_EQ(Run(readOnly, ClickOk), kResultOk);
    EXPECT_EQ(vt::ShownBoxes().size(), 1u);
}

TEST_F(SetRuleDialog, EachOfTheFiveValuesCountsAsAChange) {
    const std::vector<std::pair<const char*, std::function<void(TfrmSetRule&)>>> edits = {
        {"action", [](TfrmSetRule& d) { d.SetActionIndex(4); }},
        {"z order",
         [](TfrmSetRule& d) {
             ::SendMessageA(vt::Control(d.Handle(), TfrmSetRule::kIdZOrderFirst + 2), BM_CLICK, 0,
                            0);
         }},
        {"auto refresh",
         [](TfrmSetRule& d) { vt::Toggle(vt::Control(d.Handle(), TfrmSetRule::kIdAutoRefresh)); }},
        {"current window",
         [](TfrmSetRule& d) {
             vt::Toggle(vt::ControlByText(d.Handle(), "Don't include the current window"));
         }},
        {"030 for 30",
         [](TfrmSetRule& d) {
             const HWND interval = vt::Control(d.Handle(), TfrmSetRule::kIdTimeInterval);
             ::SendMessageA(interval, EM_SETSEL, 0, 0);
             vt::Type(interval, "0");
         }},
    };
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        TfrmSetRule dialog(nullptr);
        dialog.SetClassNameText("IEFrame");
        EXPECT_EQ(Run(dialog,
                      [edit = edit](TfrmSetRule& d) {
                          edit(d);
                          Press(d, TfrmSetRule::kIdOk);
                      }),
                  kResultOk);
        EXPECT_TRUE(dialog.Changed());
    }
}

TEST_F(SetRuleDialog, OnlyTheFiveValuesCountAndOnlyAsTheyEnd) {
    FillForTypedClass();
    RunOk([this](TfrmSetRule& d) {
        vt::Type(Ctl(TfrmSetRule::kIdClassName), "IEFrame");
        vt::Toggle(Ctl(TfrmSetRule::kIdCurrentWindow));
        vt::Toggle(Ctl(TfrmSetRule::kIdCurrentWindow));
        d.SetActionIndex(2);
        d.SetActionIndex(0);
    });
    EXPECT_FALSE(dialog_.Changed());
    EXPECT_EQ(dialog_.ClassNameText(), "IEFrame");
}

TEST_F(SetRuleDialog, IntervalTakesDigitsAndBackspaceOnly) {
    FillForWindow("IEFrame", "30");
    RunOk([this](TfrmSetRule& d) {
        const HWND interval = Ctl(TfrmSetRule::kIdTimeInterval);
        ::SendMessageA(interval, EM_SETSEL, 2, 2);
        for (const char* refused : {"a", "-", " ", "+"}) {
            vt::Type(interval, refused);
            EXPECT_EQ(d.TimeIntervalText(), "30") << refused;
        }
        vt::Type(interval, "79");
        EXPECT_EQ(d.TimeIntervalText(), "3079");
        vt::Type(interval, "\b\b");
    });
    EXPECT_EQ(dialog_.TimeIntervalText(), "30");
    EXPECT_FALSE(dialog_.Changed());
}

// Enter and Esc are in DialogKeys, driven with real key presses.
TEST_F(SetRuleDialog, EachWayOutLeavesTheValuesUnchangedWithItsOwnResult) {
    const auto close = [](TfrmSetRule& d) {
        ::SendMessageA(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    const auto toggleThenCancel = [](TfrmSetRule& d) {
        vt::Toggle(vt::Control(d.Handle(), TfrmSetRule::kIdAutoRefresh));
        Press(d, TfrmSetRule::kIdCancel);
    };
    const struct {
        const char* name;
        const char* className;
        const char *interval, *shown;
        int action, zOrder;
        std::function<void(TfrmSetRule&)> script;
        int result;
    } rows[] = {
        {"no z order turns OK into Cancel", "Notepad", "45", "", 3, -1, ClickOk, kResultCancel},
        {"no action turns OK into Cancel", "", "30", "", -1, 0, ClickOk, kResultCancel},
        {"the title bar's close cancels", "IEFrame", "45", "", 3, 1, close, kResultCancel},
        {"Cancel forgets a toggle", "IEFrame", "30", "", 0, 0, toggleThenCancel, kResultCancel},
        {"OK without a change", "IEFrame", "45", "45", 3, 1, ClickOk, kResultOk},
        {"a dash opens as 30 for Internet Explorer", "IEFrame", "-", "30", 0, 0, ClickOk,
         kResultOk},
        {"a dash stays for an ordinary window", "Notepad", "-", "-", 0, 0, ClickOk, kResultOk},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TfrmSetRule dialog(nullptr);
        dialog.SetCaptionText("Start Page - Browser");
        dialog.SetClassNameText(row.className);
        dialog.SetTimeIntervalText(row.interval);
        dialog.SetActionIndex(row.action);
        dialog.SetZOrderIndex(row.zOrder);
        dialog.SetAutoRefreshChecked(true);
        dialog.SetCurrentWindowChecked(true);
        EXPECT_EQ(Run(dialog, row.script), row.result);
        EXPECT_FALSE(dialog.Changed());
        if (row.result != kResultOk) {
            continue; // after Cancel nobody reads the fields
        }
        EXPECT_EQ(dialog.CaptionText(), "Start Page - Browser");
        EXPECT_EQ(dialog.TimeIntervalText(), row.shown);
        EXPECT_EQ(dialog.ActionIndex(), row.action);
        EXPECT_EQ(dialog.ZOrderIndex(), row.zOrder);
        EXPECT_TRUE(dialog.AutoRefreshChecked());
        EXPECT_TRUE(dialog.CurrentWindowChecked());
    }
}

TEST_F(SetRuleDialog, TabOrderFollowsTheFields) {
    FillForWindow("IEFrame");
    std::vector<HWND> order;
    Run([&](TfrmSetRule& d) {
        HWND at = Ctl(TfrmSetRule::kIdCaption);
        for (int i = 0; i < 11; ++i) {
            order.push_back(at);
            at = ::GetNextDlgTabItem(d.Handle(), at, FALSE);
        }
        // Arrow keys stay inside each radio group.
        EXPECT_EQ(::GetNextDlgGroupItem(d.Handle(), Ctl(TfrmSetRule::kIdActionFirst + 4), FALSE),
                  Ctl(TfrmSetRule::kIdActionFirst));
        EXPECT_EQ(::GetNextDlgGroupItem(d.Handle(), Ctl(TfrmSetRule::kIdZOrderFirst + 2), FALSE),
                  Ctl(TfrmSetRule::kIdZOrderFirst));
        vt::Click(Ctl(TfrmSetRule::kIdCancel));
    });
    // Tabbing into a radio group lands on its selected item (3 and 1 as filled).
    const std::vector<int> ids = {TfrmSetRule::kIdCaption,
                                  TfrmSetRule::kIdClassName,
                                  TfrmSetRule::kIdActionFirst + 3,
                                  TfrmSetRule::kIdZOrderFirst + 1,
                                  TfrmSetRule::kIdAutoRefresh,
                                  TfrmSetRule::kIdTimeInterval,
                                  TfrmSetRule::kIdCurrentWindow,
                                  TfrmSetRule::kIdMore,
                                  TfrmSetRule::kIdOk,
                                  TfrmSetRule::kIdCancel,
                                  TfrmSetRule::kIdCaption};
    ASSERT_EQ(order.size(), ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(::GetDlgCtrlID(order[i]), ids[i]) << "position " << i;
    }
}

} // namespace
} // namespace vantrel
