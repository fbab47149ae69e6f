#pragma once
// The dialog that asks for a transparency level. It only reports the chosen percentage: the
// caller applies it to the target window after OK, so Cancel leaves every window as it was.
#include <windows.h>

#include "ui/form.h"

namespace vantrel {

class TfrmCustomTransparency : public Form {
public:
    static constexpr int kTrackBarId = 100;
    static constexpr int kValueEditId = 101; // seValue
    static constexpr int kUpDownId = 102;
    // Enter and Escape reach these through the modal loop's dialog-key handling.
    static constexpr int kOkId = IDOK;
    static constexpr int kCancelId = IDCANCEL;

    static constexpr int kMinValue = 0;
    static constexpr int kMaxValue = 100;

    explicit TfrmCustomTransparency(HWND owner);

    // The percentage in the number edit (OK takes only 0..100; before that a text that is not a
    // number reads as 0, and a value outside 0..100 at the nearest bound).
    int Value() const;
    // Usable before the window exists: the value is put into the controls when they are built.
    void SetValue(int percent);

    HWND TrackBar() const { return trackBar_; }
    HWND ValueEdit() const { return seValue_; }

protected:
    void CreateControls() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void TrackBar1Change();
    void seValueChange();
    // A whole number from 0 to 100; anything else is refused at OK, never silently bounded:
    // "150" read as 100 % would make the window invisible while it still takes clicks.
    bool ValueAcceptable() const;
    void bOKClick();

    HWND trackBar_ = nullptr;
    HWND seValue_ = nullptr;
    HWND upDown_ = nullptr;
    int initialValue_ = 0;
};

} // namespace vantrel
