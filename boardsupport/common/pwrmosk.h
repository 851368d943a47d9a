// The power meter's device through the board-management library: one
// handle per meter run, opened with the plug-in's connection string.
#ifndef PWRMOSK_H
#define PWRMOSK_H

#include <string>

#include "pwrmeter.h"

class PWRDEVMOSK : public PWRDEV {
public:
    explicit PWRDEVMOSK(const char *szConn) : szConn(szConn) {}
    ~PWRDEVMOSK() override;
    bool FOpen() override;
    void Close() override;
    bool FCount(int *pcrail) override;
    bool FProps(int irail, int32_t *pkV, int32_t *pkI) override;
    bool FLabel(int irail, char *szLabel) override;
    bool FData(int irail, int32_t *prawV, int32_t *prawI) override;

private:
    std::string szConn;
    uint32_t hif = 0;
};

#endif
