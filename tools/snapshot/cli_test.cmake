# The snapshot tool's command line: values it cannot take and files it cannot write end with a
# message and a non-zero status.
# Usage: cmake -DSNAPSHOT= -DWORK=<scratch dir> -P cli_test.cmake

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(snapshot expected_status expected_message)
    execute_process(COMMAND "${SNAPSHOT}" ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE errors
        OUTPUT_QUIET)
    if(NOT status EQUAL expected_status)
        message(FATAL_ERROR "snapshot ${ARGN}: status ${status}, expected ${expected_status}\n${errors}")
    endif()
    if(NOT errors MATCHES "${expected_message}")
        message(FATAL_ERROR "snapshot ${ARGN}: message\n${errors}\ndoes not say \"${expected_message}\"")
    endif()
endfunction()

snapshot(1 "usage" --out "${WORK}/x.png" 1=)
snapshot(1 "usage" --out "${WORK}/x.png" 1=x)
snapshot(1 "usage" --out "${WORK}/x.png" 5=0.5)
snapshot(4 "could not write ${WORK}/missing/x.png: No such file or directory"
    --out "${WORK}/missing/x.png" 1=0.5)
snapshot(0 "" --out "${WORK}/x.png" 1=0 2=1e-320)
if(NOT EXISTS "${WORK}/x.png")
    message(FATAL_ERROR "no snapshot was written")
endif()
