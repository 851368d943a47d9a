# Files made by the vendor's tools live beside the project
# (../shared/testdata/vendor); tests that need them skip when it is absent.
if(NOT DEFINED KOR_VENDOR_DATA)
    set(_kor_vendor "")
    foreach(dir ${CMAKE_SOURCE_DIR}/../shared/testdata/vendor ${CMAKE_SOURCE_DIR}/../../shared/testdata/vendor)
        if(_kor_vendor STREQUAL "" AND IS_DIRECTORY ${dir})
            get_filename_component(_kor_vendor ${dir} ABSOLUTE)
        endif()
    endforeach()
    set(KOR_VENDOR_DATA "${_kor_vendor}" CACHE PATH "Files made by the vendor's tools (tests skip without them)")
endif()
