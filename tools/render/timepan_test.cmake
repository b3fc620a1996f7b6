# Renders a short demo with time pan held at 1.0 through the bundle and measures the lag of the
# left channel. Usage: cmake -DRENDER= -DCHECK= -DPLUGIN= -DOUTPUT= -DPRECISION=32|64 -P ...

set(extra "")
if(PRECISION STREQUAL "64")
    set(extra --double)
endif()
execute_process(
    COMMAND "${RENDER}" --plugin "${PLUGIN}" --length 1.5 --rate 48000 --param timepan=0:1
        ${extra} "${OUTPUT}"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "tivrandel-render failed (${status})")
endif()
execute_process(COMMAND "${CHECK}" "${OUTPUT}" 38 0.1 RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the left channel does not lag the right one by 38 samples")
endif()
