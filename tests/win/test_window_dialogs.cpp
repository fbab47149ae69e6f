// The transparency, resize and properties dialogs, run modally for real and driven from inside
// their own modal loop. The windows they act on belong to the fixture process, as another
// application's windows would.
#include "commands/properties_dialog.h"
#include "commands/resize_dialog.h"
#include "commands/style_decoder.h"
#include "commands/transparency_dialog.h"
#include "platform/gdi.h"
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

// One dialog, one step after another: the bar and the number follow each other, only digits are
// typed, and a number out of range puts the bar at the nearest bound.
TEST(WindowDialogsTransparency, TrackBarAndNumberEditFollowEachOther) {
    using T = TfrmCustomTransparency;
    EXPECT_EQ(T(nullptr).Value(), 0) << "opens at 0 unless told";
    const auto key = [](int id, WPARAM k) {
        return [id, k](HWND f) { ::SendMessageA(Control(f, id), WM_KEYDOWN, k, 0); };
    };
    const auto set = [](const char* text) {
        return [text](HWND f) { vantrel::SetControlText(Control(f, T::kValueEditId), text); };
    };
    const auto type = [](const char* text, bool anew) {
        return [text, anew](HWND f) {
            ::SetFocus(Control(f, T::kValueEditId));
            anew ? ReplaceText(Control(f, T::kValueEditId), text)
                 : Type(Control(f, T::kValueEditId), text);
        };
    };
    const struct {
        const char* step;
        std::function<void(HWND)> act;
        const char* text;
        int bar, value;
    } steps[] = {
        {"opened at the value set before", [](HWND) {}, "30", 30, 30},
        {"page down on the bar is ten", key(T::kTrackBarId, VK_NEXT), "40", 40, 40},
        {"home on the bar", key(T::kTrackBarId, VK_HOME), "0", 0, 0},
        {"end on the bar", key(T::kTrackBarId, VK_END), "100", 100, 100},
        {"emptied edit leaves the bar", set(""), "", 100, 0},
        {"letters are not typed", type("1x5a0", true), "150", 100, 100},
        {"leaving the edit keeps the text", [](HWND f) { ::SetFocus(Control(f, T::kOkId)); }, "150",
         100, 100},
        {"pasted negative", set("-7"), "-7", 0, 0},
        {"pasted letters read as 0", set("abc"), "abc", 0, 0},
        {"first digit", type("6", true), "6", 6, 6},
        {"second digit", type("5", false), "65", 65, 65},
    };
    TfrmCustomTransparency dialog(nullptr);
    dialog.SetValue(30); // before the window exists, as the opener does
    const int result = RunModal(dialog, [&](Form& form) {
        const HWND f = form.Handle();
        for (const auto& s : steps) {
            s.act(f);
            EXPECT_EQ(TextOf(Control(f, T::kValueEditId)), s.text) << s.step;
            EXPECT_EQ(TrackPosition(Control(f, T::kTrackBarId)), s.bar) << s.step;
            EXPECT_EQ(dialog.Value(), s.value) << s.step;
        }
        Click(Control(f, T::kOkId));
    });
    EXPECT_EQ(result, vantrel::kResultOk);
    EXPECT_EQ(dialog.Value(), 65);
}

// The move happens in the fixture's process; wait for it before comparing exactly.
void ExpectPlaced(HWND hwnd, const RECT& r) {
    const std::string expected = PlaceOf(r);
    WaitUntil([&] { return PlaceOf(hwnd) == expected; });
    EXPECT_EQ(PlaceOf(hwnd), expected);
}

// The width and the height rows as a person reads them: "[x] 100 %", "[ ] 250 px", with
// "disabled" when none of the row's controls takes input ("partly" when some do not).
std::string RowsShown(HWND f) {
    using R = TfrmResize;
    std::string text;
    for (const auto& row : {std::vector<int>{R::kWidthCheckId, R::kWidthEditId, R::kWidthPixelsId,
                                             R::kWidthPercentId, R::kWidthLabelId},
                            {R::kHeightCheckId, R::kHeightEditId, R::kHeightPixelsId,
                             R::kHeightPercentId, R::kHeightLabelId}}) {
        const auto on = [f](int id) { return vantrel::IsChecked(Control(f, id)); };
        text += (on(row[0]) ? "[x] " : "[ ] ") + TextOf(Control(f, row[1])) +
                (on(row[2]) ? " px" : "") + (on(row[3]) ? " %" : "");
        int enabled = 0;
        for (size_t i = 1; i < row.size(); ++i) {
            enabled += ::IsWindowEnabled(Control(f, row[i])) ? 1 : 0;
        }
        text += enabled == 4 ? "; " : enabled == 0 ? " disabled; " : " partly; ";
    }
    return text;
}

// Each row is typed into the dialog and closed with its button: OK moves the window there, Cancel
// leaves it where it was; a refused OK shows its message and keeps the dialog open.
TEST(WindowDialogsResize, OkMovesTheWindowAsTheRowsAndUnitsSayAndCancelLeavesIt) {
    using R = TfrmResize;
    Fixture fixture;
    const int sw = ::GetSystemMetrics(SM_CXSCREEN);
    const int sh = ::GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(sw, 900 + 50);
    const auto at = [](int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; };
    // A real click: the button checks itself (and clears its group) before it notifies.
    const auto click = [](HWND f, int id) { ::SendMessageA(Control(f, id), BM_CLICK, 0, 0); };
    const struct {
        const char* name;
        RECT from, to;
        std::function<void(HWND f, HWND target)> script;
        std::string shown; // once the script has run
        int button;
        size_t boxes = 0;
    } rows[] = {
        {"defaults give the whole screen", at(100, 80, 400, 300), at(0, 0, sw, sh),
         [](HWND, HWND) {}, "[x] 100 %; [x] 100 %; ", R::kOkId},
        // x 524 on a 1024-pixel screen; each row's pair of units is a group of its own.
        {"pixel width past the right edge moves the window left", at(900, 120, 120, 200),
         at(sw - 500, 120, 500, 200),
         [&](HWND f, HWND) {
             click(f, R::kWidthPixelsId);
             ReplaceText(Control(f, R::kWidthEditId), "5x00");
             Toggle(Control(f, R::kHeightCheckId));
         },
         "[x] 500 px; [ ] 100 % disabled; ", R::kOkId},
        {"an unchecked row is disabled, may be empty and keeps its axis", at(60, 90, 300, 200),
         at(60, 90, 300, 250),
         [&](HWND f, HWND) {
             Toggle(Control(f, R::kWidthCheckId));
             vantrel::SetControlText(Control(f, R::kWidthEditId), "");
             click(f, R::kHeightPixelsId);
             ReplaceText(Control(f, R::kHeightEditId), "250");
         },
         "[ ]  % disabled; [x] 250 px; ", R::kOkId},
        {"cancel changes nothing", at(70, 50, 320, 240), at(70, 50, 320, 240),
         [](HWND f, HWND) {
             for (const int id : {R::kWidthCheckId, R::kHeightCheckId, R::kWidthCheckId}) {
                 Toggle(Control(f, id));
             }
             ReplaceText(Control(f, R::kWidthEditId), "10");
         },
         "[x] 10 %; [ ] 100 % disabled; ", R::kCancelId},
        // Half the screen wide still fits from x 100; the full height moves the top up to 0.
        {"an empty checked edit is refused, then half the width", at(100, 80, 400, 300),
         at(100, 0, sw / 2, sh),
         [](HWND f, HWND target) {
             vantrel::SetControlText(Control(f, R::kWidthEditId), "");
             Click(Control(f, R::kOkId));
             ASSERT_EQ(ShownBoxes().size(), 1u);
             const ShownBox& box = ShownBoxes()[0];
             EXPECT_EQ(box.title + "|" + box.text, "Vantrel|Please input number in edit box!");
             EXPECT_TRUE(box.owner == f && box.icon == ::LoadIconA(nullptr, IDI_INFORMATION))
                 << "owned by the active window, the dialog, with the information icon";
             EXPECT_TRUE(::IsWindowVisible(f)) << "the dialog stays open";
             EXPECT_EQ(PlaceOf(target), "100,80 400x300");
             Type(Control(f, R::kWidthEditId), "50");
         },
         "[x] 50 %; [x] 100 %; ", R::kOkId, 1},
    };
    const HWND target = fixture.CreateOne(Spec("", "Resize target"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RECT& r = row.from;
        ::SetWindowPos(target, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ExpectPlaced(target, row.from);
        BoxAnswerer boxes;
        TfrmResize dialog(nullptr);
        dialog.SetTarget(target);
        const int result = RunModal(dialog, [&](const Form& form) {
            row.script(form.Handle(), target);
            EXPECT_EQ(RowsShown(form.Handle()), row.shown);
            Click(Control(form.Handle(), row.button));
        });
        EXPECT_EQ(result, row.button == R::kOkId ? vantrel::kResultOk : vantrel::kResultCancel);
        EXPECT_EQ(boxes.Seen().size(), row.boxes);
        ExpectPlaced(target, row.to);
    }
}

// The dialog opens on its general page, each tab shows its own page alone, and the read-only
// fields take the active border colour while the plain labels do not.
void ExpectPagesAndFields(const TfrmWindowProp& d) {
    using P = TfrmWindowProp;
    const HWND f = d.Handle();
    const std::pair<int, const char*> controls[] = {{P::kCaptionEditId, "caption"},
                                                    {P::kThreadId, "thread"},
                                                    {P::kStyleId, "style"},
                                                    {P::kStyleListId, "styles"},
                                                    {P::kExStyleListId, "ex-styles"}};
    const auto shown = [&] {
        std::string names = std::to_string(d.ActivePage()) + ":";
        for (const auto& [id, name] : controls) {
            names += ::IsWindowVisible(Control(f, id)) ? std::string(" ") + name : "";
        }
        return names;
    };
    EXPECT_EQ(shown(), "0: caption thread") << "as it opens";
    for (const auto& [page, expected] : {std::pair{P::kStylePage, "1: style styles ex-styles"},
                                         {P::kGeneralPage, "0: caption thread"}}) {
        const HWND tabs = Control(f, P::kPagesId);
        RECT item{};
        ::SendMessageA(tabs, TCM_GETITEMRECT, page, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        ::SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(tabs, WM_LBUTTONUP, 0, at);
        EXPECT_EQ(shown(), expected) << "tab " << page << " clicked";
    }
    const HBRUSH border = ::GetSysColorBrush(COLOR_ACTIVEBORDER);
    for (const int id : {P::kCaptionEditId, P::kClassEditId, P::kHandleId}) {
        const HWND control = Control(f, id);
        const bool field = id != P::kHandleId;
        const vantrel::platform::WindowDc dc(control);
        const LRESULT brush = ::SendMessageA(f, WM_CTLCOLORSTATIC,
                                             reinterpret_cast<WPARAM>(dc.get()), vt::L(control));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(brush) == border, field) << id;
        if (field) {
            EXPECT_NE(::GetWindowLongA(control, GWL_STYLE) & ES_READONLY, 0) << id;
            EXPECT_EQ(::GetBkColor(dc.get()), ::GetSysColor(COLOR_ACTIVEBORDER)) << id;
        }
    }
}

// A style as the dialog shows it: its number, then its names.
std::string StyleLine(std::string text, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        text += " " + name;
    }
    return text;
}

// For a window of another process, and for a handle whose window has gone, where the failing
// calls give zeros and empty texts; either way the caption shown is the one the list had. How a
// style decodes is the decoder's own test; here the names must be those of the window's style.
TEST(WindowDialogsProperties, ShowsIdentityAndDecodedStylesOfAWindowAliveOrGone) {
    Fixture fixture;
    WindowSpec wanted = Spec(UniqueName("VtPropTarget"), "Caption in the window",
                             WS_POPUPWINDOW | WS_CAPTION | WS_VISIBLE);
    wanted.exStyle = WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES;
    const HWND alive = fixture.CreateOne(wanted);
    const auto style = static_cast<uint32_t>(::GetWindowLongA(alive, GWL_STYLE));
    const auto exStyle = static_cast<uint32_t>(::GetWindowLongA(alive, GWL_EXSTYLE));
    // The system adds the clip-siblings bit to every top-level window, and the window-edge bit to
    // one with a caption.
    ASSERT_EQ(Hex(style) + " " + Hex(exStyle), "94C80000 00000190");
    const DWORD threadId = ::GetWindowThreadProcessId(alive, nullptr);
    const HWND gone = fixture.CreateOne(wanted);
    fixture.Destroy(gone);
    const auto handle = [](HWND w) { return Hex(static_cast<uint32_t>(HandleToULong(w))); };
    const auto styles = [](uint32_t s, uint32_t ex) {
        return StyleLine(Hex(s), vantrel::DecodeWindowStyle(s)) + " | " +
               StyleLine(Hex(ex), vantrel::DecodeExtendedStyle(ex));
    };
    const struct {
        const char* name;
        HWND target;
        std::string listed, shown;
        bool byEscape;
    } rows[] = {
        {"another process's window", alive, "Caption as listed",
         "Caption as listed | " + handle(alive) + " | " + wanted.className + " | " +
             Hex(fixture.ProcessId()) + " | " + Hex(threadId) + " | " + styles(style, exStyle),
         false},
        {"a window that has gone", gone, "Gone soon",
         "Gone soon | " + handle(gone) + " |  | 00000000 | 00000000 | " + styles(0, 0), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TfrmWindowProp d(nullptr);
        d.SetTarget(row.target, row.listed);
        const int result = RunModal(d, [&row](Form& form) {
            const HWND f = form.Handle();
            ExpectPagesAndFields(static_cast<TfrmWindowProp&>(form));
            const HWND captionEdit = Control(f, TfrmWindowProp::kCaptionEditId);
            Type(captionEdit, "xyz");
            EXPECT_EQ(TextOf(captionEdit), row.listed) << "read-only";
            if (row.byEscape) {
                PostKey(Control(f, TfrmWindowProp::kCloseId), VK_ESCAPE);
            } else {
                Click(Control(f, TfrmWindowProp::kCloseId));
            }
        });
        EXPECT_EQ(result, vantrel::kResultCancel);
        EXPECT_EQ(d.CaptionText() + " | " + d.HandleText() + " | " + d.ClassNameText() + " | " +
                      d.ProcessIdText() + " | " + d.ThreadIdText() + " | " +
                      StyleLine(d.StyleText(), d.StyleNames()) + " | " +
                      StyleLine(d.ExStyleText(), d.ExStyleNames()),
                  row.shown);
    }
}

} // namespace
} // namespace vt
