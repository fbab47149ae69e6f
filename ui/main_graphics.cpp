#include "ui/main_graphics.h"

#include <commctrl.h>
#include <windowsx.h>
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "platform/dpi.h"
#include "platform/gdi.h"
#include "platform/text.h"
#include "ui/art.h"
#include "res/art_ids.h"

namespace vantrel {

namespace {

HFONT MakeFont(int height, bool bold) {
    return ::CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, platform::UiFontFace());
}

bool Inside(const RECT& r, POINT p, bool inclusive) {
    return inclusive ? (p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom)
                     : ::PtInRect(&r, p) != FALSE;
}

TTTOOLINFOA ToolOf(HWND window, UINT_PTR id) {
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = window;
    tool.uId = id;
    return tool;
}

} // namespace

void MainGraphics::Create(HWND window, HINSTANCE instance, std::vector<GraphicControl> controls,
                          std::string title, std::string link, int dpi) {
    window_ = window;
    controls_ = std::move(controls);
    title_ = std::move(title);
    link_ = std::move(link);
    instance_ = instance;
    dpi_ = dpi;
    std::transform(controls_.begin(), controls_.end(), std::back_inserter(bounds96_),
                   [](const GraphicControl& c) { return c.bounds; });
    PlaceControls();
    LoadPictures();
    toolTip_ =
        ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                          WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
    for (size_t i = 0; i < controls_.size(); ++i) {
        SyncHint(controls_[i], static_cast<UINT>(i + 1));
    }
}

void MainGraphics::LoadPictures() {
    bitmaps_.clear();
    for (const GraphicControl& c : controls_) {
        if (c.bitmap != 0) {
            // Picture buttons are keyed with magenta; the background is drawn as it is.
            const SIZE size{c.bounds.right - c.bounds.left, c.bounds.bottom - c.bounds.top};
            bitmaps_.emplace_back(c.bitmap,
                                  LoadArtBitmap(instance_, c.bitmap, dpi_, size,
                                                c.kind == GraphicControl::kPictureButton));
        }
    }
}

void MainGraphics::SetDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_) {
        return;
    }
    dpi_ = dpi;
    PlaceControls();
    if (window_ == nullptr) {
        return;
    }
    // The drawings for the new scale, at the controls' new sizes, rather than stretched ones.
    LoadPictures();
    for (size_t i = 0; i < controls_.size(); ++i) {
        SyncHint(controls_[i], static_cast<UINT>(i + 1));
    }
    ::InvalidateRect(window_, nullptr, FALSE);
}

void MainGraphics::PlaceControls() {
    titleFont_.reset(MakeFont(platform::Scaled(16, dpi_), true));
    linkFont_.reset(MakeFont(platform::Scaled(11, dpi_), false));
    for (size_t i = 0; i < controls_.size(); ++i) {
        GraphicControl& c = controls_[i];
        c.bounds = platform::Scaled(bounds96_[i], dpi_);
        if (c.kind != GraphicControl::kText) {
            continue;
        }
        // The title's size follows its font, as a label's would.
        const SIZE size = platform::TextExtentIn(window_, titleFont_.get(), title_);
        c.bounds.right = c.bounds.left + size.cx;
        c.bounds.bottom = c.bounds.top + size.cy;
    }
}

void MainGraphics::SyncHint(const GraphicControl& control, UINT id) {
    if (control.hint.empty() || toolTip_ == nullptr) {
        return;
    }
    // Controls that take turns on one spot each bring their own hint: only the visible one may
    // own the rectangle, or the first one added would speak for all of them.
    TTTOOLINFOA tool = ToolOf(window_, id);
    ::SendMessageA(toolTip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    if (!control.visible) {
        return;
    }
    tool.uFlags = TTF_SUBCLASS | TTF_TRANSPARENT;
    tool.rect = control.bounds;
    tool.lpszText = const_cast<char*>(control.hint.c_str());
    ::SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

namespace {

// A hint that is up goes away as soon as the pointer moves on over its control, and comes back
// once the pointer rests again. Wine puts a click on a hint to the hint, not to what lies below
// it, and a list's hint stands just where the pointer goes next: the first right click on the
// list after the hint came up (after a dialog closed over the list, say) opened no menu.
LRESULT CALLBACK HintedProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR data) {
    if (msg == WM_MOUSEMOVE) {
        auto* hinted = reinterpret_cast<MainGraphics::HintedControl*>(data);
        const POINT now{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (hinted->known && ::IsWindowVisible(hinted->tip) &&
            (std::abs(now.x - hinted->last.x) > 2 || std::abs(now.y - hinted->last.y) > 2)) {
            ::SendMessageA(hinted->tip, TTM_POP, 0, 0);
        }
        hinted->last = now;
        hinted->known = true;
    }
    return ::DefSubclassProc(control, msg, wParam, lParam);
}

} // namespace

void MainGraphics::AddWindowHint(HWND control, const std::string& hint) {
    TTTOOLINFOA tool = ToolOf(window_, reinterpret_cast<UINT_PTR>(control));
    // A hint comes up where the pointer goes next; a click on it belongs to what lies below.
    tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND | TTF_TRANSPARENT;
    tool.lpszText = const_cast<char*>(hint.c_str());
    ::SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    hinted_.push_back(std::make_unique<HintedControl>());
    hinted_.back()->tip = toolTip_;
    ::SetWindowSubclass(control, HintedProc, 1, reinterpret_cast<DWORD_PTR>(hinted_.back().get()));
}

GraphicControl* MainGraphics::Find(const std::string& name) {
    auto it = std::find_if(controls_.begin(), controls_.end(),
                           [&](const GraphicControl& g) { return g.name == name; });
    return it == controls_.end() ? nullptr : &*it;
}

void MainGraphics::SetVisible(const std::string& name, bool visible) {
    auto it = std::find_if(controls_.begin(), controls_.end(),
                           [&](const GraphicControl& g) { return g.name == name; });
    if (it == controls_.end() || it->visible == visible) {
        return;
    }
    it->visible = visible;
    SyncHint(*it, static_cast<UINT>(it - controls_.begin() + 1));
    if (pressed_ == name && !visible) {
        pressed_.clear();
    }
    ::InvalidateRect(window_, &it->bounds, FALSE);
}

const GraphicControl* MainGraphics::At(POINT p, bool inclusive) const {
    auto it = std::find_if(controls_.begin(), controls_.end(), [&](const GraphicControl& c) {
        return c.visible && c.kind != GraphicControl::kBackground && Inside(c.bounds, p, inclusive);
    });
    return it == controls_.end() ? nullptr : &*it;
}

LRESULT MainGraphics::HitTest(POINT client) const {
    // Over a picture or text of its own the press goes to it; anywhere else on the background
    // it drags the borderless window. The bounds count inclusively on all four sides.
    return At(client, true) != nullptr ? HTCLIENT : HTCAPTION;
}

void MainGraphics::ButtonDown(POINT client) {
    const GraphicControl* c = At(client, false);
    pressed_ = c != nullptr && c->onClick ? c->name : std::string();
    if (!pressed_.empty()) {
        // The release must reach the window even when it happens outside it.
        ::SetCapture(window_);
    }
}

std::function<void()> MainGraphics::ButtonUp(POINT client) {
    const std::string pressed = std::move(pressed_);
    pressed_.clear();
    if (::GetCapture() == window_) {
        ::ReleaseCapture();
    }
    const GraphicControl* c = At(client, false);
    if (pressed.empty() || c == nullptr || c->name != pressed) {
        return nullptr;
    }
    // A copy: the handler may change the controls while it runs.
    return c->onClick;
}

void MainGraphics::MouseMove(POINT client) {
    const GraphicControl* link = Find("lInternet");
    const bool hot = link != nullptr && link->visible && ::PtInRect(&link->bounds, client);
    if (hot != linkHot_) {
        linkHot_ = hot;
        ::InvalidateRect(window_, &link->bounds, FALSE);
    }
    if (hot) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window_, 0};
        ::TrackMouseEvent(&track);
    }
}

void MainGraphics::MouseLeave() {
    if (linkHot_) {
        linkHot_ = false;
        if (const GraphicControl* link = Find("lInternet")) {
            ::InvalidateRect(window_, &link->bounds, FALSE);
        }
    }
}

bool MainGraphics::SetCursorAt(POINT client) const {
    const GraphicControl* c = At(client, false);
    if (c != nullptr &&
        (c->kind == GraphicControl::kLink || c->kind == GraphicControl::kPictureButton)) {
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649))); // hand
        return true;
    }
    return false;
}

void MainGraphics::Paint(HDC target) const {
    RECT client{};
    ::GetClientRect(window_, &client);
    // Drawn off screen and copied once, so the pictures never flicker.
    // Declared before the contexts, so that it outlives its selection into `canvasDc`.
    const platform::UniqueGdiObject canvas(
        ::CreateCompatibleBitmap(target, client.right, client.bottom));
    const platform::ScratchDc canvasDc(target);
    const platform::ScratchDc sourceDc(target);
    HDC dc = canvasDc.get();
    HDC source = sourceDc.get();
    HGDIOBJ oldCanvas = ::SelectObject(dc, canvas.get());
    auto bitmapOf = [&](int id) -> HBITMAP {
        auto it = std::find_if(bitmaps_.begin(), bitmaps_.end(),
                               [&](const auto& b) { return b.first == id; });
        return it == bitmaps_.end() ? nullptr : static_cast<HBITMAP>(it->second.get());
    };
    for (const GraphicControl& g : controls_) {
        if (!g.visible) {
            continue;
        }
        const RECT& r = g.bounds;
        if (g.kind == GraphicControl::kBackground || g.kind == GraphicControl::kPictureButton) {
            HBITMAP bmp = bitmapOf(g.bitmap);
            if (bmp == nullptr) {
                continue;
            }
            // A picture drawn for another DPI than the window's is stretched to its place.
            BITMAP info{};
            ::GetObjectA(bmp, sizeof(info), &info);
            const int w = r.right - r.left;
            const int h = r.bottom - r.top;
            HGDIOBJ old = ::SelectObject(source, bmp);
            if (g.kind == GraphicControl::kBackground) {
                if (info.bmWidth == w && info.bmHeight == h) {
                    ::BitBlt(dc, r.left, r.top, w, h, source, 0, 0, SRCCOPY);
                } else {
                    ::SetStretchBltMode(dc, HALFTONE);
                    ::SetBrushOrgEx(dc, 0, 0, nullptr);
                    ::StretchBlt(dc, r.left, r.top, w, h, source, 0, 0, info.bmWidth, info.bmHeight,
                                 SRCCOPY);
                }
            } else {
                ::GdiTransparentBlt(dc, r.left, r.top, w, h, source, 0, 0, info.bmWidth,
                                    info.bmHeight, ART_KEY_COLOR);
            }
            ::SelectObject(source, old);
        } else if (g.kind == GraphicControl::kText || g.kind == GraphicControl::kLink) {
            const bool title = g.kind == GraphicControl::kText;
            HGDIOBJ old = ::SelectObject(dc, title ? titleFont_.get() : linkFont_.get());
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, !title && linkHot_ ? RGB(255, 0, 0) : RGB(255, 255, 255));
            const std::string& text = title ? title_ : link_;
            RECT box = r;
            platform::DrawText8(dc, text, &box, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
            ::SelectObject(dc, old);
        }
    }
    ::BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ::SelectObject(dc, oldCanvas);
}

std::vector<GraphicControl> MainWindowGraphics(const MainGraphicsClicks& clicks) {
    auto at = [](int left, int top, int width, int height) {
        return RECT{left, top, left + width, top + height};
    };
    using G = GraphicControl;
    return {
        {"Image1", G::kBackground, at(0, 0, 512, 383), true, IDB_MAIN_BACKGROUND, "", nullptr},
        {"Label1", G::kText, at(8, 6, 0, 0), true, 0, "", nullptr},
        {"lInternet", G::kLink, at(362, 3, 81, 13), true, 0, "Visit Vantrel's web site",
         clicks.link},
        {"bAddRule", G::kPictureButton, at(168, 35, 32, 32), true, IDB_BTN_ADD_RULE,
         "Add a rule of the selected application", clicks.addRule},
        {"bRefresh", G::kPictureButton, at(211, 36, 32, 32), true, IDB_BTN_REFRESH, "Refresh list",
         clicks.refresh},
        {"bTransp", G::kPictureButton, at(252, 36, 32, 32), true, IDB_BTN_TRANSPARENCY,
         "Makes the selected window transparent", clicks.transparency},
        {"bSettings", G::kPictureButton, at(299, 38, 32, 32), true, IDB_BTN_SETTINGS,
         "Common settings", clicks.settings},
        {"bHelp", G::kPictureButton, at(344, 40, 32, 32), true, IDB_BTN_HELP, "Help", clicks.help},
        {"bEditRule", G::kPictureButton, at(211, 36, 32, 32), false, IDB_BTN_EDIT_RULE,
         "Edit the selected rule", clicks.editRule},
        {"bDeleteRule", G::kPictureButton, at(252, 36, 32, 32), false, IDB_BTN_DELETE_RULE,
         "Delete the selected rule", clicks.deleteRule},
        {"Image2", G::kPicture, at(472, 64, 32, 32), false, 0, "", nullptr},
    };
}

} // namespace vantrel
