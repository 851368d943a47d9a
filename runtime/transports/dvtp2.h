/*
 * dvtp2.h - DVTP2, the transport of FTDI-based boards: the transaction's
 * packets and data go through the entry points of the FTDI firmware library
 * that FTDIC chose for the device (ambrel.h), which drives the chip.
 */
#ifndef DVTP2_H
#define DVTP2_H

#include "ambrel.h"
#include "dvt.h"

class ABSDLL;

class DVTP2 : public DVT {
public:
    explicit DVTP2(const char *szDllPathIn);
    ~DVTP2() override;

protected:
    int FXInit() override;
    void XTerm() override;
    int FXConnect(int fFirstOpener) override;
    void XDisconnect() override;
    int FXTrans() override;

private:
    int FCmdPhase();
    int FDataPhase();
    int FCompletionPhase();
    int FAbort();
    /* A 0 ms wait on the cancel semaphore: true when a cancel is there. */
    bool FCancelRequested(ABSSEM *psem);

    char szDllPath[262];
    ABSDLL *pabsdll;
    void *hmodDll;
    int32_t hftd;
    PFNFTDCONNECT pfnConnect;
    PFNFTDDISCONNECT pfnDisconnect;
    PFNFTDSENDCMD pfnSendCmd;
    PFNFTDREADCMDSTS pfnReadCmdSts;
    PFNFTDINITREADWRITE pfnInitReadWrite;
    PFNFTDGETTRANSSTS pfnGetTransSts;
    PFNFTDGETLASTERC pfnGetLastErc;
};

#endif /* DVTP2_H */
