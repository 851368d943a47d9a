/*
 * dvt.h - DVT, the object behind one open interface handle.
 *
 * A transport manager creates a DVT subclass when a device is opened
 * (FInit, then FConnect) and deletes it when the handle is closed
 * (Disconnect, then Term). Clients borrow the object through TvxGetDvt and
 * use the public members; they never create or delete it.
 *
 * How a transaction travels (two threads per handle, eight semaphores):
 *  1. FDoTrans copies the record, releases psemTrans and waits on
 *     psemTransRdy until the transaction thread has taken the transaction.
 *  2. The transaction thread drains stale cancels, starts the time-out
 *     thread (psemTimer), releases psemTransRdy, takes the device's named
 *     mutex (shared by every handle of the device in every process), runs
 *     the transport's FXTrans, and stops the time-out (psemTimerResume).
 *  3. Back at the top of its loop it releases psemTransRdy again: that is
 *     the completion signal FGetTransResult waits for.
 *  4. The time-out thread waits tmsTimeout on psemTimerResume; when that runs
 *     out it releases psemTransCancel, which the transport polls with zero
 *     waits (PsemTransCancel) and answers by sending its abort command.
 *
 * Ownership rule for the threads: once a thread object was created, nothing
 * the threads touch is released before both threads have ended (Term joins
 * them), and Disconnect waits for the outstanding transaction itself.
 */
#ifndef DVT_H
#define DVT_H

#include <atomic>

#include "voziri.h"

class ABSMTX;
class ABSSEM;
class ABSTHD;

enum {
    aptSys = 0,                    /* system protocol */
    aptNone = 255,                 /* no port enabled */
    prtNone = -1,
    cchDvcPathMax = 262,
    tmsTransTimeoutDefault = 30000,
};

class VZAPI DVT {
public:
    DVT();
    virtual ~DVT();                                       /* slot 5 (after the transport slots) */

    /* ---- For clients (borrowed through TvxGetDvt). ---- */
    uint32_t GetDtp();
    TFP *GetPtfp();                /* the embedded record, to fill before FDoTrans(NULL) */
    void SetDwDscn(uint32_t dw);
    uint32_t DwDscn();
    void SetTimeout(uint32_t tms); /* applies from the next transaction on */
    uint32_t GetTimeout();
    uint32_t GetCbDataOut();
    uint32_t GetCbDataIn();
    uint8_t AptActive();           /* aptNone when no port is enabled */
    int32_t PrtActive();           /* prtNone when no port is enabled */
    /*
     * Lock capability bit dcap on the device and remember port prt of
     * protocol apt as enabled (prtNone: a temporary enable that records no
     * port). Clients pass 0x1 for JTAG and 0x800 for the stream protocol.
     */
    int FEnableApt(uint32_t dcap, uint8_t apt, int32_t prt);
    /*
     * Give back a capability lock this DVT holds; with prt other than prtNone
     * the enabled port is forgotten. A DVT that holds no lock changes nothing
     * in the shared table.
     */
    int FDisableApt(uint32_t dcap, uint8_t apt, int32_t prt);
    /* Start a transaction (ptfp NULL: the embedded record). Returns once it was taken. */
    int FDoTrans(TFP *ptfp);
    /* Collect the result, waiting up to tmsWait; 1031 while it still runs. */
    int FGetTransResult(uint32_t *pcbOut, uint32_t *pcbIn, uint32_t tmsWait);
    int FProcessTransaction(TFP *ptfp, int fNoWait);
    int FCancelTrans();
    int FIsControlChannelSecure(int *pfSecure, uint32_t tmsWait);
    int FIsDataChannelSecure(int *pfSecure, uint32_t tmsWait);
    /* Port count and up to 15 property words of protocol apt. */
    int FGetRgdprp(uint32_t dcap, uint8_t apt, int32_t cprp, int32_t *pcprp, uint32_t *rgprp);
    int FGetPortCount(uint32_t dcap, uint8_t apt, int32_t *pcprt);
    int FGetPortProp(uint32_t dcap, uint8_t apt, int32_t iprt, uint32_t *pprp);
    int FGetSzConnect(char *szConn);  /* room for cchConnMax characters */

    /* ---- For the transport managers. ---- */
    int FInit();
    int FConnect(const char *szConn, const char *szDvcPath);
    void Disconnect();
    void Term();
    /* Disable the enabled port with the capability bit it was enabled with. */
    int FDisableActiveApt();
    /*
     * The handle is about to be closed at unload: cancel its transaction and
     * let it give up waiting for a device that another handle keeps busy.
     */
    void AbandonTrans();

protected:
    /* ---- Transport slots 0 to 4. ---- */
    virtual int FXInit() = 0;
    virtual void XTerm() = 0;
    virtual int FXConnect(int fFirstOpener) = 0;   /* holding the device mutex */
    virtual void XDisconnect() = 0;                /* holding the device mutex */
    virtual int FXTrans() = 0;                     /* holding the device mutex; outcome in ercTrans */

    /* ---- For the transports. ---- */
    void SetCbData(uint32_t cbOut, uint32_t cbIn);
    /* Parse a status packet into ercTrans, the counts and the reply destinations. */
    int FProcessSts(const uint8_t *pbSts, uint32_t cbSts, TFPRPLY *prply);
    ABSSEM *PsemTransCancel();

    int fIdle;
    std::atomic<int> fTerminate;
    ABSTHD *pthdTimeout;
    ABSTHD *pthdTrans;
    ABSMTX *pmtxDvt;
    ABSMTX *pmtxCs;
    ABSSEM *psemTrans;
    ABSSEM *psemTransRdy;
    ABSSEM *psemTransCancel;
    ABSSEM *psemTransTerm;
    ABSSEM *psemTimer;
    ABSSEM *psemTimerResume;
    ABSSEM *psemTimerRdy;
    ABSSEM *psemTimerTerm;
    int fCancelSent;
    int fCtrlSecure;
    int fDataSecure;
    int idvto;
    TFP tfp;
    uint8_t aptActive;
    int32_t prtActive;
    char szConn[cchConnMax];
    char szDvcPath[cchDvcPathMax];
    std::atomic<uint32_t> dwDscn;
    std::atomic<uint32_t> tmsTimeout;
    uint32_t dtp;
    std::atomic<uint32_t> cbDataOut;
    std::atomic<uint32_t> cbDataIn;
    int ercTrans;

private:
    DVT(const DVT &);
    DVT &operator=(const DVT &);

    static uint32_t DoTransThreadEntry(void *pv);
    static uint32_t DoTimeoutThreadEntry(void *pv);
    void DoTransThread();
    void DoTimeoutThread();
    int FLockDevSliced(int *pfDevAbandoned);
    int FResetDev();
    void RunTrans();
    void StopThreads();
    int FWaitTransRdy(uint32_t tmsWait, int *pfTimedOut);
    int FCollect(uint32_t tmsWait, const char *szTimeout, const char *szFailed);
    int FIsChannelSecure(int fData, int *pfSecure, uint32_t tmsWait);
    int FQueryPortProps(uint32_t dcap, uint8_t apt, int32_t *pcprp, uint32_t *rgprp);
    int FLockDvt();
    int FUnlockDvt();
    int FEnterCs();
    int FLeaveCs();
    int FIdleUnderCs(int fIfNoCs);
    void SetIdleUnderCs(int fIdleNew);

    std::atomic<int> fAbandon;     /* Disconnect or Term: give up waiting for the device */
    int fThdTimeout;               /* the time-out thread was started */
    int fThdTrans;                 /* the transaction thread was started */
    uint32_t dcapActive;           /* capability bit the enabled port was enabled with */
    int clockDcap;                 /* capability locks this DVT holds in the open-device table */
    uint8_t cprpReply;             /* reply buffers of the port-properties query */
    uint32_t rgprpReply[15];
};

#endif /* DVT_H */
