# KOR_SANITIZER = address | thread | (empty). Sanitizer trees build only the
# targets their tests need (see tools/test-all.sh), reusing their build folder.
set(KOR_SANITIZER "" CACHE STRING "address, thread or empty")
if(KOR_SANITIZER STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
elseif(KOR_SANITIZER STREQUAL "thread")
    add_compile_options(-fsanitize=thread -g)
    add_link_options(-fsanitize=thread)
endif()
