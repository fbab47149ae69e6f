#include "app/rule_application.h"

#include "app/application.h"
#include "app/main_form.h"
#include "commands/placement.h"
#include "commands/window_commands.h"
#include "platform/desktop_window_manager.h"
#include "platform/foreign_window.h"
#include "platform/handles.h"
#include "platform/window_api.h"
#include "res/resource.h"
#include "rules/rule.h"
#include "ui/environment.h"
#include "ui/form.h"

namespace vantrel {

namespace foreign = platform::foreign;

namespace {
std::string ResourceText(UINT id) {
    char buffer[256] = {};
    const int n = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

void InsertItem(HMENU menu, UINT position, UINT id, const std::string& text) {
    foreign::InsertMenuItem(menu, position, MF_STRING, id, text.c_str());
}

void InsertSubmenu(HMENU menu, UINT position, platform::UniqueMenu sub, const std::string& text) {
    // The other window's menu owns the submenu from here on.
    foreign::InsertMenuItem(menu, position, MF_POPUP, reinterpret_cast<UINT_PTR>(sub.release()),
                            text.c_str());
}

void DoAction(TfrmMain& form, HWND window, int action) {
    switch (action) {
    case 1:
        if ((platform::StyleOf(window) & WS_MAXIMIZEBOX) && !::IsZoomed(window)) {
            foreign::Show(window, SW_SHOWMAXIMIZED);
        }
        break;
    case 2:
        foreign::Show(window, SW_MINIMIZE);
        break;
    case 3:
        foreign::Show(window, SW_SHOWNORMAL);
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
    // The program's own windows and the shell's are listed, but no rule or default acts on them.
    // Nor on a window cloaked since it was listed: it is out of the user's sight.
    if (!foreign::IsTarget(window) || platform::dwm::IsCloaked(window)) {
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
    HMENU menu = foreign::SystemMenu(window);
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
        foreign::InsertMenuItem(levels.get(), 2, MF_SEPARATOR, 0, nullptr);
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
    foreign::InsertMenuItem(menu, p + 4, MF_SEPARATOR, 0, nullptr);
}

void RemoveSystemMenuItems(HWND window) {
    HMENU menu = foreign::SystemMenu(window);
    if (menu == nullptr) {
        return;
    }
    // Only a menu that carries the items is touched, and then only the items themselves: the
    // program's own additions stay.
    const std::string marker = ResourceText(IDS_SYS_MINIMIZE_TO_TRAY);
    const int count = ::GetMenuItemCount(menu);
    int first = -1;
    for (int i = 0; i < count && first < 0; ++i) {
        char text[250] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        if (std::string(text).find(marker) != std::string::npos) {
            first = i;
        }
    }
    if (first < 0) {
        return;
    }
    const UINT at = static_cast<UINT>(first);
    foreign::DeleteMenuItemAt(menu, at);
    // The submenus are known by their first item, the resize item by its id.
    auto inserted = [&](UINT position) {
        if (HMENU sub = ::GetSubMenu(menu, static_cast<int>(position))) {
            const UINT id = ::GetMenuItemID(sub, 0);
            return id == static_cast<UINT>(kSysStayOnTop) ||
                   id == static_cast<UINT>(kSysCustomTransparency) ||
                   id == static_cast<UINT>(kSysFirstPlace);
        }
        return ::GetMenuItemID(menu, static_cast<int>(position)) == static_cast<UINT>(kSysResize);
    };
    while (static_cast<int>(at) < ::GetMenuItemCount(menu) && inserted(at)) {
        foreign::DeleteMenuItemAt(menu, at);
    }
    // The separator went in below the two items that followed the inserted ones, or at the end
    // of a menu that had fewer.
    auto isSeparator = [&](int position) {
        return (::GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_SEPARATOR) !=
               0;
    };
    const int left = ::GetMenuItemCount(menu);
    if (first + 2 < left && isSeparator(first + 2)) {
        foreign::DeleteMenuItemAt(menu, at + 2);
    } else if (first + 2 >= left && left > 0 && isSeparator(left - 1)) {
        foreign::DeleteMenuItemAt(menu, static_cast<UINT>(left - 1));
    }
}

void CarryOutSystemMenuCommand(TfrmMain& form, HWND window, int id) {
    // Any process may post the command, naming any handle: a window that has gone, or none at
    // all, would still get a dialog of its own.
    if (!::IsWindow(window) || !platform::foreign::IsTarget(window)) {
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
