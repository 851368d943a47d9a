# Line-oriented tokenizer: one source built into the runtime library and the
# scan-chain library. Included (include(), so in the caller's scope) by
# runtime/core/CMakeLists.txt; a second include from elsewhere is harmless.
#
# Sets:
#   KOR_TOKENIZER_SOURCES  absolute paths of the tokenizer's sources
#   KOR_TOKENIZER_INCLUDE  the folder of tokenizer.h
# Defines the static library `kortokenizer` and the tokenizer's tests.
# The libFuzzer targets are built and run by fuzz/run-fuzz.sh (clang).

set(KOR_TOKENIZER_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tokenizer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tokscan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tokrdr.cpp)
set(KOR_TOKENIZER_INCLUDE ${CMAKE_CURRENT_LIST_DIR})

if(NOT TARGET kortokenizer)
    add_library(kortokenizer STATIC ${KOR_TOKENIZER_SOURCES})
    target_include_directories(kortokenizer PUBLIC ${KOR_TOKENIZER_INCLUDE})
endif()

get_property(_kor_tok_tests GLOBAL PROPERTY KOR_TOKENIZER_TESTS)
if(NOT _kor_tok_tests)
    set_property(GLOBAL PROPERTY KOR_TOKENIZER_TESTS ON)
    kor_add_test(tokenizer_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/tokenizer_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/tests/tokfile_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/tests/tokrdr_test.cpp
        LIBS kortokenizer
        LABELS runtime tokenizer
        SANITIZE address)
    # The fuzz harnesses' seed corpus, replayed without libFuzzer (any compiler).
    kor_add_test(tokenizer_fuzz_corpus_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/tokfuzz_corpus_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/fuzz/tokfuzz.cpp
        LIBS kortokenizer
        LABELS runtime tokenizer
        SANITIZE address)
    if(TARGET tokenizer_fuzz_corpus_test)
        target_include_directories(tokenizer_fuzz_corpus_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/fuzz)
        target_compile_definitions(tokenizer_fuzz_corpus_test PRIVATE
            KOR_TOK_CORPUS_DIR="${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus")
    endif()
endif()
unset(_kor_tok_tests)
