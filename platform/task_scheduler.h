#pragma once
// Tasks of the Task Scheduler (version 2.0, through its COM interface) in the scheduler's root
// folder, given and read back as their XML definitions. Each call brings COM up for itself.
#include <windows.h>

#include <string>

namespace vantrel::platform {

// Registers the task, replacing one of the same name, for the interactive logon of the user the
// definition names.
HRESULT RegisterTaskXml(const std::string& name, const std::wstring& xml);
// Removes the task; a task that is not there counts as removed.
HRESULT DeleteTask(const std::string& name);
// The definition as the scheduler keeps it; HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when there
// is no such task.
HRESULT ReadTaskXml(const std::string& name, std::wstring& xml);
// The error means that the system has no Task Scheduler 2.0 (before Windows Vista).
bool IsSchedulerMissing(HRESULT hr);

// The security identifier of the user this process runs for ("S-1-5-21-..."), or "".
std::string CurrentUserSid();
// The SID of the user logged on to this session (the desktop shell's), which is not this
// process's user when an administrator's credentials were typed into the elevation prompt;
// CurrentUserSid() where the shell cannot be asked.
std::string InteractiveUserSid();

} // namespace vantrel::platform
