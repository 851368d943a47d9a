// One operation of a flash programming view on its worker thread: program
// the board's flash from a .bin, .bit or .mcs file, write a data file at an
// address, read the whole flash back into a file, or erase it. The board's
// memory-manager design is loaded into the FPGA first (through the host) and
// then driven with the command handshake (runcmd.h). Boards differ in a
// profile: bring-up order, block sizes, piece sizes, waits, word pads and
// what happens to the image before it is sent.
// Portable: the device, the host and the log are reached through FLASHPORTS.
#ifndef FLASHJOB_H
#define FLASHJOB_H

#include <stdint.h>

#include <string>

#include "flashimg.h"
#include "flashplan.h"
#include "memprog.h"
#include "runcmd.h"

// The texts an operation logs, by string id of the plug-in.
enum {
    idsFlNoTestImage = 110, idsFlNoOpen = 121, idsFlNoEnable = 122, idsFlConfiguring = 129,
    idsFlConfigWith = 130, idsFlFileError = 131, idsFlCommFailed = 132, idsFlErasing = 133, idsFlFailed = 134,
    idsFlSuccess = 135, idsFlConfigFailed = 136, idsFlDone = 137, idsFlCancelled = 138, idsFlVerifying = 142,
    idsFlReading = 145, idsFlWriting = 146,
};

// The operations (opErase, opProgram, opReadBack, opWriteFile) are those of
// every flash page; Miravo3's adds its full memory test (memprog.h).
typedef OPMEM FLASHOP;

struct FLASHPROFILE {
    uint32_t cbFlash;            // the memory; images must lie inside it
    PFNCBBLOCK pfnCbBlock;       // the erase walk's block sizes
    int tsecQuery;               // wait of the block query
    uint32_t cbPiece;            // data moved per register-port transfer
    int tsecProgramEnd;          // wait for the end of a program transfer
    bool fWordPads;              // x16: program ranges padded to whole words
    bool fEnableFirst;           // register port enabled before the configuration (else after)
    bool fTarv;                  // the JTAG port is released at the end
    uint32_t msBeforeContact;    // sleep before and ...
    uint32_t msAfterContact;     // ... after the first contact
    uint32_t cbReadBack;         // bytes the read-back reads (the length asked is 32 MB)
    bool fCorvaleRules;          // image rules: Corvale (x16 option, bit reversal, BPI DOWN) or Pentra
    uint32_t idsWriting;         // text before writing a data file
};

extern const FLASHPROFILE g_flprofCorvale;
extern const FLASHPROFILE g_flprofPentra;

struct FLASHARGS {
    FLASHOP op = opErase;
    std::string szProgramFile, szWriteFile, szReadFile;
    bool fX16 = false;
    bool fBpiDown = false;
    bool fVerify = false;
    uint32_t addrWrite = 0;
};

// What the operation reaches: the register port (CMDPORT, with the view's
// sleep and cancel request), the rest of the device, the host and the log.
class FLASHPORTS : public CMDPORT {
public:
    virtual bool FOpen() = 0;                  // the device, for this operation
    virtual bool FEnable() = 0;                // the register port
    virtual bool FConfigReset(bool fAssert) = 0;
    virtual bool FPutRegRepeat(uint8_t reg, const uint8_t *pb, uint32_t cb) = 0;
    virtual bool FGetRegRepeat(uint8_t reg, uint8_t *pb, uint32_t cb) = 0;
    virtual void Disable() = 0;                // the register port
    virtual void TarvDisable() = 0;            // the JTAG port
    virtual void Close() = 0;
    virtual bool FConfigureFpga() = 0;         // the host loads the board's test image
    virtual void Log(uint32_t ids, const std::string &szSuffix = std::string()) = 0;
protected:
    ~FLASHPORTS() = default;
};

// How an operation ended: the failure text (0: none) with the name that
// follows it, and the final text (135 or 137 success, 136 failed, 138
// cancelled). The caller logs them (failure text first, unless cancelled).
struct FLASHEND {
    uint32_t idsFail = 0;
    std::string szFailSuffix;
    uint32_t idsFinal = idsFlDone;
};

FLASHEND RunFlashJob(const FLASHPROFILE &prof, const FLASHARGS &args, FLASHPORTS &ports);
// The end's lines: the failure text (only for a failed, not cancelled
// operation), then the final text.
void LogFlashEnd(const FLASHEND &end, FLASHPORTS &ports);

// The image of a programming or data file under the board's rules, checked
// against the flash size; false when it cannot be read or does not fit.
bool FLoadFlashImage(const FLASHPROFILE &prof, const FLASHARGS &args, FLASHIMG *pimg);

#endif
