#pragma once
// The dialog that resizes another application's window to a number of pixels or a share of the
// screen, per axis. OK applies the new size itself and closes; Cancel changes nothing.
#include <windows.h>

#include "commands/placement.h"
#include "ui/form.h"

namespace vantrel {

class TfrmResize : public Form {
public:
    static constexpr int kWidthCheckId = 110; // cbWidth
    static constexpr int kWidthLabelId = 111;
    static constexpr int kWidthEditId = 112; // eWidth
    static constexpr int kWidthPixelsId = 113;
    static constexpr int kWidthPercentId = 114;
    static constexpr int kHeightCheckId = 120; // cbHeight
    static constexpr int kHeightLabelId = 121;
    static constexpr int kHeightEditId = 122; // eHeight
    static constexpr int kHeightPixelsId = 123;
    static constexpr int kHeightPercentId = 124;
    // Enter and Escape reach these through the modal loop's dialog-key handling.
    static constexpr int kOkId = IDOK;
    static constexpr int kCancelId = IDCANCEL;

    explicit TfrmResize(HWND owner);

    void SetTarget(HWND target) { target_ = target; }
    HWND Target() const { return target_; }

protected:
    void CreateControls() override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    struct Row {
        HWND check = nullptr;
        HWND label = nullptr;
        HWND edit = nullptr;
        HWND pixels = nullptr;
        HWND percent = nullptr;
    };

    void CreateRow(Row& row, const char* caption, int top, int firstId);
    static void EnableRow(const Row& row);
    static ResizeAxis AxisOf(const Row& row);
    void bOKClick();

    HWND target_ = nullptr;
    Row width_;
    Row height_;
};

} // namespace vantrel
