/*
 * ftdevcmg.h - FTDEVCMG, the machine-wide table of up to 64 tagFTDEVC
 * records keyed by serial number, kept by the runtime for its client
 * libraries. The object is the shared segment itself: TvxGetPftdevcmg gives
 * its address. Bracket every use with FLock and FUnlock (the same thread);
 * the other members take no lock.
 */
#ifndef FTDEVCMG_H
#define FTDEVCMG_H

#include <stddef.h>
#include <stdint.h>

#include "voziri.h"

typedef struct tagFTDEVC {
    char szSN[16];              /* key; empty: a free entry */
    char szText1[17];
    char szText2[31];
    uint32_t dw1;
    uint32_t dw2;
    uint32_t dw3;
    uint32_t dw4;
    uint16_t w;
    uint8_t b;
    uint8_t bPad;               /* never copied */
    uint32_t dw5;
} FTDEVC;

static_assert(sizeof(FTDEVC) == 88, "tagFTDEVC");
static_assert(offsetof(FTDEVC, szText1) == 16 && offsetof(FTDEVC, szText2) == 33, "tagFTDEVC texts");
static_assert(offsetof(FTDEVC, dw1) == 64 && offsetof(FTDEVC, w) == 80 && offsetof(FTDEVC, b) == 82, "tagFTDEVC");
static_assert(offsetof(FTDEVC, dw5) == 84, "tagFTDEVC last word");

enum { cftdevcMax = 64 };

class VZAPI FTDEVCMG {
public:
    int32_t FLock();
    int32_t FUnlock();
    int32_t IftdevcAddDev(const FTDEVC *pftdevc);
    int32_t FtdevcFromIndex(int32_t iftdevc, FTDEVC *pftdevc);
    int32_t FModDev(int32_t iftdevc, const FTDEVC *pftdevc);
    int32_t IftdevcFromSN(const char *szSN);
    int32_t CftdevcMac();

    /* Start-up and unload of the runtime (not for clients). */
    int32_t FInit();
    void Term();

    int32_t cftdevc;
    FTDEVC rgftdevc[cftdevcMax];

private:
    FTDEVCMG() = delete;
};

static_assert(sizeof(FTDEVCMG) == 4 + 88 * 64, "FTDEVCMG segment");

#endif /* FTDEVCMG_H */
