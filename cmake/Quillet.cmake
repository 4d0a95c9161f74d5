# Shared build helpers: every folder under src/ is one static library named
# quillet_<folder>; every tests/<folder>/tst_*.cpp is one QtTest program.

set(QUILLET_WARNINGS -Wall -Wextra -Wno-unused-parameter)

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
    "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANGUAGE=;TZ=UTC;FONTCONFIG_FILE=${QUILLET_TEST_FONTS_CONF};QUILLET_UPDATE_SERVER=http://127.0.0.1:9")

function(quillet_tests)
    cmake_parse_arguments(ARG "" "" "LINKS;SOURCES" ${ARGN})
    file(GLOB programs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(program ${programs})
        get_filename_component(name ${program} NAME_WE)
        add_executable(${name} ${program} ${ARG_SOURCES})
        set_target_properties(${name} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testbin)
        target_compile_options(${name} PRIVATE ${QUILLET_WARNINGS})
        target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
        target_compile_definitions(${name} PRIVATE
            QUILLET_DATA_DIR="${QUILLET_DATA_DIR}"
            QUILLET_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
        target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LINKS})
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "${QUILLET_TEST_ENVIRONMENT}"
            TIMEOUT 600)
    endforeach()
endfunction()
