# Run-time checks for test builds (VANTREL_CHECKED=ON). Include this file before the first target
# is defined, so that the program, its library, the fixture and the tests are all built with it.
#
# AddressSanitizer is not an option here: MinGW-w64 GCC ships no libasan (-fsanitize=address fails
# to link), and Debian's clang has no Windows sanitizer runtime either. What works with the MinGW
# cross compiler under Wine, and is used instead:
#   - UndefinedBehaviorSanitizer in trap mode: signed overflow, shifts, out-of-bounds array
#     indexing, misaligned or null access and the like end the process with an illegal
#     instruction at the faulty line. No runtime library is needed.
#   - libstdc++ assertions: operator[] of vector and string, front/back of empty containers and
#     similar checks abort with a message that names the check.
#   - Stack protector and fortified string and memory functions: a smashed stack or an overrun
#     buffer of known size ends the process.
# Heap damage is left to the test prefix: with the heap flags set for the test programs (see
# below) the system heap marks freed and overrun blocks, and the hostile tests validate every heap
# of the process after each test.
#
# In CI:
#   cmake ... -DVANTREL_CHECKED=ON
#   wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution
#       Options\vantrel_tests.exe' /v GlobalFlag /t REG_DWORD /d 0x70 /f   (same for Vantrel.exe)
#   WINEDLLOVERRIDES="...;winedbg.exe=d" ctest -R 'Hostile'
# winedbg must be disabled: otherwise a trap starts the debugger, which waits on the display and
# turns a clear crash into a time-out.
option(VANTREL_CHECKED "Build with the run-time checks that work with MinGW under Wine" OFF)

if(VANTREL_CHECKED)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        message(FATAL_ERROR "VANTREL_CHECKED needs GCC (MinGW-w64); found ${CMAKE_CXX_COMPILER_ID}")
    endif()
    # The hook DLL (the only module) is built without any C runtime, and the stack protector and
    # the fortified functions live in libssp; the trap-mode checks need no library and apply
    # everywhere.
    set(vantrel_runtime_checks $<NOT:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,MODULE_LIBRARY>>)
    add_compile_definitions(_GLIBCXX_ASSERTIONS $<${vantrel_runtime_checks}:_FORTIFY_SOURCE=2>)
    add_compile_options(
        -fsanitize=undefined
        -fsanitize-undefined-trap-on-error
        -fno-sanitize-recover=all
        -fno-omit-frame-pointer
        $<${vantrel_runtime_checks}:-fstack-protector-strong>)
    # The driver adds libssp when it sees the flag at link time too.
    add_link_options($<${vantrel_runtime_checks}:-fstack-protector-strong>)
endif()
