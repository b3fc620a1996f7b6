# The render's command line end to end: a saved state brings the time pan back in a later
# render, and failures end with a message and a non-zero status.
# Usage: cmake -DRENDER= -DCHECK= -DPLUGIN= -DWORK=<scratch dir> -P cli_test.cmake

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(render expected_status expected_message)
    execute_process(COMMAND "${RENDER}" --plugin "${PLUGIN}" --length 0.5 ${ARGN}
        RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL expected_status)
        message(FATAL_ERROR "render ${ARGN}: status ${status}, expected ${expected_status}\n${errors}")
    endif()
    if(NOT errors MATCHES "${expected_message}")
        message(FATAL_ERROR "render ${ARGN}: message\n${errors}\ndoes not say \"${expected_message}\"")
    endif()
endfunction()

render(0 "" --param timepan=0:1 --save-state "${WORK}/state.bin" "${WORK}/first.wav")
render(0 "" --load-state "${WORK}/state.bin" "${WORK}/again.wav")
execute_process(COMMAND "${CHECK}" "${WORK}/again.wav" 38 0.1 RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the loaded state did not bring back full right time pan")
endif()

file(WRITE "${WORK}/garbage.bin" "not a state")
render(1 "refused the state" --load-state "${WORK}/garbage.bin" "${WORK}/x.wav")
render(1 "cannot read" "${WORK}/missing.wav" "${WORK}/x.wav")
render(1 "cannot load the plug-in" --plugin "${WORK}/missing.so" "${WORK}/x.wav")
render(2 "unknown parameter" --param pan=0:1 "${WORK}/x.wav")
render(2 "no output file" --double)
if(EXISTS "${WORK}/x.wav")
    message(FATAL_ERROR "a failed render left an output file")
endif()
