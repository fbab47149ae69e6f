// The transparency, resize and properties dialogs, run modally for real and driven from inside
// their own modal loop. The windows they act on belong to the fixture process, as another
// application's windows would.
#include "commands/properties_dialog.h"
#include "commands/resize_dialog.h"
#include "commands/transparency_dialog.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/test_support.h"
#include "support/wait.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vt {
namespace {

using vantrel::Form;
using vantrel::TfrmCustomTransparency;
using vantrel::TfrmResize;
using vantrel::TfrmWindowProp;

std::string Hex(uint32_t value) {
    char text[16] = {};
    std::snprintf(text, sizeof(text), "%08X", value);
    return text;
}

RECT RectOf(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Shows the form with the queued script. A dialog the script never reached, or one the script
// left open after a failed check, is ended by a deadline so the test fails instead of hanging.
int RunModal(Form& form) {
    const vt::ModalDeadline deadline(20000, -1);
    const int result = form.ShowModal();
    EXPECT_EQ(DropPendingScripts(), 0) << "the dialog never ran its script";
    return result;
}

void ReplaceText(HWND edit, const std::string& text) {
    vantrel::SetControlText(edit, "");
    Type(edit, text);
}

// A real click: the button checks itself (and clears its group) before it notifies.
void MouseClick(HWND button) {
    ::SendMessageA(button, BM_CLICK, 0, 0);
}

// Keys reach the control the way the keyboard delivers them: through the modal loop, where the
// dialog-key handling sees them first.
void PostKeyPress(HWND control, WPARAM key) {
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

int TrackPosition(HWND trackBar) {
    return static_cast<int>(::SendMessageA(trackBar, TBM_GETPOS, 0, 0));
}

// ---------------------------------------------------------------------------------------------
// Custom transparency

TEST(WindowDialogsTransparency, TrackBarAndNumberEditFollowEachOther) {
    TfrmCustomTransparency dialog(nullptr);
    dialog.SetValue(30); // before the window exists, as the opener does
    WhenModalOpens("Custom transparency", [](Form& form) {
        auto& d = static_cast<TfrmCustomTransparency&>(form);
        const HWND bar = Control(form.Handle(), TfrmCustomTransparency::kTrackBarId);
        const HWND edit = Control(form.Handle(), TfrmCustomTransparency::kValueEditId);
        EXPECT_EQ(TrackPosition(bar), 30);
        EXPECT_EQ(TextOf(edit), "30");

        ::SendMessageA(bar, WM_KEYDOWN, VK_NEXT, 0); // one page of ten
        EXPECT_EQ(TrackPosition(bar), 40);
        EXPECT_EQ(TextOf(edit), "40");
        ::SendMessageA(bar, WM_KEYDOWN, VK_HOME, 0);
        EXPECT_EQ(TextOf(edit), "0");
        ::SendMessageA(bar, WM_KEYDOWN, VK_END, 0);
        EXPECT_EQ(TextOf(edit), "100");

        vantrel::SetControlText(edit, "");
        EXPECT_EQ(TrackPosition(bar), 100) << "an emptied edit leaves the bar where it was";
        Type(edit, "6");
        EXPECT_EQ(TrackPosition(bar), 6);
        Type(edit, "5");
        EXPECT_EQ(TrackPosition(bar), 65);

        ::SendMessageA(edit, WM_KEYDOWN, VK_UP, 0); // the up-down steps the edit's own number
        EXPECT_EQ(TextOf(edit), "66");
        EXPECT_EQ(TrackPosition(bar), 66);
        EXPECT_EQ(d.Value(), 66);
        Click(Control(form.Handle(), TfrmCustomTransparency::kOkId));
    });
    EXPECT_EQ(RunModal(dialog), vantrel::kResultOk);
    EXPECT_EQ(dialog.Value(), 66);
}

TEST(WindowDialogsTransparency, OnlyDigitsAreTypedAndTheBarShowsTheNearestBound) {
    TfrmCustomTransparency dialog(nullptr);
    WhenModalOpens("Custom transparency", [](Form& form) {
        auto& d = static_cast<TfrmCustomTransparency&>(form);
        const HWND bar = Control(form.Handle(), TfrmCustomTransparency::kTrackBarId);
        const HWND edit = Control(form.Handle(), TfrmCustomTransparency::kValueEditId);
        EXPECT_EQ(TextOf(edit), "0");

        ::SetFocus(edit);
        ReplaceText(edit, "1x5a0");
        EXPECT_EQ(TextOf(edit), "150") << "only digits are typed in";
        EXPECT_EQ(TrackPosition(bar), 100);
        ::SetFocus(Control(form.Handle(), TfrmCustomTransparency::kOkId));
        EXPECT_EQ(TextOf(edit), "150") << "leaving the edit changes nothing the person typed";

        vantrel::SetControlText(edit, "-7"); // pasted, not typed
        EXPECT_EQ(TrackPosition(bar), 0);
        vantrel::SetControlText(edit, "abc");
        EXPECT_EQ(d.Value(), 0) << "a text that is not a number reads as 0";
        Click(Control(form.Handle(), TfrmCustomTransparency::kCancelId));
    });
    EXPECT_EQ(RunModal(dialog), vantrel::kResultCancel);
}

// ---------------------------------------------------------------------------------------------
// Dialogs that act on the fixture's windows

class FixtureWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fixture_ = std::make_unique<Fixture>(); }
    static void TearDownTestSuite() { fixture_.reset(); }
    void TearDown() override {
        for (HWND hwnd : created_) {
            if (::IsWindow(hwnd)) {
                fixture_->Destroy(hwnd);
            }
        }
    }

    HWND NewWindow(const WindowSpec& wanted) {
        const HWND hwnd = fixture_->CreateOne(wanted);
        created_.push_back(hwnd);
        return hwnd;
    }
    HWND NewWindowAt(int x, int y, int w, int h) {
        WindowSpec wanted;
        wanted.caption = "Resize target";
        wanted.x = x;
        wanted.y = y;
        wanted.w = w;
        wanted.h = h;
        const HWND hwnd = NewWindow(wanted);
        ExpectRect(hwnd, ScreenRect(x, y, w, h));
        return hwnd;
    }
    static RECT ScreenRect(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }
    // Runs the resize dialog on the window with the script inside it, to the expected result.
    static void Resize(HWND target, int result, std::function<void(Form&)> script) {
        TfrmResize dialog(nullptr);
        dialog.SetTarget(target);
        WhenModalOpens("Resize window", std::move(script));
        EXPECT_EQ(RunModal(dialog), result);
    }
    // The move happens in the fixture's process; wait for it before comparing exactly.
    static void ExpectRect(HWND hwnd, const RECT& expected) {
        WaitUntil([&] { return SameRect(RectOf(hwnd), expected); });
        const RECT r = RectOf(hwnd);
        EXPECT_EQ(r.left, expected.left);
        EXPECT_EQ(r.top, expected.top);
        EXPECT_EQ(r.right - r.left, expected.right - expected.left);
        EXPECT_EQ(r.bottom - r.top, expected.bottom - expected.top);
    }

    static std::unique_ptr<Fixture> fixture_;
    std::vector<HWND> created_;
};
std::unique_ptr<Fixture> FixtureWindows::fixture_;

// ---------------------------------------------------------------------------------------------
// Resize window

using WindowDialogsResize = FixtureWindows;

// Each row is typed into the dialog and confirmed without a message, moving the window there.
TEST_F(WindowDialogsResize, OkMovesTheWindowAsTheRowsAndUnitsSayWithoutAMessage) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN);
    const int sh = ::GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(sw, 900 + 50);
    const struct {
        const char* name;
        RECT from, to;
        std::function<void(HWND)> script;
    } rows[] = {
        {"defaults give the whole screen", ScreenRect(100, 80, 400, 300), ScreenRect(0, 0, sw, sh),
         [](HWND f) {
             for (const int id : {TfrmResize::kWidthCheckId, TfrmResize::kHeightCheckId,
                                  TfrmResize::kWidthPercentId, TfrmResize::kHeightPercentId}) {
                 EXPECT_TRUE(vantrel::IsChecked(Control(f, id))) << "control " << id;
             }
             EXPECT_EQ(TextOf(Control(f, TfrmResize::kWidthEditId)), "100");
             EXPECT_EQ(TextOf(Control(f, TfrmResize::kHeightEditId)), "100");
             EXPECT_FALSE(vantrel::IsChecked(Control(f, TfrmResize::kWidthPixelsId)));
             EXPECT_FALSE(vantrel::IsChecked(Control(f, TfrmResize::kHeightPixelsId)));
         }},
        // x 524 on a 1024-pixel screen.
        {"pixel width past the right edge moves the window left", ScreenRect(900, 120, 120, 200),
         ScreenRect(sw - 500, 120, 500, 200),
         [](HWND f) {
             MouseClick(Control(f, TfrmResize::kWidthPixelsId));
             EXPECT_FALSE(vantrel::IsChecked(Control(f, TfrmResize::kWidthPercentId)));
             EXPECT_TRUE(vantrel::IsChecked(Control(f, TfrmResize::kHeightPercentId)))
                 << "each row's pair is a group of its own";
             ReplaceText(Control(f, TfrmResize::kWidthEditId), "5x00");
             Toggle(Control(f, TfrmResize::kHeightCheckId));
         }},
        {"an unchecked row may be empty and keeps its axis", ScreenRect(60, 90, 300, 200),
         ScreenRect(60, 90, 300, 250),
         [](HWND f) {
             Toggle(Control(f, TfrmResize::kWidthCheckId));
             vantrel::SetControlText(Control(f, TfrmResize::kWidthEditId), "");
             MouseClick(Control(f, TfrmResize::kHeightPixelsId));
             ReplaceText(Control(f, TfrmResize::kHeightEditId), "250");
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RECT& from = row.from;
        const HWND target =
            NewWindowAt(from.left, from.top, from.right - from.left, from.bottom - from.top);
        vt::BoxAnswerer boxes;
        Resize(target, vantrel::kResultOk, [&row](const Form& form) {
            row.script(form.Handle());
            Click(Control(form.Handle(), TfrmResize::kOkId));
        });
        EXPECT_TRUE(boxes.Seen().empty());
        ExpectRect(target, row.to);
    }
}

TEST_F(WindowDialogsResize, EmptyCheckedEditShowsTheMessageAndKeepsTheDialogOpen) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN);
    const int sh = ::GetSystemMetrics(SM_CYSCREEN);
    const HWND target = NewWindowAt(100, 80, 400, 300);
    vt::BoxAnswerer boxes;
    Resize(target, vantrel::kResultOk, [&boxes, target](const Form& form) {
        const HWND f = form.Handle();
        const HWND width = Control(f, TfrmResize::kWidthEditId);
        vantrel::SetControlText(width, "");
        Click(Control(f, TfrmResize::kOkId));
        ASSERT_EQ(boxes.Seen().size(), 1u);
        EXPECT_EQ(boxes.Seen()[0].text, "Please input number in edit box!");
        EXPECT_EQ(boxes.Seen()[0].title, "Vantrel");
        EXPECT_EQ(boxes.Seen()[0].owner, f) << "owned by the active window, the dialog";
        EXPECT_EQ(boxes.Seen()[0].icon, ::LoadIconA(nullptr, IDI_INFORMATION));
        EXPECT_EQ(form.GetModalResult(), vantrel::kResultNone);
        EXPECT_TRUE(::IsWindowVisible(f));
        EXPECT_TRUE(SameRect(RectOf(target), RECT{100, 80, 500, 380}));

        Type(width, "50");
        Click(Control(f, TfrmResize::kOkId));
    });
    EXPECT_EQ(boxes.Seen().size(), 1u);
    // Half the screen wide still fits from x 100; the full height moves the top up to 0.
    ExpectRect(target, ScreenRect(100, 0, sw / 2, sh));
}

TEST_F(WindowDialogsResize, RowControlsFollowTheirCheckBoxAndCancelChangesNothing) {
    const HWND target = NewWindowAt(70, 50, 320, 240);
    Resize(target, vantrel::kResultCancel, [](const Form& form) {
        const HWND f = form.Handle();
        const int widthRow[] = {TfrmResize::kWidthLabelId, TfrmResize::kWidthEditId,
                                TfrmResize::kWidthPixelsId, TfrmResize::kWidthPercentId};
        const int heightRow[] = {TfrmResize::kHeightLabelId, TfrmResize::kHeightEditId,
                                 TfrmResize::kHeightPixelsId, TfrmResize::kHeightPercentId};
        const auto expectEnabled = [f](const int(&row)[4], bool enabled) {
            for (int id : row) {
                EXPECT_EQ(::IsWindowEnabled(Control(f, id)) != FALSE, enabled) << "control " << id;
            }
        };
        Toggle(Control(f, TfrmResize::kWidthCheckId));
        expectEnabled(widthRow, false);
        expectEnabled(heightRow, true);
        Toggle(Control(f, TfrmResize::kHeightCheckId));
        Toggle(Control(f, TfrmResize::kWidthCheckId));
        expectEnabled(widthRow, true);
        expectEnabled(heightRow, false);
        ReplaceText(Control(f, TfrmResize::kWidthEditId), "10");
        Click(Control(f, TfrmResize::kCancelId));
    });
    ExpectRect(target, ScreenRect(70, 50, 320, 240));
}

// ---------------------------------------------------------------------------------------------
// Window properties

using WindowDialogsProperties = FixtureWindows;

void ClickTab(HWND tabs, int index) {
    RECT item{};
    ::SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    ::SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(tabs, WM_LBUTTONUP, 0, at);
}

TEST_F(WindowDialogsProperties, ShowsIdentityAndDecodedStylesOfAnotherProcessWindow) {
    WindowSpec wanted;
    wanted.className = UniqueName("VtPropTarget");
    wanted.caption = "Caption in the window";
    wanted.style = WS_POPUPWINDOW | WS_CAPTION | WS_VISIBLE;
    wanted.exStyle = WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES;
    const HWND target = NewWindow(wanted);
    // The system adds the clip-siblings bit to every top-level window.
    ASSERT_EQ(static_cast<uint32_t>(::GetWindowLongA(target, GWL_STYLE)), 0x94C80000u);
    const auto exStyle = static_cast<uint32_t>(::GetWindowLongA(target, GWL_EXSTYLE));
    DWORD processId = 0;
    const DWORD threadId = ::GetWindowThreadProcessId(target, &processId);
    ASSERT_EQ(processId, fixture_->ProcessId());

    TfrmWindowProp dialog(nullptr);
    dialog.SetTarget(target, "Caption as listed");
    WhenModalOpens("Window Properties", [](Form& form) {
        const HWND f = form.Handle();
        auto& d = static_cast<TfrmWindowProp&>(form);
        EXPECT_EQ(d.ActivePage(), TfrmWindowProp::kGeneralPage);
        EXPECT_TRUE(::IsWindowVisible(Control(f, TfrmWindowProp::kCaptionEditId)));
        EXPECT_FALSE(::IsWindowVisible(Control(f, TfrmWindowProp::kStyleListId)));

        ClickTab(Control(f, TfrmWindowProp::kPagesId), TfrmWindowProp::kStylePage);
        EXPECT_EQ(d.ActivePage(), TfrmWindowProp::kStylePage);
        EXPECT_TRUE(::IsWindowVisible(Control(f, TfrmWindowProp::kStyleListId)));
        EXPECT_TRUE(::IsWindowVisible(Control(f, TfrmWindowProp::kExStyleListId)));
        EXPECT_TRUE(::IsWindowVisible(Control(f, TfrmWindowProp::kStyleId)));
        EXPECT_FALSE(::IsWindowVisible(Control(f, TfrmWindowProp::kCaptionEditId)));
        EXPECT_FALSE(::IsWindowVisible(Control(f, TfrmWindowProp::kThreadId)));
        ClickTab(Control(f, TfrmWindowProp::kPagesId), TfrmWindowProp::kGeneralPage);
        EXPECT_TRUE(::IsWindowVisible(Control(f, TfrmWindowProp::kThreadId)));
        EXPECT_FALSE(::IsWindowVisible(Control(f, TfrmWindowProp::kExStyleListId)));

        // The read-only fields take the active border colour; the plain labels do not.
        const HWND captionEdit = Control(f, TfrmWindowProp::kCaptionEditId);
        const HWND classEdit = Control(f, TfrmWindowProp::kClassEditId);
        const HBRUSH border = ::GetSysColorBrush(COLOR_ACTIVEBORDER);
        for (HWND edit : {captionEdit, classEdit}) {
            EXPECT_TRUE(::GetWindowLongA(edit, GWL_STYLE) & ES_READONLY);
            HDC dc = ::GetDC(edit);
            const LRESULT brush = ::SendMessageA(f, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                 reinterpret_cast<LPARAM>(edit));
            EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), border);
            EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_ACTIVEBORDER));
            ::ReleaseDC(edit, dc);
        }
        const HWND handleLabel = Control(f, TfrmWindowProp::kHandleId);
        HDC dc = ::GetDC(handleLabel);
        EXPECT_NE(reinterpret_cast<HBRUSH>(::SendMessageA(f, WM_CTLCOLORSTATIC,
                                                          reinterpret_cast<WPARAM>(dc),
                                                          reinterpret_cast<LPARAM>(handleLabel))),
                  border);
        ::ReleaseDC(handleLabel, dc);

        Type(captionEdit, "xyz");
        EXPECT_EQ(TextOf(captionEdit), "Caption as listed") << "read-only";
        Click(Control(f, TfrmWindowProp::kCloseId));
    });
    EXPECT_EQ(RunModal(dialog), vantrel::kResultCancel);

    EXPECT_EQ(dialog.CaptionText(), "Caption as listed");
    EXPECT_EQ(dialog.HandleText(), Hex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(target))));
    EXPECT_EQ(dialog.ClassNameText(), wanted.className);
    EXPECT_EQ(dialog.ProcessIdText(), Hex(processId));
    EXPECT_EQ(dialog.ThreadIdText(), Hex(threadId));
    EXPECT_NE(threadId, ::GetCurrentThreadId());
    EXPECT_EQ(dialog.StyleText(), "94C80000");
    EXPECT_EQ(dialog.StyleNames(),
              (std::vector<std::string>{"WS_POPUPWINDOW", "WS_DLGFRAME", "WS_VISIBLE",
                                        "WS_CLIPSIBLINGS", "WS_OVERLAPPED"}));
    EXPECT_EQ(dialog.ExStyleText(), Hex(exStyle));
    // The system adds the window-edge bit to a window with a caption.
    ASSERT_EQ(exStyle,
              static_cast<uint32_t>(WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES | WS_EX_WINDOWEDGE));
    EXPECT_EQ(dialog.ExStyleNames(),
              (std::vector<std::string>{"WS_EX_ACCEPTFILES", "WS_EX_WINDOWEDGE", "WS_EX_TOOLWINDOW",
                                        "WS_EX_LEFT", "WS_EX_LTRREADING", "WS_EX_RIGHTSCROLLBAR"}));
}

TEST_F(WindowDialogsProperties, WindowThatNoLongerExistsShowsWhatTheFailingCallsGive) {
    WindowSpec wanted;
    wanted.className = UniqueName("VtPropGone");
    wanted.caption = "Gone soon";
    const HWND target = fixture_->CreateOne(wanted);
    fixture_->Destroy(target);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(target); }));

    TfrmWindowProp dialog(nullptr);
    dialog.SetTarget(target, "Gone soon");
    WhenModalOpens("Window Properties", [](Form& form) {
        EXPECT_EQ(static_cast<TfrmWindowProp&>(form).ActivePage(), TfrmWindowProp::kGeneralPage);
        PostKeyPress(Control(form.Handle(), TfrmWindowProp::kCloseId), VK_ESCAPE);
    });
    EXPECT_EQ(RunModal(dialog), vantrel::kResultCancel);

    EXPECT_EQ(dialog.CaptionText(), "Gone soon");
    EXPECT_EQ(dialog.HandleText(), Hex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(target))));
    EXPECT_EQ(dialog.ClassNameText(), "");
    EXPECT_EQ(dialog.ProcessIdText(), "00000000");
    EXPECT_EQ(dialog.ThreadIdText(), "00000000");
    EXPECT_EQ(dialog.StyleText(), "00000000");
    EXPECT_EQ(dialog.StyleNames(), (std::vector<std::string>{"WS_OVERLAPPED"}));
    EXPECT_EQ(dialog.ExStyleText(), "00000000");
    EXPECT_EQ(dialog.ExStyleNames(),
              (std::vector<std::string>{"WS_EX_LEFT", "WS_EX_LTRREADING", "WS_EX_RIGHTSCROLLBAR"}));
}

} // namespace
} // namespace vt
