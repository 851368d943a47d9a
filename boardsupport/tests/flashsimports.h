// The flash operations' ports on the simulated boards of flashsim.cfg, for
// the flash engine's tests and bench: the device through the client
// libraries, the test image loaded through the JTAG library as the program
// does it, sleeps scaled (the boards may run faster than nominal), and a
// cancel request that can come after a number of data pieces.
#ifndef FLASHSIMPORTS_H
#define FLASHSIMPORTS_H

#include <stdio.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "brisel.h"
#include "flashdev.h"
#include "flashjob.h"

namespace {

struct BOARDCASE {
    const char *szBoard, *szConn, *szFlash, *szImage;
    const FLASHPROFILE *pprof;
    uint32_t cbFlash;
};

const BOARDCASE bcCorvale = {"fl1", "SN:210183000F11", "bpi", "007 - Corvale - 1.bit", &g_flprofCorvale, 0x2000000};
const BOARDCASE bcPentra = {"fl2", "SN:210183000F12", "spi", "00C - Pentra - 1.bit", &g_flprofPentra, 0x1000000};

class SIMPORTS : public DEVFLASHPORTS {
public:
    explicit SIMPORTS(const BOARDCASE &bcIn) : DEVFLASHPORTS(bcIn.szConn), bc(bcIn) {}

    void SleepMs(uint32_t ms) override
    {
        std::this_thread::sleep_for(std::chrono::microseconds(uint64_t(ms) * 10 * pctSleep));
    }
    bool FCancelled() override { return fCancel; }
    bool FPutRegRepeat(uint8_t reg, const uint8_t *pb, uint32_t cb) override
    {
        Piece();
        return DEVFLASHPORTS::FPutRegRepeat(reg, pb, cb);
    }
    bool FGetRegRepeat(uint8_t reg, uint8_t *pb, uint32_t cb) override
    {
        Piece();
        return DEVFLASHPORTS::FGetRegRepeat(reg, pb, cb);
    }
    bool FConfigureFpga() override
    {
        std::string szImage = std::string(KOR_SOURCE_DIR) + "/boardsupport/images/" + bc.szImage;
        uint32_t erc = 0;
        bool fOk = BriselInitScanChain(bc.szConn, nullptr, &erc) && BriselSetConfigFile(szImage.c_str(), 0, 0, &erc) &&
                   BriselProgramDvc(bc.szConn, 0, nullptr, &erc);
        if (!fOk)
            fprintf(stderr, "configure: erc %u\n", erc);
        return fOk;
    }
    void Log(uint32_t ids, const std::string &szSuffix) override { rgszLog.push_back(std::to_string(ids) + szSuffix); }

    std::vector<std::string> rgszLog;
    std::atomic<bool> fCancel{false};
    int cpieceCancel = -1;   // pieces before the cancel request; -1: none
    uint32_t pctSleep = 10;  // sleeps in percent of what is asked

private:
    void Piece()
    {
        if (cpieceCancel >= 0 && cpieceCancel-- == 0)
            fCancel = true;
    }
    const BOARDCASE &bc;
};

} // namespace

#endif
