#include "app/catalogue.h"

#include <shellapi.h>

#include <map>

#include "app/rule_application.h"
#include "platform/desktop_window_manager.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/window_api.h"

namespace vantrel {

namespace {
constexpr char kCoreWindowClass[] = "Windows.UI.Core.CoreWindow";
constexpr char kFrameTitleBarClass[] = "ApplicationFrameTitleBarWindow";
constexpr char kFrameInputSinkClass[] = "ApplicationFrameInputSinkWindow";

// The caption that marks a core window to skip: the bytes 0xA2 0xE3 in the system's legacy code
// page. With UTF-8 as the process code page the same caption reads as those two bytes converted.
const std::string& CoreWindowMarker() {
    static const std::string marker =
        platform::TextIsUtf8() ? platform::LegacyToUtf8("\xA2\xE3", platform::LegacyCodePage())
                               : std::string("\xA2\xE3");
    return marker;
}

// A frame whose only children are its title bar and input sinks is the empty shell of a
// suspended store app; it has nothing to show or manage.
bool IsEmptyApplicationFrame(HWND firstChild) {
    int count = 0;
    for (HWND child = firstChild; child != nullptr; child = platform::NextSibling(child)) {
        ++count;
        const std::string cls = platform::ClassNameOf(child);
        if (cls != kFrameTitleBarClass && cls != kFrameInputSinkClass) {
            return false;
        }
    }
    return count == 3;
}

// The class name is asked for at most once per window, and only when a filter or the row needs
// it: the question crosses into the window server, and a pass asks it of every window.
class LazyClassName {
public:
    explicit LazyClassName(HWND window) : window_(window) {}
    const std::string& get() {
        if (!known_) {
            name_ = platform::ClassNameOf(window_);
            known_ = true;
        }
        return name_;
    }

private:
    HWND window_;
    bool known_ = false;
    std::string name_;
};
} // namespace

bool UsesModulePaths(int versionCode) {
    return versionCode == 7 || versionCode == 9 || versionCode == 10 || versionCode == 11;
}

Catalogue::Catalogue(WindowList& rows, int versionCode, HINSTANCE instance, HICON fallbackIcon)
    : rows_(rows), versionCode_(versionCode), instance_(instance), fallbackIcon_(fallbackIcon),
      images_(::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                 ILC_COLOR32 | ILC_MASK, 16, 16)),
      paths_(UsesModulePaths(versionCode)) {}

HICON Catalogue::ReadIcon(const std::string& path) const {
    return services_.readIcon ? services_.readIcon(path)
                              : platform::ExtractFirstIcon(instance_, path);
}

int Catalogue::ImageOf(const std::string& path) {
    const auto found = imageOfPath_.find(path);
    if (found != imageOfPath_.end()) {
        return found->second;
    }
    int image = -1;
    if (services_.iconsWaiting) {
        // A place of its own, showing the fallback until the icon is read.
        image = ::ImageList_AddIcon(images_.get(), fallbackIcon_);
        if (image >= 0) {
            if (!iconReader_) {
                auto read = services_.readIcon;
                const HINSTANCE instance = instance_;
                iconReader_ = std::make_unique<platform::IconReader>(
                    [read, instance](const std::string& file) {
                        return read ? read(file) : platform::ExtractFirstIcon(instance, file);
                    },
                    services_.iconsWaiting);
            }
            iconReader_->Request(image, path);
        }
    } else {
        platform::UniqueIcon icon(ReadIcon(path));
        if (icon) {
            image = ::ImageList_AddIcon(images_.get(), icon.get()); // the list keeps a copy
        }
    }
    if (image < 0) {
        if (fallbackImage_ < 0) {
            fallbackImage_ = ::ImageList_AddIcon(images_.get(), fallbackIcon_);
        }
        image = fallbackImage_;
    }
    imageOfPath_.emplace(path, image);
    return image;
}

bool Catalogue::TakeIcons() {
    if (!iconReader_) {
        return false;
    }
    bool changed = false;
    for (auto& answer : iconReader_->TakeAnswers()) {
        if (answer.icon) {
            changed |= ::ImageList_ReplaceIcon(images_.get(), answer.slot, answer.icon.get()) >= 0;
        }
    }
    return changed;
}

void Catalogue::NotifyChanged(bool rebuilt) {
    if (services_.rowsChanged) {
        services_.rowsChanged(rebuilt);
    }
}

bool Catalogue::DeferredDuringRebuild(Change change, HWND window) {
    if (!rebuilding_) {
        return false;
    }
    // Two rebuilds in a row give the rows of the second alone.
    if (change != Change::Rebuild || deferred_.empty() || deferred_.back().first != change) {
        deferred_.emplace_back(change, window);
    }
    return true;
}

void Catalogue::RunDeferred() {
    while (!deferred_.empty()) {
        const auto [change, window] = deferred_.front();
        deferred_.pop_front();
        switch (change) {
        case Change::Rebuild:
            Rebuild();
            break;
        case Change::AddOne:
            AddOne(window);
            break;
        case Change::Remove:
            Remove(window);
            break;
        case Change::Rename:
            Rename(window);
            break;
        }
    }
}

void Catalogue::Rebuild() {
    if (DeferredDuringRebuild(Change::Rebuild, nullptr)) {
        return;
    }
    struct Running {
        explicit Running(bool& flag) : flag_(flag) { flag_ = true; }
        ~Running() { flag_ = false; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
        bool& flag_;
    };
    {
        const Running running(rebuilding_);
        ++rebuilds_;
        rows_.Clear();
        // A snapshot or an icon extraction costs more than all the window questions of a row,
        // so the pass shares them between rows instead of making them again for every window.
        paths_.BeginPass();
        int withoutRow = 0;
        ULONGLONG answered = ::GetTickCount64();
        for (HWND window : platform::TopLevelWindows()) {
            // A row costs the most (its rule may wait on its program); other windows are
            // turned away after a few questions, but each question waits its turn at the
            // window server, which a storm of windows keeps busy: then a few windows take as
            // long as a row.
            if (ExamineInPass(window, EnumerationMode::List) ||
                ++withoutRow == kWindowsBetweenAnswers ||
                ::GetTickCount64() - answered >= kAnswerAtLeastEveryMs) {
                withoutRow = 0;
                platform::AnswerSentMessages();
                answered = ::GetTickCount64();
            }
        }
        // A full pass has seen every process with a listed window; the others need no handle
        // held any more.
        paths_.ForgetUnseen();
    }
    NotifyChanged(true);
    RunDeferred();
}

void Catalogue::AddOne(HWND window) {
    if (DeferredDuringRebuild(Change::AddOne, window)) {
        return;
    }
    if (Examine(window, EnumerationMode::AddOne)) {
        NotifyChanged(false);
    }
}

void Catalogue::Remove(HWND window) {
    if (DeferredDuringRebuild(Change::Remove, window)) {
        return;
    }
    if (rows_.Remove(window) > 0) {
        NotifyChanged(false);
    }
}

void Catalogue::Rename(HWND window) {
    if (DeferredDuringRebuild(Change::Rename, window)) {
        return;
    }
    bool any = false;
    bool apply = false;
    rows_.ForEachOf(window, [&](WindowEntry& row) {
        const std::string old = row.caption;
        row.caption = platform::WindowText(window);
        any = true;
        // A rule for a caption pattern may start to match only now.
        if (services_.actionText && services_.zOrderText) {
            row.autoAction = services_.actionText(row);
            row.autoZOrder = services_.zOrderText(row);
        }
        apply = apply || (services_.captionChangedRule && services_.captionChangedRule(row, old));
    });
    if (apply && services_.applyRule) {
        services_.applyRule(window);
    }
    if (any) {
        NotifyChanged(false);
    }
}

void Catalogue::ForAllWindows(EnumerationMode mode) {
    // Inside a rebuild (from a message answered on its way) the rebuild's pass is shared.
    if (!rebuilding_) {
        paths_.BeginPass();
    }
    for (HWND window : platform::TopLevelWindows()) {
        ExamineInPass(window, mode);
    }
}

bool Catalogue::Examine(HWND window, EnumerationMode mode) {
    // Nothing is looked up until a window reaches the path step, so this costs no snapshot for
    // a window that a filter turns away.
    if (!rebuilding_) {
        paths_.BeginPass();
    }
    return ExamineInPass(window, mode);
}

bool Catalogue::ExamineInPass(HWND window, EnumerationMode mode) {
    LazyClassName className(window);
    const HWND firstChild = platform::FirstChild(window);
    if (firstChild == nullptr && className.get() == kCoreWindowClass) {
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
        RemoveSystemMenuItems(window);
        return true;
    }
    // A cloaked window is visible only in name (another virtual desktop, a suspended Store app):
    // like a hidden one it gets neither a row nor menu items nor a rule. Uncloaked, it is a
    // window that has appeared, and the next pass takes it. The menu items come out of it all
    // the same, so that none stay behind at exit.
    if (platform::dwm::IsCloaked(window)) {
        return false;
    }
    if (mode == EnumerationMode::InsertSystemMenus) {
        if (services_.insertSystemMenu) {
            services_.insertSystemMenu(window);
        }
        return true;
    }
    if (IsEmptyApplicationFrame(firstChild)) {
        return false;
    }
    const DWORD processId = platform::ProcessIdOf(window);
    const std::string caption = platform::WindowText(window);
    if (caption == CoreWindowMarker() && className.get() == kCoreWindowClass) {
        return false;
    }
    // The window has just answered every question above, so its process is running: a
    // process whose path this pass already knows is not asked again whether it has ended.
    const auto path = paths_.PathOf(processId, true);
    if (!path) {
        return false;
    }
    MakeEntry(window, caption, className.get(), *path);
    if (services_.systemMenuOn && services_.systemMenuOn() && services_.insertSystemMenu) {
        services_.insertSystemMenu(window);
    }
    return true;
}

void Catalogue::MakeEntry(HWND window, const std::string& caption, const std::string& className,
                          const std::string& path) {
    const int image = ImageOf(path);
    WindowEntry entry;
    entry.caption = caption;
    entry.handle = window;
    entry.className = className;
    entry.path = path;
    entry.autoAction = services_.actionText ? services_.actionText(entry) : "Default";
    entry.image = image;
    entry.autoZOrder = services_.zOrderText ? services_.zOrderText(entry) : "Default";
    entry.transparency = 0;
    entry.autoRefreshInclusion = 1;
    rows_.Append(std::move(entry));
    if (services_.applyRule) {
        services_.applyRule(window);
    }
}

} // namespace vantrel
