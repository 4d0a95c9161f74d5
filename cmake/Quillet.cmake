# Shared build helpers: every folder under src/ is one static library named
# quillet_<folder>; every tests/<folder>/tst_*.cpp is one QtTest program.

set(QUILLET_WARNINGS -Wall -Wextra -Wno-unused-parameter)

# Every target of the tree, tools and tests included, gets the sanitizers. Any report ends the
# process with a failure, so that a test cannot pass over one.
# Optimised lightly and with line tables only: quicker to build and run, and stack traces still
# name every line. The nonnull-attribute check is left out: Qt 6.4's own inline code passes null
# pointers with a length of 0 to memcmp() and memcpy() (comparing or copying empty lists).
if(QUILLET_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize=nonnull-attribute
        -fno-sanitize-recover=all
        -fno-omit-frame-pointer -O1 -g1)
    add_link_options(-fsanitize=address,undefined)
    set(QUILLET_ASAN_OPTIONS "detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0")
    set(QUILLET_SANITIZER_ENVIRONMENT
        "ASAN_OPTIONS=${QUILLET_ASAN_OPTIONS}"
        "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/sanitizer/leaks.supp:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()

function(quillet_add_optional_subdirectory dir)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
        add_subdirectory(${dir})
    endif()
endfunction()

# quillet_library(<folder> [LINKS targets...])
function(quillet_library folder)
    cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    set(target quillet_${folder})
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    if(NOT sources)
        # A folder without code yet still provides its target to the ones above it.
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR}/src)
        target_link_libraries(${target} INTERFACE ${ARG_LINKS})
        return()
    endif()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(${target} PRIVATE ${QUILLET_WARNINGS})
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
endfunction()

# quillet_tests(LINKS targets... [SOURCES shared helper sources...])
# Makes one test program per tst_*.cpp in the calling folder.
# Test programs live in testbin/ with a link to the built data folder beside them, so that
# they find their data the way the installed program does.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
file(CREATE_LINK ${QUILLET_DATA_DIR} ${CMAKE_BINARY_DIR}/testbin/data SYMBOLIC)

# Tests see only the fonts of the packages the set-up installs, in one fixed configuration,
# and run in a fixed locale and time zone: nothing of the machine they run on leaks in. The
# update check is pointed at a closed local port, so that no test ever reaches the network.
set(QUILLET_FONT_CACHE ${CMAKE_BINARY_DIR}/fontconfig-cache)
set(QUILLET_TEST_FONTS_CONF ${CMAKE_BINARY_DIR}/testbin/fonts.conf)
configure_file(${CMAKE_SOURCE_DIR}/tests/fonts/fonts.conf.in ${QUILLET_TEST_FONTS_CONF} @ONLY)
set(QUILLET_TEST_ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANGUAGE=;TZ=UTC;FONTCONFIG_FILE=${QUILLET_TEST_FONTS_CONF};QUILLET_UPDATE_SERVER=http://127.0.0.1:9"
    ${QUILLET_SANITIZER_ENVIRONMENT})

# What every test program and test helper library shares: warnings, its folder on the include
# path (PUBLIC for a library, so its users find its header), the data and source folders, QtTest.
function(quillet_test_settings target scope)
    target_compile_options(${target} PRIVATE ${QUILLET_WARNINGS})
    target_include_directories(${target} ${scope} ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_definitions(${target} PRIVATE
        QUILLET_DATA_DIR="${QUILLET_DATA_DIR}"
        QUILLET_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    target_link_libraries(${target} ${scope} Qt6::Test)
endfunction()

# quillet_test_support(<name> SOURCES files... LINKS targets...): helpers that several test
# programs share, compiled once as a static library; its folder is on their include path.
function(quillet_test_support name)
    cmake_parse_arguments(ARG "" "" "LINKS;SOURCES" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    quillet_test_settings(${name} PUBLIC)
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

function(quillet_tests)
    cmake_parse_arguments(ARG "" "" "LINKS;SOURCES" ${ARGN})
    file(GLOB programs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(program ${programs})
        get_filename_component(name ${program} NAME_WE)
        add_executable(${name} ${program} ${ARG_SOURCES})
        set_target_properties(${name} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
        quillet_test_settings(${name} PRIVATE)
        target_link_libraries(${name} PRIVATE ${ARG_LINKS})
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "${QUILLET_TEST_ENVIRONMENT}"
            TIMEOUT 600)
    endforeach()
endfunction()

# quillet_web_engine_tests(names...): the web engine's own code (not built here) frees some of its
# objects with a size other than the one they were made with, which the sanitizer reports as a
# type mismatch; tests that start a web engine leave that one check off.
function(quillet_web_engine_tests)
    if(QUILLET_SANITIZE)
        foreach(test ${ARGN})
            set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
                "ASAN_OPTIONS=${QUILLET_ASAN_OPTIONS}:new_delete_type_mismatch=0")
        endforeach()
    endif()
endfunction()
