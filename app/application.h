#pragma once
// The process-wide application object: the hidden taskbar window that carries the program's
// taskbar button and owns every form, the message loop, the message filter that sees every
// message before it is dispatched (also inside modal loops and menus), and idle processing.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace vantrel {

class Application {
public:
    using Filter = std::function<void(const MSG&)>;
    using IdleHandler = std::function<void()>;
    // Sees the main form's keyboard messages before they are dispatched; true when it used one.
    using KeyPreview = std::function<bool(const MSG&)>;

    static Application& Instance();

    // Creates the taskbar window once; later calls only return it.
    HWND Initialize(HINSTANCE instance);
    HINSTANCE Instance_() const { return instance_; }
    HWND Handle() const { return handle_; }
    void SetTitle(const std::string& title);
    const std::string& Title() const { return title_; }

    void SetMainForm(HWND form) { mainForm_ = form; }
    HWND MainForm() const { return mainForm_; }

    // The filter runs on every message this thread takes from its queue, in any loop.
    void SetFilter(Filter filter);
    void AddIdleHandler(IdleHandler handler) { idle_.push_back(std::move(handler)); }
    void RunIdleHandlers();
    void SetMainFormKeys(KeyPreview preview) { mainFormKeys_ = std::move(preview); }

    // Runs the message loop until WM_QUIT; returns its exit code.
    int Run();
    // Handles the messages waiting now (tests and modal loops use it).
    void ProcessMessages();
    // Takes and dispatches one message, waiting a short while for one when none is queued (the
    // caller checks its own state and calls again); false on WM_QUIT (which is re-posted).
    bool HandleOneMessage();

    // Brings the last active visible, enabled form of the program to the foreground.
    void BringToFront();
    void Restore();
    bool IsMinimized() const;

    // The program's own form that had the focus last; forms report their activation here.
    HWND NoteFormActivated(HWND form);
    HWND LastActiveForm() const { return lastActiveForm_; }

    // For tests that create and destroy several main forms in one process.
    void Reset();

private:
    Application() = default;
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);
    bool Dispatch(MSG& msg);

    HINSTANCE instance_ = nullptr;
    HWND handle_ = nullptr;
    HWND mainForm_ = nullptr;
    HWND lastActiveForm_ = nullptr;
    std::string title_;
    Filter filter_;
    platform::UniqueHook hook_;
    std::vector<IdleHandler> idle_;
    KeyPreview mainFormKeys_;
};

} // namespace vantrel
