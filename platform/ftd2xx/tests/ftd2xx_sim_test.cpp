/*
 * ftd2xx_sim_test.cpp - the D2XX stand-in on the simulated FTDI boards:
 * the device list, exclusive opens across processes (and a holder that is
 * killed), the EEPROM and its user area, FIFO modes, unplugging.
 */
#include "ftdtest.h"
#include "kor_child.h"

#include <string.h>

#include <chrono>
#include <thread>

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "ftd2xx", true);

namespace {

using BYTES = std::vector<uint8_t>;

class Ftd2xx : public FTDTEST {
protected:
    BYTES RgbEeprom(const std::string &szBoard)
    {
        std::string szHex = Sim().SzLine("EEPROM " + szBoard);
        BYTES rgb;
        for (size_t ich = 0; ich + 1 < szHex.size(); ich += 2)
            rgb.push_back(uint8_t(strtoul(szHex.substr(ich, 2).c_str(), nullptr, 16)));
        return rgb;
    }
};

TEST_F(Ftd2xx, ListsEveryChannelOfTheFtdiChipsOnly)
{
    DWORD cdev = 0;
    ASSERT_EQ(pd2xx->FT_CreateDeviceInfoList(&cdev), FT_STATUS(FT_OK));
    ASSERT_EQ(cdev, 6u);        // 2 + 4 channels; the USB board is not an FTDI chip
    const char *rgszSerial[] = { "210183F00001A", "210183F00001B", "210183F00002A",
                                 "210183F00002B", "210183F00002C", "210183F00002D" };
    for (DWORD idev = 0; idev < cdev; idev++) {
        DWORD flags = 0, type = 0, id = 0, locid = 0;
        char szSerial[16] = {}, szDesc[64] = {};
        FT_HANDLE h = (FT_HANDLE)1;
        ASSERT_EQ(pd2xx->FT_GetDeviceInfoDetail(idev, &flags, &type, &id, &locid, szSerial, szDesc, &h),
                  FT_STATUS(FT_OK));
        EXPECT_STREQ(szSerial, rgszSerial[idev]);
        EXPECT_EQ(type, idev < 2 ? DWORD(FT_DEVICE_2232H) : DWORD(FT_DEVICE_4232H));
        EXPECT_EQ(id, idev < 2 ? 0x04036010u : 0x04036011u);
        EXPECT_EQ(flags & FT_FLAGS_HISPEED, DWORD(FT_FLAGS_HISPEED));
        EXPECT_EQ(h, nullptr);
        if (idev == 1) {
            EXPECT_STREQ(szDesc, "Korvanel FT Board B");
        }
    }
    DWORD cNumber = 0;
    EXPECT_EQ(pd2xx->FT_ListDevices(&cNumber, nullptr, FT_LIST_NUMBER_ONLY), FT_STATUS(FT_OK));
    EXPECT_EQ(cNumber, 6u);
    char szByIndex[64] = {};
    EXPECT_EQ(pd2xx->FT_ListDevices((PVOID)(uintptr_t)2, szByIndex, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
              FT_STATUS(FT_OK));
    EXPECT_STREQ(szByIndex, "210183F00002A");
    DWORD flags = 0;
    EXPECT_EQ(pd2xx->FT_GetDeviceInfoDetail(6, &flags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              FT_STATUS(FT_DEVICE_NOT_FOUND));
}

TEST_F(Ftd2xx, OpensBySerialDescriptionAndLocationAndTellsTheDevice)
{
    FT_HANDLE h = HOpen("210183F00001B");
    ASSERT_NE(h, nullptr);
    FT_DEVICE type = 0;
    DWORD id = 0;
    char szSerial[16] = {}, szDesc[64] = {};
    ASSERT_EQ(pd2xx->FT_GetDeviceInfo(h, &type, &id, szSerial, szDesc, nullptr), FT_STATUS(FT_OK));
    EXPECT_EQ(type, FT_DEVICE(FT_DEVICE_2232H));
    EXPECT_STREQ(szSerial, "210183F00001B");
    EXPECT_STREQ(szDesc, "Korvanel FT Board B");
    Close(h);
    FT_HANDLE hDesc = nullptr;
    ASSERT_EQ(pd2xx->FT_OpenEx((PVOID) "Quad RS232-HS C", FT_OPEN_BY_DESCRIPTION, &hDesc), FT_STATUS(FT_OK));
    rgh.push_back(hDesc);
    DWORD locid = 0;
    ASSERT_EQ(pd2xx->FT_GetDeviceInfoDetail(0, nullptr, nullptr, nullptr, &locid, nullptr, nullptr, nullptr),
              FT_STATUS(FT_OK));
    FT_HANDLE hLoc = nullptr;
    ASSERT_EQ(pd2xx->FT_OpenEx((PVOID)(uintptr_t)locid, FT_OPEN_BY_LOCATION, &hLoc), FT_STATUS(FT_OK));
    rgh.push_back(hLoc);
    FT_HANDLE hNone = nullptr;
    EXPECT_EQ(pd2xx->FT_OpenEx((PVOID) "210183F00009A", FT_OPEN_BY_SERIAL_NUMBER, &hNone),
              FT_STATUS(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(pd2xx->FT_Close((FT_HANDLE)&hNone), FT_STATUS(FT_INVALID_HANDLE));
}

KOR_CHILD_ROLE(holder)
{
    // Opens the channel, says so on stdout-free terms (the simulator shows
    // it open), then waits to be killed.
    const D2XX *pd2xx = PD2xx();
    FT_HANDLE h = nullptr;
    if (pd2xx == nullptr || pd2xx->FT_OpenEx((PVOID)argv[1], FT_OPEN_BY_SERIAL_NUMBER, &h) != FT_OK)
        return 1;
    for (;;)
        KorSleepMs(1000);
}

bool FWaitOpen(const std::string &szKey, const std::string &szValue)
{
    for (int i = 0; i < 500; i++) {
        if (MpFtdi("fpgaft")[szKey] == szValue)
            return true;
        KorSleepMs(10);
    }
    return false;
}

TEST_F(Ftd2xx, OpenIsExclusiveAcrossProcessesAndAKilledHolderGivesTheChannelBack)
{
    KorChild child;
    ASSERT_TRUE(child.Start("holder", { "210183F00001A" }));
    ASSERT_TRUE(FWaitOpen("A.open", "1"));
    FT_HANDLE h = nullptr;
    EXPECT_EQ(pd2xx->FT_OpenEx((PVOID) "210183F00001A", FT_OPEN_BY_SERIAL_NUMBER, &h),
              FT_STATUS(FT_DEVICE_NOT_OPENED));
    // The other channel of the chip is free.
    EXPECT_NE(HOpen("210183F00001B"), nullptr);
    DWORD cdev = 0, flags = 0;
    ASSERT_EQ(pd2xx->FT_CreateDeviceInfoList(&cdev), FT_STATUS(FT_OK));
    ASSERT_EQ(pd2xx->FT_GetDeviceInfoDetail(0, &flags, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              FT_STATUS(FT_OK));
    EXPECT_EQ(flags & FT_FLAGS_OPENED, DWORD(FT_FLAGS_OPENED));
    ASSERT_TRUE(child.Kill());
    ASSERT_TRUE(FWaitOpen("A.open", "0"));
    EXPECT_NE(HOpen("210183F00001A"), nullptr);
}

TEST_F(Ftd2xx, UserAreaHoldsTheMakersRecordAndWritesReachTheEeprom)
{
    FT_HANDLE h = HOpen("210183F00001A");
    ASSERT_NE(h, nullptr);
    DWORD cbUa = 0;
    ASSERT_EQ(pd2xx->FT_EE_UASize(h, &cbUa), FT_STATUS(FT_OK));
    ASSERT_GE(cbUa, 64u);
    uint8_t rgbUa[64] = {};
    DWORD cbRead = 0;
    ASSERT_EQ(pd2xx->FT_EE_UARead(h, rgbUa, 64, &cbRead), FT_STATUS(FT_OK));
    ASSERT_EQ(cbRead, 64u);
    EXPECT_EQ(rgbUa[6] | rgbUa[7] << 8 | rgbUa[8] << 16 | uint32_t(rgbUa[9]) << 24, 0x00600160u);
    EXPECT_STREQ((const char *)rgbUa + 10, "FtFpga");
    EXPECT_STREQ((const char *)rgbUa + 27, "KorvanelFt");
    EXPECT_EQ(rgbUa[56], 0x03);

    BYTES rgbEeBefore = RgbEeprom("fpgaft");
    memcpy(rgbUa + 10, "Renamed\0", 8);
    ASSERT_EQ(pd2xx->FT_EE_UAWrite(h, rgbUa, 64), FT_STATUS(FT_OK));
    BYTES rgbEe = RgbEeprom("fpgaft");
    ASSERT_EQ(rgbEe.size(), 256u);
    size_t ibUa = 256 - 2 - cbUa;
    EXPECT_EQ(memcmp(rgbEe.data() + ibUa, rgbUa, 64), 0);
    EXPECT_EQ(MpFtdi("fpgaft")["eeprom"], "valid");     // checksum kept right
    EXPECT_EQ(memcmp(rgbEe.data(), rgbEeBefore.data(), ibUa), 0);
    EXPECT_EQ(pd2xx->FT_EE_UAWrite(h, rgbUa, cbUa + 1), FT_STATUS(FT_INVALID_PARAMETER));
    uint8_t rgbZero[64] = {};
    rgbUa[10] = 'F';
    memcpy(rgbUa + 10, "FtFpga\0", 7);
    EXPECT_EQ(pd2xx->FT_EE_UAWrite(h, rgbUa, 64), FT_STATUS(FT_OK));
    EXPECT_EQ(pd2xx->FT_EE_UARead(h, rgbZero, 64, nullptr), FT_STATUS(FT_INVALID_PARAMETER));
}

TEST_F(Ftd2xx, ProgramDataChangesTheSerialAfterAPortCycleAndKeepsTheUserArea)
{
    FT_HANDLE h = HOpen("210183F00002A");
    ASSERT_NE(h, nullptr);
    char szMfr[64], szMfrId[64], szDesc[64], szSerial[64];
    FT_PROGRAM_DATA pd;
    memset(&pd, 0, sizeof(pd));
    pd.Signature1 = 0;
    pd.Signature2 = 0xFFFFFFFF;
    pd.Version = 5;
    pd.Manufacturer = szMfr;
    pd.ManufacturerId = szMfrId;
    pd.Description = szDesc;
    pd.SerialNumber = szSerial;
    ASSERT_EQ(pd2xx->FT_EE_Read(h, &pd), FT_STATUS(FT_OK));
    EXPECT_STREQ(szSerial, szQuadSerial);
    EXPECT_STREQ(szDesc, "Quad RS232-HS");
    EXPECT_EQ(pd.VendorId, 0x0403);
    EXPECT_EQ(pd.CIsVCP8, 1);
    EXPECT_EQ(pd.AIsVCP8, 0);
    uint8_t rgbUaBefore[64], rgbUaAfter[64];
    DWORD cb = 0;
    ASSERT_EQ(pd2xx->FT_EE_UARead(h, rgbUaBefore, 64, &cb), FT_STATUS(FT_OK));

    strcpy(szSerial, "210183F0000E");
    ASSERT_EQ(pd2xx->FT_EE_Program(h, &pd), FT_STATUS(FT_OK));
    ASSERT_EQ(pd2xx->FT_EE_UARead(h, rgbUaAfter, 64, &cb), FT_STATUS(FT_OK));
    EXPECT_EQ(memcmp(rgbUaBefore, rgbUaAfter, 64), 0);
    WORD w0 = 0;
    ASSERT_EQ(pd2xx->FT_ReadEE(h, 0, &w0), FT_STATUS(FT_OK));
    EXPECT_EQ(w0, 0x8080);
    // The chip reads its EEPROM at power-on: the list shows the new serial after a port cycle.
    EXPECT_EQ(MpFtdi("quadft")["serial"], szQuadSerial);
    ASSERT_EQ(pd2xx->FT_CyclePort(h), FT_STATUS(FT_OK));
    EXPECT_EQ(MpFtdi("quadft")["serial"], "210183F0000E");
    FT_HANDLE hNew = HOpen("210183F0000EA");
    ASSERT_NE(hNew, nullptr);
    strcpy(szSerial, szQuadSerial);
    ASSERT_EQ(pd2xx->FT_EE_Program(hNew, &pd), FT_STATUS(FT_OK));
    ASSERT_EQ(pd2xx->FT_CyclePort(hNew), FT_STATUS(FT_OK));
    EXPECT_EQ(MpFtdi("quadft")["serial"], szQuadSerial);
}

TEST_F(Ftd2xx, BothFifoModesCarryBytesToTheDesignAndBack)
{
    // Asynchronous FIFO: channel B, which the EEPROM makes a 245 FIFO, in reset mode.
    // Synchronous FIFO: channel A in mode 0x40.
    struct FIFOCASE { const char *szChan; UCHAR mode; const char *szLetter; } rgcase[] = {
        { "210183F00001B", FT_BITMODE_RESET, "B" }, { "210183F00001A", FT_BITMODE_SYNC_FIFO, "A" } };
    for (auto &fc : rgcase) {
        ASSERT_TRUE(Sim().FCmd(std::string("FTSINKCLEAR fpgaft ") + fc.szLetter));
        FT_HANDLE h = HOpen(fc.szChan);
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(pd2xx->FT_SetBitMode(h, 0xFF, fc.mode), FT_STATUS(FT_OK));
        ASSERT_EQ(pd2xx->FT_SetTimeouts(h, 2000, 2000), FT_STATUS(FT_OK));
        BYTES rgb(100000);
        for (size_t ib = 0; ib < rgb.size(); ib++)
            rgb[ib] = uint8_t(ib * 7 + 3);
        DWORD cbWritten = 0, cbRead = 0;
        ASSERT_EQ(pd2xx->FT_Write(h, rgb.data(), DWORD(rgb.size()), &cbWritten), FT_STATUS(FT_OK));
        EXPECT_EQ(cbWritten, rgb.size());
        BYTES rgbBack(rgb.size());
        ASSERT_EQ(pd2xx->FT_Read(h, rgbBack.data(), DWORD(rgbBack.size()), &cbRead), FT_STATUS(FT_OK));
        EXPECT_EQ(cbRead, rgb.size());
        EXPECT_EQ(rgbBack, rgb) << fc.szLetter;
        std::string szSink = Sim().SzLine(std::string("FTSINK fpgaft ") + fc.szLetter);
        EXPECT_EQ(szSink.size(), 2 * rgb.size());
        EXPECT_EQ(szSink.substr(0, 8), "030a1118");
        Close(h);
    }
    // Channel B in MPSSE mode is no FIFO: nothing reaches the design.
    FT_HANDLE h = HOpen("210183F00001B");
    ASSERT_TRUE(Sim().FCmd("FTSINKCLEAR fpgaft B"));
    ASSERT_EQ(pd2xx->FT_SetBitMode(h, 0, FT_BITMODE_MPSSE), FT_STATUS(FT_OK));
    uint8_t b = 0x85;
    DWORD cb = 0;
    ASSERT_EQ(pd2xx->FT_Write(h, &b, 1, &cb), FT_STATUS(FT_OK));
    EXPECT_EQ(Sim().SzLine("FTSINK fpgaft B"), "");
}

TEST_F(Ftd2xx, UnpluggedChipFailsItsHandlesUntilReopened)
{
    FT_HANDLE h = HOpen("210183F00001B");
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(Sim().FCmd("UNPLUG fpgaft"));
    DWORD cb = 0, cdev = 0;
    EXPECT_EQ(pd2xx->FT_GetQueueStatus(h, &cb), FT_STATUS(FT_IO_ERROR));
    ASSERT_EQ(pd2xx->FT_CreateDeviceInfoList(&cdev), FT_STATUS(FT_OK));
    EXPECT_EQ(cdev, 4u);
    FT_HANDLE hNone = nullptr;
    EXPECT_EQ(pd2xx->FT_OpenEx((PVOID) "210183F00001B", FT_OPEN_BY_SERIAL_NUMBER, &hNone),
              FT_STATUS(FT_DEVICE_NOT_FOUND));
    ASSERT_TRUE(Sim().FCmd("PLUG fpgaft"));
    EXPECT_EQ(pd2xx->FT_GetQueueStatus(h, &cb), FT_STATUS(FT_IO_ERROR));     // stays dead
    Close(h);
    EXPECT_NE(HOpen("210183F00001B"), nullptr);
    // A fault unplugs the chip in the middle of a write.
    FT_HANDLE hA = HOpen("210183F00001A");
    ASSERT_TRUE(Sim().FCmd("FTFAULT fpgaft unplugafter 10"));
    BYTES rgb(100, 0x85);
    EXPECT_EQ(pd2xx->FT_Write(hA, rgb.data(), 100, &cb), FT_STATUS(FT_IO_ERROR));
    EXPECT_EQ(cb, 10u);
    ASSERT_TRUE(Sim().FCmd("PLUG fpgaft"));
}

TEST_F(Ftd2xx, ArgumentsAreCheckedBeforeAnythingIsSent)
{
    FT_HANDLE h = HOpen("210183F00001A");
    EXPECT_EQ(pd2xx->FT_GetQueueStatus(h, nullptr), FT_STATUS(FT_INVALID_PARAMETER));
    EXPECT_EQ(pd2xx->FT_Read(h, nullptr, 1, nullptr), FT_STATUS(FT_INVALID_PARAMETER));
    EXPECT_EQ(pd2xx->FT_SetLatencyTimer(h, 1), FT_STATUS(FT_INVALID_PARAMETER));
    EXPECT_EQ(pd2xx->FT_SetUSBParameters(h, 100, 100), FT_STATUS(FT_INVALID_PARAMETER));
    EXPECT_EQ(pd2xx->FT_SetBitMode(h, 0, 0x03), FT_STATUS(FT_INVALID_PARAMETER));
    WORD w = 0;
    EXPECT_EQ(pd2xx->FT_ReadEE(h, 128, &w), FT_STATUS(FT_INVALID_PARAMETER));
    UCHAR latency = 0;
    ASSERT_EQ(pd2xx->FT_SetLatencyTimer(h, 9), FT_STATUS(FT_OK));
    ASSERT_EQ(pd2xx->FT_GetLatencyTimer(h, &latency), FT_STATUS(FT_OK));
    EXPECT_EQ(latency, 9);
    EXPECT_EQ(MpFtdi("fpgaft")["A.latency"], "9");
}

} // namespace
