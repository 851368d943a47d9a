/*
 * fwentry.cpp - the library's frame: attach and detach, connecting an
 * interface (its mailbox, firmware record, protocol records and worker
 * thread), and the eight exported entry points. Every entry point checks
 * the interface index: 0 to 63 and connected in this process.
 */
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "fwlib.h"
#include "yorl.h"

#if defined(_WIN32)
#include <windows.h>
#endif

D2XXAPI d2xx;

namespace {

const char szShmFtdevmg[] = "/tmp/korvanel-ftdiusb-shm-ftdevmg";
const uint32_t cbShmFtdevmg = 1540;

ABSSHM *pshmFtdevmg = nullptr;
void *pvFtdevmg = nullptr;

ABSTHD *rgpthdWorker[cintfMax];
ABSSEM *rgpsemStarted[cintfMax];
ABSSEM *rgpsemStopped[cintfMax];
std::atomic<int32_t> rgfStop[cintfMax];
int32_t rgcrefLocal[cintfMax];
bool fAttached = false;

#if AMBREL_CFG == 0x60
/* The maker's USB vendor id: YORL_USB_VID (hexadecimal), else 0xFFF0. */
uint16_t VidMaker()
{
    const char *sz = getenv("YORL_USB_VID");
    return sz == nullptr || *sz == '\0' ? 0xFFF0 : uint16_t(strtoul(sz, nullptr, 16));
}
#endif

int Fail(int erc)
{
    pabsutil->SetLastErc(uint32_t(erc));
    return 0;
}

/* Interface index of this process: in range and connected here. */
bool FIntfLocal(int i)
{
    return i >= 0 && i < cintfMax && rgcrefLocal[i] > 0 && FMbxExists(i);
}

uint32_t WorkerThread(void *pvArg)
{
    int i = int(intptr_t(pvArg));
    MbxResetForWorker(i);
    FwResetTrans(i);
    rgpsemStarted[i]->Release(1);
    while (!rgfStop[i]) {
        MbxStep(i);
        /* Armed without buffers, or finished before the completion command: only the
         * host can move it on, so the worker yields instead of spinning. */
        const FWIF &fwif = rgfwif[i];
        bool fWaitHost = fwif.cbCmdRcvd == 0 && ((fwif.fws == 1 && !fwif.fBuffersSet) || fwif.fws == 4);
        FwStep(i);
        if (fWaitHost)
            pabsutil->SleepMs(0);
    }
    /* Ports are closed on the thread that claimed their channels, before it ends. */
#if AMBREL_JTAG
    JtagTerm(i);
#endif
    FStmTerm(i);
    rgpsemStopped[i]->Release(1);
    return 0;
}

template <typename T>
void ObjRelease(T **ppobj, bool (ABSFACT::*pfnRls)(T *))
{
    if (*ppobj == nullptr)
        return;
    (*ppobj)->Term();
    (pabsfact->*pfnRls)(*ppobj);
    *ppobj = nullptr;
}

void IntfTearDown(int i)
{
#if AMBREL_JTAG
    JtagTerm(i);
#endif
    FStmTerm(i);
    FwTermIntf(i);
    MbxDestroy(i);
    ObjRelease(&rgpthdWorker[i], &ABSFACT::RlsABSTHD);
    ObjRelease(&rgpsemStarted[i], &ABSFACT::RlsABSSEM);
    ObjRelease(&rgpsemStopped[i], &ABSFACT::RlsABSSEM);
    rgfStop[i] = 0;
}

int FIntfConnect(int i)
{
    if (i < 0 || i >= cintfMax)
        return Fail(ercFwInvalidHandle);
    if (++rgcrefLocal[i] > 1)
        return 1;
    int erc = 0;
    if (!FMbxCreate(i))
        erc = ercFwInitMbx;
    else if (!FFwInitIntf(i))
        erc = ercFwInitFwif;
    else if (!FStmInit(i))
        erc = ercFwInitBuffers;
#if AMBREL_JTAG
    else if (!FJtagInit(i))
        erc = ercFwInitBuffers;
#endif
    bool fThread = false;
    if (erc == 0) {
        rgfStop[i] = 0;
        ABSSEM **rgppsem[] = { &rgpsemStarted[i], &rgpsemStopped[i] };
        bool fOk = true;
        for (ABSSEM **ppsem : rgppsem) {
            if (*ppsem == nullptr)
                *ppsem = pabsfact->InstABSSEM();
            else
                (*ppsem)->Term();
            fOk = fOk && *ppsem != nullptr && (*ppsem)->Init() && (*ppsem)->Create(0, 0);
        }
        if (rgpthdWorker[i] == nullptr)
            rgpthdWorker[i] = pabsfact->InstABSTHD();
        else
            rgpthdWorker[i]->Term();
        fOk = fOk && rgpthdWorker[i] != nullptr && rgpthdWorker[i]->Init() &&
              rgpthdWorker[i]->Create(WorkerThread, (void *)intptr_t(i), 0);
        fThread = fOk;
        if (!fOk || !rgpsemStarted[i]->Wait(2000))
            erc = ercFwWorkerStart;
    }
    if (erc == 0)
        return 1;
    if (--rgcrefLocal[i] > 0)
        return Fail(erc);
    rgfStop[i] = 1;
    if (fThread)
        rgpthdWorker[i]->WaitExit();
    IntfTearDown(i);
    return Fail(erc);
}

int FIntfDisconnect(int i)
{
    if (i < 0 || i >= cintfMax)
        return Fail(ercFwInvalidHandle);
    if (rgcrefLocal[i] > 0)
        rgcrefLocal[i]--;
    if (rgcrefLocal[i] > 0)
        return 1;
    int fOk = 1;
    if (rgpthdWorker[i] != nullptr && rgpsemStarted[i] != nullptr && rgpsemStopped[i] != nullptr) {
        rgfStop[i] = 1;
        if (!rgpthdWorker[i]->WaitExit())
            fOk = Fail(ercFwWorkerStop);
    }
    IntfTearDown(i);
    return fOk;
}

int FLibInit()
{
    memset(rgpthdWorker, 0, sizeof(rgpthdWorker));
    memset(rgpsemStarted, 0, sizeof(rgpsemStarted));
    memset(rgpsemStopped, 0, sizeof(rgpsemStopped));
    for (auto &fStop : rgfStop)
        fStop = 0;
    memset(rgcrefLocal, 0, sizeof(rgcrefLocal));
    return FMbxInitAll() && FFwInitAll() && FStmInitAll();
}

void LibTerm()
{
    for (int i = 0; i < cintfMax; i++) {
        ObjRelease(&rgpthdWorker[i], &ABSFACT::RlsABSTHD);
        ObjRelease(&rgpsemStarted[i], &ABSFACT::RlsABSSEM);
        ObjRelease(&rgpsemStopped[i], &ABSFACT::RlsABSSEM);
        rgfStop[i] = 0;
        rgcrefLocal[i] = 0;
    }
    MbxTermAll();
    FwTermAll();
    StmTermAll();
}

bool FProcessAttach()
{
    if (pabsfact == nullptr || pabsutil == nullptr)
        return false;
    pshmFtdevmg = pabsfact->InstABSSHM();
    if (pshmFtdevmg == nullptr || !pshmFtdevmg->Init() ||
        !pshmFtdevmg->Create(szShmFtdevmg, &pvFtdevmg, cbShmFtdevmg)) {
        ObjRelease(&pshmFtdevmg, &ABSFACT::RlsABSSHM);
        pvFtdevmg = nullptr;
        return false;
    }
    bool fOk = FFtdevmgInit(pvFtdevmg) && d2xx.FInit();
#if AMBREL_CFG == 0x60
    fOk = fOk && d2xx.SetVIDPID(VidMaker(), 0x6014) == 0;
#endif
    fOk = fOk && FLibInit();
    if (!fOk) {
        LibTerm();
        d2xx.Term();
        FtdevmgTerm();
        ObjRelease(&pshmFtdevmg, &ABSFACT::RlsABSSHM);
        pvFtdevmg = nullptr;
    }
    return fOk;
}

void ProcessDetach()
{
    LibTerm();
    d2xx.Term();
    FtdevmgTerm();
    pvFtdevmg = nullptr;
    ObjRelease(&pshmFtdevmg, &ABSFACT::RlsABSSHM);
}

} // namespace

extern "C" {

AMBRELAPI int AMBRELCALL FtdConnect(const char *szConn, int *phif)
{
    if (szConn == nullptr || phif == nullptr)
        return Fail(ercFwInvalidArg);
    if (!FFtdevmgLock(5000))
        return Fail(ercFwTableLock);
    int i = IftdevAdd(szConn);
    FFtdevmgUnlock();
    if (i < 0)
        return 0;
    if (FIntfConnect(i)) {
        *phif = i;
        return 1;
    }
    uint32_t erc = pabsutil->GetLastErc();
    if (FFtdevmgLock(5000)) {
        FFtdevRelease(i);
        FFtdevmgUnlock();
    }
    return Fail(int(erc));
}

AMBRELAPI int AMBRELCALL FtdDisconnect(int *phif)
{
    if (phif == nullptr)
        return Fail(ercFwInvalidArg);
    int i = *phif;
    *phif = -1;
    if (i < 0 || i >= cintfMax || rgcrefLocal[i] == 0)
        return Fail(ercFwInvalidHandle);
    int fOk = FIntfDisconnect(i);
    if (!FFtdevmgLock(5000))
        return Fail(ercFwTableLock);
    if (!FFtdevRelease(i))
        fOk = 0;
    FFtdevmgUnlock();
    return fOk;
}

AMBRELAPI int AMBRELCALL FtdSendCmd(int hif, const uint8_t *rgbCmd, uint8_t cbCmd, uint8_t *pcbSent,
                                    uint32_t tmsTimeout)
{
    if (rgbCmd == nullptr)
        return Fail(ercFwInvalidArg);
    if (cbCmd == 0 || cbCmd > 64 || !FIntfLocal(hif))
        return Fail(ercFwInvalidHandle);
    if (!FMbxSendCmd(hif, rgbCmd, cbCmd, tmsTimeout))
        return 0;
    if (pcbSent)
        *pcbSent = cbCmd;
    return 1;
}

AMBRELAPI int AMBRELCALL FtdReadCmdSts(int hif, uint8_t *rgbSts, uint8_t cbSts, uint8_t *pcbSts,
                                       uint32_t tmsTimeout)
{
    if (rgbSts == nullptr || pcbSts == nullptr)
        return Fail(ercFwInvalidArg);
    if (!FIntfLocal(hif))
        return Fail(ercFwInvalidHandle);
    return FMbxReadSts(hif, rgbSts, cbSts, pcbSts, tmsTimeout);
}

AMBRELAPI int AMBRELCALL FtdInitReadWrite(int hif, uint8_t *rgbRcv, const uint8_t *rgbSnd, uint32_t cbRcv,
                                          uint32_t cbSnd)
{
    if ((rgbRcv == nullptr && cbRcv != 0) || (rgbSnd == nullptr && cbSnd != 0) ||
        (rgbRcv == nullptr && rgbSnd == nullptr))
        return Fail(ercFwInvalidArg);
    if (!FIntfLocal(hif))
        return Fail(ercFwInvalidHandle);
    FWIF &fwif = rgfwif[hif];
    fwif.pbRcv = rgbRcv;
    fwif.cbRcvDone = 0;
    fwif.cbRcv = cbRcv;
    fwif.pbSnd = const_cast<uint8_t *>(rgbSnd);
    fwif.cbSndDone = 0;
    fwif.cbSnd = cbSnd;
    fwif.fBuffersSet = 1;
    return 1;
}

AMBRELAPI int AMBRELCALL FtdGetTransSts(int hif, uint32_t *pcbRcv, uint32_t *pcbSnd)
{
    if (pcbRcv == nullptr && pcbSnd == nullptr)
        return Fail(ercFwInvalidArg);
    if (!FIntfLocal(hif) || rgfwif[hif].psemTransDone == nullptr)
        return Fail(ercFwInvalidHandle);
    FWIF &fwif = rgfwif[hif];
    if (!fwif.fBuffersSet)
        return Fail(ercFwInvalidArg);
    if (fwif.cbSnd == 0 && fwif.cbRcv == 0)
        return Fail(ercFwNoDataPhase);
    bool fDone = fwif.psemTransDone->Wait(5);
    if (fDone)
        while (fwif.psemTransDone->Wait(0)) {
        }
    if (pcbRcv)
        *pcbRcv = fwif.cbRcvDone;
    if (pcbSnd)
        *pcbSnd = fwif.cbSndDone;
    return fDone ? 1 : Fail(ercFwTimeout);
}

AMBRELAPI int AMBRELCALL FtdGetLastErc(void)
{
    return int(pabsutil->GetLastErc());
}

AMBRELAPI void AMBRELCALL FtdSetLastErc(int erc)
{
    pabsutil->SetLastErc(uint32_t(erc));
}

} /* extern "C" */

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID pvReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        return FProcessAttach() ? TRUE : FALSE;
    if (dwReason == DLL_PROCESS_DETACH && pvReserved == nullptr)
        ProcessDetach();
    return TRUE;
}
#else
__attribute__((constructor)) static void FwProcessAttach()
{
    fAttached = FProcessAttach();
}
__attribute__((destructor)) static void FwProcessDetach()
{
    if (fAttached)
        ProcessDetach();
}
#endif
