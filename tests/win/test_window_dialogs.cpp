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

void ReplaceText(HWND edit, const std::string& text) {
    vantrel::SetControlText(edit, "");
    Type(edit, text);
}

// A real click: the button checks itself (and clears its group) before it notifies.
void MouseClick(HWND button) {
    ::SendMessageA(button, BM_CLICK, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Custom transparency

TEST(WindowDialogsTransparency, TrackBarAndNumberEditFollowEachOther) {
    TfrmCustomTransparency dialog(nullptr);
    dialog.SetValue(30); // before the window exists, as the opener does
    const int result = RunModal(dialog, [](Form& form) {
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

        // The up-down steps the edit's own number.
        ::SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
        EXPECT_EQ(TextOf(edit), "66");
        EXPECT_EQ(TrackPosition(bar), 66);
        EXPECT_EQ(d.Value(), 66);
        Click(Control(form.Handle(), TfrmCustomTransparency::kOkId));
    });
    EXPECT_EQ(result, vantrel::kResultOk);
    EXPECT_EQ(dialog.Value(), 66);
}

TEST(WindowDialogsTransparency, OnlyDigitsAreTypedAndTheBarShowsTheNearestBound) {
    TfrmCustomTransparency dialog(nullptr);
    const int result = RunModal(dialog, [](Form& form) {
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
    EXPECT_EQ(result, vantrel::kResultCancel);
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
        EXPECT_EQ(RunModal(dialog, std::move(script)), result);
    }
    // The move happens in the fixture's process; wait for it before comparing exactly.
    static void ExpectRect(HWND hwnd, const RECT& expected) {
        WaitUntil([&] {
            const RECT r = WindowRectOf(hwnd);
            return ::EqualRect(&r, &expected) != FALSE;
        });
        const RECT r = WindowRectOf(hwnd);
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

// Whether each control of the width row and of the height row takes input.
void ExpectRowsEnabled(HWND f, bool width, bool height) {
    using R = TfrmResize;
    for (const int id :
         {R::kWidthLabelId, R::kWidthEditId, R::kWidthPixelsId, R::kWidthPercentId}) {
        EXPECT_EQ(::IsWindowEnabled(Control(f, id)) != FALSE, width) << "control " << id;
    }
    for (const int id :
         {R::kHeightLabelId, R::kHeightEditId, R::kHeightPixelsId, R::kHeightPercentId}) {
        EXPECT_EQ(::IsWindowEnabled(Control(f, id)) != FALSE, height) << "control " << id;
    }
}

// Each row is typed into the dialog and closed with its button without a message: OK moves the
// window there, Cancel leaves it where it was.
TEST_F(WindowDialogsResize, OkMovesTheWindowAsTheRowsAndUnitsSayAndCancelLeavesIt) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN);
    const int sh = ::GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(sw, 900 + 50);
    const struct {
        const char* name;
        RECT from, to;
        int button;
        std::function<void(HWND)> script;
    } rows[] = {
        {"defaults give the whole screen", ScreenRect(100, 80, 400, 300), ScreenRect(0, 0, sw, sh),
         TfrmResize::kOkId,
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
         ScreenRect(sw - 500, 120, 500, 200), TfrmResize::kOkId,
         [](HWND f) {
             MouseClick(Control(f, TfrmResize::kWidthPixelsId));
             EXPECT_FALSE(vantrel::IsChecked(Control(f, TfrmResize::kWidthPercentId)));
             EXPECT_TRUE(vantrel::IsChecked(Control(f, TfrmResize::kHeightPercentId)))
                 << "each row's pair is a group of its own";
             ReplaceText(Control(f, TfrmResize::kWidthEditId), "5x00");
             Toggle(Control(f, TfrmResize::kHeightCheckId));
         }},
        {"an unchecked row is disabled, may be empty and keeps its axis",
         ScreenRect(60, 90, 300, 200), ScreenRect(60, 90, 300, 250), TfrmResize::kOkId,
         [](HWND f) {
             Toggle(Control(f, TfrmResize::kWidthCheckId));
             ExpectRowsEnabled(f, false, true);
             vantrel::SetControlText(Control(f, TfrmResize::kWidthEditId), "");
             MouseClick(Control(f, TfrmResize::kHeightPixelsId));
             ReplaceText(Control(f, TfrmResize::kHeightEditId), "250");
         }},
        {"cancel changes nothing", ScreenRect(70, 50, 320, 240), ScreenRect(70, 50, 320, 240),
         TfrmResize::kCancelId,
         [](HWND f) {
             for (const int box : {TfrmResize::kWidthCheckId, TfrmResize::kHeightCheckId,
                                   TfrmResize::kWidthCheckId}) {
                 Toggle(Control(f, box));
             }
             ExpectRowsEnabled(f, true, false);
             ReplaceText(Control(f, TfrmResize::kWidthEditId), "10");
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RECT& from = row.from;
        const HWND target =
            NewWindowAt(from.left, from.top, from.right - from.left, from.bottom - from.top);
        vt::BoxAnswerer boxes;
        const int result =
            row.button == TfrmResize::kOkId ? vantrel::kResultOk : vantrel::kResultCancel;
        Resize(target, result, [&row](const Form& form) {
            row.script(form.Handle());
            Click(Control(form.Handle(), row.button));
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
        const RECT unmoved{100, 80, 500, 380};
        const RECT now = WindowRectOf(target);
        EXPECT_TRUE(::EqualRect(&now, &unmoved));

        Type(width, "50");
        Click(Control(f, TfrmResize::kOkId));
    });
    EXPECT_EQ(boxes.Seen().size(), 1u);
    // Half the screen wide still fits from x 100; the full height moves the top up to 0.
    ExpectRect(target, ScreenRect(100, 0, sw / 2, sh));
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

// The dialog opens on its general page, each tab shows its own page alone, and the read-only
// fields take the active border colour while the plain labels do not.
void ExpectPagesAndFields(const TfrmWindowProp& d) {
    const HWND f = d.Handle();
    const auto shown = [f](int id) { return ::IsWindowVisible(Control(f, id)) != FALSE; };
    EXPECT_EQ(d.ActivePage(), TfrmWindowProp::kGeneralPage);
    EXPECT_TRUE(shown(TfrmWindowProp::kCaptionEditId));
    EXPECT_FALSE(shown(TfrmWindowProp::kStyleListId));
    ClickTab(Control(f, TfrmWindowProp::kPagesId), TfrmWindowProp::kStylePage);
    EXPECT_EQ(d.ActivePage(), TfrmWindowProp::kStylePage);
    EXPECT_TRUE(shown(TfrmWindowProp::kStyleListId));
    EXPECT_TRUE(shown(TfrmWindowProp::kExStyleListId));
    EXPECT_TRUE(shown(TfrmWindowProp::kStyleId));
    EXPECT_FALSE(shown(TfrmWindowProp::kCaptionEditId));
    EXPECT_FALSE(shown(TfrmWindowProp::kThreadId));
    ClickTab(Control(f, TfrmWindowProp::kPagesId), TfrmWindowProp::kGeneralPage);
    EXPECT_TRUE(shown(TfrmWindowProp::kThreadId));
    EXPECT_FALSE(shown(TfrmWindowProp::kExStyleListId));

    const HBRUSH border = ::GetSysColorBrush(COLOR_ACTIVEBORDER);
    for (const int id : {TfrmWindowProp::kCaptionEditId, TfrmWindowProp::kClassEditId,
                         TfrmWindowProp::kHandleId}) {
        const HWND control = Control(f, id);
        const bool field = id != TfrmWindowProp::kHandleId;
        HDC dc = ::GetDC(control);
        const LRESULT brush = ::SendMessageA(f, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                             reinterpret_cast<LPARAM>(control));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(brush) == border, field) << id;
        if (field) {
            EXPECT_NE(::GetWindowLongA(control, GWL_STYLE) & ES_READONLY, 0) << id;
            EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_ACTIVEBORDER)) << id;
        }
        ::ReleaseDC(control, dc);
    }
}

// Everything the dialog showed, page by page.
std::string ShownBy(const TfrmWindowProp& d) {
    std::string text = d.CaptionText() + " | " + d.HandleText() + " | " + d.ClassNameText() +
                       " | " + d.ProcessIdText() + " | " + d.ThreadIdText() + " | " + d.StyleText();
    for (const std::string& name : d.StyleNames()) {
        text += " " + name;
    }
    text += " | " + d.ExStyleText();
    for (const std::string& name : d.ExStyleNames()) {
        text += " " + name;
    }
    return text;
}

// For a window of another process, and for a handle whose window has gone, where the failing
// calls give zeros and empty texts; either way the caption shown is the one the list had.
TEST_F(WindowDialogsProperties, ShowsIdentityAndDecodedStylesOfAWindowAliveOrGone) {
    WindowSpec wanted;
    wanted.className = UniqueName("VtPropTarget");
    wanted.caption = "Caption in the window";
    wanted.style = WS_POPUPWINDOW | WS_CAPTION | WS_VISIBLE;
    wanted.exStyle = WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES;
    const HWND alive = NewWindow(wanted);
    // The system adds the clip-siblings bit to every top-level window, and the window-edge bit to
    // one with a caption.
    ASSERT_EQ(static_cast<uint32_t>(::GetWindowLongA(alive, GWL_STYLE)), 0x94C80000u);
    ASSERT_EQ(static_cast<uint32_t>(::GetWindowLongA(alive, GWL_EXSTYLE)),
              static_cast<uint32_t>(WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES | WS_EX_WINDOWEDGE));
    DWORD processId = 0;
    const DWORD threadId = ::GetWindowThreadProcessId(alive, &processId);
    ASSERT_EQ(processId, fixture_->ProcessId());
    ASSERT_NE(threadId, ::GetCurrentThreadId());
    const HWND gone = NewWindow(wanted);
    fixture_->Destroy(gone);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(gone); }));
    const auto handle = [](HWND w) { return Hex(static_cast<uint32_t>(HandleToULong(w))); };

    const struct {
        const char* name;
        HWND target;
        std::string listed, shown;
        bool byEscape;
    } rows[] = {
        {"another process's window", alive, "Caption as listed",
         "Caption as listed | " + handle(alive) + " | " + wanted.className + " | " +
             Hex(processId) + " | " + Hex(threadId) +
             " | 94C80000 WS_POPUPWINDOW WS_DLGFRAME WS_VISIBLE WS_CLIPSIBLINGS WS_OVERLAPPED"
             " | 00000190 WS_EX_ACCEPTFILES WS_EX_WINDOWEDGE WS_EX_TOOLWINDOW WS_EX_LEFT"
             " WS_EX_LTRREADING WS_EX_RIGHTSCROLLBAR",
         false},
        {"a window that has gone", gone, "Gone soon",
         "Gone soon | " + handle(gone) +
             " |  | 00000000 | 00000000 | 00000000 WS_OVERLAPPED"
             " | 00000000 WS_EX_LEFT WS_EX_LTRREADING WS_EX_RIGHTSCROLLBAR",
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TfrmWindowProp dialog(nullptr);
        dialog.SetTarget(row.target, row.listed);
        const int result = RunModal(dialog, [&row](Form& form) {
            const HWND f = form.Handle();
            ExpectPagesAndFields(static_cast<TfrmWindowProp&>(form));
            const HWND captionEdit = Control(f, TfrmWindowProp::kCaptionEditId);
            Type(captionEdit, "xyz");
            EXPECT_EQ(TextOf(captionEdit), row.listed) << "read-only";
            const HWND close = Control(f, TfrmWindowProp::kCloseId);
            if (row.byEscape) {
                PostKey(close, VK_ESCAPE);
            } else {
                Click(close);
            }
        });
        EXPECT_EQ(result, vantrel::kResultCancel);
        EXPECT_EQ(ShownBy(dialog), row.shown);
    }
}

} // namespace
} // namespace vt
