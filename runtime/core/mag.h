/*
 * mag.h - MAG, the interface every transport manager implements.
 *
 * Lifecycle contract: FInit runs once at start-up; Term runs at start-up
 * teardown and at shut-down, also when FInit did not run or failed, and
 * acts only on what FInit created. A handle a manager opens (HifOpenEx)
 * stays valid until its FClose. FEnable and FDisable switch the device's
 * capability set by the same bits.
 */
#ifndef MAG_H
#define MAG_H

#include "voziri.h"

class DVCMG;

class MAG {
public:
    virtual ~MAG() {}                                                        /* slot 0 */
    virtual int FInit() = 0;                                                 /* slot 1 */
    virtual void Term() = 0;                                                 /* slot 2 */
    /* slot 3: open with table entries and discovered devices as targets. */
    virtual HIF HifOpen(const char *szConnect) { return HifOpenEx(szConnect, 1, 1); }
    /* slot 4: hif or 0; fTbl admits device-table entries, fDisc live devices. */
    virtual HIF HifOpenEx(const char *szConnect, int fTbl, int fDisc) = 0;
    virtual int FClose(HIF hif) = 0;                                         /* slot 5 */
    /* slot 6: append the manager's devices to the enumeration list. */
    virtual int FEnum(int fTbl, int fDisc, uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmg) = 0;
    /* slot 7: whether the text is a connection string of this manager. */
    virtual int FCheckSzConn(const char *szConnect) = 0;
    /* slot 8: whether the text may be a device-table connection string. */
    virtual int FCheckSzConnTbl(const char *szConn) = 0;
    /* slot 9: whether the device can provide dcapA | dcapB, switching it where possible. */
    virtual int FEnable(const char *szConn, uint32_t dcapA, uint32_t dcapB) = 0;
    virtual int FDisable(const char *szConn, uint32_t dcapA, uint32_t dcapB) = 0;   /* slot 10 */
    virtual int FSetInfo(const char *szConnect, uint32_t dinfo, void *pInfoSet) = 0; /* slot 11 */
    virtual int FGetInfo(const char *szConnect, uint32_t dinfo, void *pInfoGet) = 0; /* slot 12 */
    /* slot 13: account command cmd (240 to 247). */
    virtual int FAcctMgmt(int cmd, const char *szConnect, const char *szAccount, const char *szPassword, int *pattr,
                          void *rgAccounts, int cAccountsMax, int *pcAccounts, int *pfEnabled) = 0;
    /* slot 14: full connection string of a device path into szConn (cchConn characters). */
    virtual int FSzConnFromSzDvcPath(char *szConn, const char *szDvcPath, int cchConn) = 0;

    /* Shared checks; none of them records an error. */
    static int FIsEnumStopped();
    static int FCheckSzProdName(const char *sz);
    static int FCheckSzSN(const char *sz);
    static int FCheckSzMAC(const char *sz);
    static int FCheckSzUsrName(const char *sz);
    static int FCmpSzMAC(const char *sz1, const char *sz2);
    static int FCmpSzSN(const char *sz1, const char *sz2);
};

/* Device-information code of the capability words (two u32: public, private). */
enum { dinfoDcapDev = 1029 };

#endif /* MAG_H */
