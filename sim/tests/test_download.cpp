// test_download.cpp - renumeration, device reset, FX2 download through CPUCS
// and the loader, the FX3 boot loader and its memories.

#include "simfixture.h"

#include "model/board.h"

using namespace usbwire;

namespace {

using BYTES = std::vector<uint8_t>;

// Firmware descriptor carried by a RAM image (see the README).
BYTES RgbDesc(uint32_t pdid, uint16_t fwver, uint32_t dcapPub, uint32_t dcapPriv)
{
    BYTES rgb = { 'K', 'S', 'I', 'M', 'F', 'W', '0', '1' };
    for (uint8_t b : RgbU32(pdid)) rgb.push_back(b);
    rgb.push_back(uint8_t(fwver));
    rgb.push_back(uint8_t(fwver >> 8));
    for (uint8_t b : RgbU32(dcapPub)) rgb.push_back(b);
    for (uint8_t b : RgbU32(dcapPriv)) rgb.push_back(b);
    return rgb;
}

class DownloadTest : public SIMTEST {
protected:
    // Waits until the board is back and opens it at its new path.
    std::string Reopen(const std::string &szBoard)
    {
        std::vector<std::string> rgsz;
        EXPECT_TRUE(simctl.FCmd("WAIT " + szBoard + " present 5000", &rgsz));
        std::string szPath = rgsz.empty() ? "" : rgsz[0].substr(5);
        EXPECT_EQ(host.Open(szPath), stsOk);
        return szPath;
    }
};

TEST_F(DownloadTest, DescriptorOfTheTestsMatchesTheModel)
{
    EXPECT_EQ(RgbDesc(1, 2, 3, 4), sim::RgbFwDesc(1, 2, 3, 4));
}

TEST_F(DownloadTest, RenumerationComesBackUnderANewPathWithTheSameSerial)
{
    std::string szPath = SzPath("alpha");
    ASSERT_EQ(host.Open(szPath), stsOk);
    ASSERT_EQ(host.VendorOutKeyed(0xEA, 0, {}), stsOk);
    std::vector<uint8_t> rgb;
    EXPECT_EQ(host.VendorIn(0xE4, 0, 0, 12, rgb), stsNoDevice);
    std::string szPathNew = Reopen("alpha");
    EXPECT_NE(szPathNew, szPath);
    EXPECT_EQ(host.Open(szPath), stsNoDevice);
    ASSERT_EQ(host.Open(szPathNew), stsOk);
    ASSERT_EQ(host.VendorIn(0xE4, 0, 0, 12, rgb), stsOk);
    EXPECT_EQ(std::string(rgb.begin(), rgb.end()), "210183A1B2C3");
}

TEST_F(DownloadTest, RenumerationFaults)
{
    ASSERT_TRUE(simctl.FCmd("FAULT alpha renum serial 210183FFFFFF"));
    OpenBoard(host, "alpha");
    ASSERT_EQ(host.VendorOutKeyed(0xEA, 0, {}), stsOk);
    Reopen("alpha");
    std::vector<uint8_t> rgb;
    ASSERT_EQ(host.VendorIn(0xE4, 0, 0, 12, rgb), stsOk);
    EXPECT_EQ(std::string(rgb.begin(), rgb.end()), "210183FFFFFF");

    ASSERT_TRUE(simctl.FCmd("FAULT alpha renum never"));
    ASSERT_EQ(host.VendorOutKeyed(0xEA, 0, {}), stsOk);
    std::string szErr;
    EXPECT_FALSE(simctl.FCmd("WAIT alpha present 200", nullptr, &szErr));
    EXPECT_EQ(szErr, "timeout");
    ASSERT_TRUE(simctl.FCmd("PLUG alpha"));
    EXPECT_EQ(simctl.SzState("alpha", "present"), "1");
}

TEST_F(DownloadTest, DeviceResetNeedsItsKeyAndRestoresTheBootIdentity)
{
    OpenBoard(host, "alpha");
    BYTES rgbUser(16, 0);
    rgbUser[0] = 'Z';
    ASSERT_EQ(host.VendorOutKeyed(0xE3, 0, rgbUser), stsOk);
    EXPECT_EQ(host.VendorOut(0xDA, 0, 0, {}), stsStall);
    ASSERT_EQ(host.VendorOut(0xE8, 0, 0, { 0x52, 0x6C }), stsOk);
    ASSERT_EQ(host.VendorOut(0xDA, 0, 0, {}), stsOk);
    Reopen("alpha");
    EXPECT_EQ(simctl.SzState("alpha", "user"), "Alpha");
    EXPECT_EQ(simctl.SzState("alpha", "key"), "0x0000");
}

TEST_F(DownloadTest, Fx2LoaderThenImage)
{
    OpenBoard(host, "blank");
    std::vector<uint8_t> rgb;
    EXPECT_EQ(host.VendorIn(0xE9, 0, 0, 4, rgb), stsStall);        // nothing runs yet
    EXPECT_EQ(host.VendorOut(0xE8, 0, 0, { 1, 0 }), stsStall);
    // The loader: CPU held, code written, CPU released.
    ASSERT_EQ(host.VendorOut(0xA0, 0xE600, 0, { 1 }), stsOk);
    ASSERT_EQ(host.VendorOut(0xA0, 0x0000, 0, BYTES(64, 0x02)), stsOk);
    EXPECT_EQ(simctl.SzState("blank", "cpureset"), "1");
    ASSERT_EQ(host.VendorOut(0xA0, 0xE600, 0, { 0 }), stsOk);
    EXPECT_EQ(simctl.SzState("blank", "mode"), "loader");
    // External RAM through the loader, inside the key.
    EXPECT_EQ(host.VendorOut(0xA3, 0x8000, 0, BYTES(4, 0xC3)), stsStall);
    ASSERT_EQ(host.VendorOutKeyed(0xA3, 0x8000, BYTES(4, 0xC3)), stsOk);
    EXPECT_EQ(simctl.SzLine("MEM blank ext 0x8000 4"), "C3C3C3C3");
    // The image with its descriptor, written while the CPU is held.
    BYTES rgbImage(256, 0);
    BYTES rgbDesc = RgbDesc(0x30100203, 0x0301, 0x00000801, 0x00000010);
    std::copy(rgbDesc.begin(), rgbDesc.end(), rgbImage.begin() + 0x80);
    ASSERT_EQ(host.VendorOut(0xA0, 0xE600, 0, { 1 }), stsOk);
    ASSERT_EQ(host.VendorOut(0xA0, 0x0000, 0, rgbImage), stsOk);
    ASSERT_EQ(host.VendorOut(0xA0, 0xE600, 0, { 0 }), stsOk);
    EXPECT_EQ(simctl.SzState("blank", "mode"), "app");
    ASSERT_EQ(host.VendorIn(0xE9, 0, 0, 4, rgb), stsOk);
    EXPECT_EQ(rgb, RgbU32(0x30100203));
    ASSERT_EQ(host.VendorIn(0xE7, 0, 0, 8, rgb), stsOk);
    EXPECT_EQ(rgb, (BYTES{ 0x01, 0x08, 0, 0, 0x10, 0, 0, 0 }));
    ASSERT_EQ(host.VendorIn(0xE6, 0, 0, 2, rgb), stsOk);
    EXPECT_EQ(rgb, (BYTES{ 0x01, 0x03 }));
    ASSERT_EQ(host.VendorIn(0xA0, 0x0080, 0, 8, rgb), stsOk);
    EXPECT_EQ(std::string(rgb.begin(), rgb.end()), "KSIMFW01");
}

TEST_F(DownloadTest, Fx3BootLoaderTakesAnImageAndRenumerates)
{
    OpenBoard(host, "gamma");
    std::vector<uint8_t> rgb;
    ASSERT_EQ(host.VendorIn(0xD0, 0, 0, 1, rgb), stsOk);
    EXPECT_EQ(rgb, BYTES{ 2 });
    ASSERT_EQ(host.VendorIn(0xE7, 0, 0, 8, rgb), stsOk);
    EXPECT_EQ(rgb, BYTES(8, 0));
    ASSERT_EQ(host.VendorIn(0xE4, 0, 0, 12, rgb), stsOk);

    BYTES rgbChunk(4096);
    for (size_t i = 0; i < rgbChunk.size(); i++)
        rgbChunk[i] = uint8_t(i);
    BYTES rgbDesc = RgbDesc(0x00200181, 0x0102, 0x00000801, 0);
    std::copy(rgbDesc.begin(), rgbDesc.end(), rgbChunk.begin() + 100);
    ASSERT_TRUE(simctl.FCmd("FAULT gamma fx3chunk 1"));
    // Address 0x40001000: low half in wValue, high half in wIndex.
    EXPECT_EQ(host.VendorOut(0xA0, 0x1000, 0x4000, rgbChunk), stsStall);
    ASSERT_EQ(host.VendorOut(0xA0, 0x1000, 0x4000, rgbChunk), stsOk);
    ASSERT_EQ(host.VendorIn(0xA0, 0x1000, 0x4000, 4096, rgb), stsOk);
    EXPECT_EQ(rgb, rgbChunk);
    EXPECT_EQ(simctl.SzLine("MEM gamma fx3 0x40001064 8"), "4B53494D46573031");
    // Entry address without data starts the program.
    ASSERT_EQ(host.VendorOut(0xA0, 0x1000, 0x4000, {}), stsOk);
    EXPECT_EQ(host.VendorIn(0xD0, 0, 0, 1, rgb), stsNoDevice);
    Reopen("gamma");
    ASSERT_EQ(host.VendorIn(0xD0, 0, 0, 1, rgb), stsOk);
    EXPECT_EQ(rgb, BYTES{ 1 });
    ASSERT_EQ(host.VendorIn(0xE9, 0, 0, 4, rgb), stsOk);
    EXPECT_EQ(rgb, RgbU32(0x00200181));
    ASSERT_EQ(host.VendorIn(0xE4, 0, 0, 12, rgb), stsOk);
    EXPECT_EQ(std::string(rgb.begin(), rgb.end()), "210183C00001");
}

TEST_F(DownloadTest, Fx3EepromAndSpiFlashKeys)
{
    OpenBoard(host, "gamma");
    ASSERT_EQ(host.VendorOut(0xA0, 0, 0x4000, RgbDesc(0x00200181, 0x0102, 0x801, 0)), stsOk);
    ASSERT_EQ(host.VendorOut(0xA0, 0, 0x4000, {}), stsOk);
    Reopen("gamma");
    BYTES rgbData(256, 0x3C);
    // EEPROM: the address's upper half in wValue, the lower half in wIndex.
    EXPECT_EQ(host.VendorOut(0xD1, 0x0001, 0x0000, rgbData), stsStall);        // no key
    ASSERT_EQ(host.VendorOut(0xE8, 0, 0, { 0x16, 0x7A }), stsOk);
    EXPECT_EQ(host.VendorOut(0xD1, 0x0001, 0x0000, rgbData), stsOk);
    EXPECT_EQ(host.VendorOut(0xD1, 0x0000, 0xFF80, rgbData), stsStall);        // crosses 64 KB
    EXPECT_EQ(host.VendorOut(0xD2, 0x0000, 0x0000, rgbData), stsStall);        // flash has its own key
    ASSERT_EQ(host.VendorOut(0xE8, 0, 0, { 0xE7, 0x19 }), stsOk);
    EXPECT_EQ(host.VendorOut(0xD2, 0x0002, 0x0010, rgbData), stsOk);
    EXPECT_EQ(host.VendorOut(0xD3, 0, 2, {}), stsOk);                          // erase block 2
    ASSERT_EQ(host.VendorOut(0xE8, 0, 0, { 0, 0 }), stsOk);
    std::vector<uint8_t> rgb;
    ASSERT_EQ(host.VendorIn(0xD1, 0x0001, 0x0000, 256, rgb), stsOk);
    EXPECT_EQ(rgb, rgbData);
    EXPECT_EQ(simctl.SzLine("MEM gamma eeprom 0x10000 2"), "3C3C");
    EXPECT_EQ(simctl.SzLine("MEM gamma spi 0x20010 2"), "FFFF");
    ASSERT_EQ(host.VendorIn(0xD4, 0, 0, 1, rgb), stsOk);
    EXPECT_EQ(rgb, BYTES{ 1 });
}

} // namespace
