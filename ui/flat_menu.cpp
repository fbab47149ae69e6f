#include "ui/flat_menu.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>

#include "platform/dpi.h"
#include "platform/gdi.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "ui/menu_tidy.h"

namespace vantrel {

namespace {
using platform::ScratchDc;

constexpr int kTextIndent = 8;
// Room after the text for the sub-menu arrow, which the system draws itself.
constexpr int kTextEnd = 20;
constexpr int kShortcutGap = 24; // between the longest caption and its shortcut
constexpr int kItemHeight = 22;
constexpr int kSeparatorHeight = 5;

// The DPI of the window the open menu belongs to: the figures above, and the picture column, are
// the layout's at 96 DPI.
int g_menuDpi = platform::kLayoutDpi;
int Px(int value) {
    return platform::Scaled(value, g_menuDpi);
}

constexpr COLORREF kBody = RGB(252, 251, 247);
constexpr COLORREF kColumnLight = RGB(250, 249, 244);
constexpr COLORREF kColumnDark = RGB(226, 222, 205);
constexpr COLORREF kBorder = RGB(138, 134, 122);
constexpr COLORREF kHighlight = RGB(204, 221, 243);
constexpr COLORREF kHighlightBorder = RGB(70, 114, 178);
constexpr COLORREF kDisabledFrame = RGB(190, 186, 174);
constexpr COLORREF kSeparator = RGB(206, 202, 188);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kDisabledText = RGB(162, 158, 146);
// Filled behind a picture that is greyed in a scratch bitmap, then left out when it is copied.
constexpr COLORREF kScratchKey = RGB(255, 0, 255);

// What an owner-drawn item's data points to. Every live record is registered, so that the
// static handlers can tell the program's items from anything else the owner is sent.
struct ItemRecord {
    ItemRecord() { Live().insert(this); }
    ~ItemRecord() { Live().erase(this); }
    ItemRecord(const ItemRecord&) = delete;
    ItemRecord& operator=(const ItemRecord&) = delete;

    static std::set<const ItemRecord*>& Live() {
        static std::set<const ItemRecord*> live;
        return live;
    }
    static const ItemRecord* From(ULONG_PTR data) {
        const auto* record = reinterpret_cast<const ItemRecord*>(data);
        return Live().count(record) != 0 ? record : nullptr;
    }

    std::string caption;
    std::string shortcut;
    int image = -1;
    HIMAGELIST images = nullptr;
    bool submenu = false;
    bool separator = false;
};

using Records = std::vector<std::unique_ptr<ItemRecord>>;

class WindowDc {
public:
    WindowDc(HWND window, HDC given)
        : window_(window), dc_(given != nullptr ? given : ::GetWindowDC(window)),
          owned_(given == nullptr) {}
    ~WindowDc() {
        if (owned_ && dc_ != nullptr) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
    bool owned_;
};

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        return;
    }
    // ExtTextOut with an opaque rectangle fills without creating a brush.
    const COLORREF old = ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void Frame(HDC dc, const RECT& r, COLORREF colour) {
    FillSolid(dc, {r.left, r.top, r.right, r.top + 1}, colour);
    FillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, colour);
    FillSolid(dc, {r.left, r.top, r.left + 1, r.bottom}, colour);
    FillSolid(dc, {r.right - 1, r.top, r.right, r.bottom}, colour);
}

// The column shades from left to right over its full width wherever a part of it is painted,
// so items and the menu's margins above and below them meet without a seam.
void PaintColumn(HDC dc, int columnLeft, int top, int bottom) {
    if (bottom <= top) {
        return;
    }
    TRIVERTEX vertices[2] = {};
    vertices[0].x = columnLeft;
    vertices[0].y = top;
    vertices[0].Red = static_cast<COLOR16>(GetRValue(kColumnLight) << 8);
    vertices[0].Green = static_cast<COLOR16>(GetGValue(kColumnLight) << 8);
    vertices[0].Blue = static_cast<COLOR16>(GetBValue(kColumnLight) << 8);
    vertices[1].x = columnLeft + Px(FlatMenu::kPictureColumn);
    vertices[1].y = bottom;
    vertices[1].Red = static_cast<COLOR16>(GetRValue(kColumnDark) << 8);
    vertices[1].Green = static_cast<COLOR16>(GetGValue(kColumnDark) << 8);
    vertices[1].Blue = static_cast<COLOR16>(GetBValue(kColumnDark) << 8);
    GRADIENT_RECT span{0, 1};
    ::GdiGradientFill(dc, vertices, 2, &span, 1, GRADIENT_FILL_RECT_H);
}

HBRUSH BodyBrush() {
    static const platform::UniqueGdiObject brush(::CreateSolidBrush(kBody));
    return static_cast<HBRUSH>(brush.get());
}

// A disabled picture is a light grey copy of itself: the image list's own blending tints it
// with the selection colour, which reads as a different picture rather than an unavailable one.
void DrawGreyedImage(HDC dc, HIMAGELIST list, int index, int x, int y, int cx, int cy) {
    void* bits = nullptr;
    const platform::UniqueGdiObject dib(platform::CreateDib32(dc, cx, cy, &bits));
    const ScratchDc scratch(dc);
    if (!dib || bits == nullptr || scratch.get() == nullptr) {
        return;
    }
    const HGDIOBJ old = ::SelectObject(scratch.get(), dib.get());
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const std::uint32_t key = 0x00FF00FFu;
    std::fill(pixels, pixels + cx * cy, key);
    ::GdiFlush();
    ::ImageList_Draw(list, index, scratch.get(), 0, 0, ILD_TRANSPARENT);
    ::GdiFlush();
    for (int i = 0; i < cx * cy; ++i) {
        const std::uint32_t p = pixels[i] & 0x00FFFFFFu;
        if (p == key) {
            continue;
        }
        const std::uint32_t grey =
            (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
        const std::uint32_t light = 120 + grey * 125 / 255;
        pixels[i] = light | (light << 8) | (light << 16);
    }
    ::GdiTransparentBlt(dc, x, y, cx, cy, scratch.get(), 0, 0, cx, cy, kScratchKey);
    ::SelectObject(scratch.get(), old);
}

SIZE CaptionSize(const std::string& caption) {
    const platform::WindowDc screen(nullptr);
    const HGDIOBJ old = ::SelectObject(screen.get(), FlatMenu::MenuFont());
    RECT bounds{};
    platform::DrawText8(screen.get(), caption, &bounds, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(screen.get(), old);
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

// Owner-drawn items only paint themselves; the menu window around them would keep the system's
// raised edge and plain margins, so the flat frame is painted over those after the system's paint.
void PaintMenuFrame(HWND window, HDC given) {
    const HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(window, MN_GETHMENU, 0, 0));
    const int count = menu != nullptr ? ::GetMenuItemCount(menu) : 0;
    if (count <= 0) {
        return;
    }
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    if (!::GetMenuItemInfoA(menu, 0, TRUE, &info) || ItemRecord::From(info.dwItemData) == nullptr) {
        return;
    }
    RECT first{};
    RECT last{};
    RECT frame{};
    if (!::GetMenuItemRect(nullptr, menu, 0, &first) ||
        !::GetMenuItemRect(nullptr, menu, static_cast<UINT>(count - 1), &last) ||
        !::GetWindowRect(window, &frame)) {
        return;
    }
    ::OffsetRect(&first, -frame.left, -frame.top);
    ::OffsetRect(&last, -frame.left, -frame.top);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const RECT items{first.left, first.top, first.right, last.bottom};
    const int column = items.left + Px(FlatMenu::kPictureColumn);

    const WindowDc dc(window, given);
    if (dc.get() == nullptr) {
        return;
    }
    FillSolid(dc.get(), {1, 1, items.left, height - 1}, kColumnLight);
    PaintColumn(dc.get(), items.left, 1, items.top);
    PaintColumn(dc.get(), items.left, items.bottom, height - 1);
    FillSolid(dc.get(), {column, 1, width - 1, items.top}, kBody);
    FillSolid(dc.get(), {column, items.bottom, width - 1, height - 1}, kBody);
    FillSolid(dc.get(), {items.right, items.top, width - 1, items.bottom}, kBody);
    Frame(dc.get(), {0, 0, width, height}, kBorder);
}

constexpr UINT_PTR kFrameSubclass = 0x464D4E55;

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                UINT_PTR id, DWORD_PTR /*data*/) {
    switch (message) {
    case WM_NCPAINT:
    case WM_PAINT: {
        const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
        PaintMenuFrame(window, nullptr);
        return result;
    }
    case WM_PRINT: {
        const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
        PaintMenuFrame(window, reinterpret_cast<HDC>(wParam));
        return result;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, MenuWindowProc, id);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

// The menu windows are the system's and exist only while the menu is up; catching their
// creation is the one moment to subclass them before they first paint.
class MenuWindowHook {
public:
    MenuWindowHook() : previous_(current_) {
        current_ = this;
        hook_.reset(::SetWindowsHookExA(WH_CBT, CbtProc, nullptr, ::GetCurrentThreadId()));
    }
    ~MenuWindowHook() {
        hook_.reset();
        // The system may keep a menu window for later menus that are not flat.
        for (HWND window : windows_) {
            if (::IsWindow(window)) {
                ::RemoveWindowSubclass(window, MenuWindowProc, kFrameSubclass);
            }
        }
        current_ = previous_;
    }
    MenuWindowHook(const MenuWindowHook&) = delete;
    MenuWindowHook& operator=(const MenuWindowHook&) = delete;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND && current_ != nullptr) {
            HWND window = reinterpret_cast<HWND>(wParam);
            char name[16] = {};
            ::GetClassNameA(window, name, sizeof(name));
            if (std::strcmp(name, "#32768") == 0 &&
                ::SetWindowSubclass(window, MenuWindowProc, kFrameSubclass, 0)) {
                current_->windows_.push_back(window);
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static MenuWindowHook* current_;
    MenuWindowHook* previous_;
    platform::UniqueHook hook_;
    std::vector<HWND> windows_;
};

MenuWindowHook* MenuWindowHook::current_ = nullptr;

void TidyLevel(std::vector<MenuItemModel>& level) {
    std::vector<MenuEntry> entries(level.size());
    std::transform(level.begin(), level.end(), entries.begin(), [](const MenuItemModel& item) {
        return MenuEntry{item.caption, item.separator, item.visible};
    });
    TidySeparators(entries);
    TidyAccessLetters(entries);
    for (std::size_t i = 0; i < level.size(); ++i) {
        level[i].caption = entries[i].caption;
        level[i].visible = entries[i].visible;
        TidyLevel(level[i].children);
    }
}

void CopySeparatorVisibility(const std::vector<MenuItemModel>& from,
                             std::vector<MenuItemModel>& to) {
    for (std::size_t i = 0; i < from.size() && i < to.size(); ++i) {
        if (to[i].separator) {
            to[i].visible = from[i].visible;
        }
        CopySeparatorVisibility(from[i].children, to[i].children);
    }
}

platform::UniqueMenu BuildLevel(const std::vector<MenuItemModel>& level, HIMAGELIST images,
                                Records& records) {
    platform::UniqueMenu menu(::CreatePopupMenu());
    if (!menu) {
        return menu;
    }
    MENUINFO look{};
    look.cbSize = sizeof(look);
    look.fMask = MIM_BACKGROUND;
    look.hbrBack = BodyBrush();
    ::SetMenuInfo(menu.get(), &look);

    UINT position = 0;
    for (const MenuItemModel& item : level) {
        if (!item.visible) {
            continue;
        }
        auto record = std::make_unique<ItemRecord>();
        record->caption = item.caption;
        record->shortcut = item.shortcut;
        record->separator = item.separator;
        record->image = item.image;
        record->images = item.images != nullptr ? item.images : images;
        record->submenu = !item.separator && !item.children.empty();

        std::string text = item.caption;
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_STATE;
        info.fType = MFT_OWNERDRAW | (item.separator ? MFT_SEPARATOR : 0);
        info.fState = item.enabled ? MFS_ENABLED : MFS_DISABLED;
        info.wID = static_cast<UINT>(item.id);
        info.dwItemData = reinterpret_cast<ULONG_PTR>(record.get());
        if (!item.separator) {
            // The text is not drawn by the system, but readers of the menu (accessibility
            // tools, GetMenuString) still find the item's name.
            info.fMask |= MIIM_STRING;
            info.dwTypeData = text.data();
        }
        platform::UniqueMenu submenu;
        if (record->submenu) {
            submenu = BuildLevel(item.children, images, records);
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = submenu.get();
        }
        if (!::InsertMenuItemA(menu.get(), position, TRUE, &info)) {
            continue;
        }
        submenu.release(); // destroyed with its parent menu from now on
        ++position;
        records.push_back(std::move(record));
    }
    return menu;
}

const MenuItemModel* FindIn(const std::vector<MenuItemModel>& level, const std::string& name) {
    for (const MenuItemModel& item : level) {
        if (item.name == name) {
            return &item;
        }
        if (const MenuItemModel* found = FindIn(item.children, name)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

int FlatMenu::Popup(HWND owner, int x, int y) {
    std::vector<MenuItemModel> shown = items;
    if (tidy) {
        TidyLevel(shown);
        CopySeparatorVisibility(shown, items);
    }
    // Declared before the menu so that they outlive it: the system may still measure or draw
    // while the menu is being destroyed.
    Records records;
    platform::UniqueMenu menu = BuildLevel(shown, images, records);
    if (!menu || ::GetMenuItemCount(menu.get()) <= 0) {
        return 0;
    }
    BOOL shownOk = FALSE;
    {
        const MenuWindowHook hook;
        const HMENU outer = open_;
        const int outerDpi = g_menuDpi;
        open_ = menu.get();
        g_menuDpi = platform::WindowDpi(owner);
        shownOk = ::TrackPopupMenuEx(menu.get(), TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, x,
                                     y, owner, nullptr);
        open_ = outer;
        g_menuDpi = outerDpi;
    }
    return shownOk ? 1 : 0;
}

int FlatMenu::PopupFromTrayIcon(HWND owner, int x, int y) {
    const int shown = Popup(owner, x, y);
    ::PostMessageA(owner, WM_NULL, 0, 0);
    return shown;
}

bool FlatMenu::HandleMeasureItem(MEASUREITEMSTRUCT* measure) {
    if (measure == nullptr || measure->CtlType != ODT_MENU) {
        return false;
    }
    const ItemRecord* record = ItemRecord::From(measure->itemData);
    if (record == nullptr) {
        return false;
    }
    if (record->separator) {
        measure->itemWidth = Px(kPictureColumn);
        measure->itemHeight = Px(kSeparatorHeight);
        return true;
    }
    const SIZE text = CaptionSize(record->caption);
    const LONG shortcut =
        record->shortcut.empty() ? 0 : Px(kShortcutGap) + CaptionSize(record->shortcut).cx;
    measure->itemWidth =
        static_cast<UINT>(Px(kPictureColumn) + Px(kTextIndent) + text.cx + shortcut + Px(kTextEnd));
    measure->itemHeight = static_cast<UINT>(std::max<LONG>(Px(kItemHeight), text.cy + 6));
    return true;
}

bool FlatMenu::HandleDrawItem(const DRAWITEMSTRUCT* draw) {
    if (draw == nullptr || draw->CtlType != ODT_MENU) {
        return false;
    }
    const ItemRecord* record = ItemRecord::From(draw->itemData);
    if (record == nullptr) {
        return false;
    }
    HDC dc = draw->hDC;
    const RECT rc = draw->rcItem;
    const int saved = ::SaveDC(dc);
    PaintColumn(dc, rc.left, rc.top, rc.bottom);
    FillSolid(dc, {rc.left + Px(kPictureColumn), rc.top, rc.right, rc.bottom}, kBody);
    if (record->separator) {
        const int y = (rc.top + rc.bottom) / 2;
        FillSolid(dc, {rc.left + Px(kPictureColumn) + Px(kTextIndent), y, rc.right, y + 1},
                  kSeparator);
        ::RestoreDC(dc, saved);
        return true;
    }

    const bool disabled = (draw->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    if (draw->itemState & ODS_SELECTED) {
        // A disabled item can hold the keyboard's place but must not look choosable.
        if (!disabled) {
            FillSolid(dc, rc, kHighlight);
        }
        Frame(dc, rc, disabled ? kDisabledFrame : kHighlightBorder);
    }

    if (record->images != nullptr && record->image >= 0 &&
        record->image < ::ImageList_GetImageCount(record->images)) {
        int cx = 0;
        int cy = 0;
        ::ImageList_GetIconSize(record->images, &cx, &cy);
        const int x = rc.left + (Px(kPictureColumn) - cx) / 2;
        const int y = rc.top + (rc.bottom - rc.top - cy) / 2;
        if (disabled) {
            DrawGreyedImage(dc, record->images, record->image, x, y, cx, cy);
        } else {
            ::ImageList_Draw(record->images, record->image, dc, x, y, ILD_TRANSPARENT);
        }
    }

    ::SelectObject(dc, MenuFont());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, disabled ? kDisabledText : kText);
    RECT text{rc.left + Px(kPictureColumn) + Px(kTextIndent), rc.top, rc.right - Px(kTextEnd) / 2,
              rc.bottom};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (draw->itemState & ODS_NOACCEL) {
        format |= DT_HIDEPREFIX;
    }
    platform::DrawText8(dc, record->caption, &text, format);
    if (!record->shortcut.empty()) {
        platform::DrawText8(dc, record->shortcut, &text,
                            DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
    ::RestoreDC(dc, saved);
    if (record->submenu) {
        // The system copies its monochrome arrow in after this with the DC's text and
        // background colours, which are its own selection colours unless set here.
        const bool highlighted = (draw->itemState & ODS_SELECTED) != 0 && !disabled;
        ::SetTextColor(dc, disabled ? kDisabledText : kText);
        ::SetBkColor(dc, highlighted ? kHighlight : kBody);
    }
    return true;
}

bool FlatMenu::HandleMenuChar(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const HMENU menu = reinterpret_cast<HMENU>(lParam);
    const char key = Upper(static_cast<char>(LOWORD(wParam)));
    const int count = menu != nullptr ? ::GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA | MIIM_STATE;
        if (!::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
            continue;
        }
        const ItemRecord* record = ItemRecord::From(info.dwItemData);
        if (record == nullptr || record->separator || AccessKeyOf(record->caption) != key) {
            continue;
        }
        result = MAKELRESULT(i, (info.fState & MFS_DISABLED) ? MNC_SELECT : MNC_EXECUTE);
        return true;
    }
    return false;
}

HFONT FlatMenu::MenuFont() {
    static const platform::UniqueGdiObject font([] {
        NONCLIENTMETRICSA metrics{};
        // Without the padded border the size is understood by every Windows version.
        metrics.cbSize = sizeof(metrics) - sizeof(metrics.iPaddedBorderWidth);
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
            return static_cast<HGDIOBJ>(::CreateFontIndirectA(&metrics.lfMenuFont));
        }
        return static_cast<HGDIOBJ>(
            ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, platform::UiFontFace()));
    }());
    return static_cast<HFONT>(font.get());
}

std::vector<std::string> FlatMenu::VisibleCaptions(int level) const {
    std::vector<MenuItemModel> shown = items;
    if (tidy) {
        TidyLevel(shown);
    }
    const std::vector<MenuItemModel>* chosen = &shown;
    if (level != kTopLevel) {
        if (level < 0 || static_cast<std::size_t>(level) >= shown.size()) {
            return {};
        }
        chosen = &shown[static_cast<std::size_t>(level)].children;
    }
    std::vector<std::string> captions;
    for (const MenuItemModel& item : *chosen) {
        if (item.visible) {
            captions.push_back(item.separator ? "-" : item.caption);
        }
    }
    return captions;
}

namespace {

const MenuItemModel* FindId(const std::vector<MenuItemModel>& level, UINT id) {
    for (const MenuItemModel& item : level) {
        if (!item.separator && item.children.empty() && static_cast<UINT>(item.id) == id) {
            return &item;
        }
        if (const MenuItemModel* found = FindId(item.children, id)) {
            return found;
        }
    }
    return nullptr;
}

bool RefreshLevel(HMENU menu, const std::vector<MenuItemModel>& model) {
    bool changed = false;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE;
        if (!::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info) ||
            (info.fType & MFT_SEPARATOR) != 0) {
            continue;
        }
        if (info.hSubMenu != nullptr) {
            changed = RefreshLevel(info.hSubMenu, model) || changed;
            continue;
        }
        const MenuItemModel* item = FindId(model, info.wID);
        if (item == nullptr || ((info.fState & MFS_DISABLED) == 0) == item->enabled) {
            continue;
        }
        ::EnableMenuItem(menu, static_cast<UINT>(i),
                         MF_BYPOSITION | (item->enabled ? MF_ENABLED : MF_GRAYED));
        changed = true;
    }
    return changed;
}

BOOL CALLBACK RedrawMenuWindow(HWND window, LPARAM) {
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof(name));
    if (std::strcmp(name, "#32768") == 0 && ::IsWindowVisible(window)) {
        ::InvalidateRect(window, nullptr, TRUE);
    }
    return TRUE;
}

} // namespace

void FlatMenu::RefreshOpen() const {
    if (open_ != nullptr && RefreshLevel(open_, items)) {
        ::EnumThreadWindows(::GetCurrentThreadId(), RedrawMenuWindow, 0);
    }
}

MenuItemModel* FlatMenu::Find(const std::string& name) {
    return const_cast<MenuItemModel*>(FindIn(items, name));
}

const MenuItemModel* FlatMenu::Find(const std::string& name) const {
    return FindIn(items, name);
}

} // namespace vantrel
