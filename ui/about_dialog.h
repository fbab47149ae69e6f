#pragma once
// The About dialog: product name, version, the maker's notice and two links to the maker's web
// site. It is created for one showing and changes nothing in the program.
#include <windows.h>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "ui/form.h"

namespace vantrel {

class TfrmAbout : public Form {
public:
    // Enter and Escape reach the form as 1 and 2 from the dialog manager; both close it.
    static constexpr int kIdOk = 100;
    static constexpr int kIdBanner = 101;
    static constexpr int kIdIcon = 102;
    static constexpr int kIdTitle = 103;
    static constexpr int kIdVersion = 104;
    static constexpr int kIdCopyright = 105;
    static constexpr int kIdEmail = 106;
    static constexpr int kIdSeparator = 107;
    static constexpr int kIdHomeLink = 108;
    static constexpr int kIdUpdateLink = 109;

    static constexpr int kClientWidth = 360;
    static constexpr int kClientHeight = 254;
    static constexpr COLORREF kLinkColor = RGB(0, 0, 255);

    explicit TfrmAbout(HWND owner);
    ~TfrmAbout() override;
    TfrmAbout(const TfrmAbout&) = delete;
    TfrmAbout& operator=(const TfrmAbout&) = delete;

    static std::string VersionText();
    static std::string CopyrightText();

    // The banner's drawing for `dpi`, at the banner's size for it (360 x 50 at 96 DPI).
    static platform::UniqueGdiObject LoadBanner(HINSTANCE instance, int dpi = 96);

    // Whether the banner picture was found among the program's resources.
    bool HasBanner() const { return static_cast<bool>(banner_); }

protected:
    void CreateControls() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnDialogKey(const MSG& msg) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void DpiChanged() override;

private:
    enum class TextFont { kForm, kTitle, kLink };
    struct Text {
        HWND control;
        int x, y; // of the text, at 96 DPI
        TextFont font;
        int margin; // around the text, at 96 DPI
    };
    HFONT FontOf(TextFont font) const;
    void MakeFonts();
    // A text as large as it needs in its font, which a change of DPI measures again.
    HWND AddText(const std::string& text, int x, int y, int id, TextFont font, DWORD extraStyle = 0,
                 int margin = 0);
    // A link: its text at (x, y), a tab stop that shows when it has the focus.
    HWND AddLink(const std::string& text, int x, int y, int id);
    bool IsLink(HWND control) const;
    // A link's click, from the mouse or from Enter or Space on the focused link.
    void RunLink(int id);
    void lbEAddressClick();
    void lUpdateAddressClick();
    void bOKClick();

    platform::UniqueGdiObject titleFont_;
    platform::UniqueGdiObject linkFont_;
    platform::UniqueGdiObject banner_;
    std::vector<Text> texts_;
    HWND image2_ = nullptr;
    HWND lbEAddress_ = nullptr;
    HWND lUpdateAddress_ = nullptr;
};

} // namespace vantrel
