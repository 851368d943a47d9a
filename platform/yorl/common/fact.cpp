/*
 * fact.cpp - the factory, the exported objects and the library's start-up.
 *
 * Start-up reads the test hooks once: YORL_FAULT (fault injection),
 * YORL_TICK_OFFSET, and YORL_NOFACTORY=1 / YORL_NOUTIL=1, which leave
 * pabsfact / pabsutil NULL in this process.
 */
#include "yorli.h"

#include <new>
#include <stdlib.h>
#include <string.h>

extern "C" {
YORLAPI ABSFACT *pabsfact = NULL;
YORLAPI ABSUTIL *pabsutil = NULL;
}

namespace {

/* Whether an Inst slot may hand out an object (fault injection). */
bool FInstAllowed(const char *szSlot)
{
    return !FYorlFault(szSlot) || FYorlFail(ercAbsFailed);
}

template <class T>
T *PChecked(T *p)
{
    if (p == NULL)
        FYorlFail(ercAbsOutOfMemory);
    return p;
}

template <class T>
bool FRls(T *p)
{
    if (p == NULL)
        return FYorlFail(ercAbsInvalidParameter);
    delete p;
    return true;
}

/* Kinds whose objects come with the transports: none yet. */
template <class T>
T *PInstNone(const char *szSlot)
{
    FYorlFault(szSlot);
    FYorlFail(ercAbsFailed);
    return NULL;
}

bool FRlsNone(const void *p)
{
    return FYorlFail(ercAbsInvalidParameter);
}

bool FEnvSet(const char *szVar)
{
    const char *sz = getenv(szVar);
    return sz != NULL && strcmp(sz, "1") == 0;
}

ABSFACT absfact;
ABSUTIL absutil;

struct STARTUP {
    STARTUP()
    {
        YorlFaultLoad(getenv("YORL_FAULT"));
        YorlTickLoad(getenv("YORL_TICK_OFFSET"));
        if (!FEnvSet("YORL_NOFACTORY"))
            pabsfact = &absfact;
        if (!FEnvSet("YORL_NOUTIL"))
            pabsutil = &absutil;
    }
} startup;

}  // namespace

ABSFACT::~ABSFACT() {}
bool ABSFACT::Init() { return true; }
bool ABSFACT::Term() { return true; }

ABSDIR *ABSFACT::InstABSDIR()
{
    return FInstAllowed("InstABSDIR") ? PChecked(new (std::nothrow) ABSDIR()) : NULL;
}
bool ABSFACT::RlsABSDIR(ABSDIR *p) { return FRls(p); }
ABSDLL *ABSFACT::InstABSDLL()
{
    return FInstAllowed("InstABSDLL") ? PChecked(new (std::nothrow) ABSDLL()) : NULL;
}
bool ABSFACT::RlsABSDLL(ABSDLL *p) { return FRls(p); }
ABSMTX *ABSFACT::InstABSMTX()
{
    return FInstAllowed("InstABSMTX") ? PChecked(new (std::nothrow) ABSMTX()) : NULL;
}
bool ABSFACT::RlsABSMTX(ABSMTX *p) { return FRls(p); }
ABSNMTX *ABSFACT::InstABSNMTX()
{
    return FInstAllowed("InstABSNMTX") ? PChecked(new (std::nothrow) ABSNMTX()) : NULL;
}
bool ABSFACT::RlsABSNMTX(ABSNMTX *p) { return FRls(p); }
ABSRSV *ABSFACT::InstABSRSV() { return PInstNone<ABSRSV>("InstABSRSV"); }
bool ABSFACT::RlsABSRSV(ABSRSV *p) { return FRlsNone(p); }
ABSSEM *ABSFACT::InstABSSEM()
{
    return FInstAllowed("InstABSSEM") ? PChecked(new (std::nothrow) ABSSEM()) : NULL;
}
bool ABSFACT::RlsABSSEM(ABSSEM *p) { return FRls(p); }
ABSSHM *ABSFACT::InstABSSHM()
{
    return FInstAllowed("InstABSSHM") ? PChecked(new (std::nothrow) ABSSHM()) : NULL;
}
bool ABSFACT::RlsABSSHM(ABSSHM *p) { return FRls(p); }
ABSTHD *ABSFACT::InstABSTHD()
{
    return FInstAllowed("InstABSTHD") ? PChecked(new (std::nothrow) ABSTHD()) : NULL;
}
bool ABSFACT::RlsABSTHD(ABSTHD *p) { return FRls(p); }
ABSUSB *ABSFACT::InstABSUSB()
{
    return FInstAllowed("InstABSUSB") ? PChecked(new (std::nothrow) ABSUSB()) : NULL;
}
bool ABSFACT::RlsABSUSB(ABSUSB *p) { return FRls(p); }
ABSUSBTP *ABSFACT::InstABSUSBTP()
{
    return FInstAllowed("InstABSUSBTP") ? PChecked(new (std::nothrow) ABSUSBTP()) : NULL;
}
bool ABSFACT::RlsABSUSBTP(ABSUSBTP *p) { return FRls(p); }
ABSNMTX2 *ABSFACT::InstABSNMTX2()
{
    return FInstAllowed("InstABSNMTX2") ? PChecked(new (std::nothrow) ABSNMTX2()) : NULL;
}
bool ABSFACT::RlsABSNMTX2(ABSNMTX2 *p) { return FRls(p); }
ABSTCPIP *ABSFACT::InstABSTCPIP()
{
    return FInstAllowed("InstABSTCPIP") ? PChecked(new (std::nothrow) ABSTCPIP()) : NULL;
}
bool ABSFACT::RlsABSTCPIP(ABSTCPIP *p) { return FRls(p); }
ABSUDP *ABSFACT::InstABSUDP()
{
    return FInstAllowed("InstABSUDP") ? PChecked(new (std::nothrow) ABSUDP()) : NULL;
}
bool ABSFACT::RlsABSUDP(ABSUDP *p) { return FRls(p); }
ABSMDNSSD *ABSFACT::InstABSMDNSSD()
{
    return FInstAllowed("InstABSMDNSSD") ? PChecked(new (std::nothrow) ABSMDNSSD()) : NULL;
}
bool ABSFACT::RlsABSMDNSSD(ABSMDNSSD *p) { return FRls(p); }
