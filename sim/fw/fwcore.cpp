// fwcore.cpp - command dispatch, system protocol, status queue and the
// life of a data phase.
//
// How a transaction meets the firmware:
//   1. The host writes a command packet on the command endpoint. In idle the
//      packet is checked and dispatched by protocol; every command except a
//      system abort queues exactly one status packet. A data command arms a
//      phase and is answered with status 0 at once.
//   2. The host moves the phase's bytes on the data endpoints (DataOut,
//      DataIn), both directions at the same time.
//   3. The host writes the completion command (data command | 0x80). Its
//      status, the final status, is queued when the work is done, at once
//      when the phase ended early (abort: code 2; another command: code 50).
// Status packets wait in a queue that survives the host's connections, as a
// real endpoint FIFO does: a status the host never read is still there at
// the next open, which is what the transaction reset (system command 3) with
// its nonce is for.

#include "fw.h"
#include "../wire/boardproto.h"

#include <cstdio>

namespace sim {

namespace {

constexpr size_t cstsQueueMax = 16;
constexpr size_t cszLogMax = 20000;

} // namespace

std::string SzHex(const uint8_t *pb, size_t cb)
{
    std::string sz;
    char szByte[4];
    for (size_t ib = 0; ib < cb; ib++) {
        snprintf(szByte, sizeof(szByte), "%02X", pb[ib]);
        sz += szByte;
    }
    return sz;
}

FW::FW(BOARD &bdIn) : bd(bdIn)
{
    PowerOn();
}

void FW::PowerOn()
{
    pphase.reset();
    rgjport.assign(bd.cfg.rgjdevcfg.empty() ? 0 : 1, JTAGPORT());
    rgsport.assign(bd.cfg.rgdprpStream.size(), STMPORT());
    fRegEnabled = false;
    fMgmtEnabled = false;
}

void FW::Log(const std::string &sz)
{
    if (rgszLog.size() < cszLogMax)
        rgszLog.push_back(sz);
}

void FW::PushSts(uint8_t sts, const uint8_t *pbRet, size_t cbRet)
{
    std::vector<uint8_t> rgb;
    rgb.push_back(uint8_t(1 + cbRet));
    rgb.push_back(sts);
    rgb.insert(rgb.end(), pbRet, pbRet + cbRet);
    if (qsts.size() >= cstsQueueMax)
        qsts.pop_front();
    qsts.push_back(rgb);
}

std::vector<uint8_t> FW::PopSts()
{
    std::vector<uint8_t> rgb = qsts.front();
    qsts.pop_front();
    Log("STS " + SzHex(rgb.data(), rgb.size()));
    return rgb;
}

void FW::PushStaleSts(unsigned c)
{
    for (unsigned i = 0; i < c; i++) {
        uint8_t rgb[4] = { uint8_t(0x10 + i), 0x5A, 0xA5, 0x5A };
        PushSts(0, rgb, sizeof(rgb));
    }
}

void FW::CommandPacket(const uint8_t *pb, size_t cb)
{
    Log("CMD " + SzHex(pb, cb));
    if (cb == 0)
        return;
    if (pphase) {
        PhaseCommand(pb, cb);
        return;
    }
    bool fWellFormed = cb == size_t(pb[0]) + 1 && pb[0] >= 2;
    if (fWellFormed && pb[1] == aptSys && pb[2] == 2)
        return;                     // abort while idle: no status at all
    Dispatch(pb, cb);
}

void FW::Dispatch(const uint8_t *pb, size_t cb)
{
    if (cb != size_t(pb[0]) + 1 || pb[0] < 2) {
        PushSts(stsBadCommandLength);
        return;
    }
    switch (pb[1]) {
    case aptSys: SysCommand(pb, cb, false); break;
    case aptProto1: Proto1Command(pb, cb); break;
    case aptJtag: JtagCommand(pb, cb); break;
    case aptStream: StreamCommand(pb, cb); break;
    case boardproto::aptReg: RegCommand(pb, cb); break;
    case boardproto::aptMgmt: MgmtCommand(pb, cb); break;
    default: PushSts(stsUnknownProtocol); break;
    }
}

void FW::PhaseCommand(const uint8_t *pb, size_t cb)
{
    bool fWellFormed = cb == size_t(pb[0]) + 1 && pb[0] >= 2;
    if (fWellFormed && pb[1] == pphase->apt && pb[2] == pphase->cmdCompletion) {
        pphase->fCompletionSeen = true;
        CheckPhaseDone();
        return;
    }
    if (fWellFormed && pb[1] == aptSys) {
        SysCommand(pb, cb, true);
        return;
    }
    // Any other command ends the phase; the final status answers it.
    pphase->sts = stsUnknownCommand;
    pphase->fEnded = true;
    pphase->fCompletionSeen = true;
    CheckPhaseDone();
}

void FW::SysCommand(const uint8_t *pb, size_t cb, bool fInPhase)
{
    switch (pb[2]) {
    case 2:                         // abort: only reached during a phase
        if (pphase->sts == stsNoErc)
            pphase->sts = stsTransferCancelled;
        pphase->fEnded = true;
        CheckPhaseDone();
        break;
    case 3: {                       // transaction reset, u32 nonce v: reply 0x7A - v
        uint32_t v = U32At(pb, cb, 4);
        EndPhase();
        for (auto &jport : rgjport)
            jport.fEnabled = false;
        for (auto &sport : rgsport)
            sport.fEnabled = false;
        fRegEnabled = fMgmtEnabled = false;
        PushStsU32(stsNoErc, 0x7Au - v);
        break;
    }
    default:
        // During a phase an unknown system command is ignored (no status,
        // so the host's wait for the final status is not confused).
        if (!fInPhase)
            PushSts(stsUnknownCommand);
        else
            Log("IGNORED system command during a data phase");
        break;
    }
}

void FW::Proto1Command(const uint8_t *pb, size_t cb)
{
    uint8_t cmd = pb[2];
    if (cmd == 2) {
        uint8_t rgb[4] = {};
        PushSts(stsNoErc, rgb, 4);
    } else if (cmd >= 3 && cmd <= 16) {
        PushSts(stsNotSupported);
    } else {
        PushSts(stsUnknownCommand);
    }
}

bool FW::FPortProps(const uint8_t *pb, size_t cb, const std::vector<uint32_t> &rgdprp)
{
    size_t n = U8At(pb, cb, 4);
    size_t nMax = 1 + 4 * rgdprp.size();
    if (n > nMax)
        n = nMax;
    if (n == 0 || (n - 1) % 4 != 0) {
        PushSts(stsBadArgument);
        return false;
    }
    std::vector<uint8_t> rgb;
    rgb.push_back(uint8_t(rgdprp.size()));
    for (size_t iw = 0; iw < (n - 1) / 4; iw++)
        for (int ib = 0; ib < 4; ib++)
            rgb.push_back(uint8_t(rgdprp[iw] >> (8 * ib)));
    PushSts(stsNoErc, rgb.data(), rgb.size());
    return true;
}

bool FW::FPortCommandReady(const uint8_t *pb, size_t cb, uint32_t dprp, uint8_t cmdLast, const uint8_t *rgcbLen,
                           bool &fEnabled)
{
    uint8_t cmd = pb[2];
    uint8_t prt = cb >= 4 ? pb[3] : 0xFF;
    if (cmd == boardproto::cmdGetPortProps) {
        FPortProps(pb, cb, { dprp });
        return false;
    }
    if (cmd > cmdLast) {
        PushSts(stsUnknownCommand);
        return false;
    }
    if (prt != 0) {
        PushSts(stsInvalidPort);
        return false;
    }
    if (cmd == boardproto::cmdEnablePort) {
        fEnabled = true;
        PushSts(stsNoErc);
        return false;
    }
    if (!fEnabled) {
        PushSts(stsCapabilityNotEnabled);
        return false;
    }
    if (cmd > boardproto::cmdGetPortProps && pb[0] != rgcbLen[cmd]) {
        PushSts(stsBadCommandLength);
        return false;
    }
    return true;
}

void FW::ArmPhase(std::unique_ptr<PHASE> pphaseNew, const uint8_t *pbCmd)
{
    pphaseNew->apt = pbCmd[1];
    pphaseNew->cmd = pbCmd[2];
    pphaseNew->prt = pbCmd[0] >= 3 ? pbCmd[3] : 0xFF;
    pphaseNew->cmdCompletion = uint8_t(pbCmd[2] | 0x80);
    pphase = std::move(pphaseNew);
    cbPhaseMoved = 0;
    cbPhaseIn = 0;
    PushSts(stsNoErc);
}

void FW::CheckPhaseDone()
{
    if (!pphase || !pphase->fCompletionSeen)
        return;
    if (!pphase->fEnded && !pphase->FWorkDone())
        return;
    uint8_t rgb[8];
    size_t cb = 0;
    if (pphase->fsCounts & 0x80) {
        uint32_t c = pphase->COutDone();
        for (int ib = 0; ib < 4; ib++)
            rgb[cb++] = uint8_t(c >> (8 * ib));
    }
    if (pphase->fsCounts & 0x40) {
        uint32_t c = pphase->CInDone();
        for (int ib = 0; ib < 4; ib++)
            rgb[cb++] = uint8_t(c >> (8 * ib));
    }
    PushSts(uint8_t(pphase->sts | pphase->fsCounts), rgb, cb);
    char sz[120];
    snprintf(sz, sizeof(sz), "PHASE apt=%u cmd=%u out=%llu in=%llu sts=%u", pphase->apt, pphase->cmd,
             (unsigned long long)pphase->CbOutTaken(), (unsigned long long)pphase->CbInTaken(), pphase->sts);
    Log(sz);
    EndPhase();
}

void FW::EndPhase()
{
    if (pphase) {
        // A data fault serves one phase.
        if (faults.cbStallData >= 0 && int64_t(cbPhaseMoved) >= faults.cbStallData)
            faults.cbStallData = -1;
        if (faults.cbShortIn >= 0 && int64_t(cbPhaseIn) >= faults.cbShortIn)
            faults.cbShortIn = -1;
    }
    pphase.reset();
    cbPhaseMoved = 0;
    cbPhaseIn = 0;
}

size_t FW::DataOut(const uint8_t *pb, size_t cb)
{
    if (!pphase)
        return 0;
    if (faults.cbStallData >= 0) {
        int64_t cbLeft = faults.cbStallData - int64_t(cbPhaseMoved);
        if (cbLeft <= 0)
            return 0;
        if (int64_t(cb) > cbLeft)
            cb = size_t(cbLeft);
    }
    size_t cbTaken = pphase->Feed(pb, cb);
    cbPhaseMoved += cbTaken;
    CheckPhaseDone();
    return cbTaken;
}

size_t FW::DataIn(uint8_t *pb, size_t cb, bool &fShort)
{
    fShort = false;
    if (!pphase)
        return 0;
    if (pphase->fEnded && pphase->sts != stsTransferCancelled) {
        fShort = true;      // a failed phase sends nothing more: short packet
        return 0;
    }
    size_t cbAsk = cb;
    if (faults.cbStallData >= 0) {
        int64_t cbLeft = faults.cbStallData - int64_t(cbPhaseMoved);
        if (cbLeft <= 0)
            return 0;
        if (int64_t(cbAsk) > cbLeft)
            cbAsk = size_t(cbLeft);
    }
    bool fShortFault = false;
    if (faults.cbShortIn >= 0) {
        int64_t cbLeft = faults.cbShortIn - int64_t(cbPhaseIn);
        if (cbLeft <= 0) {
            fShort = true;
            return 0;
        }
        if (int64_t(cbAsk) >= cbLeft) {
            cbAsk = size_t(cbLeft);
            fShortFault = true;
        }
    }
    size_t cbGiven = pphase->Take(pb, cbAsk);
    cbPhaseIn += cbGiven;
    cbPhaseMoved += cbGiven;
    if (fShortFault && cbGiven == cbAsk && cbGiven < cb)
        fShort = true;
    else if (pphase->FInComplete() && !pphase->fEnded && cbGiven < cb)
        fShort = true;
    CheckPhaseDone();
    return cbGiven;
}

std::string FW::SzPhase() const
{
    if (!pphase)
        return "idle";
    char sz[200];
    snprintf(sz, sizeof(sz), "apt=%u cmd=%u prt=%u out=%llu in=%llu completion=%d ended=%d sts=%u",
             pphase->apt, pphase->cmd, pphase->prt, (unsigned long long)pphase->CbOutTaken(),
             (unsigned long long)pphase->CbInTaken(), pphase->fCompletionSeen ? 1 : 0, pphase->fEnded ? 1 : 0,
             pphase->sts);
    return sz;
}

} // namespace sim
