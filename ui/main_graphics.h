#pragma once
// The windowless parts of the main window (background, title, web link, picture buttons): where
// they are, how they are drawn, which of them a point falls on, their cursors and their hints.
// The window keeps the handlers; this class only says which one a click runs.
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/handles.h"

namespace vantrel {

// A picture, text or picture button that the window draws and hit-tests itself, so that the
// background around them drags the window.
struct GraphicControl {
    enum Kind { kBackground, kPicture, kText, kLink, kPictureButton };
    std::string name;
    Kind kind;
    RECT bounds;
    bool visible;
    int bitmap;       // resource id of the picture, 0 for none
    std::string hint; // tool tip, empty for none
    std::function<void()> onClick;
};

class MainGraphics {
public:
    MainGraphics() = default;
    MainGraphics(const MainGraphics&) = delete;
    MainGraphics& operator=(const MainGraphics&) = delete;

    // Takes the controls, loads their pictures and gives each visible one with a hint its tool
    // tip; `title` and `link` are the texts of the title and of the link. The pictures are the
    // drawings for `dpi`, at the size of their controls.
    void Create(HWND window, HINSTANCE instance, std::vector<GraphicControl> controls,
                std::string title, std::string link, int dpi = 96);
    // Places the controls, their fonts, hints and pictures at `dpi`; the bounds given to Create
    // are the layout's at 96 DPI and stay the figures every later DPI is taken from.
    void SetDpi(int dpi);
    const std::vector<GraphicControl>& Controls() const { return controls_; }
    GraphicControl* Find(const std::string& name);
    // Shows or hides a control together with its hint, and repaints where it stands.
    void SetVisible(const std::string& name, bool visible);
    // A hint for a child window of the form, shown wherever that window is.
    void AddWindowHint(HWND control, const std::string& hint);
    HWND ToolTip() const { return toolTip_; }

    // The visible control (not the background) under a client point. Inclusive bounds count the
    // right and bottom edges too, as the window's drag test does.
    const GraphicControl* At(POINT client, bool inclusive) const;
    // The non-client hit test: HTCLIENT over a control of its own, HTCAPTION elsewhere.
    LRESULT HitTest(POINT client) const;

    void Paint(HDC target) const;

    // A click counts when the button is pressed and released over the same control; the click
    // to run (empty for none) is handed back, so the caller runs it after the state is settled.
    void ButtonDown(POINT client);
    std::function<void()> ButtonUp(POINT client);
    void MouseMove(POINT client);
    void MouseLeave();
    // True when the cursor was set (hand over the link and the picture buttons).
    bool SetCursorAt(POINT client) const;
    bool LinkHot() const { return linkHot_; }

    // A child window with a hint, followed so that its hint goes as soon as the pointer moves on.
    struct HintedControl {
        HWND tip = nullptr;
        POINT last{};
        bool known = false;
    };

private:
    void SyncHint(const GraphicControl& control, UINT id);
    void PlaceControls();
    // The drawings for the present DPI at the controls' present sizes.
    void LoadPictures();

    HWND window_ = nullptr;
    HINSTANCE instance_ = nullptr;
    std::vector<GraphicControl> controls_;
    std::vector<RECT> bounds96_;
    int dpi_ = 96;
    std::string title_;
    std::string link_;
    platform::UniqueGdiObject titleFont_;
    platform::UniqueGdiObject linkFont_;
    std::vector<std::pair<int, platform::UniqueGdiObject>> bitmaps_;
    HWND toolTip_ = nullptr;
    std::vector<std::unique_ptr<HintedControl>> hinted_;
    std::string pressed_;
    bool linkHot_ = false;
};

// What the main window's link and picture buttons run.
struct MainGraphicsClicks {
    std::function<void()> link, addRule, refresh, transparency, settings, help, editRule,
        deleteRule;
};
// The main window's windowless controls where they stand, with their pictures and hints; the
// rule buttons share the spots of the window-list ones and start hidden.
std::vector<GraphicControl> MainWindowGraphics(const MainGraphicsClicks& clicks);

} // namespace vantrel
