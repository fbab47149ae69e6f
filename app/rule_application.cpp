#include "app/rule_application.h"

#include "app/application.h"
#include "app/catalogue.h"
#include "app/main_form.h"
#include "commands/placement.h"
#include "commands/window_commands.h"
#include "platform/desktop_window_manager.h"
#include "platform/foreign_window.h"
#include "platform/handles.h"
#include "platform/process.h"
#include "platform/window_api.h"
#include "res/resource.h"
#include "rules/rule.h"
#include "ui/environment.h"
#include "ui/form.h"

#include <algorithm>

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

namespace {
// What a rule is matched against for a window: its row when it is listed, else (a hidden
// window) the window itself.
struct Facts {
    std::string className;
    std::string path;
    std::string caption;
    WindowFacts view() const { return {className, path, caption}; }
};

Facts FactsOf(TfrmMain& form, HWND window) {
    if (const WindowEntry* entry = form.catalogue().RowOf(window)) {
        return {entry->className, entry->path, entry->caption};
    }
    const auto path = platform::ExecutablePathOf(platform::ProcessIdOf(window),
                                                 UsesModulePaths(form.versionCode()));
    return {platform::ClassNameOf(window), path.value_or(std::string()),
            platform::WindowText(window)};
}

void DoPlacement(HWND window, const std::string& text) {
    RulePlacement placement;
    if (!ParseRulePlacement(text, placement)) {
        return;
    }
    if (placement.place >= 0) {
        AlignWindow(window, AlignmentPlaces()[static_cast<std::size_t>(placement.place)]);
        return;
    }
    const RECT monitor = platform::MonitorRectOf(window);
    foreign::Place(window, nullptr, monitor.left + placement.x, monitor.top + placement.y,
                   placement.w, placement.h, SWP_NOZORDER | SWP_NOACTIVATE);
}
} // namespace

void ApplyRule(TfrmMain& form, HWND window) {
    if (window == form.skipOnceWindow()) {
        // Spent by a command, or by the first pass begun after the window came back: the
        // rebuild that its return asks for. A notice of the window (it is shown again, after
        // all) and a pass already under way (standing for a rebuild that, made whole at once,
        // would have ended before) leave it to that rebuild, which would otherwise hide the
        // window again at once.
        const Catalogue::Applier& applier = form.catalogue().applier();
        if (!applier.catalogue || applier.pass > form.skipOncePass()) {
            form.SetSkipOnceWindow(nullptr);
        }
        return;
    }
    // The program's own windows and the shell's are listed, but no rule or default acts on them.
    // Nor on a window cloaked since it was listed: it is out of the user's sight. A row just
    // made knows the window's process and class: a pass need not ask them twice.
    const Catalogue& catalogue = form.catalogue();
    const WindowEntry* row = catalogue.RowOf(window);
    const bool target =
        row != nullptr && row->processId != 0
            ? foreign::IsTarget(window, row->processId, row->className, catalogue.ShellWindow())
            : foreign::IsTarget(window);
    if (!target || platform::dwm::IsCloaked(window)) {
        return;
    }
    const Facts facts =
        row != nullptr ? Facts{row->className, row->path, row->caption} : FactsOf(form, window);
    const WindowRule* rule = form.rules().MatchOf(facts.view());
    if (rule == nullptr) {
        DoAction(form, window, ActionFromText(form.settings().action));
        DoZOrder(window, ZOrderFromText(form.settings().zOrder));
        return;
    }
    // A rule that acts once leaves the window to the user afterwards, whatever it does with it.
    if (rule->applyOnce && !form.onceActed().insert(window).second) {
        return;
    }
    // Copied: the action may show the tray's dialogs, whose messages may change the rules.
    const WindowRule chosen = *rule;
    const int action = ActionFromText(chosen.action);
    DoAction(form, window, action);
    DoZOrder(window, ZOrderFromText(chosen.zOrder));
    // A minimized or hidden window keeps its restored place; moving it would only move it there.
    if (action != 2 && action != 4) {
        DoPlacement(window, chosen.placement);
    }
    const int percent = RuleTransparencyPercent(chosen.transparency);
    if (percent >= 0 && form.layeredWindowsAvailable()) {
        SetTransparency(form, window, percent);
    }
}

std::string RuleActionTextFor(TfrmMain& form, const WindowEntry& row) {
    return form.rules().RuleActionText({row.className, row.path, row.caption}, form.settings());
}

std::string RuleZOrderTextFor(TfrmMain& form, const WindowEntry& row) {
    return form.rules().RuleZOrderText({row.className, row.path, row.caption}, form.settings());
}

bool CaptionChangedRule(TfrmMain& form, const WindowEntry& row, const std::string& oldCaption) {
    const RuleList& rules = form.rules();
    const int now = rules.FindMatch({row.className, row.path, row.caption});
    return now >= 0 && now != rules.FindMatch({row.className, row.path, oldCaption});
}

void RefreshRuleColumns(TfrmMain& form) {
    WindowList& rows = form.windows();
    for (int i = 0; i < rows.Count(); ++i) {
        WindowEntry& row = rows.At(i);
        row.autoAction = RuleActionTextFor(form, row);
        row.autoZOrder = RuleZOrderTextFor(form, row);
    }
    // The rows a rebuild is making take the same texts, or it would show the old ones.
    form.catalogue().RewritePassColumns();
    form.ShowRowsNow();
}

void ApplyRulesTouchedBy(TfrmMain& form, const std::vector<WindowRule>& changed) {
    auto touched = [&](const Facts& facts) {
        return std::any_of(changed.begin(), changed.end(),
                           [&](const WindowRule& rule) { return RuleMatches(rule, facts.view()); });
    };
    // A changed rule is a new rule for the windows it touches, "once" included.
    WindowList& rows = form.windows();
    std::vector<HWND> listed;
    for (int i = 0; i < rows.Count(); ++i) {
        const WindowEntry& row = rows.At(i);
        if (touched({row.className, row.path, row.caption})) {
            listed.push_back(row.handle);
        }
    }
    for (HWND window : listed) {
        form.onceActed().erase(window);
        ApplyRule(form, window);
    }
    const size_t count = form.tray().HiddenWindows().size();
    for (size_t i = 0; i < count && i < form.tray().HiddenWindows().size(); ++i) {
        HWND hidden = form.tray().HiddenWindows()[i];
        const Facts facts = FactsOf(form, hidden);
        if (!touched(facts)) {
            continue;
        }
        const std::string action = form.rules().RuleActionText(facts.view(), form.settings());
        if (action != "Minimize to tray" && action != "Default") {
            form.tray().RemoveWindowTrayIcon(hidden);
        }
        form.onceActed().erase(hidden);
        ApplyRule(form, hidden);
    }
    Application::Instance().BringToFront();
}

void ApplyRulesOfClass(TfrmMain& form, const std::string& className) {
    WindowRule byClass;
    byClass.className = className;
    ApplyRulesTouchedBy(form, {byClass});
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
        // Put there by an instance that ended without taking them out, perhaps: the choices made
        // in them are watched all the same.
        form.relay().WindowCarriesItems(window);
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
    // Where the relays watch only the windows that carry the items, this one is among them now.
    form.relay().WindowCarriesItems(window);
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
