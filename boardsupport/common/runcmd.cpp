// The memory-manager designs' command handshake (runcmd.h).

#include "runcmd.h"

namespace {

bool FPutFour(CMDPORT &port, const uint8_t rgreg[4], uint32_t u)
{
    for (int i = 0; i < 4; i++)
        if (!port.FPutReg(rgreg[i], static_cast<uint8_t>(u >> (8 * (3 - i)))))
            return false;
    return true;
}

} // namespace

int RunCmd(CMDPORT &port, int cmd, int tsec, RCPOLL rcpoll)
{
    port.SleepMs(10);
    if (cmd >= 0 && !port.FPutReg(regCmd, static_cast<uint8_t>(cmd)))
        return rcWriteFailed;
    long cround = rcpoll == rcpollFlash ? 10L * tsec : (tsec < 0 ? 0 : 10L * tsec + 1);
    for (long iround = 0; iround < cround; iround++) {
        uint8_t bStatus;
        if (!port.FGetReg(regStatus, &bStatus))
            return rcStatusFailed;
        switch (bStatus) {
        case stsDone: {
            uint8_t bResult;
            if (!port.FGetReg(regResult, &bResult))
                return rcResultFailed;
            return bResult;
        }
        case stsDataIn:
            if (cmd == cmdProgram)
                return 0;
            break;   // busy for any other command
        case stsDataOut:
            return cmd == cmdRead ? 0 : rcUnexpected;
        case stsBusy:
        case stsBusyFF:
            break;
        default:
            return rcUnexpected;
        }
        if (port.FCancelled())
            return rcCancelled;
        port.SleepMs(100);
    }
    return rcTimeOut;
}

bool FPutAddress(CMDPORT &port, uint32_t addr)
{
    static const uint8_t rgreg[4] = {0x94, 0x89, 0x88, 0x87};
    return FPutFour(port, rgreg, addr);
}

bool FPutLength(CMDPORT &port, uint32_t cb)
{
    static const uint8_t rgreg[4] = {0x93, 0x92, 0x91, 0x90};
    return FPutFour(port, rgreg, cb);
}
