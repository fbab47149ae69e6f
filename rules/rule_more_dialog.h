#pragma once
// The "More" dialog of a rule: which program and captions the rule is for, and where, how
// transparent and how often it puts the window. Reached from the Set Rule dialog; it only holds
// the values, as that dialog does.
#include <windows.h>
#include <string>

#include "rules/rule.h"
#include "ui/form.h"

namespace vantrel {

// The message for values the rule cannot use, or empty when they are fine: a placement must be
// a place name or four whole numbers with a positive size, a transparency 0 to 100.
std::string ExtrasProblem(const RuleExtras& extras);

class TfrmRuleMore : public Form {
public:
    static constexpr int kIdProgram = 201;
    static constexpr int kIdTitlePattern = 202;
    static constexpr int kIdPlacement = 203;
    static constexpr int kIdTransparency = 204;
    static constexpr int kIdApplyOnce = 205;
    static constexpr int kIdOk = 210;
    static constexpr int kIdCancel = 211;

    TfrmRuleMore(HWND owner, const RuleExtras& extras);
    RuleExtras Values() const;

protected:
    void CreateControls() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    RuleExtras initial_;
    HWND eProgram_ = nullptr;
    HWND eTitlePattern_ = nullptr;
    HWND cbPlacement_ = nullptr;
    HWND eTransparency_ = nullptr;
    HWND cbApplyOnce_ = nullptr;
};

} // namespace vantrel
