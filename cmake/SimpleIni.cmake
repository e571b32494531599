# SimpleIni reads the INI files. It is a single header, taken from the building
# machine's Debian package (libsimpleini-dev) for native and cross builds alike;
# the program converts texts itself, so none of the package's converters is used.
find_file(VOLANTIX_SIMPLEINI_HEADER SimpleIni.h PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT VOLANTIX_SIMPLEINI_HEADER)
    message(FATAL_ERROR "SimpleIni.h not found: install libsimpleini-dev")
endif()
configure_file("${VOLANTIX_SIMPLEINI_HEADER}" "${CMAKE_BINARY_DIR}/simpleini/SimpleIni.h" COPYONLY)
add_library(volantix_simpleini INTERFACE)
target_include_directories(volantix_simpleini SYSTEM INTERFACE "${CMAKE_BINARY_DIR}/simpleini")
