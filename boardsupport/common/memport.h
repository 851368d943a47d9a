// The memory programming engine's MEMPORT on a real device: the register
// port of the platform's device manager and register library, the JTAG port
// given back at the end, and the host (log, configuration, texts) through
// functions the view supplies. The view's cancel request is a flag the
// worker polls; sleeps end early when it is set.
#ifndef MEMPORT_H
#define MEMPORT_H

#include <atomic>
#include <functional>
#include <string>

#include "memprog.h"

struct MEMHOST {
    std::string szConn;                               // the plug-in's connection string
    std::function<void(const std::string &)> fnLog;
    std::function<bool()> fnConfigure;                // loads the board's test design
    std::function<std::string(int)> fnString;         // a text of the plug-in's table
};

class MEMDEVPORT : public MEMPORT {
public:
    MEMDEVPORT(const MEMHOST &hostIn, const std::atomic<bool> &fCancelIn) : host(hostIn), fCancel(fCancelIn) {}

    bool FPutReg(uint8_t reg, uint8_t b) override;
    bool FGetReg(uint8_t reg, uint8_t *pb) override;
    void SleepMs(uint32_t ms) override;
    bool FCancelled() override { return fCancel.load(); }
    bool FOpen() override;
    bool FEnable() override;
    void SetTransTimeout(uint32_t tms) override;
    bool FConfigure() override { return host.fnConfigure && host.fnConfigure(); }
    bool FPutData(const uint8_t *pb, uint32_t cb) override;
    bool FGetData(uint8_t *pb, uint32_t cb) override;
    void Close() override;
    void Log(const std::string &sz) override
    {
        if (host.fnLog)
            host.fnLog(sz);
    }
    std::string SzString(int ids) override { return host.fnString ? host.fnString(ids) : std::string(); }
    uint32_t MsTick() override;

    // The handle while the device is open, 0 otherwise.
    uint32_t Hif() const { return hif.load(); }

private:
    const MEMHOST &host;
    const std::atomic<bool> &fCancel;
    std::atomic<uint32_t> hif{ 0 };
};

#endif
