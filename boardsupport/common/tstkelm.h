// The device half of the self-test page's TSTSITE: the board by its
// connection string, through the device manager (open, close), the register
// port and the board-management library (configuration reset).
#ifndef TSTKELM_H
#define TSTKELM_H

#include <string>

#include "tstold.h"

class TSTSITEKELM : public TSTSITE {
public:
    bool FOpen(uint32_t *phif) override;
    bool FClose(uint32_t hif) override;
    bool FEnable(uint32_t hif) override;
    void Disable(uint32_t hif) override;
    bool FPutReg(uint32_t hif, uint8_t reg, uint8_t b) override;
    bool FGetReg(uint32_t hif, uint8_t reg, uint8_t *pb) override;
    bool FConfigReset(uint32_t hif, bool fAssert) override;

protected:
    ~TSTSITEKELM() = default;
    // The connection string of the board (the plug-in's, from the host).
    virtual const char *SzConn() = 0;
};

#endif
