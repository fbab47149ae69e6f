#include "app/rule_application.h"

#include "app/application.h"
#include "app/main_form.h"
#include "commands/placement.h"
#include "commands/window_commands.h"
#include "platform/handles.h"
#include "platform/window_api.h"
#include "res/resource.h"
#include "rules/rule.h"
#include "ui/environment.h"
#include "ui/form.h"

namespace vantrel {

namespace {
std::string ResourceText(UINT id) {
    char buffer[256] = {};
    const int n = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

void InsertItem(HMENU menu, UINT position, UINT id, const std::string& text) {
    ::InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING, id, text.c_str());
}

void InsertSubmenu(HMENU menu, UINT position, platform::UniqueMenu sub, const std::string& text) {
    // The other window's menu owns the submenu from here on.
    ::InsertMenuA(menu, position, MF_BYPOSITION | MF_POPUP,
                  reinterpret_cast<UINT_PTR>(sub.release()), text.c_str());
}

void DoAction(TfrmMain& form, HWND window, int action) {
    switch (action) {
    case 1:
        if ((platform::StyleOf(window) & WS_MAXIMIZEBOX) && !::IsZoomed(window)) {
            ::ShowWindow(window, SW_SHOWMAXIMIZED);
        }
        break;
    case 2:
        ::ShowWindow(window, SW_MINIMIZE);
        break;
    case 3:
        ::ShowWindow(window, SW_SHOWNORMAL);
        break;
    case 4:
        MinimizeWindowToTray(form, window);
        break;
    default:
        break;
    }
}

void DoZOrder(HWND window, int zOrder) {
    if (zOrder == 1) {
        SetTopmost(window, true);
    } else if (zOrder == 2) {
        SetTopmost(window, false);
    }
}
} // namespace

void ApplyRule(TfrmMain& form, HWND window) {
    if (window == form.skipOnceWindow()) {
        form.SetSkipOnceWindow(nullptr);
        return;
    }
    const std::string cls = platform::ClassNameOf(window);
    const int action = ActionFromText(form.rules().RuleActionText(cls, form.settings()));
    const int zOrder = ZOrderFromText(form.rules().RuleZOrderText(cls, form.settings()));
    DoAction(form, window, action);
    DoZOrder(window, zOrder);
}

void RefreshRuleColumns(TfrmMain& form) {
    WindowList& rows = form.windows();
    for (int i = 0; i < rows.Count(); ++i) {
        WindowEntry& row = rows.At(i);
        row.autoAction = form.rules().RuleActionText(row.className, form.settings());
        row.autoZOrder = form.rules().RuleZOrderText(row.className, form.settings());
    }
    ::InvalidateRect(form.lvMain().Handle(), nullptr, FALSE);
}

void ApplyRulesOfClass(TfrmMain& form, const std::string& className) {
    WindowList& rows = form.windows();
    for (int i = 0; i < rows.Count(); ++i) {
        if (rows.At(i).className == className) {
            ApplyRule(form, rows.At(i).handle);
        }
    }
    const std::string action = form.rules().RuleActionText(className, form.settings());
    const size_t count = form.tray().HiddenWindows().size();
    for (size_t i = 0; i < count && i < form.tray().HiddenWindows().size(); ++i) {
        HWND hidden = form.tray().HiddenWindows()[i];
        if (platform::ClassNameOf(hidden) != className) {
            continue;
        }
        if (action != "Minimize to tray" && action != "Default") {
            form.tray().SetWindowTrayIcon(hidden, "", false);
        }
        ApplyRule(form, hidden);
    }
    Application::Instance().BringToFront();
}

void InsertSystemMenuItems(TfrmMain& form, HWND window) {
    if (form.versionCode() == 11) {
        return;
    }
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (menu == nullptr) {
        return;
    }
    const std::string marker = ResourceText(IDS_SYS_MINIMIZE_TO_TRAY);
    if (MenuContainsText(menu, marker)) {
        return;
    }
    InsertItem(menu, 0, kSysMinimizeToTray, marker);

    platform::UniqueMenu stayOnTop(::CreatePopupMenu());
    InsertItem(stayOnTop.get(), 0, kSysStayOnTop, ResourceText(IDS_SYS_STAY_ON_TOP));
    InsertItem(stayOnTop.get(), 1, kSysNormal, ResourceText(IDS_SYS_NORMAL));
    InsertSubmenu(menu, 1, std::move(stayOnTop), ResourceText(IDS_SYS_STAY_ON_TOP_MENU));

    UINT p = 2;
    if (form.layeredWindowsAvailable()) {
        platform::UniqueMenu levels(::CreatePopupMenu());
        InsertItem(levels.get(), 0, kSysCustomTransparency,
                   ResourceText(IDS_SYS_CUSTOM_TRANSPARENCY));
        InsertItem(levels.get(), 1, kSysRemoveTransparency,
                   ResourceText(IDS_SYS_REMOVE_TRANSPARENCY));
        ::InsertMenuA(levels.get(), 2, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        InsertItem(levels.get(), 3, kSysFirstLevel, ResourceText(IDS_SYS_OPAQUE));
        for (UINT i = 1; i <= 9; ++i) {
            InsertItem(levels.get(), 3 + i, kSysFirstLevel + i, std::to_string(i) + "0%");
        }
        InsertItem(levels.get(), 13, kSysLastLevel, ResourceText(IDS_SYS_FULLY_TRANSPARENT));
        InsertSubmenu(menu, 2, std::move(levels), ResourceText(IDS_SYS_TRANSPARENCY));
        p = 3;
    }

    platform::UniqueMenu places(::CreatePopupMenu());
    UINT index = 0;
    for (const AlignmentPlace& place : AlignmentPlaces()) {
        InsertItem(places.get(), index++, static_cast<UINT>(place.commandId), place.commandText);
    }
    InsertSubmenu(menu, p, std::move(places), ResourceText(IDS_SYS_ALIGNMENT));
    InsertItem(menu, p + 1, kSysResize, ResourceText(IDS_SYS_RESIZE_WINDOW));
    ::InsertMenuA(menu, p + 4, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void CarryOutSystemMenuCommand(TfrmMain& form, HWND window, int id) {
    // Any process may post the command, naming any handle: a window that has gone, or none at
    // all, would still get a dialog of its own.
    if (!::IsWindow(window)) {
        return;
    }
    // One dialog at a time: a choice repeated while a dialog is open (or a flood of posts) would
    // otherwise open a dialog inside the dialog's own loop, deeper each time.
    if ((id == kSysCustomTransparency || id == kSysResize) && Form::ActiveModal() != nullptr) {
        return;
    }
    if (id == kSysMinimizeToTray) {
        MinimizeWindowToTray(form, window);
    } else if (id == kSysStayOnTop || id == kSysNormal) {
        SetTopmost(window, id == kSysStayOnTop);
    } else if (id == kSysCustomTransparency) {
        form.ShowTransparencyDialog(window, -1);
    } else if (id == kSysRemoveTransparency) {
        RemoveTransparency(form, window);
    } else if (id >= kSysFirstLevel && id <= kSysLastLevel) {
        SetTransparency(form, window, PercentForLevelCommand(id));
    } else if (const AlignmentPlace* place = AlignmentPlaceForCommand(id)) {
        AlignWindow(window, *place);
    } else if (id == kSysResize) {
        form.ShowResizeDialog(window, true);
    }
}

} // namespace vantrel
