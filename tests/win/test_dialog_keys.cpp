// The program's dialogs from the keyboard alone, with key presses through the system's input
// queue: Enter is OK, Esc is Cancel, a refused OK leaves the focus where the person must type,
// and the focus is shown from the moment a dialog opens.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/properties_dialog.h"
#include "commands/resize_dialog.h"
#include "commands/transparency_dialog.h"
#include "rules/set_rule_dialog.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "ui/form.h"

namespace {

using vantrel::Form;

struct KeyCase {
    const char* name;
    const char* caption;
    std::function<std::unique_ptr<Form>()> make;
    std::function<void(Form&)> fill; // typed before the key
    WORD key;
    int result;
    // When set, the key first meets this refusal; the focus must then be in `refusedFocus`,
    // and Esc ends the dialog.
    const char* refusal = nullptr;
    int refusedFocus = 0;
};

HWND Own(const char* caption) {
    return ::CreateWindowExA(0, "STATIC", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                             200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

void Retype(Form& form, int id, const std::string& text) {
    const HWND edit = vt::Control(form.Handle(), id);
    ::SetFocus(edit);
    vantrel::SetControlText(edit, text);
}

std::unique_ptr<Form> SetRule() {
    auto d = std::make_unique<vantrel::TfrmSetRule>(nullptr);
    d->SetClassNameEditable(true);
    return d;
}

std::unique_ptr<Form> Transparency() {
    return std::make_unique<vantrel::TfrmCustomTransparency>(nullptr);
}

std::unique_ptr<Form> Resize(HWND target) {
    auto d = std::make_unique<vantrel::TfrmResize>(nullptr);
    d->SetTarget(target);
    return d;
}

TEST(DialogKeys, EnterIsOkEscIsCancelAndARefusalKeepsTheFocusInTheField) {
    const HWND target = Own("Resize target");
    using R = vantrel::TfrmResize;
    using S = vantrel::TfrmSetRule;
    using T = vantrel::TfrmCustomTransparency;
    const auto emptyWidth = [](Form& f) {
        if (!vantrel::IsChecked(vt::Control(f.Handle(), R::kWidthCheckId))) {
            vt::Toggle(vt::Control(f.Handle(), R::kWidthCheckId));
        }
        Retype(f, R::kWidthEditId, "");
    };
    const std::vector<KeyCase> cases = {
        {"set rule esc", "Set Rule", SetRule, nullptr, VK_ESCAPE, vantrel::kResultCancel},
        {"set rule enter", "Set Rule", SetRule,
         [](Form& f) { Retype(f, S::kIdClassName, "Notepad"); }, VK_RETURN, vantrel::kResultOk},
        {"set rule without class", "Set Rule", SetRule, nullptr, VK_RETURN, vantrel::kResultCancel,
         "Please input Class Name first.", S::kIdClassName},
        {"transparency esc", "Custom transparency", Transparency, nullptr, VK_ESCAPE,
         vantrel::kResultCancel},
        {"transparency 100 on purpose", "Custom transparency", Transparency,
         [](Form& f) { Retype(f, T::kValueEditId, "100"); }, VK_RETURN, vantrel::kResultOk},
        {"transparency 150", "Custom transparency", Transparency,
         [](Form& f) { Retype(f, T::kValueEditId, "150"); }, VK_RETURN, vantrel::kResultCancel,
         "Please input a number from 0 to 100.", T::kValueEditId},
        {"transparency emptied", "Custom transparency", Transparency,
         [](Form& f) { Retype(f, T::kValueEditId, ""); }, VK_RETURN, vantrel::kResultCancel,
         "Please input a number from 0 to 100.", T::kValueEditId},
        {"resize esc", "Resize window", [&] { return Resize(target); }, nullptr, VK_ESCAPE,
         vantrel::kResultCancel},
        {"resize empty width", "Resize window", [&] { return Resize(target); }, emptyWidth,
         VK_RETURN, vantrel::kResultCancel, "Please input number in edit box!", R::kWidthEditId},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Form> dialog = c.make();
        vt::WhenModalOpens(c.caption, [&](Form& form) {
            const HWND f = form.Handle();
            ASSERT_TRUE(vt::WaitInLoop([&] { return ::GetForegroundWindow() == f; }));
            const LRESULT ui = ::SendMessageA(f, WM_QUERYUISTATE, 0, 0);
            EXPECT_EQ(ui & (UISF_HIDEFOCUS | UISF_HIDEACCEL), 0) << "focus and letters shown";
            EXPECT_TRUE(::IsChild(f, ::GetFocus())) << "a control has the focus at once";
            if (c.fill) {
                c.fill(form);
            }
            if (c.refusal == nullptr) {
                vt::PressKey(c.key);
                return; // the modal loop takes the key and ends the dialog
            }
            vt::BoxAnswerer boxes;
            vt::PressKey(c.key);
            const HWND field = vt::Control(f, c.refusedFocus);
            EXPECT_TRUE(vt::WaitInLoop(
                [&] { return !boxes.Seen().empty() && ::GetFocus() == field; }, 5000));
            ASSERT_FALSE(boxes.Seen().empty());
            EXPECT_EQ(boxes.Seen().front().text, c.refusal);
            EXPECT_EQ(form.GetModalResult(), vantrel::kResultNone) << "the dialog stays open";
            vt::PressKey(VK_ESCAPE);
        });
        const vt::ModalDeadline deadline(15000);
        EXPECT_EQ(dialog->ShowModal(), c.result);
        EXPECT_EQ(vt::DropPendingScripts(), 0);
    }
    ::DestroyWindow(target);
}

TEST(DialogKeys, OkIsTheDefaultButtonInEveryDialogWithOk) {
    const HWND target = Own("Resize target");
    struct Case {
        std::unique_ptr<Form> dialog;
        int ok;
    };
    Case cases[] = {{SetRule(), vantrel::TfrmSetRule::kIdOk},
                    {Transparency(), vantrel::TfrmCustomTransparency::kOkId},
                    {Resize(target), vantrel::TfrmResize::kOkId}};
    for (Case& c : cases) {
        const HWND ok = vt::Control(c.dialog->Create(), c.ok);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(::GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
            << c.dialog->Caption();
    }
    ::DestroyWindow(target);
}

TEST(DialogKeys, CtrlTabTurnsThePropertiesPages) {
    const HWND target = Own("Properties target");
    vantrel::TfrmWindowProp dialog(nullptr);
    dialog.SetTarget(target, "Properties target");
    std::vector<int> pages;
    vt::WhenModalOpens("", [&](Form& form) {
        ASSERT_TRUE(vt::WaitInLoop([&] { return ::GetForegroundWindow() == form.Handle(); }));
        const std::vector<std::vector<WORD>> presses = {
            {VK_CONTROL}, {VK_CONTROL}, {VK_CONTROL, VK_SHIFT}};
        for (const auto& modifiers : presses) {
            const int before = dialog.ActivePage();
            vt::PressKey(VK_TAB, modifiers);
            vt::WaitInLoop([&] { return dialog.ActivePage() != before; }, 3000);
            pages.push_back(dialog.ActivePage());
        }
        vt::PressKey(VK_ESCAPE);
    });
    const vt::ModalDeadline deadline(15000);
    EXPECT_EQ(dialog.ShowModal(), vantrel::kResultCancel);
    EXPECT_EQ(pages, (std::vector<int>{1, 0, 1}));
    ::DestroyWindow(target);
}

} // namespace
