#pragma once
// The "Settings" command of the main window: shows the Options dialog and carries its outcome
// over to the windows that are open now.
#include <string>

namespace vantrel {

class TfrmMain;

void aSettingsExecute(TfrmMain& form);
// As above with the Run key under HKEY_LOCAL_MACHINE named by the caller (tests use a private
// key); an empty path means the system's Run key.
void aSettingsExecute(TfrmMain& form, const std::string& runKeyOverride);

} // namespace vantrel
