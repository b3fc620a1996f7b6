# Fails if the AVX member of the engine's library defines code that other files could link to
# in place of their own copy (cmake -P, with -DNM=, -DLIBRARY= and -DMEMBER=): an inline function
# or template compiled there for AVX would be chosen at link time for every caller, including
# the SSE2 path of a machine without AVX. Only the entry points in kernels::avx may be public.
execute_process(COMMAND "${NM}" -A -C -g --defined-only "${LIBRARY}"
    OUTPUT_VARIABLE _out ERROR_VARIABLE _err RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${_err}")
endif()
string(REPLACE "\n" ";" _lines "${_out}")
set(_entries 0)
set(_offenders "")
foreach(_line IN LISTS _lines)
    if(NOT _line MATCHES "${MEMBER}")
        continue()
    endif()
    # Code symbols: T (text, COMDAT included on Windows), W (weak), i (indirect function).
    if(NOT _line MATCHES " [TWi] ")
        continue()
    endif()
    if(_line MATCHES " tivrandel::kernels::avx::(stereoRun|fineRun|fineFir)\\(")
        math(EXPR _entries "${_entries} + 1")
    else()
        list(APPEND _offenders "${_line}")
    endif()
endforeach()
if(_offenders)
    list(JOIN _offenders "\n" _offenders)
    message(FATAL_ERROR "public code in ${MEMBER} besides its entry points:\n${_offenders}")
endif()
# stereoRun and fineRun for 32- and 64-bit samples, and fineFir.
if(NOT _entries EQUAL 5)
    message(FATAL_ERROR "expected the five entry points in ${MEMBER}, found ${_entries}")
endif()
