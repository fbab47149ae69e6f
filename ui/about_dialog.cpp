#include "ui/about_dialog.h"

#include <commctrl.h>

#include "platform/gdi.h"
#include "platform/dpi.h"
#include "platform/text.h"
#include "res/art_ids.h"
#include "ui/art.h"
#include "ui/web_links.h"

namespace vantrel {

namespace {
HFONT MakeFont(int height, int weight, bool underline) {
    return ::CreateFontA(-height, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, platform::UiFontFace());
}

// Room around a link's text for its focus rectangle, so that the dots never touch the letters.
constexpr int kLinkMargin = 2;

// The form chooses a link's colours, as for any text; the link draws itself only to add the
// focus rectangle, which a static control never shows.
void PaintLink(HWND link, HDC dc) {
    RECT box{};
    ::GetClientRect(link, &box);
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(::GetParent(link), WM_CTLCOLORSTATIC,
                                                         reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(link)));
    ::FillRect(dc, &box, brush != nullptr ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
    const HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(link, WM_GETFONT, 0, 0)));
    RECT text = box;
    const int margin = platform::Scaled(kLinkMargin, platform::WindowDpi(link));
    ::InflateRect(&text, -margin, -margin);
    platform::DrawText8(dc, ControlText(link), &text,
                        DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, old);
    const bool focusHidden = (::SendMessageA(link, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    if (::GetFocus() == link && !focusHidden) {
        ::DrawFocusRect(dc, &box);
    }
}

LRESULT CALLBACK LinkProc(HWND link, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR /*data*/) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(link, &paint);
        PaintLink(link, dc);
        ::EndPaint(link, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintLink(link, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        ::InvalidateRect(link, nullptr, TRUE);
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(link, LinkProc, id);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(link, msg, wParam, lParam);
}

SIZE TextSize(HWND window, HFONT font, const std::string& text) {
    return platform::TextExtentIn(window, font, text);
}
} // namespace

TfrmAbout::TfrmAbout(HWND owner) : Form(owner, "About Vantrel", kClientWidth, kClientHeight) {}

TfrmAbout::~TfrmAbout() {
    // The picture control only borrows the bitmap: take it back before the bitmap goes, since
    // the window itself outlives this destructor by the base class's.
    if (image2_ != nullptr && ::IsWindow(image2_)) {
        ::SendMessageA(image2_, STM_SETIMAGE, IMAGE_BITMAP, 0);
    }
}

platform::UniqueGdiObject TfrmAbout::LoadBanner(HINSTANCE instance, int dpi) {
    return LoadArtBitmap(instance, IDB_ABOUT_BANNER, dpi,
                         SIZE{::MulDiv(360, dpi, 96), ::MulDiv(50, dpi, 96)}, false);
}

std::string TfrmAbout::VersionText() {
    return "Version: 2.0   Bulid 20201227";
}

std::string TfrmAbout::CopyrightText() {
    return "Copyright (C) 2020 Ostrim Software. All rights reserved.";
}

HFONT TfrmAbout::FontOf(TextFont font) const {
    switch (font) {
    case TextFont::kTitle:
        return static_cast<HFONT>(titleFont_.get());
    case TextFont::kLink:
        return static_cast<HFONT>(linkFont_.get());
    default:
        return Font();
    }
}

void TfrmAbout::MakeFonts() {
    titleFont_.reset(MakeFont(Scaled(16), FW_BOLD, false));
    linkFont_.reset(MakeFont(Scaled(11), FW_NORMAL, true));
}

HWND TfrmAbout::AddText(const std::string& text, int x, int y, int id, TextFont font,
                        DWORD extraStyle, int margin) {
    const SIZE size = TextSize(Handle(), FontOf(font), text);
    HWND control =
        AddControl("STATIC", text, WS_VISIBLE | SS_LEFT | SS_NOPREFIX | extraStyle, x - margin,
                   y - margin, Unscaled(size.cx) + 2 * margin, Unscaled(size.cy) + 2 * margin, id);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(font)), FALSE);
    texts_.push_back(Text{control, x, y, font, margin});
    return control;
}

void TfrmAbout::DpiChanged() {
    // The controls let go of the old fonts before those go.
    platform::UniqueGdiObject oldTitle(titleFont_.release());
    platform::UniqueGdiObject oldLink(linkFont_.release());
    MakeFonts();
    // The banner drawn for the new scale; the picture control lets go of the old one first.
    platform::UniqueGdiObject oldBanner(banner_.release());
    banner_ = LoadBanner(::GetModuleHandleA(nullptr), Dpi());
    ::SendMessageA(image2_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner_.get()));
    for (const Text& t : texts_) {
        const HFONT font = FontOf(t.font);
        ::SendMessageA(t.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        const SIZE size = TextSize(Handle(), font, vantrel::ControlText(t.control));
        Place(t.control, t.x - t.margin, t.y - t.margin, Unscaled(size.cx) + 2 * t.margin,
              Unscaled(size.cy) + 2 * t.margin);
    }
}

void TfrmAbout::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    MakeFonts();

    // A centred picture keeps the control at its place and size even without a picture, so a
    // build without the banner shows an empty strip instead of moving anything.
    image2_ =
        AddControl("STATIC", "", WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 0, 360, 50, kIdBanner);
    banner_ = LoadBanner(instance, Dpi());
    if (banner_) {
        ::SendMessageA(image2_, STM_SETIMAGE, IMAGE_BITMAP,
                       reinterpret_cast<LPARAM>(banner_.get()));
    }

    // Shared icon: the system keeps it, so nobody destroys it.
    HWND image3 = AddIcon(::LoadIconA(instance, MAKEINTRESOURCEA(1)), 20, 61, 32, 32);
    ::SetWindowLongPtrA(image3, GWLP_ID, kIdIcon);

    AddText("Vantrel", 80, 62, kIdTitle, TextFont::kTitle);
    AddText(VersionText(), 80, 84, kIdVersion, TextFont::kForm);
    AddText(CopyrightText(), 80, 129, kIdCopyright, TextFont::kForm);
    AddText("Email: " + SupportEmail(), 80, 152, kIdEmail, TextFont::kForm);
    // Some static implementations grow an etched line by its edge when they create it; the
    // line is put back to its size so it keeps lining up with the texts above it.
    HWND panel2 =
        AddControl("STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, 80, 176, 262, 2, kIdSeparator);
    Place(panel2, 80, 176, 262, 2);

    lbEAddress_ = AddLink(HostName(), 80, 186, kIdHomeLink);
    lUpdateAddress_ = AddLink("Check for Update...", 208, 186, kIdUpdateLink);

    HWND ok = AddControl("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 269, 216, 75,
                         25, kIdOk);
    // Enter at once closes the dialog, as before the links could take the focus.
    SetFirstFocus(ok);
}

HWND TfrmAbout::AddLink(const std::string& text, int x, int y, int id) {
    // SS_NOTIFY makes the link clickable and lets it take the mouse (for the hand cursor); the
    // text stays at (x, y) inside the margin.
    HWND link = AddText(text, x, y, id, TextFont::kLink, WS_TABSTOP | SS_NOTIFY, kLinkMargin);
    ::SetWindowSubclass(link, LinkProc, 1, 0);
    return link;
}

bool TfrmAbout::IsLink(HWND control) const {
    return control != nullptr && (control == lbEAddress_ || control == lUpdateAddress_);
}

void TfrmAbout::lbEAddressClick() {
    OpenWebPage(Handle(), MakerHomePage());
}

void TfrmAbout::lUpdateAddressClick() {
    OpenWebPage(Handle(), UpdatePage());
}

void TfrmAbout::RunLink(int id) {
    if (id == kIdHomeLink) {
        lbEAddressClick();
    } else if (id == kIdUpdateLink) {
        lUpdateAddressClick();
    }
}

void TfrmAbout::bOKClick() {
    SetModalResult(kResultOk);
}

bool TfrmAbout::OnCommand(int id, int code, HWND /*control*/) {
    switch (id) {
    case kIdOk:
    case IDOK:
        if (code == BN_CLICKED) {
            bOKClick();
            return true;
        }
        return false;
    case IDCANCEL:
        SetModalResult(kResultCancel);
        return true;
    case kIdHomeLink:
    case kIdUpdateLink:
        if (code == STN_CLICKED) {
            RunLink(id);
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool TfrmAbout::OnDialogKey(const MSG& msg) {
    // On a focused link Enter and Space are its click; elsewhere Enter stays with OK.
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_SPACE) ||
        !IsLink(msg.hwnd)) {
        return false;
    }
    // A key held down opens the page once, not once for every repeat.
    const bool repeat = (msg.lParam & (1L << 30)) != 0;
    if (!repeat) {
        RunLink(::GetDlgCtrlID(msg.hwnd));
    }
    return true;
}

bool TfrmAbout::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_CTLCOLORSTATIC && IsLink(reinterpret_cast<HWND>(lParam))) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, kLinkColor);
        ::SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    if (msg == WM_SETCURSOR && IsLink(reinterpret_cast<HWND>(wParam))) {
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649))); // IDC_HAND
        result = TRUE;
        return true;
    }
    return false;
}

} // namespace vantrel
