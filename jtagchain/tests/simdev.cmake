# Brisel's CPLD, PROM and SVF algorithms on korsim's device models (Linux
# trees: the models are built with the simulator). Included from
# sim/tests/CMakeLists.txt, where the models' library is defined.
#
# Files made by the vendor's tools live beside the project
# (../shared/testdata/vendor); tests that need them skip when it is absent.
set(_kor_vendor "")
foreach(dir ${CMAKE_SOURCE_DIR}/../shared/testdata/vendor ${CMAKE_SOURCE_DIR}/../../shared/testdata/vendor)
    if(_kor_vendor STREQUAL "" AND IS_DIRECTORY ${dir})
        get_filename_component(_kor_vendor ${dir} ABSOLUTE)
    endif()
endforeach()
set(KOR_VENDOR_DATA "${_kor_vendor}" CACHE PATH "Files made by the vendor's tools (tests skip without them)")

if(TARGET brisel_core)
    kor_add_test(brisel_simdev_test
        SOURCES ${CMAKE_SOURCE_DIR}/jtagchain/tests/simdev_test.cpp
                ${CMAKE_SOURCE_DIR}/jtagchain/tests/simport.cpp
        LIBS brisel_core korsimcore cr2gen mcsgen bitgen_core
        LABELS brisel sim
        SANITIZE address)
    if(TARGET brisel_simdev_test)
        target_include_directories(brisel_simdev_test PRIVATE ${CMAKE_SOURCE_DIR}/jtagchain/tests
                                   ${CMAKE_SOURCE_DIR}/sim ${CMAKE_SOURCE_DIR}/tools/cr2map)
        target_compile_definitions(brisel_simdev_test PRIVATE KOR_VENDOR_DATA="${KOR_VENDOR_DATA}"
                                   BRISEL_DATA_DIR="${CMAKE_SOURCE_DIR}/data/")
    endif()
endif()
