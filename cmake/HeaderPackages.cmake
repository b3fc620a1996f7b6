# Header-only Debian packages the code includes (picojson-dev, fst-dev). A native build finds them
# in /usr/include. A cross build must not search there, where everything else is Linux's: it gets
# a folder of links to just these headers.
if(CMAKE_CROSSCOMPILING)
    set(_headers "${PROJECT_BINARY_DIR}/package-headers")
    file(MAKE_DIRECTORY "${_headers}/pluginterfaces")
    foreach(_entry picojson.h pluginterfaces/fst)
        if(NOT EXISTS "/usr/include/${_entry}")
            message(FATAL_ERROR "/usr/include/${_entry} missing (packages picojson-dev, fst-dev)")
        endif()
        file(CREATE_LINK "/usr/include/${_entry}" "${_headers}/${_entry}" SYMBOLIC)
    endforeach()
    include_directories(SYSTEM "${_headers}")
endif()
