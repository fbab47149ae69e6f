#pragma once
// Base of the program's dialogs: a window with controls at fixed positions, created for one use,
// shown modally over its owner and read by its caller after it closed. Positions, sizes and font
// heights are written as pixels at 96 DPI; the form scales them to its monitor's DPI, and again
// from the same figures when the window moves to a monitor of another scaling.
#include <windows.h>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace vantrel {

enum ModalResult { kResultNone = 0, kResultOk = 1, kResultCancel = 2 };

class Form {
public:
    Form(HWND owner, std::string caption, int clientWidth, int clientHeight);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Builds the window and its controls; the caller may fill controls before ShowModal.
    HWND Create();
    HWND Handle() const { return handle_; }
    // Centres the dialog over another window (of any program) instead of its owner. The dialog
    // stays a top-level window of this program: a child of another program's window would join
    // the two programs' input, and a hang of either would freeze both. The dialog is for that
    // window: when it goes, the dialog closes with Cancel.
    void CentreOver(HWND window) { centreOver_ = window; }
    void SetCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }

    // Shows the form modally (centred over its owner unless placed), runs its own message loop
    // and returns the result. The window stays alive until the form object is destroyed.
    int ShowModal();
    void SetModalResult(int result) { modalResult_ = result; }
    int GetModalResult() const { return modalResult_; }
    // Places the form's top-left corner (screen coordinates) instead of centring it.
    void PlaceAt(int left, int top);

    // The form that runs its modal loop on this thread now, if any (tests drive it).
    static Form* ActiveModal();
    // Offers a key message meant for the modal form to it before the dialog keys take it (Tab
    // would move the focus even with Ctrl held); true when the form used it.
    static bool PreTranslateModalKey(const MSG& msg);
    // The access letter as a dialog runs it: a button is pressed, a label or frame puts the
    // focus on the control after it. False when no shown, enabled control has the letter.
    // Done here and not left to the dialog manager, which would ask a plain window to move
    // the focus with a message only a dialog procedure answers.
    bool RunAccessLetter(char letter);

protected:
    virtual void CreateControls() = 0;
    virtual void FormShow() {}
    // A click or notification from a child control; true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(const NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    // A key for one of the form's windows, before the dialog keys; true when handled.
    virtual bool OnDialogKey(const MSG& /*msg*/) { return false; }
    // Other messages; return true with `result` set when handled.
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                           LRESULT& /*result*/) {
        return false;
    }

    // The form's DPI and a 96-DPI figure at it; Unscaled rounds up, so that a measured extent
    // handed back as a figure covers at least what was measured.
    int Dpi() const { return dpi_; }
    int Scaled(int value) const;
    int Unscaled(int value) const;
    // Moves a control to a place given at 96 DPI, and keeps it there when the DPI changes.
    void Place(HWND control, int x, int y, int width, int height);
    // After the form's own font and every control's place followed a change of DPI.
    virtual void DpiChanged() {}

    HWND AddControl(const char* windowClass, const std::string& text, DWORD style, int x, int y,
                    int width, int height, int id = 0, DWORD exStyle = 0, HWND parent = nullptr);
    // A "&" in the text marks the access letter of the control created next.
    HWND AddLabel(const std::string& text, int x, int y, int width = 0, int height = 13,
                  HWND parent = nullptr);
    HWND AddButton(const std::string& text, int x, int y, int width, int height, int id);
    HWND AddCheckBox(const std::string& text, int x, int y, int width, int height, int id,
                     HWND parent = nullptr);
    HWND AddEdit(const std::string& text, int x, int y, int width, int height, int id,
                 DWORD extraStyle = 0, HWND parent = nullptr);
    HWND AddGroupBox(const std::string& text, int x, int y, int width, int height,
                     HWND parent = nullptr);
    HWND AddIcon(HICON icon, int x, int y, int width, int height);
    HFONT Font() const { return static_cast<HFONT>(font_.get()); }
    HWND Owner() const { return owner_; }
    // The control that has the focus when the form opens, where that is not the first one in
    // the tab order.
    void SetFirstFocus(HWND control) { lastFocus_ = control; }

private:
    friend class RadioGroup;
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void MakeFormFont();
    void FollowDpi(int dpi, const RECT* suggested);

    struct Placed {
        HWND control;
        RECT at; // left, top, width, height at 96 DPI
    };

    HWND owner_;
    HWND centreOver_ = nullptr;
    HWND handle_ = nullptr;
    std::string caption_;
    int clientWidth_;
    int clientHeight_;
    bool placed_ = false;
    POINT place_{};
    int modalResult_ = kResultNone;
    int dpi_ = 96;
    std::vector<Placed> placed96_;
    platform::UniqueGdiObject font_;
    Form* previousModal_ = nullptr;
    HWND lastFocus_ = nullptr; // the control to give the focus back to
};

// Group of radio buttons in a titled frame; the index of the checked button is the value.
class RadioGroup {
public:
    // Places given at 96 DPI, as the form's own controls are.
    void Create(Form& form, const std::string& title, const std::vector<std::string>& items, int x,
                int y, int width, int height, int firstId, HWND container = nullptr);
    int ItemIndex() const;
    void SetItemIndex(int index);
    HWND Frame() const { return frame_; }
    const std::vector<HWND>& Buttons() const { return buttons_; }
    void Enable(bool on);

private:
    HWND frame_ = nullptr;
    std::vector<HWND> buttons_;
};

// The access letter a caption marks with "&", upper case, or 0 for none.
char AccessLetter(const std::string& caption);

// Text helpers for controls.
std::string ControlText(HWND control);
void SetControlText(HWND control, const std::string& text);
bool IsChecked(HWND control);
void SetChecked(HWND control, bool checked);

// An edit that takes the digits 0 to 9 and backspace only; anything else typed is refused, with
// a beep unless `beep` is false. Pasted text is not filtered (the callers treat a non-number as
// documented).
void MakeDigitsOnly(HWND edit, bool beep = true);
// How many refusals have beeped since the program started.
int RefusalBeeps();

} // namespace vantrel
