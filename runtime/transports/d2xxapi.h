/*
 * d2xxapi.h - D2XXAPI, the runtime's binding of FTDI's D2XX library
 * "ftd2xx": loaded by name on first use, all 26 names bound or none. Every
 * wrapper returns a D2XX status; 18 when the library is not bound, 6 for a
 * required output pointer that is missing.
 */
#ifndef D2XXAPI_H
#define D2XXAPI_H

#include "ftd2xx.h"

#include <stdint.h>

class ABSDLL;
class ABSMTX;

enum {
    ftStsNotBound = 18,
    ftStsNullArg = 6,
};

/* The firmware library binds FT_SetFlowControl as well (D2XXAPI_FLOW). */
#ifdef D2XXAPI_FLOW
#define D2XXAPI_EXTRA_NAMES(X) X(FT_SetFlowControl)
#else
#define D2XXAPI_EXTRA_NAMES(X)
#endif

#define D2XXAPI_NAMES(X)                                                                                \
    X(FT_Close) X(FT_CreateDeviceInfoList) X(FT_GetDeviceInfoDetail) X(FT_ListDevices) X(FT_Open)      \
    X(FT_OpenEx) X(FT_GetDeviceInfo) X(FT_EE_Program) X(FT_EE_Read) X(FT_EE_UASize) X(FT_EE_UARead)     \
    X(FT_EE_UAWrite) X(FT_EraseEE) X(FT_ReadEE) X(FT_WriteEE) X(FT_GetBitMode) X(FT_SetBitMode)         \
    X(FT_GetQueueStatus) X(FT_Read) X(FT_Write) X(FT_SetChars) X(FT_SetLatencyTimer) X(FT_SetTimeouts)  \
    X(FT_SetUSBParameters) X(FT_Purge) X(FT_ResetDevice) D2XXAPI_EXTRA_NAMES(X)

class D2XXAPI {
public:
    constexpr D2XXAPI() : pabsdll(nullptr), pmtx(nullptr), hmod(nullptr), fBound(0), rgpfn{} {}
    ~D2XXAPI() { Term(); }

    int FInit();
    void Term();
    int FBind();

    uint32_t Close(FT_HANDLE h);
    uint32_t CreateDeviceInfoList(uint32_t *pcdev);
    uint32_t GetDeviceInfoDetail(uint32_t idev, uint32_t *pflags, uint32_t *ptype, uint32_t *pid, uint32_t *plocid,
                                 char *szSerial, char *szDesc, FT_HANDLE *ph);
    uint32_t ListDevices(void *pv1, void *pv2, uint32_t flags);
    uint32_t Open(int idev, FT_HANDLE *ph);
    uint32_t OpenEx(void *pvArg, uint32_t flags, FT_HANDLE *ph);
    uint32_t GetDeviceInfo(FT_HANDLE h, uint32_t *ptype, uint32_t *pid, char *szSerial, char *szDesc);
    uint32_t EE_Program(FT_HANDLE h, FT_PROGRAM_DATA *pdata);
    uint32_t EE_Read(FT_HANDLE h, FT_PROGRAM_DATA *pdata);
    uint32_t EE_UASize(FT_HANDLE h, uint32_t *pcb);
    uint32_t EE_UARead(FT_HANDLE h, uint8_t *pb, uint32_t cb, uint32_t *pcbRead);
    uint32_t EE_UAWrite(FT_HANDLE h, uint8_t *pb, uint32_t cb);
    uint32_t EraseEE(FT_HANDLE h);
    uint32_t ReadEE(FT_HANDLE h, uint32_t iw, uint16_t *pw);
    uint32_t WriteEE(FT_HANDLE h, uint32_t iw, uint16_t w);
    uint32_t GetBitMode(FT_HANDLE h, uint8_t *pb);
    uint32_t SetBitMode(FT_HANDLE h, uint8_t mask, uint8_t mode);
    uint32_t GetQueueStatus(FT_HANDLE h, uint32_t *pcb);
    uint32_t Read(FT_HANDLE h, void *pb, uint32_t cb, uint32_t *pcb);
    uint32_t Write(FT_HANDLE h, void *pb, uint32_t cb, uint32_t *pcb);
    uint32_t SetChars(FT_HANDLE h, uint32_t chEvent, uint32_t fEvent, uint32_t chError, uint32_t fError);
    uint32_t SetLatencyTimer(FT_HANDLE h, uint8_t tms);
    uint32_t SetTimeouts(FT_HANDLE h, uint32_t tmsRead, uint32_t tmsWrite);
    uint32_t SetUSBParameters(FT_HANDLE h, uint32_t cbIn, uint32_t cbOut);
    uint32_t Purge(FT_HANDLE h, uint32_t mask);
    uint32_t ResetDevice(FT_HANDLE h);
#ifdef D2XXAPI_FLOW
    uint32_t SetFlowControl(FT_HANDLE h, uint16_t mode, uint8_t chXon, uint8_t chXoff);
#endif

    /* Binds the library; 0 when bound, 18 when not. The ids go nowhere. */
    uint32_t SetVIDPID(uint16_t vid, uint16_t pid);
    /* Usable-interface mask of an open device (bit 0 A to bit 3 D). */
    uint32_t GetIntfSupported(FT_HANDLE h, uint8_t *pmask);

private:
    enum {
#define D2XXAPI_INDEX(name) i##name,
        D2XXAPI_NAMES(D2XXAPI_INDEX)
#undef D2XXAPI_INDEX
        cpfn
    };
    /* The entry when bound, else null. */
    void *Pfn(int ipfn);

    ABSDLL *pabsdll;
    ABSMTX *pmtx;
    void *hmod;
    uint32_t fBound;
    void *rgpfn[cpfn];
};

/* Usable-interface mask from a device type and EEPROM word 0. */
uint8_t MaskIntfSupported(uint32_t type, uint16_t w0);

#endif /* D2XXAPI_H */
