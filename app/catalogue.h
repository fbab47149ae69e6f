#pragma once
// The catalogue of other applications' top-level windows: which windows qualify, how a row is
// made for one, and the list operations on the rows. Making a row also applies its rule, so the
// catalogue is at the same time what drives automatic rule application.
#include <windows.h>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/window_list.h"
#include "platform/handles.h"
#include "platform/icon_reader.h"
#include "platform/process.h"

namespace vantrel {

enum class EnumerationMode {
    List = 0,
    AddOne = 1,
    RestoreSystemMenus = 100,
    InsertSystemMenus = 101
};

struct CatalogueServices {
    std::function<std::string(const WindowEntry&)> actionText;
    std::function<std::string(const WindowEntry&)> zOrderText;
    // True when a row's new caption gives it another first rule, which is then applied.
    std::function<bool(const WindowEntry&, const std::string& oldCaption)> captionChangedRule;
    std::function<void(HWND)> applyRule;
    std::function<void(HWND)> insertSystemMenu;
    std::function<bool()> systemMenuOn;
    // Called after the rows changed; `rebuilt` is true after a full rebuild.
    std::function<void(bool rebuilt)> rowsChanged;
    // Called on another thread when icons read there wait for TakeIcons; it must only post a
    // message. Without it icons are read at once, in the caller's thread.
    std::function<void()> iconsWaiting;
    // Reads an executable's icon (tests put a slow share in its place).
    std::function<HICON(const std::string& path)> readIcon;
    // Asks for ContinuePass to be called once the messages waiting now have been handled;
    // `later`: not before a short while (the pass was asked to go on from inside itself).
    // Without it a requested rebuild runs at once, whole.
    std::function<void(bool later)> passWaiting;
    // Lists the top-level windows for a pass in slices, off this thread (tests hold it back).
    std::function<std::future<std::vector<HWND>>()> listWindows;
};

// True on the systems whose process paths come from a module snapshot.
bool UsesModulePaths(int versionCode);

class Catalogue {
public:
    Catalogue(WindowList& rows, int versionCode, HINSTANCE instance, HICON fallbackIcon);

    void SetServices(CatalogueServices services) { services_ = std::move(services); }
    HIMAGELIST Images() const { return images_.get(); }
    // Puts the icons read since into their rows' images; true when any picture changed.
    bool TakeIcons();
    WindowList& Rows() { return rows_; }
    const WindowList& Rows() const { return rows_; }

    // A whole rebuild answers the messages sent to the program on its way (after every
    // kWindowsBetweenAnswers windows, and at least every kAnswerAtLeastEveryMs), so that a long
    // list does not keep a sender waiting. A list change asked for in such a message (or in a
    // dialog that a rule opened during a slice) is carried out after the rebuild or the slice,
    // in the order asked, as if the message had waited for it to end.
    static constexpr int kWindowsBetweenAnswers = 8;
    static constexpr ULONGLONG kAnswerAtLeastEveryMs = 20;

    // A whole rebuild, within this call (start-up, and where the caller needs the rows now).
    void Rebuild();
    // A rebuild in slices of at most kSliceMs, between which the program's messages are
    // handled: the shell's notices, the timer and the refresh command. The rows stay as they
    // were (with the windows added, removed and renamed meanwhile) until the pass has made
    // them all again, so the list never shows half a pass. A request while a pass runs makes
    // one more pass after it.
    void RequestRebuild();
    static constexpr int kSliceMs = 15;
    // One slice of the running pass (on the message that passWaiting asked for).
    void ContinuePass();
    bool PassRunning() const { return pass_ != nullptr; }
    // Full rebuilds made so far, whole or in slices.
    int Rebuilds() const { return rebuilds_; }
    // The pass begun last, by number (they count up from 1).
    unsigned LastPass() const { return passNumber_; }
    // Who applies a rule at this moment: the catalogue, for the pass of that number or (0) for
    // a notice of the window; or, when not the catalogue, a command or a timer.
    struct Applier {
        bool catalogue = false;
        unsigned pass = 0;
    };
    const Applier& applier() const { return applier_; }
    // The shell's desktop window to tell apart from the window whose rule is being applied: as
    // the running pass read it for the windows it listed, else as the system names it now.
    HWND ShellWindow() const;
    // The window's row as the running pass has made it, else as listed; none when neither has.
    const WindowEntry* RowOf(HWND window) const;
    // Rewrites the rule columns of the rows the running pass has made so far.
    void RewritePassColumns();
    void AddOne(HWND window);
    // AddOne for a window told of as new, unless it is listed already. A notice that comes while
    // a rebuild runs is weighed against the rows that rebuild made, not the half-made ones.
    void AddNew(HWND window);
    void Remove(HWND window);
    void Rename(HWND window);
    int Find(HWND window) const { return rows_.Find(window); }
    // Modes RestoreSystemMenus and InsertSystemMenus over all top-level windows.
    void ForAllWindows(EnumerationMode mode);
    // Runs the filters on one window under a mode; true when the window passed them all.
    bool Examine(HWND window, EnumerationMode mode);

private:
    // A rebuild under way: the windows enumerated when it began, how far it got, and the
    // rows it made.
    struct Pass {
        // Until it is taken, the windows are being listed on another thread.
        std::future<std::vector<HWND>> listing;
        // Added or removed by a notice while they were listed: the pass does not examine
        // them again, as it would not a window ahead of it.
        std::unordered_set<HWND> settledWhileListing;
        std::vector<HWND> windows;
        std::unordered_map<HWND, size_t> position;
        size_t next = 0;
        // In slices: its rows are made out of sight (else straight into the list).
        bool sliced = false;
        WindowList rows;
        // The windows listed when it began.
        std::unordered_set<HWND> listed;
        bool again = false;
        // Read once the windows are listed: asking it for every window costs a round trip to the
        // window server each time under Wine.
        HWND shellWindow = nullptr;
        bool Ahead(HWND window) const {
            const auto found = position.find(window);
            return found != position.end() && found->second >= next;
        }
        bool Listing() const { return listing.valid(); }
        // The listed windows, once there; false while the other thread still lists them.
        bool TakeListing();
        void Index();
    };
    // What a window cannot change in its life, asked once: known by its handle and its thread,
    // so that a handle used again for another window is not taken for the old one.
    struct Lasting {
        DWORD thread = 0;
        std::optional<std::string> className;
        unsigned seen = 0; // the last pass that met the window
    };

    void StartPass(bool sliced);
    void ForgetUnseen();
    // Examine within a pass that shares one process snapshot between its windows.
    bool ExamineInPass(HWND window, EnumerationMode mode);
    void MakeEntry(HWND window, const std::string& caption, const std::string& className,
                   const std::string& path, DWORD processId, EnumerationMode mode);
    // The image of an executable's first icon (or of the fallback). The rows of one program
    // share it, so the list holds an image per program, not per window, and each icon is
    // read once in the program's life. Read elsewhere, the image shows the fallback until the
    // icon arrives.
    int ImageOf(const std::string& path);
    HICON ReadIcon(const std::string& path) const;
    void NotifyChanged(bool rebuilt);
    enum class Change { Rebuild, Request, AddOne, AddNew, Remove, Rename };
    // True when the change has to wait for the running rebuild, and is queued for it.
    bool DeferredDuringRebuild(Change change, HWND window);
    void RunDeferred();

    WindowList& rows_;
    int versionCode_;
    HINSTANCE instance_;
    HICON fallbackIcon_;
    platform::UniqueImageList images_;
    std::map<std::string, int> imageOfPath_;
    int fallbackImage_ = -1;
    std::unique_ptr<platform::IconReader> iconReader_;
    // Kept from pass to pass: the paths of processes that run on need not be worked out again.
    platform::ProcessPathCache paths_;
    CatalogueServices services_;
    bool rebuilding_ = false;
    std::deque<std::pair<Change, HWND>> deferred_;
    int rebuilds_ = 0;
    std::unique_ptr<Pass> pass_;
    std::unordered_map<HWND, Lasting> lasting_;
    unsigned passNumber_ = 0;
    Applier applier_;
};

} // namespace vantrel
