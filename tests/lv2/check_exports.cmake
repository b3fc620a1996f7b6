# The LV2 binary's dynamic symbol table must hold the two descriptors and nothing else.
# Usage: cmake -DMODULE=<file> -DNM=<nm> -P check_exports.cmake
execute_process(COMMAND "${NM}" -D --defined-only "${MODULE}"
    OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ [A-Za-z] [^\n]+" lines "${listing}")
set(exported "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" name "${line}")
    list(APPEND exported "${name}")
endforeach()
list(SORT exported)
if(NOT exported STREQUAL "lv2_descriptor;lv2ui_descriptor")
    message(FATAL_ERROR "exported symbols differ from the descriptors: ${exported}")
endif()
