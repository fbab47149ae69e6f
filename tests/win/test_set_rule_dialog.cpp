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
#include <utility>
#include <vector>

namespace vantrel {
namespace {

using R = TfrmSetRule;

void Press(const Form& form, int id) {
    vt::Click(vt::Control(form.Handle(), id));
}

// Shows the dialog with `script` running inside its modal loop; returns the modal result.
int Show(R& dialog, const std::function<void(R&)>& script) {
    return vt::RunModal(dialog, [script](Form& form) { script(static_cast<R&>(form)); });
}

class SetRuleDialog : public ::testing::Test {
protected:
    HWND Ctl(int id) const { return vt::Control(dialog_.Handle(), id); }

    R dialog_{nullptr};
};

TEST_F(SetRuleDialog, LayoutCaptionsColoursAndInitialState) {
    const HWND form = dialog_.Create();
    EXPECT_EQ(vt::TextOf(form), "Set Rule");
    EXPECT_EQ(::GetWindowLongPtrA(form, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    RECT client{};
    ::GetClientRect(form, &client);
    EXPECT_EQ(client.right, 435);
    EXPECT_EQ(client.bottom, 346);

    const LRESULT font = ::SendMessageA(Ctl(R::kIdOk), WM_GETFONT, 0, 0);
    LOGFONTA face{};
    ::GetObjectA(reinterpret_cast<HGDIOBJ>(font), sizeof(face), &face);
    EXPECT_STREQ(face.lfFaceName, platform::UiFontFace());
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
    vt::ExpectSoundLayout(form);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(image, STM_GETICON, 0, 0)),
              ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)));

    EXPECT_EQ(vt::SetRuleShown(dialog_), "||0|0|30|ie");
    EXPECT_NE(::GetWindowLongPtrA(Ctl(R::kIdCaption), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(::SendMessageA(Ctl(R::kIdClassName), EM_GETLIMITTEXT, 0, 0), 255);

    // Editable, read-only or disabled, the caption and class name keep the active border's
    // background.
    dialog_.SetClassNameEditable(true);
    dialog_.DisableCaption();
    const HDC dc = ::GetDC(form);
    const auto brush = [&](UINT msg, HWND control) {
        return reinterpret_cast<HBRUSH>(::SendMessageA(form, msg, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(control)));
    };
    const HBRUSH border = ::GetSysColorBrush(COLOR_ACTIVEBORDER);
    EXPECT_EQ(brush(WM_CTLCOLOREDIT, Ctl(R::kIdClassName)), border);
    EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_ACTIVEBORDER));
    EXPECT_EQ(brush(WM_CTLCOLORSTATIC, Ctl(R::kIdCaption)), border);
    EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_GRAYTEXT)); // disabled
    EXPECT_NE(brush(WM_CTLCOLORSTATIC, vt::ControlByText(form, "Class Name:")), border);
    EXPECT_NE(brush(WM_CTLCOLOREDIT, Ctl(R::kIdTimeInterval)), border);
    ::ReleaseDC(form, dc);
}

TEST_F(SetRuleDialog, OpensCentredOverItsOwnerWithTheFocusOnTheFirstFieldAndTabsInOrder) {
    platform::UniqueWindow owner(::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 200,
                                                   150, 700, 500, nullptr, nullptr,
                                                   ::GetModuleHandleA(nullptr), nullptr));
    R dialog(owner.get());
    dialog.SetClassNameText("IEFrame");
    dialog.SetActionIndex(3);
    dialog.SetZOrderIndex(1);
    Show(dialog, [&](const R& d) {
        const RECT me = vt::WindowRectOf(d.Handle());
        EXPECT_NEAR((me.left + me.right) / 2, 200 + 350, 1);
        EXPECT_NEAR((me.top + me.bottom) / 2, 150 + 250, 1);
        const auto ctl = [&](int id) { return vt::Control(d.Handle(), id); };
        HWND at = ::GetFocus();
        // Tabbing into a radio group lands on its selected item.
        for (const int id :
             {R::kIdCaption, R::kIdClassName, R::kIdActionFirst + 3, R::kIdZOrderFirst + 1,
              R::kIdAutoRefresh, R::kIdTimeInterval, R::kIdCurrentWindow, R::kIdMore, R::kIdOk,
              R::kIdCancel, R::kIdCaption}) {
            EXPECT_EQ(::GetDlgCtrlID(at), id);
            at = ::GetNextDlgTabItem(d.Handle(), at, FALSE);
        }
        // Arrow keys stay inside each radio group.
        EXPECT_EQ(::GetNextDlgGroupItem(d.Handle(), ctl(R::kIdActionFirst + 4), FALSE),
                  ctl(R::kIdActionFirst));
        EXPECT_EQ(::GetNextDlgGroupItem(d.Handle(), ctl(R::kIdZOrderFirst + 2), FALSE),
                  ctl(R::kIdZOrderFirst));
        Press(d, R::kIdCancel);
    });
}

// Typing a class name that holds "ieframe" enables the group for good, whatever is typed next.
TEST_F(SetRuleDialog, TypingIEFrameEnablesTheGroupForGood) {
    dialog_.DisableCaption();
    dialog_.SetClassNameEditable(true);
    Show(dialog_, [this](R& d) {
        const std::pair<const char*, const char*> steps[] = {
            {"IEFr", "IEFr||0|0|30|editable nocaption"},
            {"ame", "IEFrame||0|0|30|editable nocaption ie"},
            {"\b\b\b\b\b\b\b", "||0|0|30|editable nocaption ie"},
            {"Notepad", "Notepad||0|0|30|editable nocaption ie"}};
        for (const auto& [typed, shown] : steps) {
            vt::Type(Ctl(R::kIdClassName), typed);
            EXPECT_EQ(vt::SetRuleShown(d), shown) << "after " << typed;
        }
        Press(d, R::kIdCancel);
    });
}

// Each row fills the dialog as a command would (both boxes ticked), makes its edit, and leaves by
// OK, Cancel or the title bar's close. OK counts a change only in the five values, and only as they
// end; every other way out changes nothing. OK asks for a class name only when it is typed, empty.
// The Internet Explorer group opens enabled for a class holding "ieframe" in any letter case.
TEST_F(SetRuleDialog, TheWayOutAndTheEditsDecideResultAndChange) {
    using Edit = std::function<void(R&)>;
    const auto toggle = [](int id) {
        return [id](const R& d) { vt::Toggle(vt::Control(d.Handle(), id)); };
    };
    const Edit zOrderClick = [](const R& d) {
        ::SendMessageA(vt::Control(d.Handle(), R::kIdZOrderFirst + 2), BM_CLICK, 0, 0);
    };
    const Edit leadingZero = [](const R& d) {
        const HWND interval = vt::Control(d.Handle(), R::kIdTimeInterval);
        ::SendMessageA(interval, EM_SETSEL, 0, 0);
        vt::Type(interval, "0");
    };
    const Edit andBack = [](R& d) {
        vt::Type(vt::Control(d.Handle(), R::kIdClassName), "IEFrame");
        vt::Toggle(vt::Control(d.Handle(), R::kIdCurrentWindow));
        vt::Toggle(vt::Control(d.Handle(), R::kIdCurrentWindow));
        d.SetActionIndex(2);
        d.SetActionIndex(0);
    };
    const Edit digitsOnly = [](const R& d) {
        const HWND interval = vt::Control(d.Handle(), R::kIdTimeInterval);
        ::SendMessageA(interval, EM_SETSEL, 2, 2);
        for (const char* refused : {"a", "-", " ", "+"}) {
            vt::Type(interval, refused);
            EXPECT_EQ(d.TimeIntervalText(), "30") << refused;
        }
        vt::Type(interval, "79");
        EXPECT_EQ(d.TimeIntervalText(), "3079");
        vt::Type(interval, "\b\b");
    };
    HWND asked = nullptr; // the dialog that asked for a class name
    const Edit emptyFirst = [&asked](R& d) {
        asked = d.Handle();
        Press(d, R::kIdOk);
        EXPECT_EQ(d.GetModalResult(), kResultNone);
        EXPECT_TRUE(::IsWindowVisible(d.Handle()));
        vt::Type(vt::Control(d.Handle(), R::kIdClassName), " ");
    };
    constexpr int kClose = SC_CLOSE;
    const std::string ie = "IEFrame|Start Page - Browser|";
    const struct {
        const char* name;
        const char* className; // "typed": an editable class name, empty, and no caption
        const char* interval;
        int action, zOrder;
        Edit edit;
        int out; // the button, or the title bar's close
        bool changed;
        std::string shown; // afterwards, when OK; empty: cancelled, and nobody reads the fields
    } rows[] = {
        {"a new action", "IEFrame", "30", 0, 0, [](R& d) { d.SetActionIndex(4); }, R::kIdOk, true,
         ie + "4|0|30|ie refresh exclude"},
        {"a new z order", "IEFrame", "30", 0, 0, zOrderClick, R::kIdOk, true,
         ie + "0|2|30|ie refresh exclude"},
        {"auto refresh", "IEFrame", "30", 0, 0, toggle(R::kIdAutoRefresh), R::kIdOk, true,
         ie + "0|0|30|ie exclude"},
        {"current window", "IEFrame", "30", 0, 0, toggle(R::kIdCurrentWindow), R::kIdOk, true,
         ie + "0|0|30|ie refresh"},
        {"030 for 30", "IEFrame", "30", 0, 0, leadingZero, R::kIdOk, true,
         ie + "0|0|030|ie refresh exclude"},
        {"values that end as they began", "typed", "30", 0, 0, andBack, R::kIdOk, false,
         ie + "0|0|30|editable nocaption ie refresh exclude"},
        {"the interval takes digits and backspace only", "IEFrame", "30", 0, 0, digitsOnly,
         R::kIdOk, false, ie + "0|0|30|ie refresh exclude"},
        {"an empty class name is asked for first", "typed", "30", 0, 0, emptyFirst, R::kIdOk, false,
         " |Start Page - Browser|0|0|30|editable nocaption refresh exclude"},
        {"OK without a change", "IEFrame", "45", 3, 1, nullptr, R::kIdOk, false,
         ie + "3|1|45|ie refresh exclude"},
        {"a dash opens as 30 for Internet Explorer", "xieframe2", "-", 0, 0, nullptr, R::kIdOk,
         false, "xieframe2|Start Page - Browser|0|0|30|ie refresh exclude"},
        {"a dash stays for an ordinary window", "", "-", 0, 0, nullptr, R::kIdOk, false,
         "|Start Page - Browser|0|0|-|refresh exclude"},
        {"no z order turns OK into Cancel", "Notepad", "45", 3, -1, nullptr, R::kIdOk, false, ""},
        {"no action turns OK into Cancel", "", "30", -1, 0, nullptr, R::kIdOk, false, ""},
        {"the title bar's close cancels", "IEFrame", "45", 3, 1, nullptr, kClose, false, ""},
        {"Cancel forgets a toggle", "IEFrame", "30", 0, 0, toggle(R::kIdAutoRefresh), R::kIdCancel,
         false, ""},
    };
    vt::BoxAnswerer answerer;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        R dialog(nullptr);
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
        EXPECT_EQ(Show(dialog,
                       [&row](R& d) {
                           if (row.edit) {
                               row.edit(d);
                           }
                           if (row.out == kClose) {
                               ::SendMessageA(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
                           } else {
                               Press(d, row.out);
                           }
                       }),
                  row.shown.empty() ? kResultCancel : kResultOk);
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
