#pragma once
// The "Set Rule" dialog: the values of one window rule. The rule commands fill it, show it
// modally and read it after it closed; it never touches the rule store itself.
#include <windows.h>
#include <string>

#include "rules/rule_more_dialog.h"
#include "ui/form.h"

namespace vantrel {

class TfrmSetRule : public Form {
public:
    // Ids 1 and 2 are what the dialog manager sends for Enter and Escape; no control uses them, so
    // neither key can close the dialog.
    static constexpr int kIdCaption = 101;
    static constexpr int kIdClassName = 102;
    static constexpr int kIdActionFirst = 110; // one id per action, in code order
    static constexpr int kIdZOrderFirst = 120; // one id per z order, in code order
    static constexpr int kIdAutoRefresh = 130;
    static constexpr int kIdTimeInterval = 131;
    static constexpr int kIdCurrentWindow = 132;
    static constexpr int kIdOk = 140;
    static constexpr int kIdCancel = 141;
    static constexpr int kIdMore = 142;

    static constexpr int kClientWidth = 435;
    static constexpr int kClientHeight = 346;
    static constexpr int kMaxClassNameLength = 255;

    explicit TfrmSetRule(HWND owner);

    // The setters build the window first if needed, so a caller can fill the dialog right after
    // constructing it.
    void SetCaptionText(const std::string& text); // eCaption
    std::string CaptionText() const;
    // Disables eCaption together with its label, for rules that carry no window caption.
    void DisableCaption();

    void SetClassNameText(const std::string& text); // eClassName
    std::string ClassNameText() const;
    void SetClassNameEditable(bool editable);
    bool ClassNameEditable() const;

    // Selected item of rgAction / rgZOrder; -1 when none is selected.
    void SetActionIndex(int index);
    int ActionIndex() const;
    void SetZOrderIndex(int index);
    int ZOrderIndex() const;

    // The "Internet Explorer" group (GroupBox2) and its controls.
    bool IEGroupEnabled() const;
    void SetAutoRefreshChecked(bool checked); // cbAutoRefresh
    bool AutoRefreshChecked() const;
    void SetTimeIntervalText(const std::string& text); // eTimeInterval
    std::string TimeIntervalText() const;
    void SetCurrentWindowChecked(bool checked); // cbCurrentWindow
    bool CurrentWindowChecked() const;

    // Program, title pattern, placement, transparency and "once", edited in the More dialog.
    void SetExtrasValues(const RuleExtras& extras);
    const RuleExtras& ExtrasValues() const { return extras_; }

    // Whether OK was clicked with at least one rule value different from when the dialog opened.
    bool Changed() const { return changed_; }

protected:
    void CreateControls() override;
    void FormShow() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void eClassNameChange();
    void bOKClick();
    void EnableIEGroup(bool on);
    bool IsGreyEdit(HWND control) const;

    HWND label1_ = nullptr;
    HWND eCaption_ = nullptr;
    HWND eClassName_ = nullptr;
    RadioGroup rgAction_;
    RadioGroup rgZOrder_;
    HWND groupBox2_ = nullptr;
    HWND cbAutoRefresh_ = nullptr;
    HWND lTimeInterval_ = nullptr;
    HWND eTimeInterval_ = nullptr;
    HWND lSecond_ = nullptr;
    HWND cbCurrentWindow_ = nullptr;
    // The control that had the focus when the dialog was last deactivated.

    RuleExtras extras_;
    RuleExtras initialExtras_;
    bool changed_ = false;
    int initialAction_ = 0;
    int initialZOrder_ = 0;
    bool initialAutoRefresh_ = false;
    std::string initialInterval_;
    bool initialCurrentWindow_ = false;
};

} // namespace vantrel
