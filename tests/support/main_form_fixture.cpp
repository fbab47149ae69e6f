#include "support/main_form_fixture.h"

#include <fstream>

#include "support/dialog_driver.h"

namespace vt {

void MainFormTest::WriteFile(const std::string& name, const std::string& text) {
    std::ofstream out(dir_.path() + name, std::ios::binary);
    out << text;
}

void MainFormTest::WriteUserSettings(const std::string& text) {
    for (const char* sub : {"appdata", "appdata\\Ostrim", "appdata\\Ostrim\\Vantrel"}) {
        ::CreateDirectoryA((dir_.path() + sub).c_str(), nullptr);
    }
    WriteFile("appdata\\Ostrim\\Vantrel\\vantrel.dat", text);
}

vantrel::TfrmMain& MainFormTest::Start(std::vector<std::string> args) {
    vantrel::MainFormOptions options;
    options.exeFolder = dir_.path();
    options.appDataFolder = dir_.path() + "appdata\\";
    options.askShellForAppData = false;
    options.args = std::move(args);
    options.startRelay = startRelay_;
    options.noLayeredWindows = noLayeredWindows_;
    options.shellHookRegistered = shellHookRegistered_;
    form_ = std::make_unique<vantrel::TfrmMain>(options);
    EXPECT_TRUE(form_->Create(::GetModuleHandleA(nullptr), SW_SHOWNORMAL));
    PumpMessages();
    return *form_;
}

int MainFormTest::RowOf(HWND window) {
    form_->catalogue().Rebuild();
    return form_->windows().Find(window);
}

void MainFormTest::TearDown() {
    DropPendingScripts();
    form_.reset();
    vantrel::Application::Instance().Reset();
    // A form that ended posts WM_QUIT; it must not end the next test's loops.
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    PumpMessages();
}

} // namespace vt
