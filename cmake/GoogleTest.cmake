# GoogleTest from Debian's sources (package googletest) for every build, so the
# mingw builds get a gtest compiled with their own toolchain.

set(KOR_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(NOT EXISTS ${KOR_GTEST_SRC}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${KOR_GTEST_SRC} (apt-get install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${KOR_GTEST_SRC} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)

# Sanitizer trees build only the tests that ask for their sanitizer; the
# target `sanitized` builds those tests and what they link.
add_custom_target(sanitized)

# kor_add_test(name SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s]
#              [SANITIZE address|thread ...] [NO_GTEST_MAIN]
#              [WRAPPER command ...] [ENVIRONMENT VAR=value ...])
# One test program, registered with ctest as one test. Under the mingw builds
# ctest runs it through the wine emulator of the toolchain file. WRAPPER: ctest
# runs "command ... [emulator] program" instead (a script that prepares what
# the program needs before it starts).
# KOR_BUILD_TESTS OFF leaves the test programs out (the test driver does so for
# a build whose programs this machine cannot execute).
option(KOR_BUILD_TESTS "Build the test programs" ON)
# Every test's time limit is multiplied by this: the test driver raises it for
# a build whose suites run under software emulation (tools/vm32).
set(KOR_TEST_TIMEOUT_SCALE 1 CACHE STRING "Factor on every test's time limit")

function(kor_add_test name)
    cmake_parse_arguments(T "NO_GTEST_MAIN" "TIMEOUT" "SOURCES;LIBS;LABELS;SANITIZE;WRAPPER;ENVIRONMENT" ${ARGN})
    if(NOT KOR_BUILD_TESTS OR (KOR_SANITIZER AND NOT KOR_SANITIZER IN_LIST T_SANITIZE))
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest)
    if(NOT T_NO_GTEST_MAIN)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/tests/support)
    if(T_WRAPPER)
        add_test(NAME ${name} COMMAND ${T_WRAPPER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * ${KOR_TEST_TIMEOUT_SCALE}")
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${KOR_BUILD};${T_LABELS}"
        ENVIRONMENT "KOR_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp;${T_ENVIRONMENT}")
    if(KOR_SANITIZER)
        add_dependencies(sanitized ${name})
    endif()
endfunction()
