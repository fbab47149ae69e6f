#include "app/catalogue.h"

#include <shellapi.h>

#include "platform/process.h"
#include "platform/window_api.h"

namespace vantrel {

namespace {
constexpr char kCoreWindowClass[] = "Windows.UI.Core.CoreWindow";
constexpr char kFrameTitleBarClass[] = "ApplicationFrameTitleBarWindow";
constexpr char kFrameInputSinkClass[] = "ApplicationFrameInputSinkWindow";

// A frame whose only children are its title bar and input sinks is the empty shell of a
// suspended store app; it has nothing to show or manage.
bool IsEmptyApplicationFrame(HWND window) {
    int count = 0;
    for (HWND child = platform::FirstChild(window); child != nullptr;
         child = platform::NextSibling(child)) {
        ++count;
        const std::string cls = platform::ClassNameOf(child);
        if (cls != kFrameTitleBarClass && cls != kFrameInputSinkClass) {
            return false;
        }
    }
    return count == 3;
}
} // namespace

bool UsesModulePaths(int versionCode) {
    return versionCode == 7 || versionCode == 9 || versionCode == 10 || versionCode == 11;
}

Catalogue::Catalogue(WindowList& rows, int versionCode, HINSTANCE instance, HICON fallbackIcon)
    : rows_(rows), versionCode_(versionCode), instance_(instance), fallbackIcon_(fallbackIcon),
      images_(::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                 ILC_COLOR32 | ILC_MASK, 16, 16)) {}

void Catalogue::NotifyChanged(bool rebuilt) {
    if (services_.rowsChanged) {
        services_.rowsChanged(rebuilt);
    }
}

void Catalogue::Rebuild() {
    rows_.Clear();
    ::ImageList_RemoveAll(images_.get());
    for (HWND window : platform::TopLevelWindows()) {
        Examine(window, EnumerationMode::List);
    }
    NotifyChanged(true);
}

void Catalogue::AddOne(HWND window) {
    if (Examine(window, EnumerationMode::AddOne)) {
        NotifyChanged(false);
    }
}

void Catalogue::Remove(HWND window) {
    if (rows_.Remove(window) > 0) {
        NotifyChanged(false);
    }
}

void Catalogue::Rename(HWND window) {
    bool any = false;
    rows_.ForEachOf(window, [&](WindowEntry& row) {
        row.caption = platform::WindowText(window);
        any = true;
    });
    if (any) {
        NotifyChanged(false);
    }
}

void Catalogue::ForAllWindows(EnumerationMode mode) {
    for (HWND window : platform::TopLevelWindows()) {
        Examine(window, mode);
    }
}

bool Catalogue::Examine(HWND window, EnumerationMode mode) {
    if (platform::FirstChild(window) == nullptr &&
        platform::ClassNameOf(window) == kCoreWindowClass) {
        return false;
    }
    if (!::IsWindowVisible(window)) {
        return false;
    }
    const LONG exStyle = platform::ExStyleOf(window);
    if (exStyle & WS_EX_TOOLWINDOW) {
        return false;
    }
    if (HWND owner = platform::OwnerOf(window)) {
        const bool ownerOutOfSight =
            !::IsWindowVisible(owner) || (platform::ExStyleOf(owner) & WS_EX_TOOLWINDOW);
        if (!(exStyle & WS_EX_APPWINDOW) || !ownerOutOfSight) {
            return false;
        }
    }
    if (mode == EnumerationMode::RestoreSystemMenus) {
        ::GetSystemMenu(window, TRUE);
        return true;
    }
    if (mode == EnumerationMode::InsertSystemMenus) {
        if (services_.insertSystemMenu) {
            services_.insertSystemMenu(window);
        }
        return true;
    }
    if (IsEmptyApplicationFrame(window)) {
        return false;
    }
    const DWORD processId = platform::ProcessIdOf(window);
    const std::string caption = platform::WindowText(window);
    if (caption == "\xA2\xE3" && platform::ClassNameOf(window) == kCoreWindowClass) {
        return false;
    }
    const auto path = platform::ExecutablePathOf(processId, UsesModulePaths(versionCode_));
    if (!path) {
        return false;
    }
    MakeEntry(window, caption, *path);
    if (services_.systemMenuOn && services_.systemMenuOn() && services_.insertSystemMenu) {
        services_.insertSystemMenu(window);
    }
    return true;
}

void Catalogue::MakeEntry(HWND window, const std::string& caption, const std::string& path) {
    platform::UniqueIcon icon(::ExtractIconA(instance_, path.c_str(), 0));
    // ExtractIcon answers 1 for a file that is not an executable or icon file.
    if (icon && reinterpret_cast<ULONG_PTR>(icon.get()) > 1) {
        ::ImageList_AddIcon(images_.get(), icon.get());
    } else {
        icon.release();
        ::ImageList_AddIcon(images_.get(), fallbackIcon_);
    }
    WindowEntry entry;
    entry.caption = caption;
    entry.handle = window;
    entry.className = platform::ClassNameOf(window);
    entry.autoAction = services_.actionText ? services_.actionText(entry.className) : "Default";
    entry.image = ::ImageList_GetImageCount(images_.get()) - 1;
    entry.autoZOrder = services_.zOrderText ? services_.zOrderText(entry.className) : "Default";
    entry.transparency = 0;
    entry.path = path;
    entry.autoRefreshInclusion = 1;
    rows_.Append(std::move(entry));
    if (services_.applyRule) {
        services_.applyRule(window);
    }
}

} // namespace vantrel
