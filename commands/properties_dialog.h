#pragma once
// Read-only dialog showing what the system reports about one window: caption, handle, class,
// process and thread, and its two style words decoded into constant names.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/form.h"

namespace vantrel {

class TfrmWindowProp : public Form {
public:
    static constexpr int kPagesId = 200;
    static constexpr int kCaptionEditId = 201;
    static constexpr int kHandleId = 202;
    static constexpr int kClassEditId = 203;
    static constexpr int kProcessId = 204;
    static constexpr int kThreadId = 205;
    static constexpr int kStyleId = 206;
    static constexpr int kStyleListId = 207; // lbStyle
    static constexpr int kExStyleId = 208;
    static constexpr int kExStyleListId = 209; // lbExStyle
    // Escape closes through the modal loop's dialog-key handling; Enter closes as well.
    static constexpr int kCloseId = IDCANCEL;

    static constexpr int kGeneralPage = 0;
    static constexpr int kStylePage = 1;

    explicit TfrmWindowProp(HWND owner);

    // The caption is shown as the opener lists it; it is not read again from the window.
    void SetTarget(HWND target, const std::string& caption);

    // What the dialog shows, filled when it is shown.
    std::string CaptionText() const;
    std::string HandleText() const;
    std::string ClassNameText() const;
    std::string ProcessIdText() const;
    std::string ThreadIdText() const;
    std::string StyleText() const;
    std::string ExStyleText() const;
    std::vector<std::string> StyleNames() const;
    std::vector<std::string> ExStyleNames() const;
    int ActivePage() const;

protected:
    void CreateControls() override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR* header, LRESULT& result) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Ctrl+Tab and Ctrl+Shift+Tab change the page, as in the system's property sheets.
    bool OnDialogKey(const MSG& msg) override;

private:
    HWND AddPageLabel(std::vector<HWND>& page, const std::string& text, int x, int y);
    void FillStyles();
    void ShowPage(int index);

    HWND target_ = nullptr;
    std::string caption_;

    HWND pages_ = nullptr;
    std::vector<HWND> general_;
    std::vector<HWND> style_;
    HWND captionEdit_ = nullptr;
    HWND handleLabel_ = nullptr;
    HWND classEdit_ = nullptr;
    HWND processLabel_ = nullptr;
    HWND threadLabel_ = nullptr;
    HWND styleLabel_ = nullptr;
    HWND lbStyle_ = nullptr;
    HWND exStyleLabel_ = nullptr;
    HWND lbExStyle_ = nullptr;
};

} // namespace vantrel
