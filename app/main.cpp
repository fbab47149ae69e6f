#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/main_form.h"
#include "platform/system_library.h"

namespace {
std::string ExeFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    const auto slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        const int n = ::WideCharToMultiByte(CP_ACP, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(n > 0 ? static_cast<size_t>(n) : 1, '\0');
        ::WideCharToMultiByte(CP_ACP, 0, argv[i], -1, arg.data(), n, nullptr, nullptr);
        arg.resize(arg.size() - 1);
        args.push_back(arg);
    }
    ::LocalFree(argv);
    return args;
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // Before anything can load a library: the elevated program takes none from its own folder.
    vantrel::platform::RestrictLibrarySearch();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                              ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
    vantrel::Application& app = vantrel::Application::Instance();
    app.SetTitle("Vantrel");
    app.Initialize(instance);

    vantrel::MainFormOptions options;
    options.exeFolder = ExeFolder();
    options.args = Arguments();
    vantrel::TfrmMain form(options);
    if (!form.Create(instance, showCommand)) {
        return 1;
    }
    return app.Run();
}
