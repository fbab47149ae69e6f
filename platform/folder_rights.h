#pragma once
// Who may change the files an elevated program starts from. A program that starts elevated at
// every logon hands administrator rights to anyone who can change its executable, the libraries
// it loads or the files it reads beside it, or move its folder away and put another in its place.
#include <string>

namespace vantrel::platform {

// What a check asks of a file or folder.
enum class Change {
    Contents, // write, add, delete or re-permission: the program's folder and its files
    Place,    // move, delete or re-permission: the folders above it
};

// True when, by this security descriptor (SDDL with owner and DACL), nobody but Administrators,
// SYSTEM and TrustedInstaller may make that change: the owner is one of them (an owner may always
// rewrite the DACL) and no ACE that applies to the object itself allows it to anyone else. A
// missing or unreadable descriptor, a null DACL and allow ACEs of kinds not looked into count as
// allowing it.
bool OnlyAdministratorsMay(Change change, const std::string& sddl);

// The owner and DACL of an existing file or folder as SDDL; empty when it cannot be read.
std::string SecurityDescriptorOf(const std::string& path);

} // namespace vantrel::platform
