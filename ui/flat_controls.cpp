#include "ui/flat_controls.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/dpi.h"
#include "platform/gdi.h"
#include "platform/text.h"
#include "res/art_ids.h"
#include "ui/art.h"

namespace vantrel {

namespace {
using platform::ScratchDc;

constexpr UINT_PTR kTabSubclass = 0x46544142;
constexpr UINT_PTR kButtonSubclass = 0x46425554;
// The subclass's own lookup is exported by ordinal only; a property finds the state instead.
constexpr char kButtonProperty[] = "Vantrel.FlatButton";
constexpr char kTabProperty[] = "Vantrel.FlatTabs";

constexpr int kTabCaptionHeight = 13;
// The main window's lists cover all but the bottom 16 pixels of the control; a taller strip
// would push the tabs up under them.
constexpr int kTabHeight = 14;
constexpr int kTabPaddingX = 9;
constexpr int kTabPaddingY = 2;
constexpr int kTabGap = 2;
constexpr COLORREF kTabBorder = RGB(0xAF, 0xA8, 0x99);
constexpr COLORREF kTabPage = RGB(255, 255, 255);
constexpr COLORREF kTabOlive = RGB(0x80, 0x80, 0x00);
constexpr COLORREF kTabOliveHot = RGB(0x99, 0x99, 0x26);
constexpr COLORREF kTabCaption = RGB(0xFF, 0x00, 0x00);

// Everything is composed off screen and copied once, so the parent's picture that is painted
// first never shows alone for a moment; without memory for it, painting goes straight on.
class Offscreen {
public:
    Offscreen(HDC target, int width, int height)
        : target_(target), width_(width), height_(height), scratch_(target),
          bitmap_(::CreateCompatibleBitmap(target, std::max(width, 1), std::max(height, 1))) {
        if (scratch_.get() != nullptr && bitmap_) {
            old_ = ::SelectObject(scratch_.get(), bitmap_.get());
        }
    }
    ~Offscreen() {
        if (old_ != nullptr) {
            ::BitBlt(target_, 0, 0, width_, height_, scratch_.get(), 0, 0, SRCCOPY);
            ::SelectObject(scratch_.get(), old_);
        }
    }
    Offscreen(const Offscreen&) = delete;
    Offscreen& operator=(const Offscreen&) = delete;
    HDC dc() const { return old_ != nullptr ? scratch_.get() : target_; }

private:
    HDC target_;
    int width_;
    int height_;
    ScratchDc scratch_;
    platform::UniqueGdiObject bitmap_;
    HGDIOBJ old_ = nullptr;
};

HFONT MakeFont(int charHeight, bool bold) {
    return ::CreateFontA(-charHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, platform::UiFontFace());
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        return;
    }
    const COLORREF old = ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

// Lays a colour over what is already painted, so a face keeps the picture under it visible.
void Tint(HDC dc, const RECT& rect, COLORREF colour, BYTE alpha) {
    if (alpha == 0 || rect.right <= rect.left || rect.bottom <= rect.top) {
        return;
    }
    void* bits = nullptr;
    const platform::UniqueGdiObject dot(platform::CreateDib32(dc, 1, 1, &bits));
    const ScratchDc scratch(dc);
    if (!dot || bits == nullptr || scratch.get() == nullptr) {
        return;
    }
    *static_cast<DWORD*>(bits) = (static_cast<DWORD>(GetRValue(colour)) << 16) |
                                 (static_cast<DWORD>(GetGValue(colour)) << 8) | GetBValue(colour);
    const HGDIOBJ old = ::SelectObject(scratch.get(), dot.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
    ::GdiAlphaBlend(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                    scratch.get(), 0, 0, 1, 1, blend);
    ::SelectObject(scratch.get(), old);
}

void TintFrame(HDC dc, const RECT& r, COLORREF colour, BYTE alpha) {
    Tint(dc, {r.left, r.top, r.right, r.top + 1}, colour, alpha);
    Tint(dc, {r.left, r.bottom - 1, r.right, r.bottom}, colour, alpha);
    Tint(dc, {r.left, r.top + 1, r.left + 1, r.bottom - 1}, colour, alpha);
    Tint(dc, {r.right - 1, r.top + 1, r.right, r.bottom - 1}, colour, alpha);
}

bool FocusShown(HWND window) {
    const LRESULT state = ::SendMessageA(window, WM_QUERYUISTATE, 0, 0);
    return ::GetFocus() == window && (state & UISF_HIDEFOCUS) == 0;
}

UINT PrefixFormat(HWND window) {
    const LRESULT state = ::SendMessageA(window, WM_QUERYUISTATE, 0, 0);
    return (state & UISF_HIDEACCEL) != 0 ? DT_HIDEPREFIX : 0;
}

// ---- Tabs -------------------------------------------------------------------------------------

struct TabState {
    platform::UniqueGdiObject font;
    int gap = kTabGap;
    int hot = -1;
    bool tracking = false;
};

void PaintTabs(HWND tab, const TabState& state, HDC target) {
    RECT client{};
    ::GetClientRect(tab, &client);
    const Offscreen canvas(target, client.right, client.bottom);
    const HDC dc = canvas.dc();
    PaintParentBackground(tab, dc);

    const int count = static_cast<int>(::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
    const int selected = static_cast<int>(::SendMessageA(tab, TCM_GETCURSEL, 0, 0));
    std::vector<RECT> boxes(static_cast<std::size_t>(std::max(count, 0)));
    int rowTop = client.bottom;
    for (int i = 0; i < count; ++i) {
        RECT& box = boxes[static_cast<std::size_t>(i)];
        ::SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(&box));
        rowTop = std::min(rowTop, static_cast<int>(box.top));
    }

    const RECT page{0, 0, client.right, rowTop};
    FillSolid(dc, page, kTabPage);
    FillSolid(dc, {0, 0, page.right, 1}, kTabBorder);
    FillSolid(dc, {0, 0, 1, page.bottom}, kTabBorder);
    FillSolid(dc, {page.right - 1, 0, page.right, page.bottom}, kTabBorder);
    FillSolid(dc, {0, page.bottom - 1, page.right, page.bottom}, kTabBorder);

    const int saved = ::SaveDC(dc);
    ::SelectObject(dc, state.font.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kTabCaption);
    const UINT prefix = PrefixFormat(tab);
    char text[128];
    for (int i = 0; i < count; ++i) {
        const RECT& item = boxes[static_cast<std::size_t>(i)];
        const bool isSelected = i == selected;
        // The selected tab reaches up over the page's border and shares the page's colour, so
        // the two read as one sheet; the others stand a little shorter, below the border.
        RECT face{item.left, rowTop, item.right - state.gap, item.bottom};
        if (isSelected) {
            face.top = rowTop - 1;
            face.bottom = std::min(item.bottom + 2, client.bottom);
        }
        FillSolid(dc, face, isSelected ? kTabPage : (i == state.hot ? kTabOliveHot : kTabOlive));
        FillSolid(dc, {face.left, face.top, face.left + 1, face.bottom}, kTabBorder);
        FillSolid(dc, {face.right - 1, face.top, face.right, face.bottom}, kTabBorder);
        FillSolid(dc, {face.left, face.bottom - 1, face.right, face.bottom}, kTabBorder);

        TCITEMA info{};
        info.mask = TCIF_TEXT;
        info.pszText = text;
        info.cchTextMax = sizeof(text);
        text[0] = '\0';
        ::SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
        RECT caption{face.left + 1, face.top, face.right - 1, face.bottom - 1};
        platform::DrawText8(dc, text, &caption, DT_SINGLELINE | DT_CENTER | DT_VCENTER | prefix);
        if (isSelected && FocusShown(tab)) {
            RECT focus = caption;
            ::InflateRect(&focus, -2, -2);
            ::DrawFocusRect(dc, &focus);
        }
    }
    ::RestoreDC(dc, saved);
}

LRESULT CALLBACK TabProc(HWND tab, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                         DWORD_PTR data) {
    auto* state = reinterpret_cast<TabState*>(data);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(tab, &paint);
        PaintTabs(tab, *state, dc);
        ::EndPaint(tab, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintTabs(tab, *state, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFONT:
        // The control sizes its tabs from its font, so it must be the font they are drawn in.
        return ::DefSubclassProc(tab, message, reinterpret_cast<WPARAM>(state->font.get()), lParam);
    case WM_MOUSEMOVE: {
        TCHITTESTINFO hit{};
        hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int hot =
            static_cast<int>(::SendMessageA(tab, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (!state->tracking) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, tab, 0};
            state->tracking = ::TrackMouseEvent(&track) != FALSE;
        }
        if (hot != state->hot) {
            state->hot = hot;
            ::InvalidateRect(tab, nullptr, FALSE);
        }
        break;
    }
    case WM_MOUSELEAVE:
        state->tracking = false;
        state->hot = -1;
        ::InvalidateRect(tab, nullptr, FALSE);
        break;
    case WM_NCDESTROY: {
        ::RemoveWindowSubclass(tab, TabProc, id);
        ::RemovePropA(tab, kTabProperty);
        const LRESULT result = ::DefSubclassProc(tab, message, wParam, lParam);
        delete state; // owned by the subclass since MakeFlatTabs
        return result;
    }
    case TCM_SETCURSEL:
    case TCM_SETCURFOCUS:
    case TCM_INSERTITEMA:
    case TCM_INSERTITEMW:
    case TCM_SETITEMA:
    case TCM_SETITEMW:
    case TCM_DELETEITEM:
    case TCM_DELETEALLITEMS:
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
    case WM_SIZE: {
        // The control repaints only the tabs it thinks changed; the merged page edge and the
        // focus mark lie outside those, so the whole control is drawn again.
        const LRESULT result = ::DefSubclassProc(tab, message, wParam, lParam);
        ::InvalidateRect(tab, nullptr, FALSE);
        return result;
    }
    default:
        break;
    }
    return ::DefSubclassProc(tab, message, wParam, lParam);
}

// ---- Buttons ----------------------------------------------------------------------------------

struct ButtonState {
    COLORREF text = RGB(0, 0, 0);
    bool transparent = false;
    bool hand = false;
    bool hover = false;
    platform::UniqueGdiObject font;
};

bool IsLight(COLORREF colour) {
    return GetRValue(colour) * 299 + GetGValue(colour) * 587 + GetBValue(colour) * 114 > 140000;
}

// Where the caption's pixels fall inside its text cell. The title buttons' single big characters
// sit high or low in their cells depending on the font, and the small buttons cut the cell off;
// centring the pixels themselves puts "-" and "X" in the middle whatever the font does.
RECT InkBounds(HDC like, const char* caption, UINT format, const RECT& cell) {
    const int width = cell.right - cell.left;
    const int height = cell.bottom - cell.top;
    void* bits = nullptr;
    const platform::UniqueGdiObject canvas(platform::CreateDib32(like, width, height, &bits));
    const ScratchDc scratch(like);
    if (!canvas || bits == nullptr || scratch.get() == nullptr) {
        return cell;
    }
    const HGDIOBJ oldBitmap = ::SelectObject(scratch.get(), canvas.get());
    const HGDIOBJ oldFont = ::SelectObject(scratch.get(), ::GetCurrentObject(like, OBJ_FONT));
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::fill(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height, 0u);
    ::SetBkMode(scratch.get(), TRANSPARENT);
    ::SetTextColor(scratch.get(), RGB(255, 255, 255));
    RECT area{0, 0, width, height};
    platform::DrawText8(scratch.get(), caption, &area, format);
    ::GdiFlush();
    RECT ink{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((pixels[y * width + x] & 0x00FFFFFFu) != 0) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.top = std::min<LONG>(ink.top, y);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
        }
    }
    ::SelectObject(scratch.get(), oldFont);
    ::SelectObject(scratch.get(), oldBitmap);
    return ink.right > ink.left ? ink : cell;
}

void PaintButton(HWND button, const ButtonState& state, HDC target) {
    RECT client{};
    ::GetClientRect(button, &client);
    const Offscreen canvas(target, client.right, client.bottom);
    const HDC dc = canvas.dc();
    PaintParentBackground(button, dc);

    const bool pressed = (::SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    const bool enabled = ::IsWindowEnabled(button) != FALSE;
    const bool hot = state.hover && enabled;
    // Light captions sit on dark parts of the picture and dark ones on light parts, so faces
    // darken or lighten the picture accordingly instead of bringing a colour of their own.
    const bool light = IsLight(state.text);
    const COLORREF shade = light ? RGB(0, 0, 0) : RGB(255, 255, 255);
    const COLORREF glow = light ? RGB(255, 255, 255) : RGB(51, 119, 204);
    if (!state.transparent) {
        Tint(dc, client, shade, light ? 40 : 110);
    }
    if (pressed) {
        Tint(dc, client, light ? RGB(0, 0, 0) : glow, light ? 70 : 80);
        TintFrame(dc, client, glow, 200);
    } else if (hot) {
        Tint(dc, client, glow, light ? 50 : 40);
        TintFrame(dc, client, glow, light ? 150 : 170);
    }

    char caption[64] = {};
    ::GetWindowTextA(button, caption, sizeof(caption));
    const int saved = ::SaveDC(dc);
    ::SelectObject(dc, state.font.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, enabled ? state.text : ::GetSysColor(COLOR_GRAYTEXT));
    const UINT format = DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOCLIP | PrefixFormat(button);
    RECT cell{};
    platform::DrawText8(dc, caption, &cell, format | DT_CALCRECT);
    const RECT ink = InkBounds(dc, caption, format, cell);
    const int x = (client.right - (ink.right - ink.left)) / 2 - ink.left + (pressed ? 1 : 0);
    const int y = (client.bottom - (ink.bottom - ink.top)) / 2 - ink.top + (pressed ? 1 : 0);
    RECT text{x, y, x + cell.right, y + cell.bottom};
    platform::DrawText8(dc, caption, &text, format);
    if (FocusShown(button)) {
        RECT focus = client;
        ::InflateRect(&focus, -2, -2);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::DrawFocusRect(dc, &focus);
    }
    ::RestoreDC(dc, saved);
}

LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                            DWORD_PTR data) {
    auto* state = reinterpret_cast<ButtonState*>(data);
    switch (message) {
    case WM_PAINT: {
        // Painted here rather than through WM_DRAWITEM, so that the parent has nothing to
        // forward and the button stays self-contained.
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(button, &paint);
        PaintButton(button, *state, dc);
        ::EndPaint(button, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintButton(button, *state, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (state->hand && LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        if (!state->hover) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, button, 0};
            ::TrackMouseEvent(&track);
            state->hover = true;
            ::InvalidateRect(button, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        state->hover = false;
        ::InvalidateRect(button, nullptr, FALSE);
        break;
    case WM_NCDESTROY: {
        ::RemoveWindowSubclass(button, ButtonProc, id);
        ::RemovePropA(button, kButtonProperty);
        const LRESULT result = ::DefSubclassProc(button, message, wParam, lParam);
        delete state; // owned by the subclass since MakeFlatButton
        return result;
    }
    case BM_SETSTATE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE: {
        // An owner-drawn button asks its parent to draw these changes; the parent does not, so
        // the button redraws itself.
        const LRESULT result = ::DefSubclassProc(button, message, wParam, lParam);
        ::InvalidateRect(button, nullptr, FALSE);
        return result;
    }
    default:
        break;
    }
    return ::DefSubclassProc(button, message, wParam, lParam);
}

ButtonState* ButtonStateOf(HWND button) {
    return static_cast<ButtonState*>(::GetPropA(button, kButtonProperty));
}

} // namespace

void MakeFlatTabs(HWND tab, int dpi) {
    if (!::IsWindow(tab)) {
        return;
    }
    auto* state = static_cast<TabState*>(::GetPropA(tab, kTabProperty));
    if (state == nullptr) {
        auto made = std::make_unique<TabState>();
        if (!::SetWindowSubclass(tab, TabProc, kTabSubclass,
                                 reinterpret_cast<DWORD_PTR>(made.get()))) {
            return;
        }
        state = made.release(); // freed by the subclass with the control
        ::SetPropA(tab, kTabProperty, state);
    }
    state->font.reset(MakeFont(platform::Scaled(kTabCaptionHeight, dpi), true));
    state->gap = platform::Scaled(kTabGap, dpi);
    const LONG_PTR style = ::GetWindowLongPtrA(tab, GWL_STYLE);
    if ((style & TCS_BOTTOM) == 0) {
        ::SetWindowLongPtrA(tab, GWL_STYLE, style | TCS_BOTTOM);
    }
    ::SendMessageA(
        tab, TCM_SETPADDING, 0,
        MAKELPARAM(platform::Scaled(kTabPaddingX, dpi), platform::Scaled(kTabPaddingY, dpi)));
    ::SendMessageA(tab, TCM_SETITEMSIZE, 0, MAKELPARAM(0, platform::Scaled(kTabHeight, dpi)));
    // Lays the tabs out again, with the bold font the subclass puts in.
    ::SendMessageA(tab, WM_SETFONT, 0, FALSE);
    ::InvalidateRect(tab, nullptr, FALSE);
}

void MakeFlatButton(HWND button, COLORREF text, int charHeight, bool bold, bool transparent) {
    if (!::IsWindow(button)) {
        return;
    }
    ButtonState* state = ButtonStateOf(button);
    if (state == nullptr) {
        auto created = std::make_unique<ButtonState>();
        if (!::SetWindowSubclass(button, ButtonProc, kButtonSubclass,
                                 reinterpret_cast<DWORD_PTR>(created.get()))) {
            return;
        }
        state = created.release(); // freed by the subclass with the button
        ::SetPropA(button, kButtonProperty, state);
    }
    state->text = text;
    state->transparent = transparent;
    state->font.reset(MakeFont(charHeight, bold));
    // Owner drawn, so that the control itself never paints a push button's face over ours.
    const LONG_PTR style = ::GetWindowLongPtrA(button, GWL_STYLE);
    ::SetWindowLongPtrA(button, GWL_STYLE,
                        (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    ::InvalidateRect(button, nullptr, FALSE);
}

void SetFlatButtonHandCursor(HWND button, bool hand) {
    if (ButtonState* state = ButtonStateOf(button)) {
        state->hand = hand;
    }
}

void PaintParentBackground(HWND child, HDC dc) {
    const HWND parent = ::GetParent(child);
    RECT client{};
    ::GetClientRect(child, &client);
    // What shows where the parent paints nothing: its class brush, or the dialog face.
    auto brush = reinterpret_cast<HBRUSH>(
        parent != nullptr ? ::GetClassLongPtrA(parent, GCLP_HBRBACKGROUND) : 0);
    if (reinterpret_cast<ULONG_PTR>(brush) <= COLOR_MENUBAR + 1) {
        const int index = brush != nullptr
                              ? static_cast<int>(reinterpret_cast<ULONG_PTR>(brush)) - 1
                              : COLOR_BTNFACE;
        brush = ::GetSysColorBrush(index);
    }
    ::FillRect(dc, &client, brush);
    if (parent == nullptr) {
        return;
    }
    POINT offset{0, 0};
    ::MapWindowPoints(child, parent, &offset, 1);
    POINT origin{};
    ::OffsetViewportOrgEx(dc, -offset.x, -offset.y, &origin);
    // Whatever the parent selects or changes in the DC is undone after each message.
    for (const UINT message :
         {static_cast<UINT>(WM_ERASEBKGND), static_cast<UINT>(WM_PRINTCLIENT)}) {
        const int saved = ::SaveDC(dc);
        ::SendMessageA(parent, message, reinterpret_cast<WPARAM>(dc),
                       message == WM_PRINTCLIENT ? PRF_CLIENT : 0);
        ::RestoreDC(dc, saved);
    }
    ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

void DrawKeyedBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF key) {
    BITMAP info{};
    if (bitmap == nullptr || ::GetObjectA(bitmap, sizeof(info), &info) == 0) {
        return;
    }
    const ScratchDc scratch(dc);
    if (scratch.get() == nullptr) {
        return;
    }
    const HGDIOBJ old = ::SelectObject(scratch.get(), bitmap);
    ::GdiTransparentBlt(dc, x, y, info.bmWidth, info.bmHeight, scratch.get(), 0, 0, info.bmWidth,
                        info.bmHeight, key);
    ::SelectObject(scratch.get(), old);
}

platform::UniqueImageList LoadMenuImages(HINSTANCE instance, int dpi) {
    const int cell = ::MulDiv(ART_MENU_IMAGE_SIZE, dpi, 96);
    const platform::UniqueGdiObject strip = LoadArtBitmap(
        instance, IDB_MENU_IMAGES, dpi, SIZE{cell * ART_MENU_IMAGE_COUNT, cell}, true);
    if (!strip) {
        return platform::UniqueImageList();
    }
    platform::UniqueImageList list(
        ::ImageList_Create(cell, cell, ILC_COLOR24 | ILC_MASK, ART_MENU_IMAGE_COUNT, 0));
    if (!list ||
        ::ImageList_AddMasked(list.get(), static_cast<HBITMAP>(strip.get()), ART_KEY_COLOR) < 0) {
        return platform::UniqueImageList();
    }
    return list;
}

} // namespace vantrel
