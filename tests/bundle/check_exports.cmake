# The module's dynamic symbol table must hold the entry points and nothing else of ours.
# Usage: cmake -DMODULE=<file> -DNM=<nm> -P check_exports.cmake

set(expected ExitDll GetPluginFactory InitDll ModuleEntry ModuleExit VSTPluginMain main)

execute_process(COMMAND "${NM}" -D --defined-only "${MODULE}"
    OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${MODULE}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(exported "")
foreach(line IN LISTS lines)
    # "<address> <type> <name>"
    if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] ([^ ]+)$")
        list(APPEND exported "${CMAKE_MATCH_1}")
    endif()
endforeach()
list(SORT exported)

if(NOT exported STREQUAL expected)
    list(JOIN exported "\n  " shown)
    message(FATAL_ERROR "exported symbols differ from the entry points:\n  ${shown}")
endif()
