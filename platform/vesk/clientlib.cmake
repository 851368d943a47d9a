# Build rules shared by the client libraries over the runtime (register port,
# board management, JTAG release, JTAG utility).
#
# korxact is their transaction helper over the shared runtime `voziri` (which
# holds the USB transport); the tests link the shipped libraries.
include_guard(GLOBAL)

add_library(korxact STATIC ${CMAKE_CURRENT_LIST_DIR}/xact.cpp)
# The register and board-management protocols are the boards' own (sim/wire/boardproto.h).
target_include_directories(korxact PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/include
                           ${CMAKE_SOURCE_DIR}/sim/wire)
target_link_libraries(korxact PUBLIC voziri)

# kor_client_library(name SOURCES ... BUILD_DEFINE sym DEF file DEF32 file)
# The shared library `name` (exports through DEF; on 32-bit Windows the
# undecorated __stdcall names of DEF32 with an import library that maps the
# decorated names).
function(kor_client_library name)
    cmake_parse_arguments(C "" "BUILD_DEFINE;DEF;DEF32" "SOURCES" ${ARGN})
    kor_shared_library(${name} ${C_SOURCES})
    target_compile_definitions(${name} PRIVATE ${C_BUILD_DEFINE})
    target_link_libraries(${name} PRIVATE korxact voziri)
    if(KOR_BUILD STREQUAL win32)
        kor_dll_exports(${name} ${C_DEF32})
        find_program(KOR_DLLTOOL NAMES ${CMAKE_DLLTOOL} i686-w64-mingw32-dlltool dlltool REQUIRED)
        add_custom_command(TARGET ${name} POST_BUILD
            COMMAND ${KOR_DLLTOOL} -k -d ${C_DEF32} -D ${name}.dll -l $<TARGET_LINKER_FILE:${name}>
            VERBATIM)
    else()
        kor_dll_exports(${name} ${C_DEF})
    endif()
endfunction()
