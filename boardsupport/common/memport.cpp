// The memory programming engine on a real device (memport.h).

#include "memport.h"

#include <chrono>
#include <thread>

#include "kelm.h"
#include "tarv.h"
#include "vesk.h"

bool MEMDEVPORT::FPutReg(uint8_t reg, uint8_t b)
{
    return VeskPutReg(hif, reg, b, 0) != 0;
}

bool MEMDEVPORT::FGetReg(uint8_t reg, uint8_t *pb)
{
    return VeskGetReg(hif, reg, pb, 0) != 0;
}

void MEMDEVPORT::SleepMs(uint32_t ms)
{
    auto tEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!fCancel.load()) {
        auto tNow = std::chrono::steady_clock::now();
        if (tNow >= tEnd)
            return;
        auto dt = tEnd - tNow;
        std::this_thread::sleep_for(dt < std::chrono::milliseconds(10) ? dt : std::chrono::milliseconds(10));
    }
}

bool MEMDEVPORT::FOpen()
{
    HIF hifNew = 0;
    if (!KelmOpen(&hifNew, host.szConn.c_str()))
        return false;
    hif = hifNew;
    return true;
}

bool MEMDEVPORT::FEnable()
{
    return VeskEnable(hif) != 0;
}

void MEMDEVPORT::SetTransTimeout(uint32_t tms)
{
    KelmSetTransTimeout(hif, tms);
}

bool MEMDEVPORT::FPutData(const uint8_t *pb, uint32_t cb)
{
    return VeskPutRegRepeat(hif, regData, pb, cb, 0) != 0;
}

bool MEMDEVPORT::FGetData(uint8_t *pb, uint32_t cb)
{
    return VeskGetRegRepeat(hif, regData, pb, cb, 0) != 0;
}

void MEMDEVPORT::Close()
{
    HIF hifOld = hif.exchange(0);
    if (hifOld == 0)
        return;
    VeskDisable(hifOld);
    TarvDisable(hifOld);
    KelmClose(hifOld);
}

uint32_t MEMDEVPORT::MsTick()
{
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch()).count());
}
