// The program's dialogs from the keyboard alone, with key presses through the system's input
// queue: Enter is OK, Esc is Cancel, a refused OK leaves the focus where the person must type,
// and the focus is shown from the moment a dialog opens.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/properties_dialog.h"
#include "commands/resize_dialog.h"
#include "commands/transparency_dialog.h"
#include "rules/rule_more_dialog.h"
#include "rules/set_rule_dialog.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "ui/about_dialog.h"
#include "ui/form.h"
#include "ui/options_dialog.h"
#include "ui/web_links.h"

namespace {

using vantrel::Form;
using R = vantrel::TfrmResize;
using S = vantrel::TfrmSetRule;
using T = vantrel::TfrmCustomTransparency;
using M = vantrel::TfrmRuleMore;
using A = vantrel::TfrmAbout;
using Maker = std::function<std::unique_ptr<Form>()>;

struct KeyCase {
    const char* name;
    Maker make;
    std::function<void(Form&)> fill; // typed before the key
    WORD key;
    int result;
    // When set, the key first shows this message (or opens this address), the dialog stays
    // open with the focus in `stays`, and Esc ends it.
    std::string shows{};
    int stays = 0;
};

void Retype(const Form& form, int id, const std::string& text) {
    const HWND edit = vt::Control(form.Handle(), id);
    ::SetFocus(edit);
    vantrel::SetControlText(edit, text);
}

// Makes a dialog of type D with these arguments after its owner, then readies it.
template <class D, class... Args> Maker Make(std::function<void(D&)> ready, Args... args) {
    return [=] {
        auto d = std::make_unique<D>(nullptr, args...);
        if (ready) {
            ready(*d);
        }
        return std::unique_ptr<Form>(std::move(d));
    };
}

const Maker SetRule = Make<S>([](S& d) { d.SetClassNameEditable(true); });
const Maker More = Make<M>(nullptr, vantrel::RuleExtras{});
const Maker Transparency = Make<T>(nullptr);
const Maker About = Make<A>(nullptr);
Maker Resize(HWND target) {
    return Make<R>([target](R& d) { d.SetTarget(target); });
}

// The form's own child that holds `window` (a combo box's edit belongs to its combo box).
HWND TopChild(HWND form, HWND window) {
    while (window != nullptr && ::GetParent(window) != form) {
        window = ::GetParent(window);
    }
    return window;
}

TEST(DialogKeys, EnterIsOkEscIsCancelAndARefusalKeepsTheFocusInTheField) {
    const auto target = vt::PlainWindow("Resize target");
    const auto focusOn = [](int id) {
        return [id](const Form& f) { ::SetFocus(vt::Control(f.Handle(), id)); };
    };
    // Typed into one field, the focus then elsewhere: a refusal must bring it back.
    const auto typeThenLeave = [](int field, const char* text, int to) {
        return [=](Form& f) {
            Retype(f, field, text);
            ::SetFocus(vt::Control(f.Handle(), to));
        };
    };
    const std::vector<KeyCase> cases = {
        {"set rule esc", SetRule, nullptr, VK_ESCAPE, vantrel::kResultCancel},
        {"set rule enter", SetRule, [](Form& f) { Retype(f, S::kIdClassName, "Notepad"); },
         VK_RETURN, vantrel::kResultOk},
        {"set rule without class", SetRule, nullptr, VK_RETURN, vantrel::kResultCancel,
         "Please input Class Name first.", S::kIdClassName},
        {"more enter", More, nullptr, VK_RETURN, vantrel::kResultOk},
        {"more with 150 %", More, typeThenLeave(M::kIdTransparency, "150", M::kIdProgram),
         VK_RETURN, vantrel::kResultCancel,
         "Please type a transparency from 0 to 100, or leave it empty.", M::kIdTransparency},
        {"transparency esc", Transparency, nullptr, VK_ESCAPE, vantrel::kResultCancel},
        {"transparency 100 on purpose", Transparency,
         [](Form& f) { Retype(f, T::kValueEditId, "100"); }, VK_RETURN, vantrel::kResultOk},
        {"transparency 150", Transparency, typeThenLeave(T::kValueEditId, "150", T::kTrackBarId),
         VK_RETURN, vantrel::kResultCancel, "Please input a number from 0 to 100.",
         T::kValueEditId},
        {"transparency emptied", Transparency, typeThenLeave(T::kValueEditId, "", T::kTrackBarId),
         VK_RETURN, vantrel::kResultCancel, "Please input a number from 0 to 100.",
         T::kValueEditId},
        {"resize esc", Resize(target.get()), nullptr, VK_ESCAPE, vantrel::kResultCancel},
        {"resize empty width", Resize(target.get()),
         typeThenLeave(R::kWidthEditId, "", R::kHeightEditId), VK_RETURN, vantrel::kResultCancel,
         "Please input number in edit box!", R::kWidthEditId},
        {"about enter on a link", About, focusOn(A::kIdUpdateLink), VK_RETURN,
         vantrel::kResultCancel, vantrel::UpdatePage(), A::kIdUpdateLink},
        {"about space on a link", About, focusOn(A::kIdHomeLink), VK_SPACE, vantrel::kResultCancel,
         vantrel::MakerHomePage(), A::kIdHomeLink},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto script = [&c](Form& form) {
            const HWND f = form.Handle();
            ASSERT_TRUE(vt::WaitInLoop([&] { return ::GetForegroundWindow() == f; }));
            const LRESULT ui = ::SendMessageA(f, WM_QUERYUISTATE, 0, 0);
            EXPECT_EQ(ui & (UISF_HIDEFOCUS | UISF_HIDEACCEL), 0) << "focus and letters shown";
            EXPECT_TRUE(::IsChild(f, ::GetFocus())) << "a control has the focus at once";
            const HWND ok = vt::ControlByText(f, "OK");
            EXPECT_EQ(ok == nullptr ? -1 : ::GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK,
                      BS_DEFPUSHBUTTON)
                << "OK is drawn as the button Enter presses";
            if (c.fill) {
                c.fill(form);
            }
            vt::BoxAnswerer boxes;
            vt::OpenRecorder opened;
            vt::PressKey(c.key);
            if (c.shows.empty()) {
                return; // the modal loop takes the key and ends the dialog
            }
            const auto shown = [&] {
                return !opened.calls.empty()  ? opened.calls.front().second
                       : boxes.Seen().empty() ? ""
                                              : boxes.Seen().front().text;
            };
            const HWND field = vt::Control(f, c.stays);
            EXPECT_TRUE(
                vt::WaitInLoop([&] { return shown() != "" && ::GetFocus() == field; }, 5000));
            EXPECT_EQ(shown(), c.shows);
            EXPECT_EQ(boxes.Seen().size() + opened.calls.size(), 1u);
            EXPECT_EQ(form.GetModalResult(), vantrel::kResultNone) << "the dialog stays open";
            vt::PressKey(VK_ESCAPE);
        };
        EXPECT_EQ(vt::RunModal(*c.make(), script), c.result);
    }
}

// Tab from the first stop visits every stop once, each below the one before or to its right on
// the same line, and comes round to the first. The controls in `drawn` show the focus themselves:
// each looks different with it than without, as it draws itself when asked.
struct Walk {
    size_t stops = 0; // at least; 0 when the walk is not checked
    std::vector<int> drawn{};
    std::function<void(HWND form, HWND at)> atStop{};
};

void CheckTabWalk(HWND f, const Walk& w) {
    std::vector<RECT> visited;
    const HWND first = ::GetNextDlgTabItem(f, nullptr, FALSE);
    ::SetFocus(first);
    HWND at = first;
    do {
        visited.push_back(vt::WindowRectOf(at));
        if (w.atStop) {
            w.atStop(f, at);
        }
        const bool drawn =
            std::find(w.drawn.begin(), w.drawn.end(), ::GetDlgCtrlID(at)) != w.drawn.end();
        const auto focused = drawn ? vt::Pixels(*vt::Shot(at)) : std::vector<COLORREF>{};
        vt::PressKey(VK_TAB);
        vt::WaitInLoop([&] { return TopChild(f, ::GetFocus()) != at; }, 3000);
        if (drawn) {
            EXPECT_NE(vt::Pixels(*vt::Shot(at)), focused)
                << "focus not shown on " << ::GetDlgCtrlID(at);
        }
        at = TopChild(f, ::GetFocus());
    } while (at != first && visited.size() < 20);
    EXPECT_GE(visited.size(), w.stops);
    EXPECT_LT(visited.size(), 20u) << "Tab comes round to the first stop";
    for (size_t i = 1; i < visited.size(); ++i) {
        const RECT& a = visited[i - 1];
        const RECT& b = visited[i];
        const bool sameLine = b.top < a.bottom && b.bottom > a.top;
        EXPECT_TRUE(sameLine ? b.left > a.left : b.top >= a.bottom) << "stop " << i;
    }
}

bool Shown(HWND control) {
    return ::IsWindowVisible(control) && ::IsWindowEnabled(control);
}

// Where a person looks for the control a label names: inside its frame, to its right on the same
// line, or just below it.
bool Names(HWND label, HWND control) {
    const RECT l = vt::WindowRectOf(label);
    const RECT c = vt::WindowRectOf(control);
    if (vt::IsGroupBox(label)) {
        return c.left >= l.left && c.right <= l.right && c.top >= l.top && c.bottom <= l.bottom;
    }
    const bool sameLine = c.left >= l.left && c.top < l.bottom && c.bottom > l.top;
    const bool below =
        c.top >= l.bottom - 1 && c.top - l.bottom <= 8 && c.left < l.right && c.right > l.left;
    return sameLine || below;
}

// Clicks reach the test instead of the form, so a pressed OK or More... leaves it as it is.
LRESULT CALLBACK KeepClicks(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR clicked) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        *reinterpret_cast<HWND*>(clicked) = reinterpret_cast<HWND>(lParam);
        return 0;
    }
    return ::DefSubclassProc(window, msg, wParam, lParam);
}

// Each letter underlined in the dialog, pressed with Alt: a button is pressed, a label or frame
// puts the focus on the control it names; the letters are unique and every field has one.
void CheckAccessLetters(Form& form) {
    const HWND f = form.Handle();
    std::vector<HWND> lettered;
    std::vector<HWND> fields;
    std::string letters;
    for (HWND c = ::GetWindow(f, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
        const std::string cls = vt::ClassOf(c);
        const bool prefixed =
            cls == "Button" ||
            (cls == "Static" && (::GetWindowLongA(c, GWL_STYLE) & SS_NOPREFIX) == 0);
        const char letter = prefixed ? vt::AccessLetter(vantrel::ControlText(c)) : 0;
        if (letter != 0) {
            EXPECT_EQ(letters.find(letter), std::string::npos)
                << letter << " twice in " << form.Caption();
            letters += letter;
            if (Shown(c)) {
                lettered.push_back(c);
            }
        }
        // A field a person types in or picks from.
        if ((cls == "Edit" || cls == "ComboBox" || cls == "ListBox") && Shown(c)) {
            fields.push_back(c);
        }
    }
    HWND clicked = nullptr;
    ::SetWindowSubclass(f, KeepClicks, 1, reinterpret_cast<DWORD_PTR>(&clicked));
    const HWND start = ::GetNextDlgTabItem(f, nullptr, TRUE);
    for (HWND c : lettered) {
        const std::string text = vantrel::ControlText(c);
        const bool label = vt::ClassOf(c) == "Static" || vt::IsGroupBox(c);
        ::SetFocus(start);
        clicked = nullptr;
        vt::PressKey(static_cast<WORD>(vt::AccessLetter(text)), {VK_MENU});
        if (label) {
            EXPECT_TRUE(vt::WaitInLoop(
                [&] {
                    const HWND focus = TopChild(f, ::GetFocus());
                    return focus != nullptr && focus != start && Names(c, focus);
                },
                3000))
                << form.Caption() << ": " << text;
            const HWND reached = TopChild(f, ::GetFocus());
            fields.erase(std::remove(fields.begin(), fields.end(), reached), fields.end());
        } else {
            EXPECT_TRUE(vt::WaitInLoop([&] { return clicked == c; }, 3000))
                << form.Caption() << ": " << text;
        }
    }
    ::RemoveWindowSubclass(f, KeepClicks, 1);
    for (HWND field : fields) {
        ADD_FAILURE() << form.Caption() << ": no letter reaches field " << ::GetDlgCtrlID(field);
    }
}

// Each dialog from the keyboard alone: where the focus is as it opens, the walk with Tab, and the
// access letters of each view.
TEST(DialogKeys, TabWalksInReadingOrderAndEachAccessLetterReachesItsControl) {
    const auto target = vt::PlainWindow("Letters target");
    vantrel::CommonSettings settings;
    struct Case {
        std::unique_ptr<Form> dialog;
        // Before the letters: enables what a person would use, or turns the page.
        std::vector<std::function<void(Form&)>> views;
        int opensOn = 0; // the control with the focus as it opens, when it matters
        Walk walk{};
    };
    const auto asIs = [](Form&) {};
    auto props = std::make_unique<vantrel::TfrmWindowProp>(nullptr);
    props->SetTarget(target.get(), "Letters target");
    // Ctrl+Tab turns the pages forward, round from the last to the first, and with Shift back.
    const auto turnPages = [properties = props.get()](Form&) {
        std::vector<int> pages;
        for (const auto& modifiers :
             std::vector<std::vector<WORD>>{{VK_CONTROL}, {VK_CONTROL}, {VK_CONTROL, VK_SHIFT}}) {
            const int before = properties->ActivePage();
            vt::PressKey(VK_TAB, modifiers);
            vt::WaitInLoop([&] { return properties->ActivePage() != before; }, 3000);
            pages.push_back(properties->ActivePage());
        }
        EXPECT_EQ(pages, (std::vector<int>{1, 0, 1}));
    };
    // The arrow keys move the bar and the field follows; in the field they step the number and
    // the bar follows.
    const auto barAndField = [](HWND f, HWND at) {
        const HWND bar = vt::Control(f, T::kTrackBarId);
        const HWND edit = vt::Control(f, T::kValueEditId);
        const int before = vt::TrackPosition(bar);
        if (at == bar) {
            vt::PressKey(VK_RIGHT);
            EXPECT_TRUE(vt::WaitInLoop(
                [&] { return vantrel::ControlText(edit) == std::to_string(before + 1); }, 3000));
        } else if (at == edit) {
            vt::PressKey(VK_UP);
            EXPECT_TRUE(vt::WaitInLoop([&] { return vt::TrackPosition(bar) == before + 1; }, 3000));
        }
    };
    Case cases[] = {
        // A class of Internet Explorer's opens the group that is for it.
        {SetRule(), {[](Form& f) {
             vantrel::SetControlText(vt::Control(f.Handle(), S::kIdClassName), "IEFrame");
         }}},
        {More(), {asIs}, 0, {7}},
        {Make<vantrel::TfrmOptions>(nullptr, std::ref(settings), vantrel::SettingsLocation{}, 10,
                                    "C:\\Vantrel\\Vantrel.exe",
                                    "Software\\Vantrel Tests\\Access letters")(),
         {asIs}},
        {Transparency(), {asIs}, T::kValueEditId, {4, {T::kTrackBarId}, barAndField}},
        {Resize(target.get())(), {asIs}},
        {std::move(props), {asIs, turnPages}},
        {About(), {asIs}, A::kIdOk, {3, {A::kIdHomeLink, A::kIdUpdateLink}}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.dialog->Caption());
        const auto script = [&c](Form& form) {
            const HWND f = form.Handle();
            ASSERT_TRUE(vt::WaitInLoop([&] { return ::GetForegroundWindow() == f; }));
            if (c.opensOn != 0) {
                EXPECT_EQ(::GetFocus(), vt::Control(f, c.opensOn)) << "focus as it opens";
            }
            if (c.walk.stops != 0) {
                CheckTabWalk(f, c.walk);
            }
            for (const auto& view : c.views) {
                view(form);
                CheckAccessLetters(form);
            }
            form.SetModalResult(vantrel::kResultCancel);
        };
        EXPECT_EQ(vt::RunModal(*c.dialog, script, 30000), vantrel::kResultCancel);
    }
}

} // namespace
