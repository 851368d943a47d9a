# Import library of the 32-bit Windows build (run with cmake -P after the
# link). The plain functions are exported undecorated (--kill-at), so the
# linker's own import library no longer carries the __stdcall names clients
# compile against. This writes a .def of every export: the decorated names
# from DEF (mapped by dlltool -k to the plain exports) and the C++ members as
# the DLL exports them, and builds the import library from it.
#   -DOBJDUMP= -DDLLTOOL= -DDLL= -DDEF= -DOUTDEF= -DIMPLIB=

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE szDump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
file(READ ${DEF} szDef)
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table.*" szTable "${szDump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" lsEntry "${szTable}")
set(szMore "")
foreach(szEntry IN LISTS lsEntry)
    string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" szName "${szEntry}")
    if(NOT szName MATCHES "^Tvx")
        string(APPEND szMore "    ${szName}\n")
    endif()
endforeach()
file(WRITE ${OUTDEF} "${szDef}${szMore}")
execute_process(COMMAND ${DLLTOOL} -k -d ${OUTDEF} -D voziri.dll -l ${IMPLIB} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dlltool failed")
endif()
