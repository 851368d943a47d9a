/*
 * d2xxload.h - the D2XX functions of the test programs, bound by name from
 * the library "ftd2xx" beside the program, as a D2XX user binds them.
 */
#ifndef KOR_D2XXLOAD_H
#define KOR_D2XXLOAD_H

#include "ftd2xx.h"

#define D2XX_FUNCTIONS(X)                                                                              \
    X(FT_Open) X(FT_OpenEx) X(FT_ListDevices) X(FT_Close) X(FT_Read) X(FT_Write) X(FT_SetFlowControl)   \
    X(FT_ResetDevice) X(FT_SetTimeouts) X(FT_GetQueueStatus) X(FT_Purge) X(FT_SetChars)                 \
    X(FT_SetLatencyTimer) X(FT_GetLatencyTimer) X(FT_SetBitMode) X(FT_GetBitMode) X(FT_SetUSBParameters) \
    X(FT_GetDeviceInfo) X(FT_CreateDeviceInfoList) X(FT_GetDeviceInfoList) X(FT_GetDeviceInfoDetail)    \
    X(FT_ReadEE) X(FT_WriteEE) X(FT_EraseEE) X(FT_EE_Program) X(FT_EE_Read) X(FT_EE_UASize)             \
    X(FT_EE_UAWrite) X(FT_EE_UARead) X(FT_CyclePort) X(FT_GetLibraryVersion)

struct D2XX {
#define D2XX_MEMBER(name) decltype(&::name) name = nullptr;
    D2XX_FUNCTIONS(D2XX_MEMBER)
#undef D2XX_MEMBER
};

/* The bound functions (loaded on first use); null when a name is missing. */
const D2XX *PD2xx();

#endif
