# The loadable plug-in: the module's entry points over the product library, as a VST3 bundle
# (Linux) or a single .vst3 DLL (Windows), exporting the entry points and nothing else.

# What the entry points do, apart from being exported, so that tests can link it too. The VST 2
# wrapper (kvvst2) is one of the adapters, made in source/wrappers.
add_library(tivrandel_entry STATIC "${CMAKE_CURRENT_LIST_DIR}/entrypoints.cpp")
target_link_libraries(tivrandel_entry PUBLIC tivrandel_core kvvstgui kvvst2)
tivrandel_warnings(tivrandel_entry)

set(TIVRANDEL_BUNDLE_NAME Tivrandel64)
set(TIVRANDEL_BUNDLE_DIR "${PROJECT_BINARY_DIR}/${TIVRANDEL_BUNDLE_NAME}.vst3")

add_library(Tivrandel64 MODULE "${CMAKE_CURRENT_LIST_DIR}/entry.cpp")
target_link_libraries(Tivrandel64 PRIVATE tivrandel_entry)
tivrandel_warnings(Tivrandel64)
set_target_properties(Tivrandel64 PROPERTIES
    OUTPUT_NAME ${TIVRANDEL_BUNDLE_NAME}
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)

if(WIN32)
    set_target_properties(Tivrandel64 PROPERTIES
        SUFFIX ".vst3"
        LIBRARY_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}"
        RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}")
    # The version numbers come from the project's version.
    configure_file("${CMAKE_CURRENT_LIST_DIR}/version.rc.in" "${CMAKE_CURRENT_BINARY_DIR}/version.rc"
        @ONLY)
    target_sources(Tivrandel64 PRIVATE "${CMAKE_CURRENT_LIST_DIR}/exports.def"
        "${CMAKE_CURRENT_BINARY_DIR}/version.rc")
    # The toolchain links statically already; the DLL depends on it, so it says so itself.
    target_link_options(Tivrandel64 PRIVATE -static -static-libgcc -static-libstdc++)
    # No link time in the PE header: the same sources give the same DLL in every build folder,
    # so that the demo's release and the test command's are the same bytes.
    target_link_options(Tivrandel64 PRIVATE "LINKER:--no-insert-timestamp")
    # Besides the single file, the bundle layout that the VST3 SDK recommends since 3.6.10 (its
    # validator counts a single-file module as a failed bundle test): the same DLL inside
    # vst3/Tivrandel64.vst3/Contents/x86_64-win.
    set(_bundle "${PROJECT_BINARY_DIR}/vst3/${TIVRANDEL_BUNDLE_NAME}.vst3")
    add_custom_command(TARGET Tivrandel64 POST_BUILD
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${_bundle}/Contents/x86_64-win"
        COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:Tivrandel64>"
            "${_bundle}/Contents/x86_64-win/${TIVRANDEL_BUNDLE_NAME}.vst3"
        VERBATIM)
    # Where the release finds it.
    set_property(TARGET Tivrandel64 PROPERTY TIVRANDEL_BUNDLE "${_bundle}")
else()
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
        set(_arch x86_64-linux)
    else()
        set(_arch "${CMAKE_SYSTEM_PROCESSOR}-linux")
    endif()
    set(TIVRANDEL_BUNDLE_BINARY_DIR "${TIVRANDEL_BUNDLE_DIR}/Contents/${_arch}")
    set_target_properties(Tivrandel64 PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY "${TIVRANDEL_BUNDLE_BINARY_DIR}")
    # The version script keeps the dynamic symbol table to the entry points; the static
    # libraries' symbols (SDK, product, and the C++ runtime's inline instantiations) stay local,
    # so that two plug-ins built on the same SDK never bind to each other's code.
    set(_exports "${CMAKE_CURRENT_LIST_DIR}/exports.map")
    target_link_options(Tivrandel64 PRIVATE
        "LINKER:--version-script=${_exports}"
        "LINKER:--exclude-libs,ALL"
        # Every symbol resolved when linking, not when a host loads the module.
        "LINKER:-z,defs")
    set_property(TARGET Tivrandel64 APPEND PROPERTY LINK_DEPENDS "${_exports}")
endif()
# A release module carries no symbol table beyond its exports (half the Windows DLL's size).
target_link_options(Tivrandel64 PRIVATE $<$<CONFIG:Release>:-s>)
tivrandel_shipped_module(Tivrandel64)

# Installation. Hosts look in ~/.vst3 for the user's plug-ins and in <prefix>/lib/vst3 for the
# system's. `cmake --install` uses the first unless an install prefix was chosen, at configure
# time (CMAKE_INSTALL_PREFIX) or at install time (--prefix).
if(WIN32)
    install(TARGETS Tivrandel64 RUNTIME DESTINATION lib/vst3 LIBRARY DESTINATION lib/vst3)
else()
    # CMake's own default prefix, remembered from the first configure (only then does CMake say
    # that the prefix is its default).
    if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
        set(TIVRANDEL_DEFAULT_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}" CACHE INTERNAL "")
    endif()
    set(_configured_prefix "${TIVRANDEL_DEFAULT_INSTALL_PREFIX}")
    install(CODE "
        if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"${_configured_prefix}\" AND DEFINED ENV{HOME})
            set(_vst3_dir \"\$ENV{HOME}/.vst3\")
        else()
            set(_vst3_dir \"\${CMAKE_INSTALL_PREFIX}/lib/vst3\")
        endif()
        file(INSTALL DESTINATION \"\${_vst3_dir}/${TIVRANDEL_BUNDLE_NAME}.vst3/Contents/${_arch}\"
            TYPE MODULE FILES \"$<TARGET_FILE:Tivrandel64>\")
    ")
endif()

# A quick copy into the user's plug-in folder (~/.vst3 of whoever builds it), replacing an older
# copy of the bundle there.
if(NOT WIN32)
    add_custom_target(install-vst3
        COMMAND "${CMAKE_COMMAND}" "-DBUNDLE=${TIVRANDEL_BUNDLE_DIR}"
            -P "${CMAKE_CURRENT_LIST_DIR}/installvst3.cmake"
        DEPENDS Tivrandel64
        VERBATIM)
endif()
