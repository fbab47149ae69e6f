// The About dialog, the maker's addresses and the help file: run for real, with the shell call
// replaced by a recorder so that nothing is launched.
#include "platform/gdi.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "ui/about_dialog.h"
#include "ui/web_links.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vt {
namespace {

using vantrel::Form;
using vantrel::TfrmAbout;

// Every control shows its text; the links alone are blue, underlined, show the hand and tell
// their clicks (without SS_NOTIFY a static lets them fall through to the form); the banner shows
// its picture across the dialog.
void ExpectTextsPictureAndLinks(const TfrmAbout& dialog) {
    const HWND f = dialog.Handle();
    EXPECT_EQ(vantrel::ControlText(f), "About Vantrel");
    RECT client{};
    ::GetClientRect(f, &client);
    EXPECT_EQ(client.right, TfrmAbout::kClientWidth);
    EXPECT_EQ(client.bottom, TfrmAbout::kClientHeight);
    enum Look { kNoText, kPlain, kLink };
    const struct {
        int id;
        std::string text;
        Look look;
    } controls[] = {
        {TfrmAbout::kIdBanner, "", kNoText},
        {TfrmAbout::kIdIcon, "", kNoText},
        {TfrmAbout::kIdTitle, "Vantrel", kPlain},
        {TfrmAbout::kIdVersion, TfrmAbout::VersionText(), kPlain},
        {TfrmAbout::kIdCopyright, TfrmAbout::CopyrightText(), kPlain},
        {TfrmAbout::kIdEmail, "Email: " + vantrel::SupportEmail(), kPlain},
        {TfrmAbout::kIdSeparator, "", kNoText},
        {TfrmAbout::kIdHomeLink, vantrel::HostName(), kLink},
        {TfrmAbout::kIdUpdateLink, "Check for Update...", kLink},
        {TfrmAbout::kIdOk, "OK", kNoText},
    };
    const HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    const auto textColour = [f](HWND control) {
        const vantrel::platform::WindowDc dc(f);
        ::SetTextColor(dc.get(), RGB(1, 2, 3));
        ::SendMessageA(f, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()), L(control));
        return ::GetTextColor(dc.get());
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.text.empty() ? std::to_string(c.id) : c.text);
        const HWND control = Control(f, c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(::IsWindowVisible(control));
        EXPECT_EQ(vantrel::ControlText(control), c.text);
        if (c.look == kNoText) {
            continue;
        }
        const bool link = c.look == kLink;
        EXPECT_EQ(FontOf(control).lfUnderline != 0, link);
        EXPECT_EQ(textColour(control) == TfrmAbout::kLinkColor, link);
        EXPECT_EQ(CursorOver(control) == hand, link);
        EXPECT_EQ(::GetWindowLongPtrA(control, GWL_STYLE) & SS_NOTIFY, link ? SS_NOTIFY : 0);
    }
    EXPECT_EQ(::GetWindowLongPtrA(Control(f, TfrmAbout::kIdSeparator), GWL_STYLE) & SS_TYPEMASK,
              SS_ETCHEDHORZ);
    EXPECT_NE(::SendMessageA(Control(f, TfrmAbout::kIdIcon), STM_GETICON, 0, 0), 0);

    EXPECT_TRUE(dialog.HasBanner());
    BITMAP banner{};
    ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(Control(f, TfrmAbout::kIdBanner),
                                                          STM_GETIMAGE, IMAGE_BITMAP, 0)),
                 sizeof(banner), &banner);
    EXPECT_EQ(banner.bmWidth, TfrmAbout::kClientWidth);
    EXPECT_EQ(banner.bmHeight, 50);

    const LOGFONTA title = FontOf(Control(f, TfrmAbout::kIdTitle));
    const LOGFONTA plain = FontOf(Control(f, TfrmAbout::kIdVersion));
    EXPECT_GE(title.lfWeight, FW_BOLD);
    EXPECT_GT(std::abs(title.lfHeight), std::abs(plain.lfHeight));
    EXPECT_STREQ(plain.lfFaceName, vantrel::platform::UiFontFace());
    EXPECT_EQ(plain.lfHeight, -11);
}

// The dialog shows itself alike whichever way it is to be left. The owner is disabled while the
// dialog is up and given back after. A link opens its address with the dialog as owner and leaves
// the dialog open; every way of closing opens nothing.
TEST(AboutDialog, ShowsItsTextsAndLinksWhichOpenTheirAddressesAndClosingGivesTheOwnerBack) {
    // A click, the mouse's press and release, or a key through the modal loop where the dialog
    // manager turns it into a command; without a control, the close box.
    const struct {
        const char* name;
        int control;
        WPARAM key; // 0: a click; VK_LBUTTON: the mouse
        std::string opens;
        int result;
    } ways[] = {
        {"home link", TfrmAbout::kIdHomeLink, VK_LBUTTON, vantrel::MakerHomePage(),
         vantrel::kResultOk},
        {"update link", TfrmAbout::kIdUpdateLink, 0, vantrel::UpdatePage(), vantrel::kResultOk},
        {"OK button", TfrmAbout::kIdOk, 0, "", vantrel::kResultOk},
        {"close box", 0, 0, "", vantrel::kResultCancel},
        {"Enter", TfrmAbout::kIdOk, VK_RETURN, "", vantrel::kResultOk},
        {"Escape", TfrmAbout::kIdOk, VK_ESCAPE, "", vantrel::kResultCancel},
    };
    const auto owner = PlainWindow("about owner");
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        OpenRecorder recorder;
        TfrmAbout dialog(owner.get());
        bool ownerDisabled = false;
        const int result = RunModal(dialog, [&](Form& form) {
            ownerDisabled = !::IsWindowEnabled(owner.get());
            ExpectTextsPictureAndLinks(dialog);
            const HWND control = Control(form.Handle(), way.control);
            if (way.control == 0) {
                ::SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
            } else if (way.key == VK_LBUTTON) {
                ::SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
                ::SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            } else {
                way.key == 0 ? Click(control) : PostKey(control, way.key);
            }
            if (!way.opens.empty()) {
                EXPECT_EQ(recorder.calls, OpenRecorder::Calls({{form.Handle(), way.opens}}));
                EXPECT_EQ(form.GetModalResult(), vantrel::kResultNone);
                Click(Control(form.Handle(), TfrmAbout::kIdOk));
            }
        });
        EXPECT_EQ(result, way.result);
        EXPECT_EQ(recorder.calls.size(), way.opens.empty() ? 0u : 1u);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(::IsWindowEnabled(owner.get()));
        EXPECT_FALSE(::IsWindowVisible(dialog.Handle()));
    }
}

TEST(AboutLinks, EveryAddressIsOnTheOneHostAndTheHelpFileBesideTheExecutable) {
    const std::string host = vantrel::HostName();
    ASSERT_EQ(host.rfind("www.", 0), 0u);
    const std::string home = vantrel::MakerHomePage();
    EXPECT_EQ(home, "http://" + host);
    std::set<std::string> pages = {home};
    for (const std::string& page : {vantrel::ProductPage(), vantrel::UpdatePage()}) {
        EXPECT_EQ(page.rfind(home + "/", 0), 0u) << page;
        EXPECT_EQ(page.find_first_of(" \\\"<>"), std::string::npos) << page;
        EXPECT_TRUE(pages.insert(page).second) << page << " twice";
    }
    const std::string email = vantrel::SupportEmail();
    const std::size_t at = email.find('@');
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(at, 0u);
    EXPECT_EQ(email.substr(at + 1), host.substr(4)) << "mail goes to the maker's own domain";

    // The help file beside the executable (opened from another folder: MainLayout's Help test).
    const std::pair<const char*, const char*> paths[] = {
        {"C:\\Program Files\\Vantrel\\Vantrel.exe", "C:\\Program Files\\Vantrel\\Vantrel.chm"},
        {"C:\\v1.2\\Vantrel", "C:\\v1.2\\Vantrel.chm"},
        {"\\\\server\\share\\v.exe", "\\\\server\\share\\Vantrel.chm"},
        {"Vantrel.exe", "Vantrel.chm"}};
    for (const auto& [exe, help] : paths) {
        EXPECT_EQ(vantrel::HelpFilePathFor(exe), help) << exe;
    }
}

TEST(AboutLinks, OpeningGoesThroughTheCurrentOpenerAndScopesNest) {
    const HWND owner = ::GetDesktopWindow();
    OpenRecorder outer;
    vantrel::OpenWebPage(owner, vantrel::ProductPage());
    {
        OpenRecorder inner;
        vantrel::OpenHelp(owner);
        EXPECT_EQ(inner.calls, OpenRecorder::Calls({{owner, vantrel::HelpFilePath()}}));
    }
    vantrel::OpenWebPage(owner, "x");
    // An empty opener stands for the shell itself, never for a call into nothing.
    const vantrel::ShellOpener mine = vantrel::SetShellOpener(nullptr);
    EXPECT_TRUE(static_cast<bool>(vantrel::SetShellOpener(mine)));
    vantrel::OpenWebPage(owner, "y");
    EXPECT_EQ(outer.calls,
              OpenRecorder::Calls({{owner, vantrel::ProductPage()}, {owner, "x"}, {owner, "y"}}));
}

} // namespace
} // namespace vt
