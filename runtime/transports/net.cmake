# Sources of the network transport (NETC, discovery, DVTP3) for the Voziri
# libraries; the core adds them beside the USB transport and defines
# KOR_NET_IN_CORE, so start-up registers NETC as transport 2 protocol 1.
set(KOR_NET_SOURCES
    netc.cpp netcparse.cpp netcproto.cpp netcinfo.cpp netcacct.cpp netcenum.cpp netdisc.cpp netdnssd.cpp netsock.cpp netdvtp3.cpp)
list(TRANSFORM KOR_NET_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
