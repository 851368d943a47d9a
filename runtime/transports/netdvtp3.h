/*
 * netdvtp3.h - DVTP3, the transport of an opened network device: command
 * and status packets as messages on the control connection, data phases as
 * raw bytes on a passive data connection that the device announces.
 */
#ifndef NETDVTP3_H
#define NETDVTP3_H

#include "dvt.h"

class ABSTCPIP;

class DVTP3 : public DVT {
public:
    /* Takes ownership of the connected, authenticated control connection. */
    DVTP3(ABSTCPIP *ptcpipCmdStsIn, int fDataTlsIn);
    ~DVTP3() override;

protected:
    int FXInit() override;
    void XTerm() override;
    int FXConnect(int fFirstOpener) override;
    void XDisconnect() override;
    int FXTrans() override;

private:
    int FEstPassiveDataConn();
    int FCmdPhase();
    int FDataPhase();
    int FCompletionPhase();
    int FAbort();
    int FSendPkt(const uint8_t *rgbPkt, uint32_t tms);
    int FRecvSts(uint8_t *rgbPkt, uint32_t tms);
    int FRecvStsRest(uint8_t *rgbMsg, uint32_t *pcbExpected, uint32_t cbReceived, uint32_t tms);

    ABSTCPIP *ptcpipCmdSts;
    ABSTCPIP *ptcpipDtoDti;
    int fDataTls;
    int fDataConn;
    int fStsRefused;               /* the last data phase's command was refused by the device */
};

#endif /* NETDVTP3_H */
