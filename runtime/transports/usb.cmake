# Sources of the USB transport (USBC, DVTP1) for the Voziri libraries. The
# core's CMakeLists may include this file and add ${KOR_USB_SOURCES} to
# `voziri` and `voziri_core`, setting KOR_USB_IN_CORE ON; then the USB start
# hook FUsbcStart/UsbcStop (usbc.h) is part of the library.
set(KOR_USB_SOURCES
    usbc.cpp usbcinfo.cpp usbcacct.cpp usbcvreq.cpp usbcident.cpp usbcfw.cpp fx2loader.cpp dvtp1.cpp enmappend.cpp)
list(TRANSFORM KOR_USB_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
set(KOR_USB_INCLUDE ${CMAKE_CURRENT_LIST_DIR})
