/*
 * usbc.h - USBC, the transport manager of devices with the maker's own USB
 * firmware (FX2, FX3 and fixed-firmware boards), transport 1 protocol 1.
 *
 * Every device access outside an open handle is a temporary ABSUSB
 * connection of its own; open devices live in DVTMG as DVTP1 objects.
 * Member groups by file: usbc.cpp (open, close, enumeration, connection
 * strings, capability switch), usbcinfo.cpp (information codes),
 * usbcvreq.cpp (vendor requests), usbcident.cpp (identification and
 * validation), usbcfw.cpp (firmware catalogues and downloads),
 * usbcacct.cpp (accounts).
 */
#ifndef USBC_H
#define USBC_H

#include <stdint.h>

#include <vector>

#include "mag.h"
#include "voziri.h"

class ABSMTX;
class ABSUSB;

enum {
    tptUsb = 1,
    ptcUsbc = 1,
    cchUsbPathMax = 260,
    cfwimgMax = 64,
    cbE2prom = 16384,
    tmsVendReq = 10000,
    cfx2segMax = 4095,
    cbFx2Img = 65536,
};

/* Device-information codes of USB devices. */
enum {
    dinfoName = 1, dinfoUsrName = 2, dinfoProdName = 3, dinfoPDID = 4, dinfoSN = 5, dinfoIP = 6, dinfoMAC = 7,
    dinfoDcap = 9, dinfoConn = 12, dinfoProdId = 13, dinfoOpenCount = 14, dinfoFWVER = 15,
    dinfoIPV4Config = 21, dinfoIPV4Status = 22, dinfoUsbSpeed = 23, dinfoUsbVbusCurrent = 24,
    dinfoDcapCur = 1027, dinfoFWVERRom = 1028,
    dinfoBeginFirmwareUpdate = 1100, dinfoFirmwareMemParam = 1101, dinfoHighAddress = 1102,
    dinfoLoadPageBuffer = 1103, dinfoEraseFlashPage = 1104, dinfoFillPageBuffer = 1105,
    dinfoWritePageBuffer = 1106, dinfoVerifyPageBuffer = 1107, dinfoReadEepromData = 1108,
    dinfoWriteEepromData = 1109, dinfoUpdateStatus = 1110, dinfoEndFirmwareUpdate = 1111,
    dinfoUsbBootProdName = 1040, dinfoUsbProdName = 1041, dinfoUsbVID = 1042, dinfoUsbPID = 1043,
    dinfoFX2HexFile = 2049, dinfoE2PROMFile = 2050, dinfoFX2Loader = 2051,
    dinfoHexCatalog = 2054, dinfoIicCatalog = 2055, dinfoImgCatalog = 2056,
    dinfoReadFX3Eeprom = 2060, dinfoWriteFX3Eeprom = 2061, dinfoReadFX3SpiFlash = 2062,
    dinfoFX3SpiFlash = 2063, dinfoEraseFX3SpiFlashBlock = 2064,
    dinfoOldVersionName = 3054, dinfoFX2RevClass = 3055, dinfoReNumerate = 3056, dinfoReset = 3057,
};

/* One firmware image of a catalogue; also what clients receive. */
struct FWIMG {
    uint8_t fwid;
    uint32_t dcapPub;
    uint32_t dcapPriv;
    uint16_t fwver;
    char szPath[258];
};
static_assert(sizeof(FWIMG) == 272, "FWIMG");
static_assert(offsetof(FWIMG, dcapPub) == 4 && offsetof(FWIMG, dcapPriv) == 8, "FWIMG words");
static_assert(offsetof(FWIMG, fwver) == 12 && offsetof(FWIMG, szPath) == 14, "FWIMG path");

struct FWCAT {
    uint32_t tickScan;             /* last completed scan; 0 = never */
    FWIMG rgfwimg[cfwimgMax];
    int32_t cfwimg;
};

/* FX3 memory transfer of codes 2060 to 2063. */
struct FX3XFER {
    uint32_t addr;
    uint32_t cb;
    uint8_t *pb;
    uint32_t cbDone;
};

/* Firmware-update step of codes 1103 to 1109. */
struct FWUPDREQ {
    uint16_t wReserved;            /* not read */
    uint16_t wValue;               /* the request's wValue */
    uint16_t cb;                   /* data bytes */
    uint8_t *pb;
};

#if UINTPTR_MAX > 0xFFFFFFFFu
static_assert(sizeof(FX3XFER) == 24 && offsetof(FX3XFER, pb) == 8 && offsetof(FX3XFER, cbDone) == 16, "FX3XFER");
static_assert(sizeof(FWUPDREQ) == 16 && offsetof(FWUPDREQ, pb) == 8, "FWUPDREQ");
#else
static_assert(sizeof(FX3XFER) == 16 && offsetof(FX3XFER, pb) == 8 && offsetof(FX3XFER, cbDone) == 12, "FX3XFER");
static_assert(sizeof(FWUPDREQ) == 12 && offsetof(FWUPDREQ, pb) == 8, "FWUPDREQ");
#endif
static_assert(offsetof(FWUPDREQ, wValue) == 2 && offsetof(FWUPDREQ, cb) == 4, "FWUPDREQ fields");

struct FX2SEG {
    uint32_t addr;
    uint32_t cb;
    uint8_t *pb;
};

/* FX2 RAM image read from an Intel HEX file. */
struct FX2IMG {
    uint8_t rgb[cbFx2Img];
    uint32_t cseg;
    FX2SEG rgseg[cfx2segMax];
};

/* The maker's USB vendor id: YORL_USB_VID (hexadecimal), else 0xFFF0. */
uint16_t UsbVidMaker();

class USBC : public MAG {
public:
    /* Constant-initialised: start-up may run FInit before the dynamic
     * initialisers of the library, which must not undo it. */
    constexpr USBC() : MAG(), catHex(), catIic(), szFwDir{}, catImg(), pmtxUsbc(nullptr) {}
    ~USBC() override;
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

    /* Live discovery part of FEnum: the records of the attached devices that
     * pass the filter, in the OS layer's order. */
    int FEnumLive(uint32_t dinfoFilter, void *pInfoSet, DVCMG *pdvcmgTbl, DVCMG *pdvcmg);

    int FUsbcLock();
    int FUsbcUnLock();
    int FSzDvcPathFromSzConn(char *szPath, const char *szConn, int cchPath);

    /* ---- capability masks ---- */
    int FGetDcapDev(ABSUSB *pusb, uint32_t *pdcapPub, uint32_t *pdcapPriv);
    int FGetDcapCur(ABSUSB *pusb, uint32_t *pdcap);
    int FGetDcapFromCatalog(uint8_t fwid, uint32_t *pdcap);
    int FGetDcapAvail(ABSUSB *pusb, uint32_t *pdcap);

    /* ---- vendor requests ---- */
    int FVendReq(ABSUSB *pusb, bool fIn, uint8_t bReq, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                 void *pb, uint32_t *pcb);
    int FSendVendReq(ABSUSB *pusb, uint8_t bReq, const void *pb, uint16_t cb);
    int FSendVendReq(ABSUSB *pusb, uint8_t bReq, uint16_t wValue, const void *pb, uint16_t cb);
    int FSendVendReq21(ABSUSB *pusb, uint8_t bReq, const void *pb, uint32_t cb);
    int FE2PROMRead(ABSUSB *pusb, uint16_t addr, void *pb, uint16_t cb);
    int FE2PROMWrite(ABSUSB *pusb, uint16_t addr, const void *pb, uint16_t cb);
    int FERAMRead(ABSUSB *pusb, uint16_t addr, void *pb, uint16_t cb);
    int FERAMWrite(ABSUSB *pusb, uint16_t addr, const void *pb, uint16_t cb);
    int FRAMWrite(ABSUSB *pusb, uint16_t addr, const void *pb, uint16_t cb);
    int FSetFX2CpuReset(ABSUSB *pusb, int fHold);
    uint8_t GetFX2RevClass(ABSUSB *pusb);
    int FGetText(ABSUSB *pusb, uint8_t bReq, char *sz, uint16_t cchMax, const char *szFail);
    int FGetExact(ABSUSB *pusb, uint8_t bReq, void *pb, uint16_t cb, const char *szFail);
    int FGetSN(ABSUSB *pusb, char *szSN);             /* "SN:" + 12, 16 bytes */
    int FGetMAC(ABSUSB *pusb, char *szMAC);           /* "MAC:" + 17, 22 bytes */
    int FGetPDID(ABSUSB *pusb, uint32_t *ppdid);
    int FGetFWVER(ABSUSB *pusb, uint16_t *pfwver);
    int FGetFWVERRom(ABSUSB *pusb, uint16_t *pfwver);
    int FReadE2PROMParams(ABSUSB *pusb, uint32_t *ppdid, char *szSN, char *szUsrName, char *szProdName,
                          uint16_t *pfwverRom);
    int FSetE2PROMField(ABSUSB *pusb, uint16_t addr, uint16_t tag, const void *pb, uint16_t cb);
    int FSendReNumerate(ABSUSB *pusb);

    /* ---- identification and validation ---- */
    int FDevIdentify(ABSUSB *pusb, uint32_t *ppdid, int *pfRenum);
    int FDevValidate(ABSUSB *pusb, const char *szDvcPath, uint32_t dcap);
    int FDevFX2Validate(ABSUSB *pusb, const char *szDvcPath, uint32_t dcap, uint8_t fwid, int fRenum);
    int FDevFX3Validate(ABSUSB *pusb, uint32_t dcap, uint8_t fwid, int fReconnect);
    int FDevReNumerate(ABSUSB *pusb);
    int FDevReconnect(ABSUSB *pusb, const char *szSN);
    int FDevReset(ABSUSB *pusb);
    int FCheckBootFirmware(const FWIMG *pimg);

    /* ---- firmware ---- */
    void EnumFirmwareHex();
    void EnumFirmwareIic();
    void EnumFirmwareImg();
    static uint32_t FReadHexFile(const char *szPath, FX2IMG *pimg);
    int FDownloadFX2HexFile(ABSUSB *pusb, const char *szPath);
    int FWriteFX2FirmwareImg2RAM(ABSUSB *pusb, const FX2IMG *pimg);
    int FLoadFX2Loader(ABSUSB *pusb);
    int FE2PROMWriteFile(ABSUSB *pusb, const char *szPath);
    int FE2PROMReadFile(ABSUSB *pusb, const char *szPath);
    int FWriteFX3FirmwareImg2RAM(ABSUSB *pusb, const char *szPath);
    int FReadFX3Mem(ABSUSB *pusb, FX3XFER *pxfer, bool fEeprom);
    int FWriteFX3Mem(ABSUSB *pusb, FX3XFER *pxfer, bool fEeprom);
    int FEraseFX3SpiFlashBlock(ABSUSB *pusb, const uint16_t *pblock);
    int FIsFX3SpiFlashReady(ABSUSB *pusb, int *pfReady);

    const FWCAT &CatHex() const { return catHex; }
    const FWCAT &CatImg() const { return catImg; }

private:
    /* Temporary connection: factory object, Init, Connect. */
    ABSUSB *PusbOpen(const char *szPath, const char *szFn, int ercConnect);
    void UsbClose(ABSUSB *pusb, const char *szFn, int *pfOk);
    void EnumFirmware(FWCAT *pcat, const char *szPattern, const char *szFormat, const char *szFn);
    int FGetInfoDev(ABSUSB *pusb, const char *szConnect, uint32_t dinfo, void *pInfoGet);
    int FSetInfoDev(ABSUSB *pusb, uint32_t dinfo, void *pInfoSet);
    int FFwUpdateStep(ABSUSB *pusb, bool fIn, uint8_t bReq, uint16_t wValue, uint8_t *pb, uint16_t cb,
                      const char *szFail);
    int FUsbcAcct(ABSUSB *pusb, int cmd, const char *szAccount, const char *szPassword, int *pattr,
                  void *rgAccounts, int cAccountsMax, int *pcAccounts, int *pfEnabled);
    uint16_t KeyNew(uint16_t keySubst);

    FWCAT catHex;
    FWCAT catIic;
    char szFwDir[261];
    FWCAT catImg;
    ABSMTX *pmtxUsbc;
};

/* The runtime's one USB manager; registered by FUsbcStart. */
extern USBC usbc;

/* Start-up steps of the USB manager: FInit and registration as transport 1
 * protocol 1 (FALSE when FInit failed), and its end at unload. */
int FUsbcStart();
void UsbcStop();

#endif /* USBC_H */
