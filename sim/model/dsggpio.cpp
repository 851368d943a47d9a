// dsggpio.cpp - switches, buttons and the command handshake of the
// peripheral test designs (dsggpio.h).

#include "dsggpio.h"

namespace sim {

DSGGPIO::DSGGPIO(DESIGNENV &envIn, const char *szNameIn, const GPIOCMD *rgcmdIn, int ccmdIn, uint8_t bButtonMaskIn)
    : SIMDESIGN(envIn), szName(szNameIn), rgcmd(rgcmdIn), ccmd(ccmdIn), bButtonMask(bButtonMaskIn)
{
}

void DSGGPIO::Start(uint8_t cmd)
{
    const GPIOCMD *pcmd = nullptr;
    for (int i = 0; i < ccmd; i++)
        if (rgcmd[i].cmd == cmd)
            pcmd = &rgcmd[i];
    std::string szN = std::to_string(cmd);
    std::string szStatus = env.SzOpt("cmdstatus." + szN);
    fStuck = szStatus == "stuck";
    // An unknown command fails at once (status 0), as the design rejects it.
    bFinal = pcmd ? uint8_t(fStuck ? 2 : env.UOpt("cmdstatus." + szN, 1)) : 0;
    bResult = uint8_t(env.UOpt("cmdresult." + szN, 0));
    if (pcmd && pcmd->fValue)
        value = uint32_t(pcmd->szValueOpt ? env.UOpt(pcmd->szValueOpt, pcmd->value) : pcmd->value);
    fBusy = true;
    usDone = DESIGNENV::UsNow() + (pcmd ? env.UsScaled(pcmd->usBusy) : 0);
    env.Log(std::string(szName) + " cmd " + szN + " status " + (fStuck ? std::string("stuck") : std::to_string(bFinal)) +
            " result " + std::to_string(bResult));
}

uint8_t DSGGPIO::BStatus()
{
    if (fBusy && !fStuck && DESIGNENV::UsNow() >= usDone)
        fBusy = false;
    return fBusy ? 2 : bFinal;
}

bool DSGGPIO::FPut(uint8_t reg, uint8_t b)
{
    if (reg != 0x80)
        return false;
    bCmd = b;
    Start(b);
    return true;
}

bool DSGGPIO::FGet(uint8_t reg, uint8_t &b)
{
    switch (reg) {
    case 0x80:
        b = uint8_t(env.UOpt("readback", bCmd));
        return true;
    case 0x81:
        b = BStatus();
        return true;
    case 0x82:
        b = bResult;
        return true;
    case 0x83:
    case 0x84:
    case 0x85:
    case 0x86:
        b = uint8_t(value >> (8 * (reg - 0x83)));
        return true;
    case 0x10:
        b = uint8_t(env.UOpt("switches", 0));
        return true;
    case 0x11:
        b = uint8_t(env.UOpt("buttons", 0) & bButtonMask);
        return true;
    default:
        return false;
    }
}

} // namespace sim
