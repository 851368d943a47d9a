/*
 * dvtp1.h - DVTP1, the transport of devices with the maker's USB firmware:
 * one transaction's command, data and completion phases over the four
 * endpoints of an ABSUSBTP (endpoint 0 commands, 1 status packets, 2 data
 * out, 3 data in).
 */
#ifndef DVTP1_H
#define DVTP1_H

#include "dvt.h"

class ABSUSBTP;

class DVTP1 : public DVT {
public:
    DVTP1();
    ~DVTP1() override;

protected:
    int FXInit() override;
    void XTerm() override;
    int FXConnect(int fFirstOpener) override;
    void XDisconnect() override;
    int FXTrans() override;

private:
    int FTransReset();
    int FTransWait(uint8_t endp, uint32_t *pcb);
    int FTransWaitErc(uint8_t endp, uint32_t *pcb, uint32_t *perc);
    int FCmdPhase();
    int FDataPhase();
    int FCompletionPhase();
    int FAbort();
    int FWriteCmd(const uint8_t *rgbPkt);
    int FReadSts(uint8_t *rgbSts, uint32_t *pcb, bool fWaitFinal, bool fStarted);
    int FSendCmdReadSts(const uint8_t *rgbPkt, uint8_t *rgbSts, uint32_t *pcb, bool fWaitFinal);

    ABSUSBTP *pusbtp;
};

#endif /* DVTP1_H */
