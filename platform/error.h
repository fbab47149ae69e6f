#pragma once
// Failures that end the current command and reach the user through the main window's central
// error handler (an error message box). Anything below the command level throws one of these.
#include <stdexcept>
#include <string>

namespace vantrel {

class UserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the first "%s" of a message pattern; the patterns come from a fixed table, never from
// the user, but the argument may (a path or a value name), so no printf-style formatting here.
inline std::string FormatWithArg(const std::string& pattern, const std::string& arg) {
    const auto at = pattern.find("%s");
    if (at == std::string::npos) {
        return pattern;
    }
    return pattern.substr(0, at) + arg + pattern.substr(at + 2);
}

inline constexpr const char* kUnableToWrite = "Unable to write to %s";
inline constexpr const char* kFailedToSetData = "Failed to set data for '%s'";
inline constexpr const char* kInvalidDataType = "Invalid data type for '%s'";

} // namespace vantrel
