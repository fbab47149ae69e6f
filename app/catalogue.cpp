#include "app/catalogue.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <map>

#include "app/rule_application.h"
#include "platform/desktop_window_manager.h"
#include "platform/foreign_window.h"
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
    const bool whole = change == Change::Rebuild || change == Change::Request;
    if (!whole || deferred_.empty() || deferred_.back().first != change) {
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
        case Change::Request:
            RequestRebuild();
            break;
        case Change::AddOne:
            AddOne(window);
            break;
        case Change::AddNew:
            AddNew(window);
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

namespace {
// Sets a flag for as long as it lives.
struct Running {
    explicit Running(bool& flag) : flag_(flag) { flag_ = true; }
    ~Running() { flag_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    bool& flag_;
};
// Puts back what was applying rules when a nested application (a rule can open a dialog with a
// message loop of its own) is over.
struct Applying {
    Applying(Catalogue::Applier& slot, Catalogue::Applier now) : slot_(slot), outer_(slot) {
        slot_ = now;
    }
    ~Applying() { slot_ = outer_; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;
    Catalogue::Applier& slot_;
    Catalogue::Applier outer_;
};
} // namespace

bool Catalogue::Pass::TakeListing() {
    if (!listing.valid()) {
        return true;
    }
    if (listing.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return false;
    }
    windows = listing.get();
    shellWindow = platform::foreign::ShellWindow();
    for (HWND& window : windows) {
        if (settledWhileListing.count(window) != 0) {
            window = nullptr;
        }
    }
    Index();
    return true;
}

void Catalogue::Pass::Index() {
    position.reserve(windows.size());
    for (size_t i = 0; i < windows.size(); ++i) {
        if (windows[i] != nullptr) {
            position.emplace(windows[i], i);
        }
    }
}

void Catalogue::StartPass(bool sliced) {
    pass_ = std::make_unique<Pass>();
    pass_->sliced = sliced;
    if (sliced) {
        for (const WindowEntry& row : rows_.Rows()) {
            pass_->listed.insert(row.handle);
        }
        // Listing thousands of windows is the longest single step of a pass; in slices the
        // program answers meanwhile.
        pass_->listing =
            services_.listWindows ? services_.listWindows() : platform::TopLevelWindowsElsewhere();
    } else {
        pass_->windows = platform::TopLevelWindows();
        pass_->shellWindow = platform::foreign::ShellWindow();
        pass_->Index();
    }
    ++passNumber_;
    // A snapshot or an icon extraction costs more than all the window questions of a row, so
    // the pass shares them between rows instead of making them again for every window.
    paths_.BeginPass();
}

void Catalogue::Rebuild() {
    if (DeferredDuringRebuild(Change::Rebuild, nullptr)) {
        return;
    }
    {
        const Running running(rebuilding_);
        ++rebuilds_;
        // A pass in slices that was under way is overtaken: this one lists the windows as they
        // are now.
        StartPass(false);
        rows_.Clear();
        int examined = 0;
        ULONGLONG answered = ::GetTickCount64();
        while (pass_->next < pass_->windows.size()) {
            const HWND window = pass_->windows[pass_->next++];
            ExamineInPass(window, EnumerationMode::List);
            // Each question waits its turn at the window server, which a storm of windows
            // keeps busy: then a few windows take long, and the clock decides.
            if (++examined == kWindowsBetweenAnswers ||
                ::GetTickCount64() - answered >= kAnswerAtLeastEveryMs) {
                examined = 0;
                platform::AnswerSentMessages();
                answered = ::GetTickCount64();
            }
        }
        pass_.reset();
        ForgetUnseen();
    }
    NotifyChanged(true);
    RunDeferred();
}

void Catalogue::RequestRebuild() {
    if (!services_.passWaiting) {
        Rebuild();
        return;
    }
    if (DeferredDuringRebuild(Change::Request, nullptr)) {
        return;
    }
    if (pass_) {
        // The windows the running pass has already examined are due their rules again too.
        pass_->again = true;
        return;
    }
    StartPass(true);
    services_.passWaiting(false);
}

void Catalogue::ContinuePass() {
    if (!pass_) {
        return;
    }
    if (rebuilding_) {
        // Asked from inside a slice (a dialog that a rule opened runs its own message loop).
        services_.passWaiting(true);
        return;
    }
    if (!pass_->TakeListing()) {
        services_.passWaiting(true);
        return;
    }
    bool done = false;
    bool added = false;
    {
        const Running running(rebuilding_);
        const int listedBefore = rows_.Count();
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kSliceMs);
        while (pass_->next < pass_->windows.size()) {
            const HWND window = pass_->windows[pass_->next++];
            if (window != nullptr) {
                ExamineInPass(window, EnumerationMode::List);
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                break;
            }
        }
        done = pass_->next >= pass_->windows.size();
        added = rows_.Count() != listedBefore;
    }
    if (done) {
        ++rebuilds_;
        const bool again = pass_->again;
        rows_ = std::move(pass_->rows);
        pass_.reset();
        ForgetUnseen();
        NotifyChanged(true);
        if (again) {
            RequestRebuild();
        }
    } else {
        if (added) {
            NotifyChanged(false);
        }
        services_.passWaiting(false);
    }
    RunDeferred();
}

void Catalogue::ForgetUnseen() {
    // A full pass has seen every process with a listed window; the others need no handle held
    // any more, and the windows it did not meet have gone or been hidden.
    paths_.ForgetUnseen();
    for (auto it = lasting_.begin(); it != lasting_.end();) {
        it = it->second.seen == passNumber_ ? std::next(it) : lasting_.erase(it);
    }
}

HWND Catalogue::ShellWindow() const {
    return applier_.pass != 0 && pass_ ? pass_->shellWindow : platform::foreign::ShellWindow();
}

const WindowEntry* Catalogue::RowOf(HWND window) const {
    if (pass_) {
        // The row a pass has just made is its last one.
        const auto& made = pass_->rows.Rows();
        const auto found =
            std::find_if(made.rbegin(), made.rend(),
                         [window](const WindowEntry& row) { return row.handle == window; });
        if (found != made.rend()) {
            return &*found;
        }
    }
    // A rebuild made whole at once has just appended it.
    if (rows_.Count() > 0 && rows_.At(rows_.Count() - 1).handle == window) {
        return &rows_.At(rows_.Count() - 1);
    }
    const int row = rows_.Find(window);
    return row < 0 ? nullptr : &rows_.At(row);
}

void Catalogue::RewritePassColumns() {
    if (!pass_ || !services_.actionText || !services_.zOrderText) {
        return;
    }
    for (int i = 0; i < pass_->rows.Count(); ++i) {
        WindowEntry& row = pass_->rows.At(i);
        row.autoAction = services_.actionText(row);
        row.autoZOrder = services_.zOrderText(row);
    }
}

void Catalogue::AddOne(HWND window) {
    if (DeferredDuringRebuild(Change::AddOne, window)) {
        return;
    }
    if (Examine(window, EnumerationMode::AddOne)) {
        NotifyChanged(false);
    }
}

void Catalogue::AddNew(HWND window) {
    if (DeferredDuringRebuild(Change::AddNew, window)) {
        return;
    }
    if (rows_.Find(window) < 0) {
        AddOne(window);
    }
}

void Catalogue::Remove(HWND window) {
    if (DeferredDuringRebuild(Change::Remove, window)) {
        return;
    }
    if (pass_) {
        // Gone before the pass reached it: the pass does not list it again.
        pass_->rows.Remove(window);
        if (pass_->Listing()) {
            pass_->settledWhileListing.insert(window);
        } else if (pass_->Ahead(window)) {
            pass_->windows[pass_->position[window]] = nullptr;
        }
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
    if (pass_) {
        pass_->rows.ForEachOf(window, [&](WindowEntry& row) {
            row.caption = platform::WindowText(window);
            if (services_.actionText && services_.zOrderText) {
                row.autoAction = services_.actionText(row);
                row.autoZOrder = services_.zOrderText(row);
            }
        });
    }
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
        const Applying applying(applier_, {true, 0});
        services_.applyRule(window);
    }
    if (any) {
        NotifyChanged(false);
    }
}

void Catalogue::ForAllWindows(EnumerationMode mode) {
    // Inside a rebuild (from a message answered on its way) the rebuild's pass is shared.
    if (!rebuilding_ && !pass_) {
        paths_.BeginPass();
    }
    for (HWND window : platform::TopLevelWindows()) {
        ExamineInPass(window, mode);
    }
}

bool Catalogue::Examine(HWND window, EnumerationMode mode) {
    // Nothing is looked up until a window reaches the path step, so this costs no snapshot for
    // a window that a filter turns away. A pass in slices keeps its own: a process that its
    // snapshot does not know is looked up afresh all the same.
    if (!rebuilding_ && !pass_) {
        paths_.BeginPass();
    }
    return ExamineInPass(window, mode);
}

bool Catalogue::ExamineInPass(HWND window, EnumerationMode mode) {
    // Visibility is asked before the child and the class name that the first filter needs (the
    // filters reject alike, and none changes anything): a hidden window costs one question.
    if (!::IsWindowVisible(window)) {
        return false;
    }
    const HWND firstChild = platform::FirstChild(window);
    DWORD processId = 0;
    const DWORD threadId = platform::ThreadIdOf(window, &processId);
    if (threadId == 0) {
        return false; // gone since it was enumerated
    }
    Lasting& lasting = lasting_[window];
    if (lasting.thread != threadId) {
        // Another window under a handle used again: nothing known of the old one holds.
        lasting = Lasting{};
        lasting.thread = threadId;
    }
    lasting.seen = passNumber_;
    auto className = [&]() -> const std::string& {
        if (!lasting.className) {
            lasting.className = platform::ClassNameOf(window);
        }
        return *lasting.className;
    };
    if (firstChild == nullptr && className() == kCoreWindowClass) {
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
    const std::string caption = platform::WindowText(window);
    if (caption == CoreWindowMarker() && className() == kCoreWindowClass) {
        return false;
    }
    // The window has just answered every question above, so its process is running: a
    // process whose path this pass already knows is not asked again whether it has ended.
    const auto path = paths_.PathOf(processId, true);
    if (!path) {
        return false;
    }
    MakeEntry(window, caption, className(), *path, processId, mode);
    if (services_.systemMenuOn && services_.systemMenuOn() && services_.insertSystemMenu) {
        services_.insertSystemMenu(window);
    }
    return true;
}

void Catalogue::MakeEntry(HWND window, const std::string& caption, const std::string& className,
                          const std::string& path, DWORD processId, EnumerationMode mode) {
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
    entry.processId = processId;
    if (!pass_ || !pass_->sliced) {
        rows_.Append(std::move(entry));
    } else if (mode == EnumerationMode::List) {
        // A window the list does not show yet is a new one: it is listed at once, as a notice
        // of it would have, while the rest of the pass is made out of sight.
        if (!pass_->listed.count(window) && rows_.Find(window) < 0) {
            rows_.Append(entry);
        }
        pass_->rows.Append(std::move(entry));
    } else {
        // Added while a pass runs: where the pass has gone by, its rows need it too.
        if (!pass_->Ahead(window)) {
            pass_->rows.Append(entry);
            if (pass_->Listing()) {
                pass_->settledWhileListing.insert(window);
            }
        }
        rows_.Append(std::move(entry));
    }
    if (services_.applyRule) {
        const Applying applying(applier_,
                                {true, mode == EnumerationMode::List && pass_ ? passNumber_ : 0});
        services_.applyRule(window);
    }
}

} // namespace vantrel
