# A Windows module or program must import system DLLs only: the C and C++ runtimes are linked in,
# so that nothing but Windows itself need be installed beside it.
# Usage: cmake -DOBJDUMP=<objdump> -DFILE=<file> [-DEXPECTED=<dll;...>] -P check_imports.cmake
# With EXPECTED, the imports must be exactly those (compared without case).

cmake_minimum_required(VERSION 3.25)

set(system_dlls advapi32.dll gdi32.dll gdiplus.dll kernel32.dll msvcrt.dll ole32.dll
    oleaut32.dll opengl32.dll shell32.dll user32.dll version.dll)

execute_process(COMMAND "${OBJDUMP}" -p "${FILE}" OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} failed on ${FILE}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${listing}")
set(imports "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^DLL Name: *" "" name "${line}")
    string(STRIP "${name}" name)
    string(TOLOWER "${name}" name)
    list(APPEND imports "${name}")
endforeach()
list(SORT imports)
list(JOIN imports " " shown)

foreach(name IN LISTS imports)
    if(NOT name IN_LIST system_dlls)
        message(FATAL_ERROR "${FILE} imports ${name}, which is not a Windows system DLL (${shown})")
    endif()
endforeach()

if(DEFINED EXPECTED)
    string(TOLOWER "${EXPECTED}" expected)
    list(SORT expected)
    if(NOT imports STREQUAL expected)
        message(FATAL_ERROR "${FILE} imports ${shown}; expected ${expected}")
    endif()
endif()
message(STATUS "${FILE}: ${shown}")
