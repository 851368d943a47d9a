// The device side of a flash operation over the platform's client
// libraries: the device manager (open, close), the register port, the board
// management (configuration reset) and the JTAG port, on one interface
// handle per operation. What stays open for the owner: the sleep and cancel
// request, the host's FPGA configuration and the log.
#ifndef FLASHDEV_H
#define FLASHDEV_H

#include <string>

#include "flashjob.h"

class DEVFLASHPORTS : public FLASHPORTS {
public:
    explicit DEVFLASHPORTS(const std::string &szConnIn) : szConn(szConnIn) {}

    bool FOpen() override;
    bool FEnable() override;
    bool FConfigReset(bool fAssert) override;
    bool FPutReg(uint8_t reg, uint8_t b) override;
    bool FGetReg(uint8_t reg, uint8_t *pb) override;
    bool FPutRegRepeat(uint8_t reg, const uint8_t *pb, uint32_t cb) override;
    bool FGetRegRepeat(uint8_t reg, uint8_t *pb, uint32_t cb) override;
    void Disable() override;
    void TarvDisable() override;
    void Close() override;

    // The handle while the operation holds the device, 0 otherwise.
    uint32_t Hif() const { return hif; }

protected:
    ~DEVFLASHPORTS() = default;

private:
    std::string szConn;
    uint32_t hif = 0;
};

#endif
