# A 64-bit build ships the 32-bit relay pair too (cmake/relay32/CMakeLists.txt), built with the
# i686 toolchain as a project of its own inside this build's tree.
option(VANTREL_RELAY32 "Build the 32-bit relay pair into a 64-bit build" ON)
if(VANTREL_RELAY32 AND MINGW AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    include(ExternalProject)
    ExternalProject_Add(vantrel_relay32
        SOURCE_DIR ${CMAKE_SOURCE_DIR}/cmake/relay32
        BINARY_DIR ${CMAKE_BINARY_DIR}/relay32
        CMAKE_ARGS
            -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
            -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
            -DVANTREL_BIN_DIR=${CMAKE_BINARY_DIR}/bin
            -DVANTREL_TESTS=${VANTREL_TESTS}
            -DVANTREL_CHECKED=${VANTREL_CHECKED}
        BUILD_ALWAYS ON
        INSTALL_COMMAND "")
    # The program starts both pairs, so building it builds both.
    add_dependencies(Vantrel vantrel_relay32)
endif()
