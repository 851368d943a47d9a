/*
 * fwstream.cpp - the stream protocol (11): stream ports that move a
 * client's data-phase bytes through an FTDI channel in FIFO mode to the
 * board's design and back; and protocol 1's fixed answers.
 */
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "fwlib.h"
#include "yorl.h"

namespace {

#if AMBREL_CFG == 0x60
const uint32_t rgdprpStream[cprtStream] = { 0x80000001, 0x80000002 };
const char szPortSuffix[] = "";
#else
const uint32_t rgdprpStream[cprtStream] = { 0x00000001 };
const char szPortSuffix[] = "A";
#endif

struct STMPORT {
    uint32_t cbChunkOut, cbChunkIn;
    FT_HANDLE hChannel;
    FTINTF ftintf;
    MPSBUF mpsbuf;
    uint32_t fEnabled;
    uint32_t tmsRead, tmsWrite;
    uint32_t cbOut, cbIn;
};

STMPORT rgrgport[cintfMax][cprtStream];

STMPORT &Port(int i) { return rgrgport[i][rgfwif[i].prtCur]; }
unsigned IbitPort(unsigned prt) { return ibitStreamPort0 + prt; }
bool FSyncPort(unsigned prt) { return (rgdprpStream[prt] & 2) != 0; }

void PutDw(int i, uint32_t dw) { FwPutRet(i, &dw, 4); }

bool FMpsCmd(STMPORT &port, std::initializer_list<uint8_t> rgb)
{
    return FMpsAddBytes(&port.mpsbuf, rgb.begin(), uint32_t(rgb.size()));
}

void Enable(int i)
{
    unsigned prt = rgfwif[i].prtCur;
    if (prt >= unsigned(cprtStream))
        return FwSetSts(i, stsInvalidPort);
    STMPORT &port = rgrgport[i][prt];
#if AMBREL_CFG == 0x59
    if (FsFtdevPorts(i) & (1u << IbitPort(prt)))
        return FwSetSts(i, stsCapConflict);
#endif
    const char *szConn = SzFtdevName(i);
    if (szConn == nullptr || strlen(szConn) + strlen(szPortSuffix) > 15)
        return FwSetSts(i, stsNotEnabled);
    char szChannel[16];
    strcpy(szChannel, szConn);
    strcat(szChannel, szPortSuffix);
    if (port.fEnabled) {
        /* Enabled by this process already: the channel stays as it is. */
        FFtdevSetPort(i, IbitPort(prt));
        return;
    }
    if (!FOpenChannel(szChannel, &port.hChannel, &port.ftintf))
        return FwSetSts(i, stsCapConflict);
    port.ftintf.fsIntf &= uint8_t(~fsintfMpsse);
    port.mpsbuf.cb = port.mpsbuf.tusQueued = port.mpsbuf.fWritten = 0;
    bool fOk = FMpsseInit(port.hChannel) && FMpsCmd(port, { 0x80, 0x00, 0x00, 0x82, 0x80, 0x80, 0x81, 0x87 }) &&
               FMpsFlush(&port.mpsbuf, port.hChannel, 1, 1);
    if (fOk) {
        pabsutil->SleepMs(10);
        fOk = FMpsCmd(port, { 0x82, 0x00, 0x80, 0x82, 0x00, 0x00, 0x81, 0x87 }) &&
              FMpsFlush(&port.mpsbuf, port.hChannel, 1, 1) && FSetFifoMode(port.hChannel, FSyncPort(prt));
    }
    if (!fOk) {
        FCloseChannel(szChannel, port.hChannel, &port.ftintf);
        port.hChannel = nullptr;
        return FwSetSts(i, stsNotEnabled);
    }
    port.cbChunkOut = port.cbChunkIn = 65536;
    port.tmsRead = port.tmsWrite = 2000;
    FFtdevSetPort(i, IbitPort(prt));
    port.fEnabled = 1;
}

/* A disable closes only a port this process enabled: another process's
 * disable must not turn off the port under it. */
void Disable(int i, unsigned prt)
{
    STMPORT &port = rgrgport[i][prt];
    if (!port.fEnabled)
        return;
    FResetFifoMode(port.hChannel, FSyncPort(prt));
    char szName[16];
    memcpy(szName, port.ftintf.szName, sizeof(szName));
    szName[15] = '\0';
    FCloseChannel(szName, port.hChannel, &port.ftintf);
    port.hChannel = nullptr;
    FFtdevClrPort(i, IbitPort(prt));
    port.fEnabled = 0;
}

void PortProps(int i)
{
    unsigned n = rgfwif[i].rgbCmd[4];
    if (n > 1 + 4u * cprtStream)
        n = 1 + 4u * cprtStream;
    if (n == 0 || (n - 1) % 4 != 0)
        return FwSetSts(i, stsBadArgument);
    uint8_t cprt = cprtStream;
    FwPutRet(i, &cprt, 1);
    for (unsigned iprt = 0; iprt < (n - 1) / 4; iprt++)
        PutDw(i, rgdprpStream[iprt]);
}

/* ---- the transfer's steps ---- */

bool FWrite(int i, STMPORT &port, uint32_t cb)
{
    FWIF &fwif = rgfwif[i];
    uint32_t cbDone = 0;
    /* Never past the client's send buffer: its total was given by the client. */
    if (uint64_t(fwif.cOutDone) + cb > fwif.cbSnd)
        return false;
    if (d2xx.Write(port.hChannel, fwif.pbSnd + fwif.cOutDone, cb, &cbDone) != 0)
        return false;
    fwif.cOutDone += cbDone;
    fwif.cbSndDone += cbDone;
    return cbDone == cb;
}

bool FRead(int i, STMPORT &port, uint32_t cb)
{
    FWIF &fwif = rgfwif[i];
    uint32_t cbDone = 0;
    if (uint64_t(fwif.cInDone) + cb > fwif.cbRcv)
        return false;
    if (d2xx.Read(port.hChannel, fwif.pbRcv + fwif.cInDone, cb, &cbDone) != 0)
        return false;
    fwif.cInDone += cbDone;
    fwif.cbRcvDone += cbDone;
    /* A read time-out with nothing more is the design being silent: the phase ends short. */
    return cbDone == cb;
}

void StmStep(int i)
{
    FWIF &fwif = rgfwif[i];
    STMPORT &port = Port(i);
    uint32_t cbW = fwif.cOutTotal - fwif.cOutDone, cbR = fwif.cInTotal - fwif.cInDone;
    cbW = cbW < port.cbChunkOut ? cbW : port.cbChunkOut;
    cbR = cbR < port.cbChunkIn ? cbR : port.cbChunkIn;
    uint8_t stsFail = fwif.cOutTotal && fwif.cInTotal ? stsSndRcvLess : fwif.cOutTotal ? stsSndLess : stsRcvLess;
    bool fOk = true;
    if (cbW > 0)
        fOk = FWrite(i, port, cbW);
    if (fOk && cbR > 0) {
        if (cbW > 0 && fwif.cOutDone < fwif.cOutTotal) {
            uint32_t cbQueued = 0;
            fOk = d2xx.GetQueueStatus(port.hChannel, &cbQueued) == 0;
            if (fOk && cbQueued > 0)
                fOk = FRead(i, port, cbQueued < cbR ? cbQueued : cbR);
        } else {
            fOk = FRead(i, port, cbR);
        }
    }
    if (!fOk) {
        fwif.stsPhase = stsFail;
        FwFailPhase(i);
    } else if (fwif.cOutDone >= fwif.cOutTotal && fwif.cInDone >= fwif.cInTotal) {
        FwPhaseFinished(i);
    }
}

void Transfer(int i)
{
    FWIF &fwif = rgfwif[i];
    if (fwif.rgbCmd[0] != 11)
        return FwSetSts(i, stsBadLength);
    uint32_t cbOut = DwArg(i, 0), cbIn = DwArg(i, 1);
    fwif.cOutDone = fwif.cInDone = 0;
    if (cbOut == 0 && cbIn == 0)
        return FwSetSts(i, stsBadLength);
    fwif.cOutTotal = cbOut;
    fwif.cInTotal = cbIn;
    FwArmPhase(i, 1, StmStep, FwDoneSts, nullptr);
    fwif.fsStsCounts = uint8_t((cbOut ? 0x80 : 0) | (cbIn ? 0x40 : 0));
    fwif.cmdCompletion = 0x83;
}

} // namespace

int FStmInitAll()
{
    memset(rgrgport, 0, sizeof(rgrgport));
    return 1;
}

void StmTermAll()
{
    for (auto &rgport : rgrgport)
        for (STMPORT &port : rgport) {
            free(port.mpsbuf.pb);
            port.mpsbuf.pb = nullptr;
            port.mpsbuf.cb = port.mpsbuf.fWritten = 0;
        }
}

int FStmInit(int i)
{
    bool fOk = true;
    for (STMPORT &port : rgrgport[i]) {
        free(port.mpsbuf.pb);
        memset(&port, 0, sizeof(port));
        port.mpsbuf.cbFlush = 4096;
        port.mpsbuf.pb = static_cast<uint8_t *>(malloc(65536));
        fOk = fOk && port.mpsbuf.pb != nullptr;
    }
    if (!fOk)
        for (STMPORT &port : rgrgport[i]) {
            free(port.mpsbuf.pb);
            port.mpsbuf.pb = nullptr;
        }
    return fOk;
}

int FStmTerm(int i)
{
    for (unsigned prt = 0; prt < unsigned(cprtStream); prt++) {
        Disable(i, prt);
        free(rgrgport[i][prt].mpsbuf.pb);
        rgrgport[i][prt].mpsbuf.pb = nullptr;
    }
    return 1;
}

void StmDispatch(int i)
{
    FWIF &fwif = rgfwif[i];
    uint8_t cmd = fwif.cmdCur;
    if (cmd != 0 && cmd != 2) {
        if (fwif.prtCur >= unsigned(cprtStream))
            return FwSetSts(i, stsInvalidPort);
        if (!(FsFtdevPorts(i) & (1u << IbitPort(fwif.prtCur))) || !Port(i).fEnabled)
            return FwSetSts(i, stsNotEnabled);
    }
    switch (cmd) {
    case 0: return Enable(i);
    case 1: return Disable(i, fwif.prtCur);
    case 2: return PortProps(i);
    case 3: return Transfer(i);
    case 4:
        if (fwif.rgbCmd[0] != 11)
            return FwSetSts(i, stsBadLength);
        Port(i).cbChunkOut = DwArg(i, 0) ? DwArg(i, 0) : 65536;
        Port(i).cbChunkIn = DwArg(i, 1) ? DwArg(i, 1) : 65536;
        return;
    case 5:
        if (fwif.rgbCmd[0] != 3)
            return FwSetSts(i, stsBadLength);
        PutDw(i, Port(i).cbChunkOut);
        return PutDw(i, Port(i).cbChunkIn);
    case 6: {
        if (fwif.rgbCmd[0] != 3)
            return FwSetSts(i, stsBadLength);
        uint32_t cb = 0;
        if (d2xx.GetQueueStatus(Port(i).hChannel, &cb) != 0)
            return FwSetSts(i, stsFtdiIo);
        return PutDw(i, cb);
    }
    case 7: {
        if (fwif.rgbCmd[0] != 11)
            return FwSetSts(i, stsBadLength);
        uint32_t tmsRead = DwArg(i, 0) ? DwArg(i, 0) : 2000, tmsWrite = DwArg(i, 1) ? DwArg(i, 1) : 2000;
        if (d2xx.SetTimeouts(Port(i).hChannel, tmsRead, tmsWrite) != 0)
            return FwSetSts(i, stsFtdiIo);
        Port(i).tmsRead = tmsRead;
        Port(i).tmsWrite = tmsWrite;
        PutDw(i, tmsRead);
        return PutDw(i, tmsWrite);
    }
    case 8:
        if (fwif.rgbCmd[0] != 3)
            return FwSetSts(i, stsBadLength);
        PutDw(i, Port(i).tmsRead);
        return PutDw(i, Port(i).tmsWrite);
    default:
        return FwSetSts(i, stsUnknownCommand);
    }
}

void Apt1Dispatch(int i)
{
    uint8_t cmd = rgfwif[i].cmdCur;
    if (cmd == 2) {
        uint32_t dw = 0;
        PutDw(i, dw);
    } else if (cmd >= 3 && cmd <= 16) {
        FwSetSts(i, stsNotSupported);
    } else {
        FwSetSts(i, stsUnknownCommand);
    }
}
