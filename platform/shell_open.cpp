#include "platform/shell_open.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>

#include "platform/com_scope.h"
#include "platform/handles.h"

namespace vantrel::platform {

bool IsProcessElevated() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return false;
    }
    const UniqueHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation,
                                 &size) != FALSE &&
           elevation.TokenIsElevated != 0;
}

bool OpenThroughDesktopShell(const std::string& target, int showCommand) {
    const ComScope com;
    if (!com.Usable()) {
        return false;
    }
    // The desktop's folder view lives in Explorer's process; its automation object hands out the
    // shell's dispatch interface there, and ShellExecute on that runs inside Explorer.
    ComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IShellWindows, windows.OutVoid()))) {
        return false;
    }
    VARIANT desktop;
    ::VariantInit(&desktop);
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT none;
    ::VariantInit(&none);
    long found = 0;
    ComPtr<IDispatch> browserDispatch;
    if (windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &found, SWFO_NEEDDISPATCH,
                              browserDispatch.Out()) != S_OK ||
        !browserDispatch) {
        return false;
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(browserDispatch->QueryInterface(IID_IServiceProvider, services.OutVoid())) ||
        FAILED(
            services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.OutVoid())) ||
        FAILED(browser->QueryActiveShellView(view.Out())) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.OutVoid())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.OutVoid())) ||
        FAILED(folderView->get_Application(application.Out())) || !application ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.OutVoid()))) {
        return false;
    }
    const Bstr file(Widen(target).c_str());
    const Bstr verb(L"open");
    VARIANT operation;
    ::VariantInit(&operation);
    operation.vt = VT_BSTR;
    operation.bstrVal = verb.Get();
    VARIANT show;
    ::VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = showCommand;
    // Explorer is not the foreground process: without this, what it opens would stay behind.
    ::CoAllowSetForegroundWindow(shell.Get(), nullptr);
    return SUCCEEDED(shell->ShellExecute(file.Get(), none, none, operation, show));
}

} // namespace vantrel::platform
