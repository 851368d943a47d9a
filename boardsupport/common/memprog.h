// The Miravo3 memory programming engine: what the "Memory" tab's worker does
// with the board's SPI flash, parallel (BPI) flash and RAM through the
// memory-manager design. It opens the device, reads the image, finds the
// design already running or loads it, erases the blocks the image touches,
// programs in 64 KB pieces, verifies (or, for the full memory test, lists
// the differences), reads a range back into a file, and closes the device
// again without resetting the FPGA. The view runs it on its worker thread and
// logs the final lines it returns. Portable: the device, the host and the
// clock come through a MEMPORT.
#ifndef MEMPROG_H
#define MEMPROG_H

#include <stdint.h>

#include <string>
#include <vector>

#include "runcmd.h"

enum TGT { tgtSpi = 0, tgtBpi = 1, tgtRam = 2 };
enum OPMEM { opErase = 0, opProgram = 1, opReadBack = 2, opWriteFile = 3, opFullTest = 4 };

const uint32_t cbMemMiravo3 = 0x1000000;
const uint32_t idMemDesign = 0x00D00142;
const uint32_t cbMemPiece = 0x10000;   // a transfer through regData
enum { cmdDesignId = 0x05, cmdSpiId = 0x13 };

// The device, host and clock the engine works with. The register calls of
// CMDPORT act on the device FOpen opened.
class MEMPORT : public CMDPORT {
public:
    virtual bool FOpen() = 0;                 // KelmOpen with the plug-in's connection
    virtual bool FEnable() = 0;               // VeskEnable
    virtual void SetTransTimeout(uint32_t tms) = 0;
    virtual bool FConfigure() = 0;            // the host loads the board's test design
    virtual bool FPutData(const uint8_t *pb, uint32_t cb) = 0;   // through regData
    virtual bool FGetData(uint8_t *pb, uint32_t cb) = 0;
    virtual void Close() = 0;                 // VeskDisable, TarvDisable, KelmClose when open
    virtual void Log(const std::string &sz) = 0;
    virtual std::string SzString(int ids) = 0;
    virtual uint32_t MsTick() = 0;
protected:
    ~MEMPORT() = default;
};

struct MEMJOB {
    int op = opReadBack;
    int tgt = tgtBpi;
    bool fVerify = false;
    std::string szProgramFile, szWriteFile, szReadFile;
    int32_t addrWrite = 0, addrRead = 0, cbRead = 0x100000;
    uint32_t cbMem = cbMemMiravo3;
};

struct MEMRESULT {
    bool fOk = false;
    std::vector<std::string> rgszFinal;   // the lines to log when the run ends
};

// One run of the worker, from opening the device to closing it.
MEMRESULT RunMemJob(MEMPORT &port, const MEMJOB &job);

// The full test's data: n bytes, each bits 7 to 14 of the next value of a
// 15-bit pseudo-random generator seeded with seed.
std::vector<uint8_t> RgbMemTestData(uint32_t seed, uint32_t cb);

// The final text's time: " (%d ms)" below 1000 ms, " (%d sec)" from 1000 ms
// on, nothing for 20 ms or less.
std::string SzElapsed(uint32_t ms);

#endif
