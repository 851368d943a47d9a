// streamproto.cpp - stream protocol (protocol 11) of the board's firmware.
//
// The stream ports lead to the design's stream sink and source: a transfer
// (command 3) sends cbOut bytes into the sink and receives cbIn bytes from
// the source, both at once. In loopback the source gives back what the sink
// took, so a read waits for bytes that have been written.

#include "fw.h"

namespace sim {

namespace {

class STREAMPHASE : public PHASE {
public:
    STREAMPHASE(STREAM &streamIn, uint32_t cbOut, uint32_t cbIn) : stream(streamIn)
    {
        cbOutTotal = cbOut;
        cbInTotal = cbIn;
    }

protected:
    void OnOut(const uint8_t *pb, size_t cb) override { stream.Write(pb, cb); }
    void Produce(size_t cbMax) override
    {
        size_t cbAvail = stream.CbAvailable();
        std::vector<uint8_t> rgb(cbMax < cbAvail ? cbMax : cbAvail);
        size_t cb = rgb.empty() ? 0 : stream.Read(rgb.data(), rgb.size());
        qIn.insert(qIn.end(), rgb.begin(), rgb.begin() + cb);
    }

private:
    STREAM &stream;
};

enum : uint8_t {
    cmdStmTransfer = 3,
    cmdStmSetChunks = 4,
    cmdStmGetChunks = 5,
    cmdStmQueueCount = 6,
    cmdStmSetTimeouts = 7,
    cmdStmGetTimeouts = 8,
};

} // namespace

void FW::StreamCommand(const uint8_t *pb, size_t cb)
{
    uint8_t cmd = pb[2];
    uint8_t prt = cb >= 4 ? pb[3] : 0xFF;
    if (cmd == 2) {
        FPortProps(pb, cb, bd.cfg.rgdprpStream);
        return;
    }
    if (cmd > 8) {
        PushSts(stsUnknownCommand);
        return;
    }
    if (prt >= rgsport.size()) {
        PushSts(stsInvalidPort);
        return;
    }
    STMPORT &sport = rgsport[prt];
    if (cmd == 0) {
        sport = STMPORT();
        sport.fEnabled = true;
        PushSts(stsNoErc);
        return;
    }
    if (!sport.fEnabled) {
        PushSts(stsCapabilityNotEnabled);
        return;
    }
    static const uint8_t rgcbLen[9] = { 0, 0, 0, 11, 11, 3, 3, 11, 3 };
    if (cmd >= 3 && pb[0] != rgcbLen[cmd]) {
        PushSts(stsBadCommandLength);
        return;
    }
    uint32_t dw1 = U32At(pb, cb, 4), dw2 = U32At(pb, cb, 8);
    switch (cmd) {
    case 1:
        sport.fEnabled = false;
        PushSts(stsNoErc);
        break;
    case cmdStmTransfer: {
        if (dw1 == 0 && dw2 == 0) {
            PushSts(stsBadCommandLength);
            break;
        }
        auto pphaseNew = std::make_unique<STREAMPHASE>(bd.stream, dw1, dw2);
        pphaseNew->fsCounts = uint8_t((dw1 ? 0x80 : 0) | (dw2 ? 0x40 : 0));
        ArmPhase(std::move(pphaseNew), pb);
        break;
    }
    case cmdStmSetChunks:
        sport.cbChunkOut = dw1 ? dw1 : 65536;
        sport.cbChunkIn = dw2 ? dw2 : 65536;
        PushSts(stsNoErc);
        break;
    case cmdStmGetChunks: {
        uint8_t rgb[8] = {};
        for (int ib = 0; ib < 4; ib++) {
            rgb[ib] = uint8_t(sport.cbChunkOut >> (8 * ib));
            rgb[4 + ib] = uint8_t(sport.cbChunkIn >> (8 * ib));
        }
        PushSts(stsNoErc, rgb, 8);
        break;
    }
    case cmdStmQueueCount: {
        size_t cbQ = bd.stream.fLoopback ? bd.stream.qLoop.size() : 0;
        PushStsU32(stsNoErc, uint32_t(cbQ > 0xFFFFFFFFu ? 0xFFFFFFFFu : cbQ));
        break;
    }
    case cmdStmSetTimeouts:
        sport.tmsRead = dw1 ? dw1 : 2000;
        sport.tmsWrite = dw2 ? dw2 : 2000;
        [[fallthrough]];      // answer the values as set
    case cmdStmGetTimeouts: {
        uint8_t rgb[8] = {};
        for (int ib = 0; ib < 4; ib++) {
            rgb[ib] = uint8_t(sport.tmsRead >> (8 * ib));
            rgb[4 + ib] = uint8_t(sport.tmsWrite >> (8 * ib));
        }
        PushSts(stsNoErc, rgb, 8);
        break;
    }
    }
}

} // namespace sim
