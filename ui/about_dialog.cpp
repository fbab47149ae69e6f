#include "ui/about_dialog.h"

#include "platform/text.h"
#include "res/art_ids.h"
#include "ui/web_links.h"

namespace vantrel {

namespace {
HFONT MakeFont(int height, int weight, bool underline) {
    return ::CreateFontA(-height, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
}

SIZE TextSize(HWND window, HFONT font, const std::string& text) {
    HDC dc = ::GetDC(window);
    HGDIOBJ old = ::SelectObject(dc, font);
    const SIZE size = platform::TextExtent8(dc, text);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return size;
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
                        DWORD extraStyle) {
    const SIZE size = TextSize(Handle(), FontOf(font), text);
    HWND control = AddControl("STATIC", text, WS_VISIBLE | SS_LEFT | SS_NOPREFIX | extraStyle, x, y,
                              Unscaled(size.cx), Unscaled(size.cy), id);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(font)), FALSE);
    texts_.push_back(Text{control, x, y, font});
    return control;
}

void TfrmAbout::DpiChanged() {
    // The controls let go of the old fonts before those go.
    platform::UniqueGdiObject oldTitle(titleFont_.release());
    platform::UniqueGdiObject oldLink(linkFont_.release());
    MakeFonts();
    for (const Text& t : texts_) {
        const HFONT font = FontOf(t.font);
        ::SendMessageA(t.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        const SIZE size = TextSize(Handle(), font, vantrel::ControlText(t.control));
        Place(t.control, t.x, t.y, Unscaled(size.cx), Unscaled(size.cy));
    }
}

void TfrmAbout::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    MakeFonts();

    // A centred picture keeps the control at its place and size even without a picture, so a
    // build without the banner shows an empty strip instead of moving anything.
    image2_ =
        AddControl("STATIC", "", WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 0, 360, 50, kIdBanner);
    banner_.reset(::LoadImageA(instance, MAKEINTRESOURCEA(IDB_ABOUT_BANNER), IMAGE_BITMAP, 0, 0,
                               LR_DEFAULTCOLOR));
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

    // SS_NOTIFY makes the links clickable and lets them take the mouse (for the hand cursor).
    lbEAddress_ = AddText(HostName(), 80, 186, kIdHomeLink, TextFont::kLink, SS_NOTIFY);
    lUpdateAddress_ =
        AddText("Check for Update...", 208, 186, kIdUpdateLink, TextFont::kLink, SS_NOTIFY);

    AddControl("BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 269, 216, 75, 25, kIdOk);
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
        if (code == STN_CLICKED) {
            lbEAddressClick();
            return true;
        }
        return false;
    case kIdUpdateLink:
        if (code == STN_CLICKED) {
            lUpdateAddressClick();
            return true;
        }
        return false;
    default:
        return false;
    }
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
