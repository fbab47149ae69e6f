#pragma once
// The few registry values the program keeps. Failures come back as the system's error codes: one
// caller treats a missing key as "off", another must tell the user, so none is decided here.
#include <windows.h>

#include <string>

namespace vantrel::platform {

class RegKey {
public:
    RegKey() = default;
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;

    // Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing, and nothing is created.
    LONG Open(HKEY root, const std::string& path, REGSAM access);
    // Opens the key, creating it and its missing parents first.
    LONG Create(HKEY root, const std::string& path, REGSAM access);
    void Close();

    bool IsOpen() const { return key_ != nullptr; }
    HKEY Get() const { return key_; }

    // ERROR_FILE_NOT_FOUND for a missing value, ERROR_INVALID_DATATYPE for one that is neither
    // REG_SZ nor REG_EXPAND_SZ (whose text is returned unexpanded). value is left alone on error.
    LONG ReadString(const std::string& name, std::string& value) const;
    LONG WriteString(const std::string& name, const std::string& value) const;
    LONG DeleteValue(const std::string& name) const;

private:
    HKEY key_ = nullptr;
};

} // namespace vantrel::platform
