#include "support/test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <shellapi.h>
#include <tlhelp32.h>
#include <utility>

#include "app/main_form.h"
#include "app/messages.h"
#include "app/rule_application.h"
#include "platform/registry.h"
#include "platform/task_scheduler.h"
#include "rules/rule.h"
#include "rules/rule_list.h"
#include "rules/set_rule_dialog.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/wait.h"
#include "ui/environment.h"
#include "ui/form.h"

namespace vt {

std::string RuleSection(int k, const std::string& cls, int action, int zOrder,
                        const std::string& caption, const std::string& autoRefresh, int interval) {
    return "[Window" + std::to_string(k) + "]\r\nClassName=" + cls +
           "\r\nAction=" + std::to_string(action) + "\r\nZOrder=" + std::to_string(zOrder) +
           "\r\nWindowCaption=" + caption + "\r\nAutoRefresh=" + autoRefresh +
           "\r\nTimeInterval=" + std::to_string(interval) + "\r\n";
}

std::string RulesFile(const std::vector<std::string>& sections) {
    std::string text = "[Options]\r\nWindowCount=" + std::to_string(sections.size()) + "\r\n";
    for (const std::string& s : sections) {
        text += s;
    }
    return text;
}

bool Topmost(HWND window) {
    return (::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool IsGroupBox(HWND control) {
    return ClassOf(control) == "Button" &&
           (::GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

RECT WindowRectOf(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

vantrel::platform::UniqueWindow PlainWindow(const char* caption) {
    return vantrel::platform::UniqueWindow(
        ::CreateWindowExA(0, "STATIC", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 400, 300,
                          nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr));
}

RECT ClientRectOf(HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

namespace {

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both{};
    return ::IntersectRect(&both, &a, &b) != FALSE;
}

// The room a caption has inside its control, or an empty rectangle for controls whose text is
// not a caption (edits, lists, images).
RECT CaptionRoom(HWND control, UINT* format) {
    const std::string cls = ClassOf(control);
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    RECT room{};
    ::GetClientRect(control, &room);
    *format = DT_CALCRECT | DT_SINGLELINE;
    if (cls == "Button") {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX) {
            room.right -= 2 * ::GetSystemMetrics(SM_CXMENUCHECK);
        } else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            room.right -= 2 * ::GetSystemMetrics(SM_CXEDGE);
        } else {
            room.right -= ::GetSystemMetrics(SM_CXMENUCHECK) + ::GetSystemMetrics(SM_CXEDGE);
        }
        return room;
    }
    if (cls == "Static") {
        const LONG type = style & SS_TYPEMASK;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
            *format = DT_CALCRECT | DT_WORDBREAK;
            return room;
        }
        if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) {
            return room;
        }
    }
    return RECT{};
}

void ExpectCaptionFits(HWND control) {
    UINT format = 0;
    const RECT room = CaptionRoom(control, &format);
    const std::string text = TextOf(control);
    if (room.right <= 0 || text.empty()) {
        return;
    }
    const vantrel::platform::WindowDc dc(control);
    const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
    const HGDIOBJ old =
        ::SelectObject(dc.get(), font != nullptr ? font : ::GetStockObject(SYSTEM_FONT));
    RECT needed = room;
    ::DrawTextA(dc.get(), text.c_str(), -1, &needed, format);
    ::SelectObject(dc.get(), old);
    EXPECT_LE(needed.right - needed.left, room.right - room.left) << "\"" << text << "\" is cut";
    EXPECT_LE(needed.bottom - needed.top, room.bottom - room.top) << "\"" << text << "\" is cut";
}

} // namespace

void ExpectSoundLayout(HWND form) {
    RECT client{};
    ::GetClientRect(form, &client);
    std::vector<HWND> controls;
    for (HWND child = ::GetWindow(form, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0) {
            controls.push_back(child);
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const HWND a = controls[i];
        const RECT ra = ClientRectOf(a);
        SCOPED_TRACE(ClassOf(a) + " \"" + TextOf(a) + "\"");
        EXPECT_TRUE(Inside(ra, client)) << "outside its form";
        EXPECT_GT(ra.right - ra.left, 0);
        EXPECT_GT(ra.bottom - ra.top, 0);
        ExpectCaptionFits(a);
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            const HWND b = controls[j];
            const RECT rb = ClientRectOf(b);
            if (!Overlap(ra, rb)) {
                continue;
            }
            // A group box frames the controls it holds, wholly.
            const bool framed =
                (IsGroupBox(a) && Inside(rb, ra)) || (IsGroupBox(b) && Inside(ra, rb));
            EXPECT_TRUE(framed) << "overlaps " << ClassOf(b) << " \"" << TextOf(b) << "\"";
        }
        if (::GetWindow(a, GW_CHILD) != nullptr) {
            ExpectSoundLayout(a);
        }
    }
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

namespace {
ModalDeadline* g_deadline = nullptr;
MenuWatch* g_menuWatch = nullptr;
} // namespace

HWND FindPopupMenu(DWORD threadId) {
    for (const HWND window : WindowsUnder()) {
        if (::IsWindowVisible(window) && ClassOf(window) == "#32768" &&
            (threadId == 0 || ::GetWindowThreadProcessId(window, nullptr) == threadId)) {
            return window;
        }
    }
    return nullptr;
}

MenuWatch::MenuWatch(OnTick onTick)
    : outer_(g_menuWatch), onTick_(std::move(onTick)), timer_(::SetTimer(nullptr, 0, 20, &Tick)) {
    g_menuWatch = this;
}

MenuWatch::~MenuWatch() {
    ::KillTimer(nullptr, timer_);
    g_menuWatch = outer_;
}

void CALLBACK MenuWatch::Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    MenuWatch* watch = g_menuWatch;
    while (watch != nullptr && watch->timer_ != timer) {
        watch = watch->outer_;
    }
    if (watch == nullptr) {
        return;
    }
    const HWND menu = FindPopupMenu(::GetCurrentThreadId());
    if (menu == nullptr) {
        watch->ticks_ = -1;
        return;
    }
    if (watch->ticks_ < 0) {
        ++watch->seen_;
    }
    ++watch->ticks_;
    ::GetWindowRect(menu, &watch->where_);
    if (!watch->onTick_ || watch->onTick_(menu, watch->ticks_)) {
        ::EndMenu();
    }
}

ModalDeadline::ModalDeadline(UINT ms, int result)
    : outer_(g_deadline), result_(result), timer_(::SetTimer(nullptr, 0, ms, &Fire)) {
    g_deadline = this;
}

ModalDeadline::~ModalDeadline() {
    ::KillTimer(nullptr, timer_);
    g_deadline = outer_;
}

void CALLBACK ModalDeadline::Fire(HWND, UINT, UINT_PTR timer, DWORD) {
    // Past the deadline, keep ending whatever opens until the test gets control back.
    ::SetTimer(nullptr, timer, 20, &Fire);
    for (ModalDeadline* d = g_deadline; d != nullptr; d = d->outer_) {
        if (d->timer_ != timer) {
            continue;
        }
        if (vantrel::Form* form = vantrel::Form::ActiveModal()) {
            ++d->ended_;
            form->SetModalResult(d->result_);
        }
        if (AnswerMessageBox()) {
            ++d->ended_;
        }
        return;
    }
}

std::vector<std::pair<std::string, std::function<void()>>> ListCommands(vantrel::TfrmMain& form) {
    vantrel::TfrmMain* f = &form;
    const auto answered = [f](const char* caption, int button, void (vantrel::TfrmMain::*run)()) {
        return [=] {
            WhenModalOpens(caption, [button](const vantrel::Form& dialog) {
                Click(Control(dialog.Handle(), button));
            });
            (f->*run)();
        };
    };
    std::vector<std::pair<std::string, std::function<void()>>> commands = {
        {"stay on top", [f] { f->aStayOnTopExecute(); }},
        {"normal", [f] { f->aNormalExecute(); }},
        {"remove transparency", [f] { f->aRemoveTranspExecute(); }},
        {"minimize to tray", [f] { f->aMinimizeToTrayExecute(); }},
        {"properties",
         answered("Window Properties", IDCANCEL, &vantrel::TfrmMain::aWindowPropExecute)},
        {"custom transparency",
         answered("Custom transparency", IDOK, &vantrel::TfrmMain::aCustomTranspExecute)},
        {"resize", answered("Resize window", IDOK, &vantrel::TfrmMain::aResizewindowExecute)},
    };
    for (int place = 0; place < 9; ++place) {
        commands.emplace_back("align " + std::to_string(place),
                              [f, place] { f->aAlignExecute(place); });
    }
    commands.emplace_back("maximize all", [f] { f->miMaxAllClick(); });
    commands.emplace_back("minimize all", [f] { f->miMinimizeAllClick(); });
    commands.emplace_back("close all", [f] { f->miCloseAllClick(); });
    return commands;
}

DWORD Packed(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

Canvas::Canvas(int width, int height, COLORREF fill)
    : width_(width), dc_(nullptr),
      bitmap_(vantrel::platform::CreateDib32(dc_.get(), width, height, &bits_)) {
    old_ = ::SelectObject(dc_.get(), bitmap_.get());
    std::fill(static_cast<DWORD*>(bits_), static_cast<DWORD*>(bits_) + width * height,
              Packed(fill));
}

Canvas::~Canvas() {
    ::SelectObject(dc_.get(), old_);
}

void Canvas::Set(int x, int y, COLORREF c) {
    static_cast<DWORD*>(bits_)[y * width_ + x] = Packed(c);
}

COLORREF Canvas::At(int x, int y) const {
    ::GdiFlush();
    const DWORD p = static_cast<const DWORD*>(bits_)[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::unique_ptr<Canvas> Shot(HWND control) {
    RECT client{};
    ::GetClientRect(control, &client);
    auto shot = std::make_unique<Canvas>(client.right, client.bottom, RGB(1, 2, 3));
    ::SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot->dc()), PRF_CLIENT);
    return shot;
}

namespace {

// Whether `found` holds for an entry of a toolhelp snapshot; `read` counts the entries seen.
template <typename Entry, typename Found>
bool AnyEntry(DWORD flags, DWORD processId, BOOL(WINAPI* first)(HANDLE, Entry*),
              BOOL(WINAPI* next)(HANDLE, Entry*), Found found, int* read = nullptr) {
    const vantrel::platform::UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(flags, processId));
    Entry entry{};
    entry.dwSize = sizeof(entry);
    for (bool more = snapshot && first(snapshot.get(), &entry); more;
         more = next(snapshot.get(), &entry)) {
        if (read != nullptr) {
            ++*read;
        }
        if (found(entry)) {
            return true;
        }
    }
    return false;
}

} // namespace

LaunchedProcess::LaunchedProcess(const std::string& program, const std::string& arguments,
                                 DWORD flags, HANDLE output)
    : process_(StartProgram("\"" + TestBinFolder() + program + "\" " + arguments, flags, nullptr,
                            nullptr, output, output)
                   .process) {}

LaunchedProcess::~LaunchedProcess() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 10000);
    }
}

bool ProcessRuns(const std::string& prefix) {
    return AnyEntry(
        TH32CS_SNAPPROCESS, 0, ::Process32First, ::Process32Next,
        [&](const PROCESSENTRY32& p) { return std::string(p.szExeFile).rfind(prefix, 0) == 0; });
}

bool ModuleLoadedInto(DWORD processId, const std::string& path) {
    int modules = 0;
    const bool loaded = AnyEntry(
        TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId, ::Module32First, ::Module32Next,
        [&](const MODULEENTRY32& m) { return ::lstrcmpiA(m.szExePath, path.c_str()) == 0; },
        &modules);
    EXPECT_GT(modules, 0) << "no module list";
    return loaded;
}

PausedProcess::PausedProcess(DWORD processId) {
    AnyEntry(TH32CS_SNAPTHREAD, 0, ::Thread32First, ::Thread32Next, [&](const THREADENTRY32& t) {
        vantrel::platform::UniqueHandle thread(
            t.th32OwnerProcessID != processId
                ? nullptr
                : ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, t.th32ThreadID));
        if (thread && ::SuspendThread(thread.get()) != static_cast<DWORD>(-1)) {
            threads_.push_back(std::move(thread));
        }
        return false;
    });
}

PausedProcess::~PausedProcess() {
    for (const vantrel::platform::UniqueHandle& thread : threads_) {
        ::ResumeThread(thread.get());
    }
}

std::string SetRuleShown(const vantrel::TfrmSetRule& d) {
    std::string shown = d.ClassNameText() + '|' + d.CaptionText() + '|' +
                        std::to_string(d.ActionIndex()) + '|' + std::to_string(d.ZOrderIndex()) +
                        '|' + d.TimeIntervalText() + '|';
    using R = vantrel::TfrmSetRule;
    const HWND h = d.Handle();
    int ie = 0; // the group, and the five controls in it, enabled
    for (HWND control : {ControlByText(h, "Internet Explorer"), Control(h, R::kIdAutoRefresh),
                         ControlByText(h, "Time Intervals:"), Control(h, R::kIdTimeInterval),
                         ControlByText(h, "second"), Control(h, R::kIdCurrentWindow)}) {
        ie += (control != nullptr && ::IsWindowEnabled(control)) ? 1 : 0;
    }
    const std::pair<bool, const char*> marks[] = {
        {d.ClassNameEditable(), "editable"},
        {!::IsWindowEnabled(Control(h, R::kIdCaption)), "nocaption"},
        {ie == 6 && d.IEGroupEnabled(), "ie"},
        {ie > 0 && ie < 6, "ie-partly"},
        {d.AutoRefreshChecked(), "refresh"},
        {d.CurrentWindowChecked(), "exclude"}};
    const std::size_t start = shown.size();
    for (const auto& [on, mark] : marks) {
        if (on) {
            shown += (shown.size() > start ? " " : "") + std::string(mark);
        }
    }
    return shown;
}

namespace {

SIZE BitmapSize(HGDIOBJ bitmap) {
    BITMAP info{};
    return ::GetObjectA(bitmap, sizeof(info), &info) != 0 ? SIZE{info.bmWidth, info.bmHeight}
                                                          : SIZE{0, 0};
}

} // namespace

std::unique_ptr<Canvas> Picture(HBITMAP bitmap) {
    const SIZE size = BitmapSize(bitmap);
    auto picture = std::make_unique<Canvas>(size.cx, size.cy, RGB(1, 2, 3));
    const vantrel::platform::ScratchDc source(picture->dc());
    const HGDIOBJ old = ::SelectObject(source.get(), bitmap);
    ::BitBlt(picture->dc(), 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
    ::SelectObject(source.get(), old);
    return picture;
}

std::vector<COLORREF> Pixels(const Canvas& picture) {
    const SIZE size = BitmapSize(::GetCurrentObject(picture.dc(), OBJ_BITMAP));
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            pixels.push_back(picture.At(x, y));
        }
    }
    return pixels;
}

bool ShellIconCall(DWORD message, HWND owner, UINT id) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = id;
    return ::Shell_NotifyIconA(message, &data) != FALSE;
}

bool HideToTray(HWND main, HWND window) {
    // The program hides only windows it lists, and lists one opened after its start once a relay
    // has announced it: asked again until the window goes.
    ULONGLONG asked = 0;
    return main != nullptr && WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; }) &&
           WaitUntil([&] {
               if (::GetTickCount64() - asked >= 200) {
                   asked = ::GetTickCount64();
                   SysMenuCommand(main, window, vantrel::kSysMinimizeToTray, true);
               }
               return !::IsWindowVisible(window);
           });
}

std::string RuleText(const vantrel::WindowRule& r) {
    std::string text = r.className + '|' + r.action + '|' + r.zOrder + '|' + r.windowCaption + '|' +
                       r.autoRefresh + '|' + r.timeInterval;
    if (vantrel::ExtrasOf(r) != vantrel::RuleExtras{}) {
        text += '|' + r.program + '|' + r.titlePattern + '|' + r.placement + '|' + r.transparency +
                (r.applyOnce ? "|once" : "|");
    }
    return text;
}

std::string RuleLines(const vantrel::RuleList& rules) {
    std::string lines;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        lines += RuleText(rules.at(i)) + '\n';
    }
    return lines;
}

namespace {
const char* const kTestRunRoot = "Software\\VantrelTest";
} // namespace

TestRunKey::TestRunKey() : path_(std::string(kTestRunRoot) + "\\" + UniqueName("Run")) {}

TestRunKey::~TestRunKey() {
    // A test that failed with auto start ticked leaves its logon task behind.
    vantrel::platform::DeleteTask(task());
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, path_.c_str());
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str());
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestRunRoot);
}

std::string TestRunKey::task() const {
    return std::string(vantrel::kAutoStartTaskName) + " " + path_.substr(path_.rfind('\\') + 1);
}

std::optional<std::string> TestRunKey::Value(const char* name) const {
    vantrel::platform::RegKey key;
    DWORD type = REG_NONE;
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    if (key.Open(HKEY_LOCAL_MACHINE, path_, KEY_READ) != ERROR_SUCCESS ||
        ::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                           &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(buffer, type == REG_SZ && size > 0 ? size - 1 : size);
}

void TestRunKey::Set(const char* name, const std::string& data, DWORD type) const {
    ASSERT_EQ(::RegSetKeyValueA(HKEY_LOCAL_MACHINE, path_.c_str(), name, type, data.c_str(),
                                static_cast<DWORD>(data.size() + (type == REG_SZ ? 1 : 0))),
              ERROR_SUCCESS);
}

std::string PlaceOf(HWND window) {
    return PlaceOf(WindowRectOf(window));
}

std::string PlaceOf(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

int AlphaOf(HWND window) {
    BYTE alpha = 0;
    DWORD flags = 0;
    return ::GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) ? alpha : -1;
}

std::string ShownAs(HWND window) {
    return ::IsIconic(window) ? "min" : ::IsZoomed(window) ? "max" : "normal";
}

bool SysMenuCommand(HWND main, HWND window, int id, bool post) {
    if (post) {
        return ::PostMessageA(main, vantrel::WM_SYSMENUCOMMAND, W(window), id) != FALSE;
    }
    ::SendMessageA(main, vantrel::WM_SYSMENUCOMMAND, W(window), id);
    return true;
}

OwnWindow::OwnWindow(const std::string& cls, const std::string& caption, WNDPROC proc, DWORD style,
                     HWND parent, RECT place, void* param) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = cls.c_str();
    registered.reset(::RegisterClassA(&wc));
    window.reset(::CreateWindowExA(0, cls.c_str(), caption.c_str(), style, place.left, place.top,
                                   place.right - place.left, place.bottom - place.top, parent,
                                   nullptr, wc.hInstance, param));
}

vantrel::platform::UniqueHandle OpenedProcess(DWORD processId) {
    return vantrel::platform::UniqueHandle(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
}

PROCESSENTRY32 ProcessEntry(DWORD processId) {
    PROCESSENTRY32 entry{};
    const bool found = AnyEntry(TH32CS_SNAPPROCESS, 0, ::Process32First, ::Process32Next,
                                [&](const PROCESSENTRY32& p) {
                                    entry = p;
                                    return p.th32ProcessID == processId;
                                });
    return found ? entry : PROCESSENTRY32{};
}

RegValueOverride::RegValueOverride(HKEY root, const char* key, const char* name, DWORD type,
                                   const void* data, DWORD size)
    : root_(root), key_(key), name_(name), old_(4096, '\0') {
    DWORD oldSize = static_cast<DWORD>(old_.size());
    had_ = ::RegGetValueA(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &oldType_, old_.data(),
                          &oldSize) == ERROR_SUCCESS;
    old_.resize(oldSize);
    set_ = ::RegSetKeyValueA(root, key, name, type, data, size) == ERROR_SUCCESS;
}

RegValueOverride::~RegValueOverride() {
    had_ ? ::RegSetKeyValueA(root_, key_.c_str(), name_.c_str(), oldType_, old_.data(),
                             static_cast<DWORD>(old_.size()))
         : ::RegDeleteKeyValueA(root_, key_.c_str(), name_.c_str());
}

} // namespace vt
