#pragma once
// The lock that lets one relay per bitness hold the hooks (see vantrel_relay.cpp). A mutex of a
// plain session name could be created first by any process of the user, of lower integrity too,
// and the relays would then wait for it for ever and report nothing. Where the system has private
// namespaces the lock lives in one bounded to the Administrators group, which only an elevated
// process can create or open; a process without those rights cannot take the name first.
#include "relay/relay_protocol.h"

#include <sddl.h>

namespace vantrel::relay {

// What became of the private namespace.
enum class NamespaceOutcome {
    Made,        // created or opened: the lock lives in it
    Unsupported, // the system has none (Wine; Windows before Vista)
    Refused,     // the system has them, but this process is not within the boundary
};

enum class HookLockKind {
    PrivateNamespace,
    SessionName, // the lock's plain name in the session, as before private namespaces
    None,        // no lock: this relay holds the hooks at once
};

// Which lock to use. A plain session name is safe only where it guards nothing that others lack:
// on a system without private namespaces (nothing there runs elevated, or, under Wine, there are
// no integrity levels), or for a relay that runs with the user's own rights, whose hooks any
// process of the user may install as well. An elevated relay outside the boundary takes no lock:
// two relays reporting the same event twice beat a relay kept waiting by a planted name.
constexpr HookLockKind ChooseHookLock(NamespaceOutcome outcome, bool elevated) {
    return outcome == NamespaceOutcome::Made                       ? HookLockKind::PrivateNamespace
           : outcome == NamespaceOutcome::Unsupported || !elevated ? HookLockKind::SessionName
                                                                   : HookLockKind::None;
}

// The namespace's prefix is this and the session's number: private namespaces are not kept
// apart by session, while hooks are, so each session's relays have a lock of their own.
inline constexpr wchar_t kNamespacePrefixFormat[] = L"VantrelSession%lu";
#ifdef _WIN64
inline constexpr char kHookMutexLeaf[] = "RelayHooks64";
inline constexpr char kHookMutexInSession[] = "Local\\VantrelRelayHooks64";
#else
inline constexpr char kHookMutexLeaf[] = "RelayHooks32";
inline constexpr char kHookMutexInSession[] = "Local\\VantrelRelayHooks32";
#endif
// Only Administrators and SYSTEM may open the namespace or make objects in it.
inline constexpr char kNamespaceSecurity[] = "D:P(A;;GA;;;BA)(A;;GA;;;SY)";

inline bool ProcessIsElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return false;
    }
    const KernelHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

// Holds the namespace (while it is open the lock's name stays valid) and the lock itself.
class HookLock {
public:
    HookLock() {
        kind_ = ChooseHookLock(OpenNamespace(), ProcessIsElevated());
        if (kind_ == HookLockKind::PrivateNamespace) {
            char name[96];
            wsprintfA(name, "%ls\\%s", prefix_, kHookMutexLeaf);
            mutex_ = CreateMutexA(nullptr, FALSE, name);
        } else if (kind_ == HookLockKind::SessionName) {
            mutex_ = CreateMutexA(nullptr, FALSE, kHookMutexInSession);
        }
    }
    ~HookLock() {
        if (mutex_ != nullptr) {
            CloseHandle(mutex_);
        }
        if (namespace_ != nullptr) {
            // Not destroyed: other relays may still hold it open.
            api_.close(namespace_, 0);
        }
        if (boundary_ != nullptr) {
            api_.deleteBoundary(boundary_);
        }
    }
    HookLock(const HookLock&) = delete;
    HookLock& operator=(const HookLock&) = delete;

    HookLockKind kind() const { return kind_; }
    // The mutex to wait for; null when there is none to wait for.
    HANDLE mutex() const { return mutex_; }

private:
    struct NamespaceApi {
        HANDLE(WINAPI* createBoundary)(LPCWSTR, ULONG) = nullptr;
        BOOL(WINAPI* addSid)(HANDLE*, PSID) = nullptr;
        VOID(WINAPI* deleteBoundary)(HANDLE) = nullptr;
        HANDLE(WINAPI* create)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR) = nullptr;
        HANDLE(WINAPI* open)(LPVOID, LPCWSTR) = nullptr;
        BOOLEAN(WINAPI* close)(HANDLE, ULONG) = nullptr;
    };

    template <typename Fn> static void Look(HMODULE module, const char* name, Fn& fn) {
        fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    NamespaceOutcome OpenNamespace() {
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        if (kernel == nullptr) {
            return NamespaceOutcome::Unsupported;
        }
        Look(kernel, "CreateBoundaryDescriptorW", api_.createBoundary);
        Look(kernel, "AddSIDToBoundaryDescriptor", api_.addSid);
        Look(kernel, "DeleteBoundaryDescriptor", api_.deleteBoundary);
        Look(kernel, "CreatePrivateNamespaceW", api_.create);
        Look(kernel, "OpenPrivateNamespaceW", api_.open);
        Look(kernel, "ClosePrivateNamespace", api_.close);
        if (!api_.createBoundary || !api_.addSid || !api_.deleteBoundary || !api_.create ||
            !api_.open || !api_.close) {
            return NamespaceOutcome::Unsupported;
        }
        DWORD session = 0;
        ProcessIdToSessionId(GetCurrentProcessId(), &session);
        wsprintfW(prefix_, kNamespacePrefixFormat, session);
        // Asked first because Wine makes no boundary and has nothing but a stub behind the
        // namespace calls, which ends the process that calls it.
        boundary_ = api_.createBoundary(prefix_, 0);
        if (boundary_ == nullptr) {
            return NamespaceOutcome::Unsupported;
        }
        BYTE administrators[SECURITY_MAX_SID_SIZE];
        DWORD sidSize = sizeof(administrators);
        if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) ||
            !api_.addSid(&boundary_, administrators)) {
            return NamespaceOutcome::Refused;
        }
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
                kNamespaceSecurity, SDDL_REVISION_1, &descriptor, nullptr)) {
            return NamespaceOutcome::Refused;
        }
        SECURITY_ATTRIBUTES attributes{static_cast<DWORD>(sizeof(attributes)), descriptor, FALSE};
        // The first relay creates it, the others open it. One that is being closed as its last
        // holder ends can be neither for a moment; a few tries get past that.
        for (int attempt = 0; attempt < 8 && namespace_ == nullptr; ++attempt) {
            namespace_ = api_.create(&attributes, boundary_, prefix_);
            if (namespace_ == nullptr) {
                if (GetLastError() != ERROR_ALREADY_EXISTS) {
                    break;
                }
                namespace_ = api_.open(boundary_, prefix_);
            }
        }
        LocalFree(descriptor);
        return namespace_ != nullptr ? NamespaceOutcome::Made : NamespaceOutcome::Refused;
    }

    NamespaceApi api_;
    wchar_t prefix_[48] = {};
    HANDLE boundary_ = nullptr;
    HANDLE namespace_ = nullptr;
    HANDLE mutex_ = nullptr;
    HookLockKind kind_ = HookLockKind::None;
};

} // namespace vantrel::relay
