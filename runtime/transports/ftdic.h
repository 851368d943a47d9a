/*
 * ftdic.h - FTDIC, the transport manager of FTDI-based boards, transport 1
 * protocol 2: the interface list kept in step with the D2XX driver, the
 * devices described by the maker's record in their EEPROM user area, and a
 * firmware library chosen per device by file name for its DVTP2.
 *
 * Member groups by file: ftdic.cpp (start, lock, open, close, enumeration,
 * connection strings, capability check), ftdicdisc.cpp (refresh of the
 * interface list, device probe, open by serial), ftdicfw.cpp (firmware
 * library catalogue), ftdicinfo.cpp (information codes).
 */
#ifndef FTDIC_H
#define FTDIC_H

#include <stdint.h>

#include <string>
#include <vector>

#include "d2xxapi.h"
#include "ftdimgr.h"
#include "mag.h"

class ABSMTX;

enum {
    ptcFtdic = 2,
    cfwdllMax = 64,
    cchFwDllPath = 262,
    cchFtdiSerial = 12,
};

/* One firmware library of the catalogue. */
struct FWDLL {
    uint8_t fwid;
    uint32_t dcapPub;
    uint32_t dcapPriv;
    uint16_t fwver;
    char szPath[cchFwDllPath];
};

/* What the device probe found. */
struct FTPROBE {
    FTINTF ftintf;                      /* values of the user area (name: the serial) */
    FT_HANDLE h;                        /* kept open for FSetInfo, else null */
    std::vector<std::string> rgszAdded; /* interfaces added to the list */
};

class FTDIC : public MAG {
public:
    constexpr FTDIC()
        : MAG(), pmtxFtdic(nullptr), ftd2xx(), rgfwdll{}, cfwdll(0), tickScan(0), fScanned(false), szFwDir{},
          cdevLast(0), tickRefresh(0), fRefreshed(false) {}
    ~FTDIC() override;
    int FInit() override;
    void Term() override;
    HIF HifOpenEx(const char *szConnect, int fTbl, int fDisc) override;
    int FClose(HIF hif) override;
    int FEnum(int fTbl, int fDisc, uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmg) override;
    int FCheckSzConn(const char *szConnect) override;
    int FCheckSzConnTbl(const char *szConn) override;
    int FEnable(const char *szConn, uint32_t dcapA, uint32_t dcapB) override;
    int FDisable(const char *szConn, uint32_t dcapA, uint32_t dcapB) override;
    int FSetInfo(const char *szConnect, uint32_t dinfo, void *pInfoSet) override;
    int FGetInfo(const char *szConnect, uint32_t dinfo, void *pInfoGet) override;
    int FAcctMgmt(int cmd, const char *szConnect, const char *szAccount, const char *szPassword, int *pattr,
                  void *rgAccounts, int cAccountsMax, int *pcAccounts, int *pfEnabled) override;
    int FSzConnFromSzDvcPath(char *szConn, const char *szDvcPath, int cchConn) override;

    int FLock();
    int FUnlock();
    int FSzDvcPathFromSzConn(char *szPath, const char *szConn, int cchPath);
    int FSzSNFromSzDvcPath(char *szSN, const char *szPath, int cchSN);

    /* ---- discovery (ftdicdisc.cpp) ---- */
    int FEnumAndUpdateCache();
    /* szOp names the caller in messages ("FEnable", "FGetInfo", "FSetInfo"). */
    int FProbe(const char *szSN, const char *szOp, bool fKeepOpen, FTPROBE *pprobe);
    int FOpenBySzSN(const char *szSN, FT_HANDLE *ph);

    /* ---- firmware libraries (ftdicfw.cpp) ---- */
    int FEnumFirmwareDll();
    const FWDLL *PfwdllFind(uint32_t pdid, uint32_t dcapPub, uint32_t dcapPriv) const;
    int FFwverFromFwidAndDcap(uint32_t pdid, uint32_t dcapPub, uint32_t dcapPriv, uint16_t *pfwver);
    int Cfwdll() const { return cfwdll; }
    const FWDLL &Fwdll(int i) const { return rgfwdll[i]; }

    ABSMTX *pmtxFtdic;
    D2XXAPI ftd2xx;

private:
    FWDLL rgfwdll[cfwdllMax];
    uint8_t cfwdll;
    uint32_t tickScan;
    bool fScanned;
    char szFwDir[261];
    uint32_t cdevLast;
    uint32_t tickRefresh;
    bool fRefreshed;
};

/* The capability mask usable now of a record (Fsadm public/private words). */
uint32_t DcapUsable(uint32_t dcapPub, uint32_t dcapPriv);
/* The first record of a list whose name starts with the 12-character serial. */
const FTINTF *PftintfOfSerial(const FTINTF *rg, uint32_t c, const char *szSN);

/* The runtime's FTDI manager; registered by FFtdicStart when the driver binds. */
extern FTDIC ftdic;

int FFtdicStart();
void FtdicStop();

#endif /* FTDIC_H */
