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

# The render never loses a file: not the input it would write over, directly or through a
# link, and not an earlier output when it fails.
file(COPY_FILE "${WORK}/first.wav" "${WORK}/keep.wav")
file(CREATE_LINK "first.wav" "${WORK}/link.wav" SYMBOLIC)
render(1 "refusing to write" "${WORK}/first.wav" "${WORK}/first.wav")
render(1 "refusing to write" "${WORK}/first.wav" "${WORK}/link.wav")
render(1 "refusing to write" --load-state "${WORK}/state.bin" "${WORK}/state.bin")
render(1 "refused the state" --load-state "${WORK}/garbage.bin" "${WORK}/first.wav")
file(SHA256 "${WORK}/first.wav" now)
file(SHA256 "${WORK}/keep.wav" before)
if(NOT now STREQUAL before)
    message(FATAL_ERROR "a refused or failed render changed an existing file")
endif()
file(GLOB leftovers "${WORK}/.*")
if(leftovers)
    message(FATAL_ERROR "a failed render left temporary files: ${leftovers}")
endif()

# States are read up to what one can be (/dev/zero never ends); the 80,000 nested objects that
# once overflowed the stack are refused.
render(1 "larger than a saved state can be" --load-state /dev/zero "${WORK}/x.wav")
file(WRITE "${WORK}/deep.sh" [=[
printf '\201\032\006\000'
yes '{"":' | head -n 80000 | tr -d '\n'
printf 1
yes '}' | head -n 80000 | tr -d '\n'
]=])
execute_process(COMMAND sh "${WORK}/deep.sh" OUTPUT_FILE "${WORK}/deep.bin")
file(SIZE "${WORK}/deep.bin" size)
if(NOT size EQUAL 400005)
    message(FATAL_ERROR "deep.bin has ${size} bytes")
endif()
render(1 "refused the state" --load-state "${WORK}/deep.bin" "${WORK}/x.wav")
render(0 "" --param timepan=1e-320:0.5 "${WORK}/tiny.wav")
render(2 "beyond the last sample position" --param timepan=0:0,1e15:1 "${WORK}/x.wav")
render(0 "" "${WORK}/first.wav" /dev/null)

# The fine delay's latency is taken off the start: at the centre, with the fine delay on from
# the first sample, both ears are the input where it was, in 32 and 64 bits.
foreach(extra IN ITEMS "" --double)
    render(0 "" --param finedelay=0:1 ${extra} "${WORK}/first.wav" "${WORK}/fine.wav")
    execute_process(COMMAND "${CHECK}" --against "${WORK}/first.wav" "${WORK}/fine.wav" 0
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "the fine delay's render ${extra} is not aligned with its input")
    endif()
endforeach()
render(2 "finedelay" --param fine=0:1 "${WORK}/x.wav")
