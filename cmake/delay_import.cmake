# Import libraries whose DLL is loaded on the first call rather than by the loader at start.
# The loader looks in the program's own folder first for every DLL that is not one of the
# system's known DLLs, before the entry point can restrict the search: an elevated program
# started from a folder others can write to would load whatever DLL of that name was put there.
# A delay-loaded DLL is loaded by the program itself, from the system folder only
# (platform/system_library.cpp).
#
# vantrel_delay_import(<name> <dll>) makes the target <name>_delay from the toolchain's import
# library lib<name>.a: every function it exports by name, bound on first use.
function(vantrel_delay_import name dll)
    find_library(_import_lib NAMES lib${name}.a ${name} NO_CACHE REQUIRED)
    execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${_import_lib}
        OUTPUT_VARIABLE _symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" _lines "${_symbols}")
    set(_def "LIBRARY ${dll}\nEXPORTS\n")
    foreach(_line IN LISTS _lines)
        string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" _symbol "${_line}")
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            # 32-bit stdcall symbols carry a leading underscore that the .def file leaves out.
            string(REGEX REPLACE "^_" "" _symbol "${_symbol}")
        endif()
        string(APPEND _def "${_symbol}\n")
    endforeach()
    set(_def_file ${CMAKE_BINARY_DIR}/delay/${name}.def)
    set(_lib_file ${CMAKE_BINARY_DIR}/delay/lib${name}_delay.a)
    file(WRITE ${_def_file} "${_def}")
    set(_kill_at "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(_kill_at --kill-at)
    endif()
    add_custom_command(OUTPUT ${_lib_file}
        COMMAND ${CMAKE_DLLTOOL} --input-def ${_def_file} --dllname ${dll} ${_kill_at}
                --output-delaylib ${_lib_file}
        DEPENDS ${_def_file}
        VERBATIM)
    add_custom_target(${name}_delay_lib DEPENDS ${_lib_file})
    add_library(${name}_delay STATIC IMPORTED GLOBAL)
    set_target_properties(${name}_delay PROPERTIES IMPORTED_LOCATION ${_lib_file})
    add_dependencies(${name}_delay ${name}_delay_lib)
endfunction()
