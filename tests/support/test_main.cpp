// Entry point of the test program: the same process set-up as the real program's entry, so
// that forms created by the tests behave as they do in Vantrel.exe.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/application.h"

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                              ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
    vantrel::Application::Instance().SetTitle("Vantrel");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
