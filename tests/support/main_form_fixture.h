#pragma once
// A main window created inside the test process, with its files in a private folder, for tests
// that drive its commands directly.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/application.h"
#include "app/main_form.h"
#include "support/fixture_client.h"
#include "support/wait.h"

namespace vt {

class MainFormTest : public ::testing::Test {
protected:
    // Writes files the form should find at start (rules.dat, vantrel.dat) before Start().
    void WriteFile(const std::string& name, const std::string& text);
    // Writes the user's own vantrel.dat in the form's application-data folder, before Start().
    void WriteUserSettings(const std::string& text);
    // Creates the form; `args` as on the command line after the program name.
    vantrel::TfrmMain& Start(std::vector<std::string> args = {});
    void TearDown() override;
    vantrel::TfrmMain& form() { return *form_; }
    // Rebuilds the list and returns the row of the window, or -1.
    int RowOf(HWND window);
    const std::string& folder() const { return dir_.path(); }

    bool startRelay_ = false;
    bool noLayeredWindows_ = false;
    bool shellHookRegistered_ = false;
    TempDir dir_;
    std::unique_ptr<vantrel::TfrmMain> form_;
};

} // namespace vt
