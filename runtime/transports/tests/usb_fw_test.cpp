/*
 * usb_fw_test.cpp - firmware downloads: an FX2 board with old firmware gets
 * a HEX image from the firmware directory and renumerates, an FX3 board in
 * its boot loader gets an IMG image and comes back as the application; both
 * then run the identity of the image. Also the FX3 download's refusals.
 */
#include "fwimage.h"
#include "usbtestenv.h"

namespace {

const char *SzFwConfig()
{
    return R"(# boards of the firmware tests
board fx2old
  serial 210183E00001
  product VCabUsb1 V0.0
  chip fx2
  pdid 0
  legacypdid 0x30100203
  legacyblock yes
  revid 1
  streamprops 0x00000001
board fx3
  serial 210183C00001
  chip fx3
  mode boot
  pdid 0x00200180
  streamprops 0x00000001
)";
}

const FWIDENT identFx2 = {0x30100203, 0x0301, 0x00000801, 0};
const FWIDENT identFx3 = {0x00200180, 0x0100, 0x00000801, 0};

class UsbFw : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string szErr;
        ASSERT_TRUE(simctl.FStart(SzFwConfig(), &szErr)) << szErr;
        UsbSetEnv("KOR_SIM", ("127.0.0.1:" + std::to_string(simctl.Port())).c_str());
        szFwDir = SzUsbTempDir("fw-dl");
        UsbSetEnv("YORL_FWDIR", szFwDir.c_str());
        ASSERT_TRUE(FWriteFile(szFwDir + SzFx2HexName(identFx2), SzFx2Hex(identFx2, true)));
        ASSERT_TRUE(FWriteFile(szFwDir + SzFx2IicName(identFx2), RgbFx2Iic(identFx2, 0xFFF0)));
        ASSERT_TRUE(FWriteFile(szFwDir + SzFx3ImgName(identFx3), RgbFx3Img(identFx3)));
        ASSERT_TRUE(FUsbRuntimeStart("fw"));
    }
    void TearDown() override
    {
        UsbRuntimeStop();
        simctl.Stop();
    }
    /* Firmware version and capability words through the opened handle's device. */
    void ExpectIdentity(HIF hif, const FWIDENT &ident)
    {
        DVC dvc;
        ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvc));
        uint16_t fwver = 0;
        ASSERT_TRUE(TvxGetInfo(&dvc, dinfoFWVER, &fwver)) << TvxGetLastError();
        EXPECT_EQ(fwver, ident.fwver);
        uint32_t rgdcap[2] = {0, 0};
        ASSERT_TRUE(TvxGetSysInfo(&dvc, dinfoDcapDev, rgdcap));
        EXPECT_EQ(rgdcap[0], ident.dcapPub);
        EXPECT_EQ(rgdcap[1], ident.dcapPriv);
        uint32_t pdid = 0;
        ASSERT_TRUE(TvxGetInfo(&dvc, dinfoPDID, &pdid));
        EXPECT_EQ(pdid, ident.pdid);
    }
    ABSUSB *PusbConnect(const char *szBoard)
    {
        std::string szPath = SzPath(szBoard);
        ABSUSB *pusb = pabsfact->InstABSUSB();
        if (pusb && (!pusb->Init() || !pusb->Connect(szPath.c_str()))) {
            pabsfact->RlsABSUSB(pusb);
            return nullptr;
        }
        return pusb;
    }
    std::string SzPath(const char *szBoard)
    {
        std::vector<std::string> rgsz;
        simctl.FCmd("BOARDS", &rgsz);
        for (const std::string &sz : rgsz) {
            if (sz.compare(0, strlen(szBoard) + 1, std::string(szBoard) + " ") == 0)
                return sz.substr(strlen(szBoard) + 1, sz.find(' ', strlen(szBoard) + 1) - strlen(szBoard) - 1);
        }
        return "";
    }

    SIMCTL simctl;
    std::string szFwDir;
};

TEST_F(UsbFw, CataloguesListTheImages)
{
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    strcpy(dvc.szConn, "#tpt_0001#ptc_0001#none");
    dvc.dtp = dtpUsbFirmware;
    std::vector<uint8_t> rgb(4 + 64 * sizeof(FWIMG));
    struct CASE {
        uint32_t dinfo;
        const FWIDENT *pident;
        std::string szName;
    } rgcase[] = {{dinfoHexCatalog, &identFx2, SzFx2HexName(identFx2)},
                  {dinfoIicCatalog, &identFx2, SzFx2IicName(identFx2)},
                  {dinfoImgCatalog, &identFx3, SzFx3ImgName(identFx3)}};
    for (const CASE &c : rgcase) {
        ASSERT_TRUE(TvxGetSysInfo(&dvc, c.dinfo, rgb.data())) << c.dinfo;
        ASSERT_EQ(rgb[0], 1) << c.dinfo;
        FWIMG img;
        memcpy(&img, rgb.data() + 4, sizeof(img));
        EXPECT_EQ(img.fwid, (uint8_t)c.pident->pdid);
        EXPECT_EQ(img.dcapPub, c.pident->dcapPub);
        EXPECT_EQ(img.dcapPriv, c.pident->dcapPriv);
        EXPECT_EQ(img.fwver, c.pident->fwver);
        EXPECT_EQ(std::string(img.szPath), szFwDir + c.szName);
    }
}

TEST_F(UsbFw, Fx2DownloadAndRenumeration)
{
    std::string szPathBefore = SzPath("fx2old");
    simctl.FCmd("LOGCLEAR fx2old");
    HIF hif = hifNil;
    ASSERT_TRUE(TvxOpen(&hif, "SN:210183E00001")) << TvxGetLastError();
    ExpectIdentity(hif, identFx2);
    EXPECT_NE(SzPath("fx2old"), szPathBefore);
    /* the external-RAM block went in through the loader */
    EXPECT_EQ(simctl.SzLine("MEM fx2old ext 0x8000 4"), "A0A1A2A3");
    /* loader, external segment through it, then the CPU held for the internal one */
    std::vector<std::string> rgsz, rgszRam;
    simctl.FCmd("LOG fx2old", &rgsz);
    for (const std::string &sz : rgsz) {
        if (sz.compare(0, 9, "VR out A0") == 0 || sz.compare(0, 9, "VR out A3") == 0)
            rgszRam.push_back(sz.substr(0, 14));
    }
    std::vector<std::string> rgszExpected = {"VR out A0 E600", "VR out A0 0000", "VR out A0 0080", "VR out A0 E600",
                                             "VR out A3 8000", "VR out A0 E600", "VR out A0 0000", "VR out A0 E600"};
    EXPECT_EQ(rgszRam, rgszExpected);
    /* the new firmware runs transactions */
    ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    EXPECT_TRUE(TvxClose(hif));
}

/* An image whose records run on from internal RAM into external RAM: each
 * part goes to its own memory and the board comes up with the image. */
TEST_F(UsbFw, Fx2ImageAcrossTheExternalRamBoundary)
{
    std::string szHex = SzFx2Hex(identFx2, false);
    const std::string szEnd = ":00000001FF\n";
    ASSERT_EQ(szHex.compare(szHex.size() - szEnd.size(), szEnd.size(), szEnd), 0);
    szHex.resize(szHex.size() - szEnd.size());
    szHex += ":103FF800000102030405060708090A0B0C0D0E0F00\n"
             ":10400800101112131415161718191A1B1C1D1E1F00\n" + szEnd;
    ASSERT_TRUE(FWriteFile(szFwDir + SzFx2HexName(identFx2), szHex));
    HIF hif = hifNil;
    ASSERT_TRUE(TvxOpen(&hif, "SN:210183E00001")) << TvxGetLastError();
    ExpectIdentity(hif, identFx2);
    EXPECT_EQ(simctl.SzLine("MEM fx2old fx2 0x3FF8 8"), "0001020304050607");
    EXPECT_EQ(simctl.SzLine("MEM fx2old ext 0x4000 8"), "08090A0B0C0D0E0F");
    EXPECT_EQ(simctl.SzLine("MEM fx2old ext 0x4010 8"), "18191A1B1C1D1E1F");
    EXPECT_TRUE(TvxClose(hif));
}

TEST_F(UsbFw, Fx3DownloadAndReconnect)
{
    HIF hif = hifNil;
    ASSERT_TRUE(TvxOpen(&hif, "SN:210183C00001")) << TvxGetLastError();
    ExpectIdentity(hif, identFx3);
    ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    EXPECT_TRUE(TvxClose(hif));
}

TEST_F(UsbFw, Fx3ChunkFailures)
{
    /* one failed chunk: the rest goes in 512-byte chunks */
    ASSERT_TRUE(simctl.FCmd("FAULT fx3 fx3chunk 1"));
    ABSUSB *pusb = PusbConnect("fx3");
    ASSERT_NE(pusb, nullptr);
    std::string szImg = szFwDir + SzFx3ImgName(identFx3);
    EXPECT_TRUE(usbc.FWriteFX3FirmwareImg2RAM(pusb, szImg.c_str())) << TvxGetLastError();
    pusb->Term();
    pabsfact->RlsABSUSB(pusb);
    ASSERT_TRUE(simctl.FCmd("WAIT fx3 present"));
    EXPECT_EQ(simctl.SzState("fx3", "mode"), "app");
}

TEST_F(UsbFw, Fx3RefusedImages)
{
    ABSUSB *pusb = PusbConnect("fx3");
    ASSERT_NE(pusb, nullptr);
    /* two failed chunks end the download */
    ASSERT_TRUE(simctl.FCmd("FAULT fx3 fx3chunk 2"));
    std::string szImg = szFwDir + SzFx3ImgName(identFx3);
    EXPECT_FALSE(usbc.FWriteFX3FirmwareImg2RAM(pusb, szImg.c_str()));
    EXPECT_EQ(TvxGetLastError(), ercControlTransferFailed);
    ASSERT_TRUE(simctl.FCmd("FAULT fx3 clear"));
    /* a wrong checksum: everything written, nothing started */
    std::string szBad = SzUsbTempDir("fw-bad") + "bad.img";
    ASSERT_TRUE(FWriteFile(szBad, RgbFx3Img(identFx3, true)));
    EXPECT_FALSE(usbc.FWriteFX3FirmwareImg2RAM(pusb, szBad.c_str()));
    EXPECT_EQ(TvxGetLastError(), ercConfigFileError);
    EXPECT_EQ(simctl.SzState("fx3", "mode"), "boot");
    /* the board still takes a good image */
    EXPECT_TRUE(usbc.FWriteFX3FirmwareImg2RAM(pusb, szImg.c_str())) << TvxGetLastError();
    pusb->Term();
    pabsfact->RlsABSUSB(pusb);
}

TEST_F(UsbFw, RenumerationWithAnotherSerialIsNotAccepted)
{
    ASSERT_TRUE(simctl.FCmd("FAULT fx2old renum serial 210183E00099"));
    HIF hif = hifNil;
    EXPECT_FALSE(TvxOpen(&hif, "SN:210183E00001"));
}

} // namespace
