# Build-wide flags and the warning policy for our own targets.

# The engine's outputs are compared bit for bit against an independent model: no contraction
# into fused multiply-adds and no value-changing optimisations, on every compiler and target.
# (C and C++ only: on Windows the resource compiler shares the targets.)
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffp-contract=off;-fno-fast-math>")

set(TIVRANDEL_SANITIZE "" CACHE STRING "Sanitizers for the whole build: address;undefined, or thread")
if(TIVRANDEL_SANITIZE)
    list(JOIN TIVRANDEL_SANITIZE "," _san)
    add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_san})
endif()

option(TIVRANDEL_FUZZ "Build the libFuzzer targets (clang only)" OFF)

# Warnings are errors in our own code only; the SDK is built with its own flags.
function(tivrandel_warnings target)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:-Wall;-Wextra;-Wpedantic;-Wshadow;-Wconversion;-Wno-sign-conversion;-Werror>")
endfunction()

# Linux builds are hardened as Debian builds its packages: string and memory functions checked
# where the compiler knows the sizes (that needs optimisation), and relocations resolved at load
# and then made read-only. The sanitizer and fuzz builds check those bounds themselves.
if(NOT WIN32 AND NOT TIVRANDEL_SANITIZE AND NOT TIVRANDEL_FUZZ)
    add_compile_options(
        "$<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<NOT:$<CONFIG:Debug>>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    add_link_options("LINKER:-z,relro,-z,now")
endif()

# A shipped Linux module carries none of the compiler's version notes, which the C runtime's
# start-up files bring in too (so no compiler flag leaves them out).
function(tivrandel_shipped_module target)
    if(NOT WIN32)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND "${CMAKE_OBJCOPY}" --remove-section=.comment "$<TARGET_FILE:${target}>"
            VERBATIM)
    endif()
endfunction()

if(TIVRANDEL_FUZZ)
    # Coverage instrumentation for everything the fuzz targets reach; the targets link libFuzzer.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
