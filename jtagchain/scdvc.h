/*
 * scdvc.h - device records of the scan chain.
 *
 * SCDVC is the common record; FPGA, CPLD and PROM records add the
 * instruction opcodes of their family (named as in the device list's
 * COMMANDS block) and their own state.
 */
#ifndef JTAGCHAIN_SCDVC_H
#define JTAGCHAIN_SCDVC_H

#include <stdint.h>

#include <vector>

#include "brisel.h"
#include "tvxutil.h"

class SCHAIN;
class STREP;
struct BITFILE;

enum { cchScPath = 264 };

/* Device types. */
enum {
    dvctUnknown = -1,
    dvctFpga = 0,
    dvctCpld = 1,
    dvctProm = 2,
    dvctMisc = 3,
};

/* Configuration-file types. */
enum {
    cftNone = -1,
    cftBit = 0,
    cftSvf = 1,
    cftJed = 2,
    cftMcs = 3,
    cftBin = 4,
};

class SCDVC {
public:
    SCDVC(SCHAIN *pschain, int32_t dvct);
    virtual ~SCDVC();

    /* Opcode names of the type, in record order, and the opcodes. */
    virtual int Cop() const { return 0; }
    virtual const char *const *RgszOp() const { return nullptr; }
    virtual uint32_t *RgOp() { return nullptr; }
    /* Opcode by its name (without regard to case); null when the type has none. */
    uint32_t *POpFromName(const char *szName);

    /* Replace the description (owned). */
    void SetJtdvc(JTDVC *pjtdvcNew);

    int32_t cbitIr;
    uint32_t idcode;
    int32_t dvct;
    JTDVC *pjtdvc;
    char szPath[cchScPath];
    SCHAIN *pschain;
    int32_t alg;
    /* Place of the device's word in the identification scan, from TDO (0 first). */
    int32_t iwordScan;
private:
    SCDVC(const SCDVC &);
    SCDVC &operator=(const SCDVC &);
};

/* FPGA: opcodes BYPASS, IDCODE, CFG_IN, JSTART, CFG_OUT, JPROGRAM, JSHUTDOWN. */
class SCFPGA : public SCDVC {
public:
    enum { opBypass, opIdcode, opCfgIn, opJstart, opCfgOut, opJprogram, opJshutdown, cop };
    explicit SCFPGA(SCHAIN *pschain);
    ~SCFPGA();
    int Cop() const { return cop; }
    const char *const *RgszOp() const;
    uint32_t *RgOp() { return rgop; }
    /* Take over a loaded image (the previous one is released). */
    void SetBitfile(BITFILE *pbitfileNew);
    /* Configuration (scfpga.cpp): the file of szPath, the family's
     * pre-configuration (by alg), the download with start-up, the status. */
    bool FLoadBitFile(STREP &rep);
    bool FLoadBinFile(STREP &rep);
    bool FPreConfigure(int iscdvc, STREP &rep);
    bool FDownload(int iscdvc, STREP &rep);
    bool FCheckStatus(int iscdvc, int cscdvcAfter, STREP &rep);
    /* Families other than 1: DONE from the instruction-register capture. */
    bool FCheckDone(int iscdvc, STREP &rep);
    /* JPROGRAM on a port of its own, without reports: the device is left
     * unconfigured and its configuration logic ready for a whole bitstream. */
    void ClearConfiguration(int iscdvc);
    uint32_t rgop[cop];
    BITFILE *pbitfile;
private:
    bool FLoadFile(bool fBit, STREP &rep);
    bool FPreConfigureAlg1(HTVX h, int iscdvc, STREP &rep);
    bool FPreConfigureAlg2(HTVX h, int iscdvc, STREP &rep);
    bool FStartupClocks(HTVX h, STREP &rep);
    bool FClearOnPort(HTVX h, int iscdvc);
    bool FClearForDownload(int iscdvc, HTVX h, STREP &rep);
    bool FCaptureBits(HTVX h, int iscdvc, uint32_t *pcapture, STREP &rep);
    /* A cancel was accepted (fUserAbort): stcFailed, true. */
    bool FCancelled(STREP &rep);
};

/* CoolRunner-II CPLD. */
class SCCPLD : public SCDVC {
public:
    enum { opBypass, opIdcode, opIscEnable, opIscDisable, opIscErase, opIscInit, opIscRead, opIscProgram, cop };
    explicit SCCPLD(SCHAIN *pschain);
    int Cop() const { return cop; }
    const char *const *RgszOp() const;
    uint32_t *RgOp() { return rgop; }
    /* Erase, program from the .jed file of szPath, verify against it (sccpld.cpp). */
    bool FErase(int iscdvc, int cscdvcAfter, STREP &rep);
    bool FProgram(int iscdvc, int cscdvcAfter, STREP &rep);
    bool FVerify(int iscdvc, int cscdvcAfter, STREP &rep);
    uint32_t rgop[cop];
};

/* Platform Flash PROM. */
class SCPROM : public SCDVC {
public:
    enum {
        opBypass, opIdcode, opIspen, opFpgm, opFaddr, opFvfy0, opFvfy1, opFvfy3, opFvfy6, opFerase, opSerase,
        opFdata0, opFdata3, opFblank0, opFblank3, opFblank6, opConfig, opNormrst, opIscErase, opIscProgram,
        opIscDataShift, opIscAddressShift, opXscUnlock, opXscDataBtc, opXscDataSucr, opXscDataCcb, opXscDataDone,
        cop
    };
    explicit SCPROM(SCHAIN *pschain);
    ~SCPROM();
    int Cop() const { return cop; }
    const char *const *RgszOp() const;
    uint32_t *RgOp() { return rgop; }
    void SetBitfile(BITFILE *pbitfileNew);
    /* The image of szPath (scprom.cpp): an Intel HEX file as it stands, a
     * .bit file's configuration data with each byte's bits reversed (the
     * PROM shifts every byte out least significant bit first). */
    bool FLoadHexFile(STREP &rep);
    bool FLoadBitFile(STREP &rep);
    /* ALG 1 (XCFxxS) and ALG 2 (XCFxxP); cbitPage is the page size in bits. */
    bool FEraseS(int iscdvc, int cscdvcAfter, STREP &rep);
    bool FEraseP(int iscdvc, int cscdvcAfter, STREP &rep);
    bool FProgramS(int iscdvc, int cscdvcAfter, uint32_t cbitPage, STREP &rep);
    bool FProgramP(int iscdvc, int cscdvcAfter, uint32_t cbitPage, STREP &rep);
    /* ALG 1: every page read back (FVFY1) and compared with the image. */
    bool FVerifyS(int iscdvc, int cscdvcAfter, uint32_t cbitPage, STREP &rep);
    uint32_t rgop[cop];
    BITFILE *pbitfile;
    std::vector<uint8_t> rgbImage;   /* what the PROM is to hold, from address 0 */
};

/* Record for a device type of the device list ("FPGA", "CPLD", "PROM",
 * "MISC", "UNKNOWN"), with its description's bitmaps and frame set; null
 * for any other name. */
SCDVC *PscdvcNewFromTypeName(SCHAIN *pschain, const char *szType);

/* The record of a device whose vendor is not known: type -1, name "UNKNOWN". */
SCDVC *PscdvcNewUnknown(SCHAIN *pschain);

/* Configuration-file type of a path: its last "."-piece, case counting. */
int FileTypeFromPath(const char *szPath);

/* Choose the file-dialog filter list of an identified device (by type and name). */
void SetJtdvcFilter(SCDVC *pscdvc);

#endif /* JTAGCHAIN_SCDVC_H */
