/*
 * voziri.h - public interface of the device-communication runtime.
 *
 * The runtime keeps a process's interface handles (HIF, 1 to 64), runs each
 * handle's transactions on threads of its own and carries them to the device
 * through the transport the device needs. Clients reach it through the 56
 * plain Tvx functions below and through the public members of DVT (dvt.h),
 * the object behind one handle.
 *
 * Conventions:
 *  - Functions returning int are success flags (nonzero = success) unless
 *    their comment says otherwise. A failure leaves an error code (vozerc.h)
 *    in the process's last error and a line in the debug log.
 *  - When the runtime's start-up failed, every function fails without
 *    recording an error, except the ten marked "always".
 *  - Records are little-endian; their layouts are checked below for the
 *    32-bit and the 64-bit builds.
 */
#ifndef VOZIRI_H
#define VOZIRI_H

#include <stddef.h>
#include <stdint.h>

#include "vozerc.h"

#if defined(_WIN32)
#  if defined(VOZIRI_STATIC)
#    define VZAPI
#  elif defined(VOZIRI_BUILD)
#    define VZAPI __declspec(dllexport)
#  else
#    define VZAPI __declspec(dllimport)
#  endif
#  if defined(_M_IX86) || defined(__i386__)
#    define VZCALL __stdcall
#  else
#    define VZCALL
#  endif
#else
#  define VZAPI __attribute__((visibility("default")))
#  define VZCALL
#endif

/* Interface handle: 1 to 64 within one process; 0 = no handle. */
typedef uint32_t HIF;
enum { hifNil = 0, chifMax = 64 };

/*
 * Transport-protocol word (dtp): protocol number in bits 31-16, transport
 * bit in bits 15-0.
 */
enum {
    dtpUsb = 0x00000001,          /* transport bits */
    dtpNet = 0x00000002,
    dtpUsbFirmware = 0x00010001,  /* devices with the maker's USB firmware */
    dtpUsbFtdi = 0x00020001,      /* FTDI-based devices */
    dtpNetwork = 0x00010002,      /* network devices */
};

/* Fsadm flag word: which capability words and ports are visible. */
enum {
    fsadmDcapPub = 0x00000002,    /* public capability word, ports with bit 31 clear */
    fsadmDcapPriv = 0x00000004,   /* private capability word, ports with bit 31 set */
};

enum {
    cchDvcNameMax = 64,
    cchConnMax = 261,
};

/* Device record of enumeration, the device table and TvxGetDvcFromHif. */
typedef struct DVC {
    char szName[cchDvcNameMax];   /* device-table name or the device's user name */
    char szConn[cchConnMax];      /* connection string */
    uint32_t dtp;                 /* transport-protocol word */
} DVC;

/* fsEdvc bits of EDVC. */
enum {
    fsedvcLive = 0x0001,
    fsedvcTable = 0x0002,
    fsedvcPdid = 0x0004,
    fsedvcFwver = 0x0008,
    fsedvcDcap = 0x0010,
    fsedvcNetFlags = 0x0020,
    fsedvcCtls = 0x0040,
    fsedvcDtls = 0x0080,
    fsedvcAuth = 0x0100,
    fsedvcAuthen = 0x0200,
};

/* Extended device record: the DVC and what enumeration learnt about it. */
typedef struct EDVC {
    DVC dvc;
    char szUsrName[17];
    char szProdName[29];
    char szSN[16];                /* "SN:" and 12 hexadecimal digits */
    char szMAC[22];               /* "MAC:" and 17 characters */
    char szIP[67];
    char szPort[9];
    uint32_t pdid;                /* valid with fsedvcPdid */
    uint16_t fwver;               /* valid with fsedvcFwver */
    uint32_t dcap;                /* valid with fsedvcDcap */
    int32_t cOpen;                /* opens of the device in all processes */
    uint16_t fsEdvc;
} EDVC;

class DVT;
class FTDEVCMG;

/*
 * Completion callback of a transaction: called with the DVT that ran it when
 * the result is collected; the return value is not used.
 */
typedef int (VZCALL *PFNTRANSDONE)(DVT *pdvt);

/* One destination for return bytes of a status packet. */
typedef struct RPLY {
    uint8_t cb;                   /* return bytes that belong to this entry */
    uint8_t *pb;                  /* where they go; NULL skips them */
} RPLY;

enum { crplyMax = 8, cbCmdPktMax = 64, cbStsPktMax = 64 };

/* Reply descriptor: entries take the return bytes in order. */
typedef struct TFPRPLY {
    uint8_t crply;                /* entries in use, 0 to 8 */
    RPLY rgrply[crplyMax];
} TFPRPLY;

/*
 * Transaction record: up to three phases, a command packet answered by a
 * status packet, a data phase in both directions at once, and a completion
 * command answered by a second status packet. A length byte of 0
 * (rgbCmd[0], rgbCmdDone[0]) and counts of 0 leave a phase out. Buffers and
 * reply destinations must stay valid until the result has been collected.
 */
typedef struct tagTFP {
    PFNTRANSDONE pfnTransDone;
    uint8_t rgbCmd[cbCmdPktMax];
    TFPRPLY rplyCmd;
    uint32_t cbSnd;               /* host to device */
    uint8_t *pbSnd;
    uint32_t cbRcv;               /* device to host */
    uint8_t *pbRcv;
    uint8_t rgbCmdDone[cbCmdPktMax];
    TFPRPLY rplyCmdDone;
    uint8_t rgbTfpReserved[64];   /* copied with the record, never interpreted */
} TFP;

#if UINTPTR_MAX > 0xFFFFFFFFu
static_assert(sizeof(RPLY) == 16, "RPLY");
static_assert(sizeof(TFPRPLY) == 136 && offsetof(TFPRPLY, rgrply) == 8, "TFPRPLY");
static_assert(offsetof(TFPRPLY, rgrply[1].pb) == 32, "TFPRPLY entry");
static_assert(sizeof(TFP) == 504, "tagTFP");
static_assert(offsetof(TFP, rgbCmd) == 8 && offsetof(TFP, rplyCmd) == 72, "tagTFP command");
static_assert(offsetof(TFP, cbSnd) == 208 && offsetof(TFP, pbSnd) == 216, "tagTFP send");
static_assert(offsetof(TFP, cbRcv) == 224 && offsetof(TFP, pbRcv) == 232, "tagTFP receive");
static_assert(offsetof(TFP, rgbCmdDone) == 240 && offsetof(TFP, rplyCmdDone) == 304, "tagTFP done");
static_assert(offsetof(TFP, rgbTfpReserved) == 440, "tagTFP reserved");
#else
static_assert(sizeof(RPLY) == 8, "RPLY");
static_assert(sizeof(TFPRPLY) == 68 && offsetof(TFPRPLY, rgrply) == 4, "TFPRPLY");
static_assert(sizeof(TFP) == 348, "tagTFP");
static_assert(offsetof(TFP, rgbCmd) == 4 && offsetof(TFP, rplyCmd) == 68, "tagTFP command");
static_assert(offsetof(TFP, cbSnd) == 136 && offsetof(TFP, pbSnd) == 140, "tagTFP send");
static_assert(offsetof(TFP, cbRcv) == 144 && offsetof(TFP, pbRcv) == 148, "tagTFP receive");
static_assert(offsetof(TFP, rgbCmdDone) == 152 && offsetof(TFP, rplyCmdDone) == 216, "tagTFP done");
static_assert(offsetof(TFP, rgbTfpReserved) == 284, "tagTFP reserved");
#endif
static_assert(sizeof(DVC) == 332 && offsetof(DVC, szConn) == 64 && offsetof(DVC, dtp) == 328, "DVC");
static_assert(sizeof(EDVC) == 512, "EDVC");
static_assert(offsetof(EDVC, szUsrName) == 332 && offsetof(EDVC, szProdName) == 349, "EDVC names");
static_assert(offsetof(EDVC, szSN) == 378 && offsetof(EDVC, szMAC) == 394, "EDVC serial");
static_assert(offsetof(EDVC, szIP) == 416 && offsetof(EDVC, szPort) == 483, "EDVC address");
static_assert(offsetof(EDVC, pdid) == 492 && offsetof(EDVC, fwver) == 496, "EDVC pdid");
static_assert(offsetof(EDVC, dcap) == 500 && offsetof(EDVC, cOpen) == 504, "EDVC dcap");
static_assert(offsetof(EDVC, fsEdvc) == 508, "EDVC flags");

extern "C" {

/* Version and last error. */
VZAPI int VZCALL TvxGetFileVersion(char *szVersion);                      /* always */
VZAPI int VZCALL TvxGetLastError(void);                                   /* always: the code */

/* Open and close. szConnect: connection string, table name, serial, MAC, user name or address. */
VZAPI int VZCALL TvxOpen(HIF *phif, const char *szConnect);
VZAPI int VZCALL TvxOpenEx(HIF *phif, const char *szConnect, uint32_t dtpTbl, uint32_t dtpDisc);
VZAPI int VZCALL TvxClose(HIF hif);

/* Network settings. */
VZAPI int VZCALL TvxSetNetworkConnTimeout(uint32_t tms);
VZAPI int VZCALL TvxGetNetworkConnTimeout(uint32_t *ptms);
VZAPI int VZCALL TvxSetNetworkEnumTimeout(uint32_t tms);
VZAPI int VZCALL TvxGetNetworkEnumTimeout(uint32_t *ptms);
VZAPI int VZCALL TvxEnableControlChannelTLS(int fEnable);
VZAPI int VZCALL TvxEnableDataChannelTLS(int fEnable);
VZAPI int VZCALL TvxIsControlChannelTLSEnabled(int *pfEnabled);
VZAPI int VZCALL TvxIsDataChannelTLSEnabled(int *pfEnabled);

/* Device-table dialog, owned by the window hwndOwner. */
VZAPI int VZCALL TvxOpenDvcMg(void *hwndOwner);

/* Transactions and channel security of a handle. */
VZAPI int VZCALL TvxGetTransResult(HIF hif, uint32_t *pcbOut, uint32_t *pcbIn, uint32_t tmsWait);
VZAPI int VZCALL TvxCancelTrans(HIF hif);
VZAPI int VZCALL TvxSetTransTimeout(HIF hif, uint32_t tms);
VZAPI int VZCALL TvxGetTransTimeout(HIF hif, uint32_t *ptms);
VZAPI int VZCALL TvxIsControlChannelSecure(HIF hif, int *pfSecure, uint32_t tmsWait);
VZAPI int VZCALL TvxIsDataChannelSecure(HIF hif, int *pfSecure, uint32_t tmsWait);

/* Enumeration. */
VZAPI int VZCALL TvxEnumDevices(int *pcdvc);
VZAPI int VZCALL TvxEnumDevicesEx(int *pcdvc, uint32_t dtpTbl, uint32_t dtpDisc,
                                  uint32_t dinfoFilter, void *pInfoSet);
VZAPI int VZCALL TvxStartEnum(uint32_t dtpTbl, uint32_t dtpDisc, uint32_t dinfoFilter, void *pInfoSet);
VZAPI int VZCALL TvxIsEnumFinished(void);
VZAPI int VZCALL TvxStopEnum(void);
VZAPI int VZCALL TvxGetEnumCount(int *pcdvc);
VZAPI int VZCALL TvxGetDvc(int idvc, DVC *pdvc);
VZAPI int VZCALL TvxGetEdvc(int idvc, EDVC *pedvc);
VZAPI int VZCALL TvxFreeDvcEnum(void);

/* Network accounts; rgAccounts holds records of 66 bytes. */
VZAPI int VZCALL TvxIsClientAuthenticationEnabled(DVC *pdvc, int *pfEnabled);
VZAPI int VZCALL TvxEnableDisableClientAuthentication(DVC *pdvc, int fEnable);
VZAPI int VZCALL TvxAddAccount(DVC *pdvc, const char *szAccount, const char *szPassword, int attr);
VZAPI int VZCALL TvxDeleteAccount(DVC *pdvc, const char *szAccount);
VZAPI int VZCALL TvxGetAccountAttributes(DVC *pdvc, const char *szAccount, int *pattr);
VZAPI int VZCALL TvxSetAccountAttributes(DVC *pdvc, const char *szAccount, int attr);
VZAPI int VZCALL TvxChangeAccountPassword(DVC *pdvc, const char *szAccount, const char *szPassword);
VZAPI int VZCALL TvxGetAccountList(DVC *pdvc, void *rgAccounts, int cAccountsMax, int *pcAccounts);

/* Persistent device table. */
VZAPI int VZCALL TvxDvcTblAdd(DVC *pdvc);
VZAPI int VZCALL TvxDvcTblRem(const char *szName);
VZAPI int VZCALL TvxDvcTblClear(void);
VZAPI int VZCALL TvxDvcTblSave(void);

/* Transport words. */
VZAPI int VZCALL TvxGetDtpCount(void);                                    /* always: 2 */
VZAPI int VZCALL TvxGetDtpFromIndex(int idtp, uint32_t *pdtp);
VZAPI int VZCALL TvxGetDtpString(uint32_t dtp, char *szDtpString);         /* room for 4 characters */

/* Device information (codes from 1024 on are the system's own). */
VZAPI int VZCALL TvxGetInfo(DVC *pdvc, uint32_t dinfo, void *pInfoGet);
VZAPI int VZCALL TvxGetSysInfo(DVC *pdvc, uint32_t dinfo, void *pInfoGet);
VZAPI int VZCALL TvxSetSysInfo(DVC *pdvc, uint32_t dinfo, void *pInfoSet);

/* Last error, debug log and Fsadm flags. */
VZAPI int VZCALL TvxSetLastErrorLog(int erc, const char *szMsg);          /* always */
VZAPI int VZCALL TvxSetLastErrorNoLog(int erc);                           /* always */
VZAPI uint32_t VZCALL TvxSetFsadm(uint32_t fs);                           /* always: new word */
VZAPI uint32_t VZCALL TvxClrFsadm(uint32_t fs);                           /* always: new word */
VZAPI int VZCALL TvxTstFsadm(uint32_t fs);                                /* always */

/* Handle to objects and records. The DVT is borrowed: never delete it. */
VZAPI int VZCALL TvxGetDvt(HIF hif, DVT **ppdvt);
VZAPI int VZCALL TvxGetDvcFromHif(HIF hif, DVC *pdvc);
/* Name (cchErcNameMax) and message (cchErcMsgMax) of a code; either buffer may be NULL. */
VZAPI int VZCALL TvxSzFromErc(int erc, char *szName, char *szMsg);        /* always */
VZAPI FTDEVCMG *VZCALL TvxGetPftdevcmg(void);                             /* always: NULL when not started */

} /* extern "C" */

#endif /* VOZIRI_H */
