# Settings every target of our own gets: strict warnings (errors unless CORVELA_WERROR is off).
# Qt and other imported targets come in as system headers, so their warnings stay out.
function(corvela_target_defaults target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
        -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
        -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
    if(CORVELA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
        QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_USE_QSTRINGBUILDER)
endfunction()

# One QtTest executable, registered with CTest under its own name.
#   corvela_add_test(tst_name SOURCES a.cpp ... LIBS lib ...)
function(corvela_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    corvela_target_defaults(${name})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    # In every test power requests are only recorded (nothing may end the session or the
    # machine) and broadcasts stay on loopback.
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;CORVELA_POWER=record;CORVELA_BROADCAST_ADDRESS=127.255.255.255")
endfunction()

# Stamps a program file with its version (the project version unless VERSION is given), so
# that FileVersionText() reads it back from the file.
#   corvela_stamp_version(target [VERSION 3.1.0.12])
function(corvela_stamp_version target)
    cmake_parse_arguments(ARG "" "VERSION" "" ${ARGN})
    if(NOT ARG_VERSION)
        set(ARG_VERSION "${PROJECT_VERSION}")
    endif()
    string(REPLACE "." ";" parts "${ARG_VERSION}.0.0.0.0")
    list(GET parts 0 STAMP_MAJOR)
    list(GET parts 1 STAMP_MINOR)
    list(GET parts 2 STAMP_PATCH)
    list(GET parts 3 STAMP_TWEAK)
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_stamp.cpp")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/version_stamp.cpp.in" "${out}" @ONLY)
    target_sources(${target} PRIVATE "${out}")
endfunction()

# Builds a program's language modules from translations/<TS_BASE>_enu.ts and _csy.ts into
# <MODULE_NAME>.enu and <MODULE_NAME>.csy beside the program (MODULE_NAME defaults to the
# target's name).
#   corvela_add_language_modules(target TS_BASE corvela [MODULE_NAME name])
function(corvela_add_language_modules target)
    cmake_parse_arguments(ARG "" "TS_BASE;MODULE_NAME" "" ${ARGN})
    if(NOT ARG_MODULE_NAME)
        set(ARG_MODULE_NAME ${target})
    endif()
    set(outputs)
    foreach(lang enu csy)
        set(ts "${PROJECT_SOURCE_DIR}/translations/${ARG_TS_BASE}_${lang}.ts")
        set(out "${CMAKE_CURRENT_BINARY_DIR}/${ARG_MODULE_NAME}.${lang}")
        add_custom_command(OUTPUT "${out}"
            COMMAND Qt6::lrelease -silent "${ts}" -qm "${out}"
            DEPENDS "${ts}" VERBATIM)
        list(APPEND outputs "${out}")
    endforeach()
    add_custom_target(${target}_language_modules DEPENDS ${outputs})
    add_dependencies(${target} ${target}_language_modules)
endfunction()
