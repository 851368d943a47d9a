# Sources of the FTDI transport (interface list, D2XX binding, FTDIC, DVTP2)
# for the Voziri libraries; the core adds them beside the USB transport and
# defines KOR_FTDI_IN_CORE, so start-up sets up the interface list and
# registers FTDIC when the D2XX driver binds.
set(KOR_FTDI_SOURCES
    ftdmgr.cpp ftdevcmg.cpp d2xxapi.cpp ftdic.cpp ftdicdisc.cpp ftdicfw.cpp ftdicinfo.cpp dvtp2.cpp)
list(TRANSFORM KOR_FTDI_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
