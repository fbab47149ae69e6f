#include "platform/task_scheduler.h"

#include <sddl.h>
#include <taskschd.h>

#include <vector>

#include "platform/com_scope.h"
#include "platform/handles.h"

namespace vantrel::platform {

namespace {

const HRESULT kTaskMissing = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

// The scheduler's root folder, connected on this machine as the current user.
HRESULT RootFolder(ComPtr<ITaskFolder>& folder) {
    ComPtr<ITaskService> service;
    HRESULT hr = ::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskService, service.OutVoid());
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT none;
    ::VariantInit(&none);
    hr = service->Connect(none, none, none, none);
    if (FAILED(hr)) {
        return hr;
    }
    const Bstr root(L"\\");
    return service->GetFolder(root.Get(), folder.Out());
}

} // namespace

HRESULT RegisterTaskXml(const std::string& name, const std::wstring& xml) {
    const ComScope com;
    ComPtr<ITaskFolder> folder;
    HRESULT hr = RootFolder(folder);
    if (FAILED(hr)) {
        return hr;
    }
    const Bstr taskName(Widen(name).c_str());
    const Bstr definition(xml.c_str());
    VARIANT none;
    ::VariantInit(&none);
    ComPtr<IRegisteredTask> registered;
    return folder->RegisterTask(taskName.Get(), definition.Get(), TASK_CREATE_OR_UPDATE, none, none,
                                TASK_LOGON_INTERACTIVE_TOKEN, none, registered.Out());
}

HRESULT DeleteTask(const std::string& name) {
    const ComScope com;
    ComPtr<ITaskFolder> folder;
    HRESULT hr = RootFolder(folder);
    if (FAILED(hr)) {
        return hr;
    }
    const Bstr taskName(Widen(name).c_str());
    hr = folder->DeleteTask(taskName.Get(), 0);
    return hr == kTaskMissing ? S_OK : hr;
}

HRESULT ReadTaskXml(const std::string& name, std::wstring& xml) {
    const ComScope com;
    ComPtr<ITaskFolder> folder;
    HRESULT hr = RootFolder(folder);
    if (FAILED(hr)) {
        return hr;
    }
    const Bstr taskName(Widen(name).c_str());
    ComPtr<IRegisteredTask> task;
    hr = folder->GetTask(taskName.Get(), task.Out());
    if (FAILED(hr)) {
        return hr;
    }
    Bstr text;
    hr = task->get_Xml(text.Out());
    if (SUCCEEDED(hr)) {
        xml.assign(text.Get() != nullptr ? text.Get() : L"");
    }
    return hr;
}

bool IsSchedulerMissing(HRESULT hr) {
    return hr == REGDB_E_CLASSNOTREG;
}

namespace {

std::string UserSidOf(HANDLE process) {
    HANDLE raw = nullptr;
    if (process == nullptr || !::OpenProcessToken(process, TOKEN_QUERY, &raw)) {
        return "";
    }
    const UniqueHandle token(raw);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) {
        return "";
    }
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        return "";
    }
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return "";
    }
    std::string sid(text);
    ::LocalFree(text);
    return sid;
}

} // namespace

std::string CurrentUserSid() {
    return UserSidOf(::GetCurrentProcess());
}

std::string InteractiveUserSid() {
    // The desktop shell runs as the user who logged on, whoever's credentials were typed into
    // the elevation prompt that started this program.
    DWORD pid = 0;
    const HWND shell = ::GetShellWindow();
    if (shell != nullptr && ::GetWindowThreadProcessId(shell, &pid) != 0 && pid != 0) {
        const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        const std::string sid = UserSidOf(process.get());
        if (!sid.empty()) {
            return sid;
        }
    }
    return CurrentUserSid();
}

} // namespace vantrel::platform
