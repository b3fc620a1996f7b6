# Copies the bundle into ~/.vst3. Usage: cmake -DBUNDLE=<dir>/Tivrandel64.vst3 -P installvst3.cmake
if(NOT DEFINED ENV{HOME})
    message(FATAL_ERROR "HOME is not set: no ~/.vst3 to install into")
endif()
cmake_path(GET BUNDLE FILENAME _name)
set(_target "$ENV{HOME}/.vst3/${_name}")
file(REMOVE_RECURSE "${_target}")
file(COPY "${BUNDLE}" DESTINATION "$ENV{HOME}/.vst3")
message(STATUS "Installed ${_target}")
