#include "platform/gdi.h"
#include "platform/handles.h"
#include "rules/rule.h"
#include "rules/set_rule_dialog.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using R = TfrmSetRule;
using vt::Control;

TEST(SetRuleDialog, LayoutCaptionsColoursAndInitialState) {
    R dialog(nullptr);
    const HWND form = dialog.Create();
    const auto Ctl = [&](int id) { return Control(dialog, id); };
    EXPECT_EQ(vt::TextOf(form), "Set Rule");
    EXPECT_EQ(::GetWindowLongPtrA(form, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    RECT client{};
    ::GetClientRect(form, &client);
    EXPECT_EQ(std::to_string(client.right) + "x" + std::to_string(client.bottom), "435x346");

    const LRESULT font = ::SendMessageA(Ctl(R::kIdOk), WM_GETFONT, 0, 0);
    EXPECT_STREQ(vt::FontOf(Ctl(R::kIdOk)).lfFaceName, platform::UiFontFace());
    for (const char* text :
         {"Window Caption:", "Class Name:", "Next start action", "Next start Z Order",
          "Internet Explorer", "Automatic refresh enabled", "Time Intervals:", "second",
          "Don't include the current window", "&OK", "&Cancel"}) {
        ASSERT_NE(vt::ControlByText(form, text), nullptr) << text;
        EXPECT_EQ(::SendMessageA(vt::ControlByText(form, text), WM_GETFONT, 0, 0), font) << text;
    }
    for (const int id : {R::kIdCaption, R::kIdClassName, R::kIdTimeInterval}) {
        EXPECT_EQ(::SendMessageA(Ctl(id), WM_GETFONT, 0, 0), font) << id;
    }
    for (int i = 0; i < kActionCount; ++i) {
        EXPECT_EQ(vt::TextOf(Ctl(R::kIdActionFirst + i)), ActionTexts(i));
    }
    for (int i = 0; i < kZOrderCount; ++i) {
        EXPECT_EQ(vt::TextOf(Ctl(R::kIdZOrderFirst + i)), ZOrderTexts(i));
    }
    const HWND image = ::ChildWindowFromPoint(form, POINT{380, 124});
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(image, STM_GETICON, 0, 0)),
              ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)));

    EXPECT_EQ(vt::SetRuleShown(dialog), "||0|0|30|ie");
    EXPECT_NE(::GetWindowLongPtrA(Ctl(R::kIdCaption), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(::SendMessageA(Ctl(R::kIdClassName), EM_GETLIMITTEXT, 0, 0), 255);

    // Editable, read-only or disabled, the caption and class name keep the active border's
    // background.
    dialog.SetClassNameEditable(true);
    dialog.DisableCaption();
    const vantrel::platform::WindowDc windowDc(form);
    const HDC dc = windowDc.get();
    const auto brush = [&](UINT msg, HWND control) {
        return reinterpret_cast<HBRUSH>(
            ::SendMessageA(form, msg, reinterpret_cast<WPARAM>(dc), vt::L(control)));
    };
    const HBRUSH border = ::GetSysColorBrush(COLOR_ACTIVEBORDER);
    EXPECT_EQ(brush(WM_CTLCOLOREDIT, Ctl(R::kIdClassName)), border);
    EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_ACTIVEBORDER));
    EXPECT_EQ(brush(WM_CTLCOLORSTATIC, Ctl(R::kIdCaption)), border);
    EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_GRAYTEXT)); // disabled
    EXPECT_NE(brush(WM_CTLCOLORSTATIC, vt::ControlByText(form, "Class Name:")), border);
    EXPECT_NE(brush(WM_CTLCOLOREDIT, Ctl(R::kIdTimeInterval)), border);
}

// Each row fills the dialog as a command would (both boxes ticked), makes its edit, and leaves by
// OK, Cancel or the title bar's close. OK counts a change only in the five values, and only as they
// end; every other way out changes nothing. OK asks for a class name only when it is typed, empty.
// The Internet Explorer group opens enabled for a class holding "ieframe" in any letter case, and
// typing such a name enables it for good.
TEST(SetRuleDialog, TheWayOutAndTheEditsDecideResultAndChange) {
    using Edit = std::function<void(R&)>;
    const auto toggle = [](int id) { return [id](const R& d) { vt::Toggle(Control(d, id)); }; };
    const Edit leadingZero = [](const R& d) {
        ::SendMessageA(Control(d, R::kIdTimeInterval), EM_SETSEL, 0, 0);
        vt::Type(Control(d, R::kIdTimeInterval), "0");
    };
    const Edit andBack = [](R& d) {
        vt::Type(Control(d, R::kIdClassName), "IEFrame");
        vt::Toggle(Control(d, R::kIdCurrentWindow));
        vt::Toggle(Control(d, R::kIdCurrentWindow));
        d.SetActionIndex(2);
        d.SetActionIndex(0);
    };
    const Edit digitsOnly = [](const R& d) {
        const HWND interval = Control(d, R::kIdTimeInterval);
        ::SendMessageA(interval, EM_SETSEL, 2, 2);
        for (const char* refused : {"a", "-", " ", "+"}) {
            vt::Type(interval, refused);
            EXPECT_EQ(d.TimeIntervalText(), "30") << refused;
        }
        vt::Type(interval, "79");
        EXPECT_EQ(d.TimeIntervalText(), "3079");
        vt::Type(interval, "\b\b");
    };
    const Edit typing = [](const R& d) {
        const char* const steps[][3] = {{"IEFr", "IEFr", ""},
                                        {"ame", "IEFrame", " ie"},
                                        {"\b\b\b\b\b\b\b", "", " ie"},
                                        {"Notepad", "Notepad", " ie"}};
        for (const auto& [typed, cls, ie] : steps) {
            vt::Type(Control(d, R::kIdClassName), typed);
            EXPECT_EQ(vt::SetRuleShown(d), std::string(cls) + "|Start Page - Browser|0|0|30|" +
                                               "editable nocaption" + ie + " refresh exclude")
                << "after " << typed;
        }
    };
    const platform::UniqueWindow owner = vt::PlainWindow("owner");
    // The focus on the first field; tabbing into a radio group lands on its selected item, and
    // arrow keys stay inside the group. (Centring over the owner: the Options dialog's test.)
    const Edit tabsInOrder = [](const R& d) {
        HWND at = ::GetFocus();
        for (const int id :
             {R::kIdCaption, R::kIdClassName, R::kIdActionFirst + 3, R::kIdZOrderFirst + 1,
              R::kIdAutoRefresh, R::kIdTimeInterval, R::kIdCurrentWindow, R::kIdMore, R::kIdOk,
              R::kIdCancel, R::kIdCaption}) {
            EXPECT_EQ(::GetDlgCtrlID(at), id);
            at = ::GetNextDlgTabItem(d.Handle(), at, FALSE);
        }
        EXPECT_EQ(::GetNextDlgGroupItem(d.Handle(), Control(d, R::kIdActionFirst + 4), FALSE),
                  Control(d, R::kIdActionFirst));
        EXPECT_EQ(::GetNextDlgGroupItem(d.Handle(), Control(d, R::kIdZOrderFirst + 2), FALSE),
                  Control(d, R::kIdZOrderFirst));
    };
    HWND asked = nullptr; // the dialog that asked for a class name
    const Edit emptyFirst = [&asked](R& d) {
        asked = d.Handle();
        vt::Click(Control(d, R::kIdOk));
        EXPECT_EQ(d.GetModalResult(), kResultNone);
        EXPECT_TRUE(::IsWindowVisible(d.Handle()));
        vt::Type(Control(d, R::kIdClassName), " ");
    };
    constexpr int kClose = SC_CLOSE;
    const std::string ie = "IEFrame|Start Page - Browser|";
    const struct {
        const char* name;
        const char* className; // "typed": an editable class name, empty, and no caption
        Edit edit;
        int out; // the button, or the title bar's close
        bool changed;
        std::string shown; // afterwards, when OK; empty: cancelled, and nobody reads the fields
        const char* interval = "30";
        int action = 0, zOrder = 0;
    } rows[] = {
        {"a new action", "IEFrame", [](R& d) { d.SetActionIndex(4); }, R::kIdOk, true,
         ie + "4|0|30|ie refresh exclude"},
        {"a new z order", "IEFrame",
         [](R& d) { ::SendMessageA(Control(d, R::kIdZOrderFirst + 2), BM_CLICK, 0, 0); }, R::kIdOk,
         true, ie + "0|2|30|ie refresh exclude"},
        {"auto refresh", "IEFrame", toggle(R::kIdAutoRefresh), R::kIdOk, true,
         ie + "0|0|30|ie exclude"},
        {"current window", "IEFrame", toggle(R::kIdCurrentWindow), R::kIdOk, true,
         ie + "0|0|30|ie refresh"},
        {"030 for 30", "IEFrame", leadingZero, R::kIdOk, true, ie + "0|0|030|ie refresh exclude"},
        {"values that end as they began", "typed", andBack, R::kIdOk, false,
         ie + "0|0|30|editable nocaption ie refresh exclude"},
        {"the interval takes digits and backspace only", "IEFrame", digitsOnly, R::kIdOk, false,
         ie + "0|0|30|ie refresh exclude"},
        {"an empty class name is asked for first", "typed", emptyFirst, R::kIdOk, false,
         " |Start Page - Browser|0|0|30|editable nocaption refresh exclude"},
        {"OK without a change, tabbed through in order", "IEFrame", tabsInOrder, R::kIdOk, false,
         ie + "3|1|45|ie refresh exclude", "45", 3, 1},
        {"a dash opens as 30 for Internet Explorer", "xieframe2", nullptr, R::kIdOk, false,
         "xieframe2|Start Page - Browser|0|0|30|ie refresh exclude", "-"},
        {"a dash stays for an ordinary window", "", nullptr, R::kIdOk, false,
         "|Start Page - Browser|0|0|-|refresh exclude", "-"},
        {"no z order turns OK into Cancel", "Notepad", nullptr, R::kIdOk, false, "", "45", 3, -1},
        {"no action turns OK into Cancel", "", nullptr, R::kIdOk, false, "", "30", -1},
        {"the title bar's close cancels", "IEFrame", nullptr, kClose, false, "", "45", 3, 1},
        {"Cancel forgets a toggle", "IEFrame", toggle(R::kIdAutoRefresh), R::kIdCancel, false, ""},
        {"typing ieframe enables the group for good", "typed", typing, R::kIdCancel, false, ""},
    };
    vt::BoxAnswerer answerer;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        R dialog(owner.get());
        dialog.SetCaptionText("Start Page - Browser");
        const bool typed = std::string(row.className) == "typed";
        if (typed) {
            dialog.DisableCaption();
            dialog.SetClassNameEditable(true);
        }
        dialog.SetClassNameText(typed ? "" : row.className);
        dialog.SetTimeIntervalText(row.interval);
        dialog.SetActionIndex(row.action);
        dialog.SetZOrderIndex(row.zOrder);
        dialog.SetAutoRefreshChecked(true);
        dialog.SetCurrentWindowChecked(true);
        const int result = vt::RunModal(dialog, [&row](Form& form) {
            if (row.edit) {
                row.edit(static_cast<R&>(form));
            }
            if (row.out == kClose) {
                ::SendMessageA(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
            } else {
                vt::Click(Control(form, row.out));
            }
        });
        EXPECT_EQ(result, row.shown.empty() ? kResultCancel : kResultOk);
        EXPECT_EQ(dialog.Changed(), row.changed);
        if (!row.shown.empty()) {
            EXPECT_EQ(vt::SetRuleShown(dialog), row.shown);
        }
    }
    // Only the empty editable class name was asked for.
    ASSERT_EQ(vt::ShownBoxes().size(), 1u);
    const vt::ShownBox& box = vt::ShownBoxes()[0];
    EXPECT_EQ(box.title + "|" + box.text, "Vantrel|Please input Class Name first.");
    EXPECT_EQ(box.owner, asked);
    EXPECT_EQ(box.icon, ::LoadIconA(nullptr, IDI_INFORMATION));
}

} // namespace
} // namespace vantrel
