# Compile settings shared by every target of the project.
add_library(volantix_settings INTERFACE)
target_compile_features(volantix_settings INTERFACE cxx_std_20)
target_compile_definitions(volantix_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_BEFORE=0x060000)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(volantix_settings INTERFACE
        -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor
        -Woverloaded-virtual -Wshadow -Wconversion -Wno-sign-conversion
        # designated initialisers of control tables leave defaulted members out on purpose
        -Wno-missing-field-initializers)
    if(VOLANTIX_WERROR)
        target_compile_options(volantix_settings INTERFACE -Werror)
    endif()
    if(VOLANTIX_SANITIZE)
        target_compile_options(volantix_settings INTERFACE
            -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        target_link_options(volantix_settings INTERFACE -fsanitize=address,undefined)
    endif()
endif()
