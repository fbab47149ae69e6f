#include "platform/registry.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vantrel::platform {

namespace {

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Another process may lengthen the value between the size query and the read; a few retries
// cover that without looping forever on a value that keeps changing.
constexpr int kReadAttempts = 4;

} // namespace

RegKey::~RegKey() {
    Close();
}

RegKey::RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

LONG RegKey::Open(HKEY root, const std::string& path, REGSAM access) {
    Close();
    HKEY opened = nullptr;
    const LONG rc = RegOpenKeyExA(root, path.c_str(), 0, access, &opened);
    if (rc == ERROR_SUCCESS) {
        key_ = opened;
    }
    return rc;
}

LONG RegKey::Create(HKEY root, const std::string& path, REGSAM access) {
    Close();
    HKEY opened = nullptr;
    const LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                    nullptr, &opened, nullptr);
    if (rc == ERROR_SUCCESS) {
        key_ = opened;
    }
    return rc;
}

void RegKey::Close() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

LONG RegKey::ReadString(const std::string& name, std::string& value) const {
    if (key_ == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size);
    for (int attempt = 0; rc == ERROR_SUCCESS && attempt < kReadAttempts; ++attempt) {
        if (!IsStringType(type)) {
            return ERROR_INVALID_DATATYPE;
        }
        // One spare byte terminates a value stored without its terminating zero.
        std::vector<char> data(static_cast<std::size_t>(size) + 1, '\0');
        DWORD got = size;
        rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc == ERROR_MORE_DATA) {
            size = got;
            rc = ERROR_SUCCESS;
            continue;
        }
        if (rc != ERROR_SUCCESS) {
            return rc;
        }
        if (!IsStringType(type)) {
            return ERROR_INVALID_DATATYPE;
        }
        const auto end = std::find(data.begin(), data.begin() + got, '\0');
        value.assign(data.begin(), end);
        return ERROR_SUCCESS;
    }
    return rc == ERROR_SUCCESS ? ERROR_MORE_DATA : rc;
}

LONG RegKey::WriteString(const std::string& name, const std::string& value) const {
    if (key_ == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (value.size() >= MAXDWORD) {
        return ERROR_INVALID_PARAMETER;
    }
    return RegSetValueExA(key_, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

LONG RegKey::DeleteValue(const std::string& name) const {
    if (key_ == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    return RegDeleteValueA(key_, name.c_str());
}

} // namespace vantrel::platform
