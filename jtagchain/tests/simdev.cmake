# Brisel's CPLD, PROM and SVF algorithms on korsim's device models (Linux
# trees: the models are built with the simulator). Included from
# sim/tests/CMakeLists.txt, where the models' library is defined.
#
if(TARGET brisel_core)
    kor_add_test(brisel_simdev_test
        SOURCES ${CMAKE_SOURCE_DIR}/jtagchain/tests/simdev_test.cpp
                ${CMAKE_SOURCE_DIR}/jtagchain/tests/simport.cpp
        LIBS brisel_core korsimcore cr2gen mcsgen bitgen_core
        LABELS brisel sim
        SANITIZE address)
    if(TARGET brisel_simdev_test)
        target_include_directories(brisel_simdev_test PRIVATE ${CMAKE_SOURCE_DIR}/jtagchain/tests
                                   ${CMAKE_SOURCE_DIR}/sim ${CMAKE_SOURCE_DIR}/tools/cr2map
                                   ${CMAKE_SOURCE_DIR}/tests/support)
        # the vendor's files beside the checkout (tests/support/vendordata.h)
        target_compile_definitions(brisel_simdev_test PRIVATE KOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                   BRISEL_DATA_DIR="${CMAKE_SOURCE_DIR}/data/")
    endif()
endif()
