# Compiles every assets/<folder>/<name>.svg into a picture, kept among the
# resources as ":/<folder>/<name>.pic" (see assets/Artwork.h).
#
# The compiler is a build tool for the machine that builds. A native build makes
# its own; a cross build takes it from a native build (VOLANTIX_HOST_TOOLS).
if(CMAKE_CROSSCOMPILING)
    set(artwork_compiler "${VOLANTIX_HOST_TOOLS}/volantix-artwork-compiler")
    set(artwork_compiler_target "")
else()
    find_package(Qt6 6.4 REQUIRED COMPONENTS Svg)
    add_executable(volantix-artwork-compiler tools/artwork/artwork_compiler.cpp assets/ArtworkFormat.cpp)
    target_link_libraries(volantix-artwork-compiler PRIVATE volantix_core Qt6::Gui Qt6::Svg)
    set(artwork_compiler "$<TARGET_FILE:volantix-artwork-compiler>")
    set(artwork_compiler_target volantix-artwork-compiler)
endif()

file(GLOB VOLANTIX_ARTWORK_SOURCES CONFIGURE_DEPENDS RELATIVE "${CMAKE_SOURCE_DIR}/assets"
    "${CMAKE_SOURCE_DIR}/assets/*/*.svg")
set(VOLANTIX_ARTWORK_DIR "${CMAKE_BINARY_DIR}/artwork")
set(compiled_artwork "")
foreach(drawing IN LISTS VOLANTIX_ARTWORK_SOURCES)
    string(REGEX REPLACE "\\.svg$" ".pic" picture "${drawing}")
    get_filename_component(folder "${VOLANTIX_ARTWORK_DIR}/${picture}" DIRECTORY)
    add_custom_command(
        OUTPUT "${VOLANTIX_ARTWORK_DIR}/${picture}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}"
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen "${artwork_compiler}"
                "${CMAKE_SOURCE_DIR}/assets/${drawing}" "${VOLANTIX_ARTWORK_DIR}/${picture}"
        DEPENDS "${CMAKE_SOURCE_DIR}/assets/${drawing}" ${artwork_compiler_target}
        VERBATIM)
    list(APPEND compiled_artwork "${VOLANTIX_ARTWORK_DIR}/${picture}")
endforeach()

add_library(volantix_artwork STATIC assets/Artwork.h assets/Artwork.cpp assets/ArtworkFormat.cpp)
target_link_libraries(volantix_artwork PUBLIC volantix_settings Qt6::Gui)
target_include_directories(volantix_artwork PUBLIC ${CMAKE_SOURCE_DIR})
qt_add_resources(volantix_artwork artwork PREFIX "/" BASE "${VOLANTIX_ARTWORK_DIR}" FILES ${compiled_artwork})
