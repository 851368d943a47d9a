/*
 * usb_info_test.cpp - writing device information: the write-key handshake,
 * the old-firmware path, the argument checks before any request, E2PROM
 * files, the legacy parameter block, reset and renumeration. What the board
 * ended up with is read through the simulator's control channel.
 */
#include "fwimage.h"
#include "usbtestenv.h"

namespace {

const char *SzInfoConfig()
{
    return R"(# boards of the information tests
board cur
  serial 210183000011
  user Cur
  product KorvanelUsb2
  pdid 0x00700121
  fwver 0x0305
  fwverrom 0
  caps 0x00000801 0
  account admin secret 3
board old
  serial 210183000012
  user Old
  product OldBoard
  fwver 0x0201
  pdid 0x00300122
board fx2
  serial 210183000013
  product VCabUsb1 V2.0
  chip fx2
  pdid 0x30100203
  fwver 0x0300
  fwverrom 0
  caps 0x00000001 0
  revid 1
  legacyblock yes
board fx3app
  serial 210183000014
  product FX3 board
  chip fx3
  pdid 0x00200180
  fwver 0x0100
  caps 0x00000801 0
)";
}

class UsbInfo : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string szErr;
        ASSERT_TRUE(simctl.FStart(SzInfoConfig(), &szErr)) << szErr;
        UsbSetEnv("KOR_SIM", ("127.0.0.1:" + std::to_string(simctl.Port())).c_str());
        UsbSetEnv("YORL_FWDIR", SzUsbTempDir("fw-info").c_str());
        ASSERT_TRUE(FUsbRuntimeStart("info"));
    }
    static void TearDownTestSuite()
    {
        UsbRuntimeStop();
        simctl.Stop();
    }
    static std::string SzPath(const char *szBoard) { return simctl.SzState(szBoard, "path"); }
    static DVC DvcOf(const char *szBoard)
    {
        DVC dvc;
        memset(&dvc, 0, sizeof(dvc));
        snprintf(dvc.szConn, sizeof(dvc.szConn), "#tpt_0001#ptc_0001#%s", SzPath(szBoard).c_str());
        dvc.dtp = dtpUsbFirmware;
        return dvc;
    }
    /* The board's log lines that start with szPrefix. */
    static std::vector<std::string> RgszLog(const char *szBoard, const std::string &szPrefix)
    {
        std::vector<std::string> rgsz, rgszMatch;
        simctl.FCmd(std::string("LOG ") + szBoard, &rgsz);
        for (const std::string &sz : rgsz) {
            if (sz.compare(0, szPrefix.size(), szPrefix) == 0)
                rgszMatch.push_back(sz);
        }
        return rgszMatch;
    }

    static SIMCTL simctl;
};
SIMCTL UsbInfo::simctl;

TEST_F(UsbInfo, SettersUseTheWriteKey)
{
    DVC dvc = DvcOf("cur");
    simctl.FCmd("LOGCLEAR cur");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoUsrName, (void *)"Renamed_1")) << TvxGetLastError();
    EXPECT_EQ(simctl.SzState("cur", "user"), "Renamed_1");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoProdName, (void *)"A product")) << TvxGetLastError();
    EXPECT_EQ(simctl.SzState("cur", "product"), "A product");
    uint32_t pdid = 0x00700122;
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoPDID, &pdid));
    EXPECT_EQ(simctl.SzState("cur", "pdid"), "0x00700122");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoSN, (void *)"SN:0123456789AB"));
    EXPECT_EQ(simctl.SzState("cur", "serial"), "0123456789AB");
    /* every write went in between a key and its withdrawal */
    EXPECT_EQ(simctl.SzState("cur", "key"), "0x0000");
    std::vector<std::string> rgszKey = RgszLog("cur", "VR out E8");
    ASSERT_EQ(rgszKey.size(), 8u);
    EXPECT_NE(rgszKey[1].find("ok 0000"), std::string::npos) << rgszKey[1];
}

TEST_F(UsbInfo, ArgumentsAreCheckedBeforeAnyRequest)
{
    DVC dvc = DvcOf("cur");
    simctl.FCmd("LOGCLEAR cur");
    struct CASE {
        uint32_t dinfo;
        const char *sz;
    } rgcase[] = {
        {dinfoUsrName, "SeventeenChars_17"},
        {dinfoUsrName, "with blank"},
        {dinfoUsrName, ""},
        {dinfoProdName, "A product name of 29 letters!"},
        {dinfoSN, "SN:0123456789A"},
        {dinfoUsbProdName, "0123456789012345678901234567890123456789012345678901234567890123X"},
    };
    for (const CASE &c : rgcase) {
        EXPECT_FALSE(TvxSetSysInfo(&dvc, c.dinfo, (void *)c.sz)) << c.sz;
        EXPECT_EQ(TvxGetLastError(), ercInvalidParameter) << c.sz;
    }
    EXPECT_TRUE(RgszLog("cur", "VR out").empty());
    EXPECT_FALSE(TvxSetSysInfo(&dvc, 4000, (void *)"x"));
    EXPECT_EQ(TvxGetLastError(), ercNotSupported);
}

/*
 * A writing request the board refuses: the operation fails with 3075, the
 * board is left without a write key, and a refused key never lets the
 * writing request itself go out on current firmware.
 */
TEST_F(UsbInfo, RefusedWritesTakeTheKeyBack)
{
    struct CASE {
        const char *szName;
        const char *szStall;      /* vendor request that stalls */
        uint32_t dinfo;
        const void *pv;
        const char *szNoLog;      /* a request that must not reach the board */
        const char *szStateKey;   /* state that must be unchanged, or NULL */
    } rgcase[] = {
        {"key refused by current firmware", "0xE8", dinfoUsrName, "Nobody", "VR out E3", "user"},
        {"user name refused", "0xE3", dinfoUsrName, "Nobody", nullptr, "user"},
        {"reset refused", "0xDA", dinfoReset, nullptr, nullptr, "path"},
        {"account list switch refused", "0xF1", 0, nullptr, nullptr, "auth"},
    };
    DVC dvc = DvcOf("cur");
    for (const CASE &c : rgcase) {
        std::string szBefore = c.szStateKey ? simctl.SzState("cur", c.szStateKey) : "";
        ASSERT_TRUE(simctl.FCmd(std::string("FAULT cur stallreq ") + c.szStall)) << c.szName;
        simctl.FCmd("LOGCLEAR cur");
        TvxSetLastErrorNoLog(0);
        bool fOk = c.dinfo != 0 ? TvxSetSysInfo(&dvc, c.dinfo, const_cast<void *>(c.pv)) != 0
                                : TvxEnableDisableClientAuthentication(&dvc, 1) != 0;
        simctl.FCmd("FAULT cur clear");
        EXPECT_FALSE(fOk) << c.szName;
        EXPECT_EQ(TvxGetLastError(), ercControlTransferFailed) << c.szName;
        EXPECT_EQ(simctl.SzState("cur", "key"), "0x0000") << c.szName;
        std::vector<std::string> rgszKey = RgszLog("cur", "VR out E8");
        ASSERT_FALSE(rgszKey.empty()) << c.szName;
        EXPECT_EQ(rgszKey.back().substr(0, 19), "VR out E8 0000 0000") << c.szName;
        const std::string &szLast = rgszKey.back();
        EXPECT_EQ(szLast.compare(szLast.size() - 5, 5, " 0000"), 0) << c.szName << ": " << szLast;
        if (c.szNoLog) {
            EXPECT_TRUE(RgszLog("cur", c.szNoLog).empty()) << c.szName;
        }
        if (c.szStateKey) {
            EXPECT_EQ(simctl.SzState("cur", c.szStateKey), szBefore) << c.szName;
        }
    }
}

/* A getter whose request the board refuses fails with 3075 and leaves an
 * empty text, the bare prefix, or zeros: never what the buffer held. */
TEST_F(UsbInfo, RefusedGettersLeaveEmptyValues)
{
    struct CASE {
        const char *szStall;
        uint32_t dinfo;
        size_t cb;               /* size of the caller's value */
        const char *szText;      /* expected text, or NULL: cb zero bytes */
    } rgcase[] = {
        {"0xE2", dinfoUsrName, 17, ""},
        {"0xE1", dinfoProdName, 29, ""},
        {"0xE0", dinfoOldVersionName, 65, ""},
        {"0xDE", dinfoUsbBootProdName, 65, ""},
        {"0xDF", dinfoUsbProdName, 65, ""},
        {"0xE4", dinfoSN, 16, "SN:"},
        {"0xED", dinfoMAC, 22, "MAC:"},
        {"0xEF", dinfoIP, 16, ""},
        {"0xE6", dinfoFWVER, 2, nullptr},
        {"0xE7", dinfoDcapCur, 4, nullptr},
        {"0xE7", dinfoDcapDev, 8, nullptr},
    };
    DVC dvc = DvcOf("cur");
    for (const CASE &c : rgcase) {
        std::vector<uint8_t> rgb(c.cb, 0xA5);
        ASSERT_TRUE(simctl.FCmd(std::string("FAULT cur stallreq ") + c.szStall));
        TvxSetLastErrorNoLog(0);
        bool fOk = TvxGetSysInfo(&dvc, c.dinfo, rgb.data()) != 0;
        simctl.FCmd("FAULT cur clear");
        EXPECT_FALSE(fOk) << c.dinfo;
        EXPECT_EQ(TvxGetLastError(), ercControlTransferFailed) << c.dinfo;
        if (c.szText) {
            EXPECT_STREQ((const char *)rgb.data(), c.szText) << c.dinfo;
        } else {
            EXPECT_EQ(rgb, std::vector<uint8_t>(c.cb, 0)) << c.dinfo;
        }
    }
}

/* Old boards keep their identity in the parameter block at the end of the
 * E2PROM: a setter whose request is refused writes the block's field. */
TEST_F(UsbInfo, RefusedSettersWriteTheParameterBlock)
{
    struct CASE {
        const char *szStall;
        uint32_t dinfo;
        std::vector<uint8_t> rgbValue;   /* what the caller passes */
        uint16_t addr;
        uint16_t tag;
        size_t cbField;                  /* data bytes of the field */
    };
    std::vector<uint8_t> rgbName(29, 0);
    memcpy(rgbName.data(), "Block Product", 13);
    const CASE rgcase[] = {
        {"0xE1", dinfoProdName, rgbName, 0x3FA0, 0xABCD, 28},
        {"0xE9", dinfoPDID, {0x03, 0x02, 0x10, 0x30}, 0x3FF0, 0xABCD, 4},
        {"0xEB", dinfoFWVERRom, {0x07, 0x03}, 0x3FF8, 0xABCD, 2},
    };
    DVC dvc = DvcOf("fx2");
    for (const CASE &c : rgcase) {
        ASSERT_TRUE(simctl.FCmd(std::string("FAULT fx2 stallreq ") + c.szStall));
        std::vector<uint8_t> rgb = c.rgbValue;
        bool fOk = TvxSetSysInfo(&dvc, c.dinfo, rgb.data()) != 0;
        simctl.FCmd("FAULT fx2 clear");
        EXPECT_TRUE(fOk) << c.szStall << " " << TvxGetLastError();
        /* tag, data, and a check byte that makes the field sum to 0 */
        std::vector<uint8_t> rgbField = {(uint8_t)c.tag, (uint8_t)(c.tag >> 8)};
        rgbField.insert(rgbField.end(), c.rgbValue.begin(), c.rgbValue.begin() + c.cbField);
        uint8_t sum = 0;
        for (uint8_t b : rgbField)
            sum = (uint8_t)(sum + b);
        rgbField.push_back((uint8_t)(0x100 - sum));
        char szCmd[64];
        snprintf(szCmd, sizeof(szCmd), "MEM fx2 e2prom %u %u", c.addr, (unsigned)rgbField.size());
        std::string szExpected;
        for (uint8_t b : rgbField) {
            char sz[3];
            snprintf(sz, sizeof(sz), "%02X", b);
            szExpected += sz;
        }
        EXPECT_EQ(simctl.SzLine(szCmd), szExpected) << c.szStall;
        EXPECT_EQ(simctl.SzState("fx2", "key"), "0x0000") << c.szStall;
    }
    /* the boot-memory version now reads back from the block */
    ASSERT_TRUE(simctl.FCmd("FAULT fx2 stallreq 0xEB"));
    uint16_t fwverRom = 0;
    EXPECT_TRUE(TvxGetSysInfo(&dvc, dinfoFWVERRom, &fwverRom)) << TvxGetLastError();
    simctl.FCmd("FAULT fx2 clear");
    EXPECT_EQ(fwverRom, 0x0307);
}

/*
 * FX3 EEPROM and SPI flash: chunks of at most 4096 bytes, EEPROM chunks cut
 * at every 64 KiB boundary, writes inside their fixed keys; the memories
 * end up holding the bytes and read back the same.
 */
TEST_F(UsbInfo, Fx3MemoriesInChunks)
{
    struct CASE {
        const char *szMem;             /* MEM name of the simulator */
        uint32_t dinfoWrite, dinfoRead;
        const char *szReq;
        const char *szKey;             /* the key's bytes as logged */
        std::vector<std::string> rgszChunk;  /* "WVALUE WINDEX WLENGTH" */
    } rgcase[] = {
        {"eeprom", dinfoWriteFX3Eeprom, dinfoReadFX3Eeprom, "D1", "167A",
         {"0000 F800 2048", "0001 0000 4096", "0001 1000 3856"}},
        {"spi", dinfoFX3SpiFlash, dinfoReadFX3SpiFlash, "D2", "E719",
         {"0000 F800 4096", "0001 0800 4096", "0001 1800 1808"}},
    };
    DVC dvc = DvcOf("fx3app");
    const uint32_t addr = 0xF800, cb = 10000;
    for (const CASE &c : rgcase) {
        std::vector<uint8_t> rgb(cb);
        for (uint32_t i = 0; i < cb; i++)
            rgb[i] = (uint8_t)(i * 7 + (c.szReq[1] - '0'));
        simctl.FCmd("LOGCLEAR fx3app");
        FX3XFER xfer = {addr, cb, rgb.data(), 12345};
        ASSERT_TRUE(TvxSetSysInfo(&dvc, c.dinfoWrite, &xfer)) << c.szMem << " " << TvxGetLastError();
        EXPECT_EQ(xfer.cbDone, cb) << c.szMem;
        std::vector<std::string> rgszOut = RgszLog("fx3app", std::string("VR out ") + c.szReq);
        ASSERT_EQ(rgszOut.size(), c.rgszChunk.size()) << c.szMem;
        for (size_t i = 0; i < rgszOut.size(); i++)
            EXPECT_EQ(rgszOut[i], "VR out " + std::string(c.szReq) + " " + c.rgszChunk[i] + " ok") << c.szMem;
        std::vector<std::string> rgszKey = RgszLog("fx3app", "VR out E8");
        ASSERT_EQ(rgszKey.size(), 2u) << c.szMem;
        EXPECT_EQ(rgszKey[0], std::string("VR out E8 0000 0000 2 ok ") + c.szKey) << c.szMem;
        EXPECT_EQ(rgszKey[1], "VR out E8 0000 0000 2 ok 0000") << c.szMem;
        EXPECT_EQ(simctl.SzState("fx3app", "key"), "0x0000") << c.szMem;
        std::string szHex;
        for (uint8_t b : rgb) {
            char sz[3];
            snprintf(sz, sizeof(sz), "%02X", b);
            szHex += sz;
        }
        EXPECT_EQ(simctl.SzLine("MEM fx3app " + std::string(c.szMem) + " " + std::to_string(addr) + " " +
                                std::to_string(cb)),
                  szHex)
            << c.szMem;
        /* and back, in the same chunks */
        simctl.FCmd("LOGCLEAR fx3app");
        std::vector<uint8_t> rgbBack(cb, 0);
        FX3XFER xferBack = {addr, cb, rgbBack.data(), 12345};
        ASSERT_TRUE(TvxGetSysInfo(&dvc, c.dinfoRead, &xferBack)) << c.szMem << " " << TvxGetLastError();
        EXPECT_EQ(xferBack.cbDone, cb);
        EXPECT_EQ(rgbBack, rgb) << c.szMem;
        std::vector<std::string> rgszIn = RgszLog("fx3app", std::string("VR in ") + c.szReq);
        ASSERT_EQ(rgszIn.size(), c.rgszChunk.size()) << c.szMem;
        for (size_t i = 0; i < rgszIn.size(); i++)
            EXPECT_EQ(rgszIn[i], "VR in " + std::string(c.szReq) + " " + c.rgszChunk[i] + " ok") << c.szMem;
    }
    /* erasing block 1 of the flash (0x10000 on) leaves the bytes below it */
    uint16_t block = 1;
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoEraseFX3SpiFlashBlock, &block)) << TvxGetLastError();
    EXPECT_EQ(simctl.SzLine("MEM fx3app spi 65536 4"), "FFFFFFFF");
    EXPECT_NE(simctl.SzLine("MEM fx3app spi 65532 4"), "FFFFFFFF");
    EXPECT_EQ(simctl.SzState("fx3app", "key"), "0x0000");
    /* the ready flag is a 32-bit int */
    uint32_t fReady = 0xFFFFFFFF;
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoFX3SpiFlash, &fReady)) << TvxGetLastError();
    EXPECT_EQ(fReady, 1u);
}

/* A refused FX3 transfer stops where the device stopped it and leaves no
 * write key behind; a record without a buffer sends nothing. */
TEST_F(UsbInfo, Fx3MemoryRefusals)
{
    DVC dvc = DvcOf("fx3app");
    std::vector<uint8_t> rgb(6000, 0x3C);
    struct CASE {
        const char *szStall;
        uint32_t dinfo;
        bool fGet;
    } rgcase[] = {
        {"0xD1", dinfoWriteFX3Eeprom, false},
        {"0xD2", dinfoFX3SpiFlash, false},
        {"0xD1", dinfoReadFX3Eeprom, true},
        {"0xD3", dinfoEraseFX3SpiFlashBlock, false},
    };
    for (const CASE &c : rgcase) {
        ASSERT_TRUE(simctl.FCmd(std::string("FAULT fx3app stallreq ") + c.szStall));
        FX3XFER xfer = {0x100, (uint32_t)rgb.size(), rgb.data(), 77};
        uint16_t block = 2;
        void *pv = c.dinfo == dinfoEraseFX3SpiFlashBlock ? (void *)&block : (void *)&xfer;
        TvxSetLastErrorNoLog(0);
        bool fOk = c.fGet ? TvxGetSysInfo(&dvc, c.dinfo, pv) != 0 : TvxSetSysInfo(&dvc, c.dinfo, pv) != 0;
        simctl.FCmd("FAULT fx3app clear");
        EXPECT_FALSE(fOk) << c.dinfo;
        EXPECT_EQ(TvxGetLastError(), ercControlTransferFailed) << c.dinfo;
        if (pv == &xfer) {
            EXPECT_EQ(xfer.cbDone, 0u) << c.dinfo;
        }
        EXPECT_EQ(simctl.SzState("fx3app", "key"), "0x0000") << c.dinfo;
    }
    simctl.FCmd("LOGCLEAR fx3app");
    for (uint32_t dinfo : {(uint32_t)dinfoWriteFX3Eeprom, (uint32_t)dinfoReadFX3SpiFlash}) {
        FX3XFER xfer = {0, 16, nullptr, 0};
        TvxSetLastErrorNoLog(0);
        EXPECT_FALSE(dinfo == dinfoWriteFX3Eeprom ? TvxSetSysInfo(&dvc, dinfo, &xfer) : TvxGetSysInfo(&dvc, dinfo, &xfer));
        EXPECT_EQ(TvxGetLastError(), ercInvalidParameter) << dinfo;
    }
    EXPECT_TRUE(RgszLog("fx3app", "VR").empty());
}

/* The manager's own argument rules: a NULL value is refused before any
 * request except for the codes that carry none; the open count and the
 * catalogues need no device at all. */
TEST_F(UsbInfo, ValuesAndDevicesTheCodesNeed)
{
    DVC dvc = DvcOf("cur");
    struct CASE {
        bool fSet;
        uint32_t dinfo;
        int ercExpected;
    } rgcase[] = {
        {false, dinfoUsrName, ercInvalidParameter},
        {false, dinfoDcapDev, ercInvalidParameter},
        {true, dinfoUsrName, ercInvalidParameter},
        {true, dinfoPDID, ercInvalidParameter},
        {false, dinfoFX2Loader, ercNotSupported},     /* no value, but no getter either */
        {true, dinfoEndFirmwareUpdate, 0},            /* no value: goes to the board */
    };
    for (const CASE &c : rgcase) {
        simctl.FCmd("LOGCLEAR cur");
        TvxSetLastErrorNoLog(0);
        int f = c.fSet ? usbc.FSetInfo(dvc.szConn, c.dinfo, nullptr) : usbc.FGetInfo(dvc.szConn, c.dinfo, nullptr);
        EXPECT_EQ(f != 0, c.ercExpected == 0) << c.dinfo;
        EXPECT_EQ(TvxGetLastError(), c.ercExpected) << c.dinfo;
        if (c.ercExpected == ercInvalidParameter) {
            EXPECT_TRUE(RgszLog("cur", "VR").empty()) << c.dinfo;
        }
    }
    /* a path that no board has: the open count and the catalogue still answer */
    const char szNowhere[] = "#tpt_0001#ptc_0001#nowhere-9";
    int32_t cOpen = -1;
    ASSERT_TRUE(usbc.FGetInfo(szNowhere, dinfoOpenCount, &cOpen)) << TvxGetLastError();
    EXPECT_EQ(cOpen, 0);
    std::vector<uint8_t> rgbCat(4 + 64 * sizeof(FWIMG), 0xEE);
    ASSERT_TRUE(usbc.FGetInfo(szNowhere, dinfoHexCatalog, rgbCat.data())) << TvxGetLastError();
    EXPECT_EQ(rgbCat[0] | rgbCat[1] << 8 | rgbCat[2] << 16 | rgbCat[3] << 24, 0);
    uint16_t fwver = 1;
    EXPECT_FALSE(usbc.FGetInfo(szNowhere, dinfoFWVER, &fwver));
}

TEST_F(UsbInfo, OldFirmwareTakesChunksWithTheVendorId)
{
    DVC dvc = DvcOf("old");
    simctl.FCmd("LOGCLEAR old");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoUsrName, (void *)"OldRenamed")) << TvxGetLastError();
    EXPECT_EQ(simctl.SzState("old", "user"), "OldRenamed");
    std::vector<std::string> rgsz = RgszLog("old", "VR out E3");
    ASSERT_EQ(rgsz.size(), 1u);
    EXPECT_EQ(rgsz[0].compare(0, 27, "VR out E3 0000 0000 18 ok 4"), 0) << rgsz[0];
    EXPECT_NE(rgsz[0].find("F0FF", 26), std::string::npos) << rgsz[0];
}

/* Old firmware takes no request without data: such commands reach nothing
 * and fail instead of reporting success. */
TEST_F(UsbInfo, OldFirmwareRefusesCommandsWithoutData)
{
    struct CASE {
        uint32_t dinfo;
        const char *szReq;
    } rgcase[] = {
        {dinfoReNumerate, "VR out EA"},
        {dinfoBeginFirmwareUpdate, "VR out B0"},
    };
    DVC dvc = DvcOf("old");
    for (const CASE &c : rgcase) {
        std::string szPath = SzPath("old");
        simctl.FCmd("LOGCLEAR old");
        TvxSetLastErrorNoLog(0);
        EXPECT_FALSE(TvxSetSysInfo(&dvc, c.dinfo, nullptr)) << c.dinfo;
        EXPECT_EQ(TvxGetLastError(), ercControlTransferFailed) << c.dinfo;
        EXPECT_TRUE(RgszLog("old", c.szReq).empty()) << c.dinfo;
        EXPECT_EQ(SzPath("old"), szPath) << c.dinfo;
    }
    /* an account name without characters is such a command as well */
    EXPECT_FALSE(TvxDeleteAccount(&dvc, ""));
    EXPECT_EQ(TvxGetLastError(), ercControlTransferFailed);
}

TEST_F(UsbInfo, E2promFilesInPages)
{
    DVC dvc = DvcOf("cur");
    std::vector<uint8_t> rgb(100);
    for (size_t i = 0; i < rgb.size(); i++)
        rgb[i] = (uint8_t)(0x40 + i);
    std::string szFile = SzUsbTempDir("e2") + "in.bin";
    ASSERT_TRUE(FWriteFile(szFile, rgb));
    simctl.FCmd("LOGCLEAR cur");
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoE2PROMFile, (void *)szFile.c_str())) << TvxGetLastError();
    std::vector<std::string> rgszA2 = RgszLog("cur", "VR out A2");
    ASSERT_EQ(rgszA2.size(), 2u);
    EXPECT_EQ(rgszA2[0].substr(0, 14), "VR out A2 0000");
    EXPECT_NE(rgszA2[0].find(" 64 ok"), std::string::npos) << rgszA2[0];
    EXPECT_EQ(rgszA2[1].substr(0, 14), "VR out A2 0040");
    EXPECT_NE(rgszA2[1].find(" 36 ok"), std::string::npos) << rgszA2[1];
    std::string szHex = simctl.SzLine("MEM cur e2prom 0 100");
    char szExpected[201];
    for (size_t i = 0; i < rgb.size(); i++)
        snprintf(szExpected + 2 * i, 3, "%02X", rgb[i]);
    EXPECT_EQ(szHex, szExpected);
    /* and back into a file: all 16384 bytes */
    std::string szOut = SzUsbTempDir("e2") + "out.bin";
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoE2PROMFile, (void *)szOut.c_str())) << TvxGetLastError();
    FILE *pf = fopen(szOut.c_str(), "rb");
    ASSERT_NE(pf, nullptr);
    std::vector<uint8_t> rgbOut(20000);
    size_t cb = fread(rgbOut.data(), 1, rgbOut.size(), pf);
    fclose(pf);
    EXPECT_EQ(cb, 16384u);
    EXPECT_EQ(memcmp(rgbOut.data(), rgb.data(), rgb.size()), 0);
}

/* A refused E2PROM read leaves the file it would have replaced intact. */
TEST_F(UsbInfo, RefusedE2promReadKeepsTheFile)
{
    DVC dvc = DvcOf("cur");
    std::string szFile = SzUsbTempDir("e2") + "keep.bin";
    const std::string szOld = "contents that must survive";
    ASSERT_TRUE(FWriteFile(szFile, szOld));
    ASSERT_TRUE(simctl.FCmd("FAULT cur stallreq 0xA2"));
    TvxSetLastErrorNoLog(0);
    bool fOk = TvxGetSysInfo(&dvc, dinfoE2PROMFile, (void *)szFile.c_str()) != 0;
    simctl.FCmd("FAULT cur clear");
    EXPECT_FALSE(fOk);
    EXPECT_EQ(TvxGetLastError(), ercControlTransferFailed);
    FILE *pf = fopen(szFile.c_str(), "rb");
    ASSERT_NE(pf, nullptr);
    char sz[64] = "";
    size_t cb = fread(sz, 1, sizeof(sz) - 1, pf);
    fclose(pf);
    EXPECT_EQ(std::string(sz, cb), szOld);
}

TEST_F(UsbInfo, LegacyBlockAndRevision)
{
    DVC dvc = DvcOf("fx2");
    uint16_t fwverRom = 0xFFFF;
    /* 0xEB stalls on this board: the version comes from the old parameter block */
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoFWVERRom, &fwverRom)) << TvxGetLastError();
    uint8_t cls = 9;
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoFX2RevClass, &cls));
    EXPECT_EQ(cls, 2);
    DVC dvcCur = DvcOf("cur");
    ASSERT_TRUE(TvxGetSysInfo(&dvcCur, dinfoFX2RevClass, &cls));
    EXPECT_EQ(cls, 3);
    /* a fixed-firmware board without a block: the version read fails with nothing */
    EXPECT_FALSE(TvxGetSysInfo(&dvcCur, dinfoFWVERRom, &fwverRom));
    EXPECT_EQ(fwverRom, 0);
}

TEST_F(UsbInfo, Accounts)
{
    DVC dvc = DvcOf("cur");
    ASSERT_TRUE(TvxAddAccount(&dvc, "operator", "pw1", 1)) << TvxGetLastError();
    int attr = -1;
    ASSERT_TRUE(TvxGetAccountAttributes(&dvc, "operator", &attr)) << TvxGetLastError();
    EXPECT_EQ(attr & 0xFF, 1);
    ASSERT_TRUE(TvxSetAccountAttributes(&dvc, "operator", 2));
    ASSERT_TRUE(TvxChangeAccountPassword(&dvc, "operator", "pw2"));
    std::vector<std::string> rgsz;
    ASSERT_TRUE(simctl.FCmd("ACCOUNTS cur", &rgsz));
    ASSERT_EQ(rgsz.size(), 2u);
    EXPECT_EQ(rgsz[1], "operator 2 pw2");
    int cAccounts = 0;
    std::vector<uint8_t> rgbRecs(10 * 66);
    ASSERT_TRUE(TvxGetAccountList(&dvc, rgbRecs.data(), 10, &cAccounts)) << TvxGetLastError();
    EXPECT_EQ(cAccounts, 2);
    cAccounts = 0;
    ASSERT_TRUE(TvxGetAccountList(&dvc, nullptr, 0, &cAccounts));
    EXPECT_EQ(cAccounts, 2);
    ASSERT_TRUE(TvxDeleteAccount(&dvc, "operator"));
    ASSERT_TRUE(simctl.FCmd("ACCOUNTS cur", &rgsz));
    EXPECT_EQ(rgsz.size(), 1u);
    int fEnabled = -1;
    ASSERT_TRUE(TvxEnableDisableClientAuthentication(&dvc, 1));
    ASSERT_TRUE(TvxIsClientAuthenticationEnabled(&dvc, &fEnabled));
    EXPECT_EQ(fEnabled, 1);
    EXPECT_EQ(simctl.SzState("cur", "auth"), "1");
    std::string szLong(65, 'a');
    EXPECT_FALSE(TvxAddAccount(&dvc, szLong.c_str(), "pw", 0));
    EXPECT_EQ(TvxGetLastError(), ercInvalidParameter);
    EXPECT_FALSE(usbc.FAcctMgmt(248, dvc.szConn, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(TvxGetLastError(), ercNotSupported);
    EXPECT_TRUE(usbc.FAcctMgmt(0x1F0, dvc.szConn, nullptr, nullptr, nullptr, nullptr, 0, nullptr, &fEnabled));
}

TEST_F(UsbInfo, FirmwareUpdateSteps)
{
    DVC dvc = DvcOf("cur");
    simctl.FCmd("LOGCLEAR cur");
    uint8_t rgbParam[16], rgbStatus[4], rgbData[32], rgbRead[16];
    for (int i = 0; i < 32; i++)
        rgbData[i] = (uint8_t)i;
    FWUPDREQ reqFill = {0, 0x0010, sizeof(rgbData), rgbData};
    FWUPDREQ reqRead = {0, 0x0020, sizeof(rgbRead), rgbRead};
    FWUPDREQ reqPage = {0, 0x0003, 0, nullptr};
    uint16_t addrHigh = 0x0001;
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoBeginFirmwareUpdate, nullptr)) << TvxGetLastError();
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoFirmwareMemParam, rgbParam)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoHighAddress, &addrHigh)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoLoadPageBuffer, &reqPage)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoFillPageBuffer, &reqFill)) << TvxGetLastError();
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoReadEepromData, &reqRead)) << TvxGetLastError();
    ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoUpdateStatus, rgbStatus)) << TvxGetLastError();
    ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfoEndFirmwareUpdate, nullptr)) << TvxGetLastError();
    std::vector<std::string> rgsz = RgszLog("cur", "VR out B5");
    ASSERT_EQ(rgsz.size(), 1u);
    EXPECT_EQ(rgsz[0].substr(0, 25), "VR out B5 0010 0000 32 ok");
    EXPECT_EQ(RgszLog("cur", "VR out B0").size(), 1u);
    EXPECT_EQ(simctl.SzState("cur", "key"), "0x0000");
}

TEST_F(UsbInfo, ResetAndRenumerate)
{
    for (uint32_t dinfo : {(uint32_t)dinfoReNumerate, (uint32_t)dinfoReset}) {
        DVC dvc = DvcOf("fx2");
        std::string szBefore = SzPath("fx2");
        ASSERT_TRUE(TvxSetSysInfo(&dvc, dinfo, nullptr)) << dinfo << " " << TvxGetLastError();
        ASSERT_TRUE(simctl.FCmd("WAIT fx2 present"));
        EXPECT_NE(SzPath("fx2"), szBefore) << dinfo;
    }
}

} // namespace
