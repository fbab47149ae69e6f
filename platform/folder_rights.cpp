#include "platform/folder_rights.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>

namespace vantrel::platform {

namespace {

struct LocalFreer {
    void operator()(void* memory) const { ::LocalFree(memory); }
};
using LocalMemory = std::unique_ptr<void, LocalFreer>;

// The service SID of TrustedInstaller, which owns the system's own program folders.
constexpr char kTrustedInstaller[] =
    "S-1-5-80-956008885-3425634829-2722637470-1476479046-2237066491";

bool Trusted(PSID sid) {
    if (sid == nullptr || !::IsValidSid(sid)) {
        return false;
    }
    if (::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
        ::IsWellKnownSid(sid, WinLocalSystemSid)) {
        return true;
    }
    PSID installer = nullptr;
    if (!::ConvertStringSidToSidA(kTrustedInstaller, &installer)) {
        return false;
    }
    const LocalMemory owned(installer);
    return ::EqualSid(sid, installer) != FALSE;
}

ACCESS_MASK RightsOf(Change change) {
    constexpr ACCESS_MASK place =
        DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD | GENERIC_ALL;
    return change == Change::Place ? place
                                   : place | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                         FILE_WRITE_ATTRIBUTES | GENERIC_WRITE;
}

} // namespace

bool OnlyAdministratorsMay(Change change, const std::string& sddl) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (sddl.empty() || !::ConvertStringSecurityDescriptorToSecurityDescriptorA(
                            sddl.c_str(), SDDL_REVISION_1, &raw, nullptr)) {
        return false;
    }
    const LocalMemory descriptor(raw);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(raw, &owner, &defaulted) || !Trusted(owner)) {
        return false;
    }
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(raw, &present, &dacl, &defaulted) || !present ||
        dacl == nullptr) {
        return false;
    }
    const ACCESS_MASK rights = RightsOf(change);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) {
            return false;
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0 ||
            header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE) {
            continue;
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            return false;
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & rights) != 0 && !Trusted(sid)) {
            return false;
        }
    }
    return true;
}

std::string SecurityDescriptorOf(const std::string& path) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &raw) != ERROR_SUCCESS) {
        return {};
    }
    const LocalMemory descriptor(raw);
    LPSTR text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            raw, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text,
            nullptr)) {
        return {};
    }
    const LocalMemory owned(text);
    return text;
}

} // namespace vantrel::platform
