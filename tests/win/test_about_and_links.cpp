// The About dialog, the maker's addresses and the help file: run for real, with the shell call
// replaced by a recorder so that nothing is launched.
#include "platform/gdi.h"
#include "res/art_ids.h"
#include "support/dialog_driver.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "ui/about_dialog.h"
#include "ui/web_links.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace vt {
namespace {

using vantrel::Form;
using vantrel::TfrmAbout;

struct Opened {
    HWND owner;
    // cppcheck-suppress unusedStructMember
    std::string target;
};

// Records every shell opening for its lifetime.
class OpenRecorder {
public:
    OpenRecorder()
        : scope_([this](HWND owner, const std::string& target) {
              calls_.push_back(Opened{owner, target});
          }) {}
    const std::vector<Opened>& Calls() const { return calls_; }

private:
    std::vector<Opened> calls_;
    vantrel::ScopedShellOpener scope_;
};

LOGFONTA FontOf(HWND control) {
    LOGFONTA font{};
    const auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
    ::GetObjectA(handle, sizeof(font), &font);
    return font;
}

COLORREF TextColourFor(HWND form, HWND control) {
    HDC dc = ::GetDC(form);
    ::SetTextColor(dc, RGB(1, 2, 3));
    ::SendMessageA(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(control));
    const COLORREF colour = ::GetTextColor(dc);
    ::ReleaseDC(form, dc);
    return colour;
}

HCURSOR CursorOver(HWND control) {
    ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))); // the arrow
    ::SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
}

void ClickOk(const Form& form) {
    Click(Control(form.Handle(), TfrmAbout::kIdOk));
}

// ---------------------------------------------------------------------------------------------
// Contents and look

// Every control shows its text; the links alone are blue, underlined, show the hand and tell
// their clicks (without SS_NOTIFY a static lets them fall through to the form); the banner shows
// its picture when the program has one.
TEST(AboutDialog, ShowsItsTextsPictureAndLinksLaidOutSoundly) {
    TfrmAbout dialog(nullptr);
    const bool inResources = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDB_ABOUT_BANNER),
                                             MAKEINTRESOURCEA(2)) != nullptr; // RT_BITMAP
    const int result = RunModal(dialog, [&dialog, inResources](const Form& form) {
        const HWND f = form.Handle();
        EXPECT_EQ(vantrel::ControlText(f), "About Vantrel");
        RECT client{};
        ::GetClientRect(f, &client);
        EXPECT_EQ(client.right, 360);
        EXPECT_EQ(client.bottom, 254);

        enum Look { kNoText, kPlain, kLink };
        const struct {
            int id;
            std::string text;
            Look look;
        } controls[] = {
            {TfrmAbout::kIdBanner, "", kNoText},
            {TfrmAbout::kIdIcon, "", kNoText},
            {TfrmAbout::kIdTitle, "Vantrel", kPlain},
            {TfrmAbout::kIdVersion, "Version: 2.0   Bulid 20201227", kPlain},
            {TfrmAbout::kIdCopyright, "Copyright (C) 2020 Ostrim Software. All rights reserved.",
             kPlain},
            {TfrmAbout::kIdEmail, "Email: " + vantrel::SupportEmail(), kPlain},
            {TfrmAbout::kIdSeparator, "", kNoText},
            {TfrmAbout::kIdHomeLink, vantrel::HostName(), kLink},
            {TfrmAbout::kIdUpdateLink, "Check for Update...", kLink},
            {TfrmAbout::kIdOk, "OK", kNoText},
        };
        const HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
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
            EXPECT_EQ(TextColourFor(f, control) == TfrmAbout::kLinkColor, link);
            EXPECT_EQ(CursorOver(control) == hand, link);
            if (link) {
                EXPECT_EQ(::GetWindowLongPtrA(control, GWL_STYLE) & SS_NOTIFY, SS_NOTIFY);
            }
        }
        ExpectSoundLayout(f);
        EXPECT_EQ(::GetWindowLongPtrA(Control(f, TfrmAbout::kIdSeparator), GWL_STYLE) & SS_TYPEMASK,
                  SS_ETCHEDHORZ);
        EXPECT_NE(::SendMessageA(Control(f, TfrmAbout::kIdIcon), STM_GETICON, 0, 0), 0);

        EXPECT_EQ(dialog.HasBanner(), inResources);
        const auto banner = reinterpret_cast<HGDIOBJ>(
            ::SendMessageA(Control(f, TfrmAbout::kIdBanner), STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP picture{};
        if (inResources && ::GetObjectA(banner, sizeof(picture), &picture) != 0) {
            EXPECT_EQ(picture.bmWidth, 360);
            EXPECT_EQ(picture.bmHeight, 50);
        } else {
            EXPECT_FALSE(inResources) << "the banner resource is not shown";
            EXPECT_EQ(banner, nullptr);
        }

        const LOGFONTA title = FontOf(Control(f, TfrmAbout::kIdTitle));
        const LOGFONTA plain = FontOf(Control(f, TfrmAbout::kIdVersion));
        EXPECT_GE(title.lfWeight, FW_BOLD);
        EXPECT_GT(std::abs(title.lfHeight), std::abs(plain.lfHeight));
        EXPECT_STREQ(plain.lfFaceName, vantrel::platform::UiFontFace());
        EXPECT_EQ(plain.lfHeight, -11);
        ClickOk(form);
    });
    EXPECT_EQ(result, vantrel::kResultOk);
}

// ---------------------------------------------------------------------------------------------
// Links and closing

TEST(AboutDialog, EachLinkOpensItsAddressWithTheDialogAsOwnerAndLeavesItOpen) {
    OpenRecorder recorder;
    const auto owner = PlainWindow("about owner");
    TfrmAbout dialog(owner.get());
    HWND dialogWindow = nullptr;
    const int result = RunModal(dialog, [&recorder, &dialogWindow](Form& form) {
        dialogWindow = form.Handle();
        // A press and release on the text, as the mouse delivers them.
        const HWND home = Control(form.Handle(), TfrmAbout::kIdHomeLink);
        ::SendMessageA(home, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::SendMessageA(home, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(recorder.Calls().size(), 1u);
        Click(Control(form.Handle(), TfrmAbout::kIdUpdateLink));
        EXPECT_EQ(recorder.Calls().size(), 2u);
        EXPECT_EQ(form.GetModalResult(), vantrel::kResultNone);
        ClickOk(form);
    });
    EXPECT_EQ(result, vantrel::kResultOk);
    ASSERT_EQ(recorder.Calls().size(), 2u);
    EXPECT_EQ(recorder.Calls()[0].target, vantrel::MakerHomePage());
    EXPECT_EQ(recorder.Calls()[1].target, vantrel::UpdatePage());
    for (const Opened& o : recorder.Calls()) {
        EXPECT_EQ(o.owner, dialogWindow);
    }
}

TEST(AboutDialog, EveryWayOfClosingOpensNothingAndGivesTheOwnerBack) {
    struct Way {
        const char* name;
        void (*close)(const Form&);
        int result;
    };
    const Way ways[] = {
        {"OK button", ClickOk, vantrel::kResultOk},
        {"close box", [](const Form& f) { ::SendMessageA(f.Handle(), WM_CLOSE, 0, 0); },
         vantrel::kResultCancel},
        // Keys travel through the modal loop, where the dialog manager turns them into commands.
        {"Enter", [](const Form& f) { PostKey(Control(f.Handle(), TfrmAbout::kIdOk), VK_RETURN); },
         vantrel::kResultOk},
        {"Escape", [](const Form& f) { PostKey(Control(f.Handle(), TfrmAbout::kIdOk), VK_ESCAPE); },
         vantrel::kResultCancel},
    };
    OpenRecorder recorder;
    const auto owner = PlainWindow("about owner");
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        TfrmAbout dialog(owner.get());
        bool ownerDisabled = false;
        const int result = RunModal(dialog, [&way, &owner, &ownerDisabled](const Form& form) {
            ownerDisabled = !::IsWindowEnabled(owner.get());
            way.close(form);
        });
        EXPECT_EQ(result, way.result);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(::IsWindowEnabled(owner.get()));
        EXPECT_FALSE(::IsWindowVisible(dialog.Handle()));
    }
    EXPECT_TRUE(recorder.Calls().empty());
}

// ---------------------------------------------------------------------------------------------
// Addresses and help

TEST(AboutLinks, EveryAddressIsBuiltOnTheOneHost) {
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
}

TEST(AboutLinks, OpeningGoesThroughTheCurrentOpenerAndScopesNest) {
    std::vector<std::string> outer;
    std::vector<std::string> inner;
    const HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    {
        vantrel::ScopedShellOpener first([&outer, owner](HWND o, const std::string& target) {
            EXPECT_EQ(o, owner);
            outer.push_back(target);
        });
        vantrel::OpenWebPage(owner, vantrel::ProductPage());
        {
            vantrel::ScopedShellOpener second(
                [&inner](HWND, const std::string& target) { inner.push_back(target); });
            vantrel::OpenHelp(owner);
        }
        vantrel::OpenWebPage(owner, "x");
        // An empty opener stands for the shell itself, never for a call into nothing.
        const vantrel::ShellOpener mine = vantrel::SetShellOpener(nullptr);
        EXPECT_TRUE(static_cast<bool>(vantrel::SetShellOpener(mine)));
        vantrel::OpenWebPage(owner, "y");
    }
    EXPECT_EQ(outer, (std::vector<std::string>{vantrel::ProductPage(), "x", "y"}));
    EXPECT_EQ(inner, (std::vector<std::string>{vantrel::HelpFilePath()}));
}

TEST(AboutHelp, HelpFileNameIsTheExecutablesFolderPlusTheFileName) {
    using vantrel::HelpFilePathFor;
    EXPECT_EQ(HelpFilePathFor("C:\\Program Files\\Vantrel\\Vantrel.exe"),
              "C:\\Program Files\\Vantrel\\Vantrel.chm");
    EXPECT_EQ(HelpFilePathFor("C:\\v1.2\\Vantrel"), "C:\\v1.2\\Vantrel.chm");
    EXPECT_EQ(HelpFilePathFor("\\\\server\\share\\v.exe"), "\\\\server\\share\\Vantrel.chm");
    EXPECT_EQ(HelpFilePathFor("Vantrel.exe"), "Vantrel.chm");
}

TEST(AboutHelp, HelpOpensTheFileBesideTheExecutableFromAnyCurrentDirectory) {
    char saved[MAX_PATH + 1] = {};
    ASSERT_GT(::GetCurrentDirectoryA(sizeof(saved), saved), 0u);
    TempDir elsewhere;
    // A help file in the current directory must not be the one that opens.
    const std::string decoy = elsewhere.path() + "Vantrel.chm";
    vantrel::platform::UniqueFile file(::CreateFileA(
        decoy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(static_cast<bool>(file));
    file.reset();
    ASSERT_TRUE(::SetCurrentDirectoryA(elsewhere.path().c_str()));

    OpenRecorder recorder;
    const HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4321));
    vantrel::OpenHelp(owner);
    const std::string path = vantrel::HelpFilePath();
    ::SetCurrentDirectoryA(saved);
    ::DeleteFileA(decoy.c_str());

    const std::string folder = TestBinFolder();
    EXPECT_EQ(path, folder + "Vantrel.chm");
    // The folder really is the one that holds the running program.
    EXPECT_NE(::GetFileAttributesA((folder + "vantrel_tests.exe").c_str()),
              INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(recorder.Calls().size(), 1u);
    EXPECT_EQ(recorder.Calls()[0].owner, owner);
    EXPECT_EQ(recorder.Calls()[0].target, path);
}

} // namespace
} // namespace vt
