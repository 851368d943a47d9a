# Compiler settings shared by every target of the three builds.

# ccache, where installed, keeps rebuilds of unchanged sources cheap; paths are
# hashed relative to the source tree so that several checkouts share a cache.
find_program(KOR_CCACHE ccache)
if(KOR_CCACHE)
    set(kor_launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}
        CCACHE_NOHASHDIR=1 ${KOR_CCACHE})
    set(CMAKE_C_COMPILER_LAUNCHER ${kor_launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${kor_launcher})
endif()

if(WIN32)
    set(KOR_WINDOWS ON)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(KOR_BUILD win32)
    else()
        set(KOR_BUILD win64)
    endif()
    # Self-contained binaries: no MinGW runtime DLLs to carry into wine.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
else()
    set(KOR_WINDOWS OFF)
    set(KOR_BUILD linux)
    find_package(Threads REQUIRED)
    add_compile_options(-fvisibility=hidden)
endif()

add_compile_options(-Wall -Wextra -Wno-unused-parameter)

# kor_dll_exports(target def-file)
# 32-bit Windows exports plain functions as __stdcall with undecorated names;
# the .def file lists them and --kill-at strips the @N decoration.
# Every such library is listed in the global property KOR_DLL_EXPORTS as
# "target|def-file", for the test that binds the names (tests/winabi).
function(kor_dll_exports target deffile)
    if(KOR_WINDOWS)
        target_sources(${target} PRIVATE ${deffile})
        set_property(GLOBAL APPEND PROPERTY KOR_DLL_EXPORTS "${target}|${deffile}")
        if(KOR_BUILD STREQUAL win32)
            target_link_options(${target} PRIVATE -Wl,--kill-at)
        endif()
    endif()
endfunction()

# Windows DLLs keep no "lib" prefix; Linux shared objects keep the name too
# so that loaders that search by name find the same file on both.
function(kor_shared_library target)
    add_library(${target} SHARED ${ARGN})
    set_target_properties(${target} PROPERTIES PREFIX "")
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/include)
endfunction()
