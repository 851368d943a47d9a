/*
 * vzfake.h - a fake transport (DVTFAKE) and a fake transport manager
 * (MAGFAKE) for the runtime core's tests. Not part of the library.
 *
 * The fake device answers command packets like a device with the maker's
 * firmware would, in memory:
 *   any apt cmd 2 with one argument: port properties of that protocol
 *                 (count byte, then the property words)
 *   apt 2 cmd 1   echo: the argument bytes come back as return bytes
 *   apt 2 cmd 3   transfer: data phase (received bytes are summed, sent
 *                 bytes are seed + i); completion 0x83 answers with both
 *                 counts and the sum as one return byte
 *   apt 2 cmd 4   fail: status code = argument byte 0
 *   apt 2 cmd 5   hang: no answer until cancelled, then abort and status 2
 *   apt 2 cmd 6   slow: argument byte 0 milliseconds, then success with an
 *                 echo of argument byte 1
 *   apt 2 cmd 7   raw: the argument bytes are the status packet
 * Connection strings are "FAKE:" followed by the device path; the manager
 * registers as transport 0x100, protocol 1 (dtp 0x00010100).
 */
#ifndef VZFAKE_H
#define VZFAKE_H

#include <atomic>
#include <string>
#include <vector>

#include "dvt.h"
#include "mag.h"

enum {
    tptFake = 0x100,
    ptcFake = 1,
    dtpFake = 0x00010100,
    aptLoop = 2,
    cmdEcho = 1,
    cmdXfer = 3,
    cmdFail = 4,
    cmdHang = 5,
    cmdSlow = 6,
    cmdRaw = 7,
    cmdXferDone = 0x83,
};

/* Shared (cross-process) counters of the fake devices, by device number. */
struct FAKEBUSY {
    int32_t rgcInside[16];        /* transactions inside FXTrans right now */
    int32_t rgcOverlap[16];       /* times a transaction found another inside */
    int32_t rgcTrans[16];         /* transactions run */
};

/* Maps the counters segment of this test namespace; NULL when it cannot. */
FAKEBUSY *PfakebusyMap();
void FakebusyUnmap();

class DVTFAKE : public DVT {
public:
    DVTFAKE();
    /* Transport slots. */
    int FXInit() override;
    void XTerm() override;
    int FXConnect(int fFirstOpener) override;
    void XDisconnect() override;
    int FXTrans() override;

    /* Test access to the parser. */
    int FParse(const uint8_t *pb, uint32_t cb, TFPRPLY *prply) { return FProcessSts(pb, cb, prply); }
    int ErcTrans() const { return ercTrans; }
    int FCancelSent() const { return fCancelSent; }

    static std::atomic<int> cFirstOpener;
    static std::atomic<int> cLive;          /* DVTFAKE objects alive */
    static uint32_t rgprpPorts[15];         /* port properties of protocol aptLoop */
    static int cprpPorts;

private:
    int IDevice();
    bool FCancelled();
    int FCmdPhase(const uint8_t *rgbCmd, TFPRPLY *prply);
    void DataPhase();
    int FRun(uint8_t *rgbSts, const uint8_t *rgbCmd);
    uint32_t sumRcvd = 0;
};

class MAGFAKE : public MAG {
public:
    int FInit() override { return 1; }
    void Term() override {}
    HIF HifOpenEx(const char *szConnect, int fTbl, int fDisc) override;
    int FClose(HIF hif) override;
    /* Table entries of dtp dtpFake and the live devices vszLive, merged as
     * a USB manager merges them (a table entry's szConn equals a live
     * node's szSN). Discovery lasts tmsDisc, ended early by the stop flag. */
    int FEnum(int fTbl, int fDisc, uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmg) override;
    int FCheckSzConn(const char *szConnect) override;
    int FCheckSzConnTbl(const char *szConn) override { return FCheckSzConn(szConn); }
    int FEnable(const char *szConn, uint32_t dcapA, uint32_t dcapB) override;
    int FDisable(const char *, uint32_t, uint32_t) override { return 1; }
    int FSetInfo(const char *, uint32_t, void *) override { return 0; }
    int FGetInfo(const char *szConnect, uint32_t dinfo, void *pInfoGet) override;
    int FAcctMgmt(int, const char *, const char *, const char *, int *, void *, int, int *, int *) override
    {
        return 0;
    }
    int FSzConnFromSzDvcPath(char *szConn, const char *szDvcPath, int cchConn) override;

    /* Capability words the device reports; FEnable switches to dcapSwitch. */
    std::atomic<uint32_t> dcapPub{0x1};
    std::atomic<uint32_t> dcapPriv{0x800};
    std::atomic<int> cEnable{0};
    std::atomic<int> cOpenCalls{0};
    std::string szLastOpenEx;
    std::vector<std::string> vszLive;       /* device paths of connected fake devices */
    std::atomic<uint32_t> tmsDisc{0};
    std::atomic<int> cEnumCalls{0};
    std::atomic<int> cEnumInside{0};
    std::atomic<int> fDiscStopped{0};
    int fTblLast = -1, fDiscLast = -1;
};

/* Start the core in this process under a namespace of its own (unless
 * szNamespaceTag is NULL and one is set) and register a MAGFAKE, which
 * VzTestStop deletes after the runtime's shut-down. */
MAGFAKE *PmagfakeStart(const char *szNamespaceTag);
void VzTestStop();

/* Fill a zeroed record with command packet [n, apt, cmd, port, args...]. */
void SetCmd(TFP *ptfp, uint8_t apt, uint8_t cmd, std::initializer_list<uint8_t> args = {});

#endif /* VZFAKE_H */
