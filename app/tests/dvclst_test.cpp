// DVCLST against a scripted device manager and combo box: friendly texts,
// the last device at start-up, and the selection following its board through
// re-enumerations that reorder, add or remove boards.

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "appset.h"
#include "dvclst.h"
#include "memreg.h"
#include "strtext.h"

namespace {

struct FAKEDVC {
    std::string szName, szConn, szProduct, szUser, szSerial;
    uint32_t pdid;
    uint32_t kinfoFail;   // this information query fails (0: none)
};

struct FAKEKELM {
    std::vector<FAKEDVC> rgdvc;
    BOOL fEnumFails = FALSE;
    int cEnum = 0, cFree = 0;
    std::vector<uint32_t> rgargs;
} g_kelm;

int KELMCALL FakeEnum(int *pcdvc, uint32_t a, uint32_t b, uint32_t c, void *pv)
{
    g_kelm.cEnum++;
    g_kelm.rgargs = {a, b, c, pv == nullptr ? 0u : 1u};
    *pcdvc = static_cast<int>(g_kelm.rgdvc.size());
    return !g_kelm.fEnumFails;
}

int KELMCALL FakeGetDvc(int i, DVC *pdvc)
{
    const FAKEDVC &d = g_kelm.rgdvc.at(static_cast<size_t>(i));
    strcpy(pdvc->szName, d.szName.c_str());
    strcpy(pdvc->szConn, d.szConn.c_str());
    return TRUE;
}

const FAKEDVC *PfakeOf(const DVC *pdvc)
{
    for (const FAKEDVC &d : g_kelm.rgdvc)
        if (d.szConn == pdvc->szConn)
            return &d;
    return nullptr;
}

int KELMCALL FakeGetInfo(DVC *pdvc, uint32_t kinfo, void *pv)
{
    const FAKEDVC *pd = PfakeOf(pdvc);
    if (pd == nullptr || pd->kinfoFail == kinfo)
        return FALSE;
    switch (kinfo) {
    case kinfoUserName: strcpy(static_cast<char *>(pv), pd->szUser.c_str()); return TRUE;
    case kinfoProductName: strcpy(static_cast<char *>(pv), pd->szProduct.c_str()); return TRUE;
    case kinfoSerial: strcpy(static_cast<char *>(pv), pd->szSerial.c_str()); return TRUE;
    case kinfoPdid: memcpy(pv, &pd->pdid, 4); return TRUE;
    default: return FALSE;
    }
}

int KELMCALL FakeFree() { g_kelm.cFree++; return TRUE; }

const KELMFNS kelmfnsFake = {FakeEnum, FakeGetDvc, FakeGetInfo, FakeFree};

class FAKECOMBO : public DVCCOMBO {
public:
    std::vector<std::string> rgsz;
    int icur = -1;
    int IcurGet() override { return icur; }
    void GetItemText(int i, char *sz, int cch) override
    {
        snprintf(sz, static_cast<size_t>(cch), "%s", (i >= 0 && i < (int)rgsz.size()) ? rgsz[i].c_str() : "");
    }
    void Reset() override { rgsz.clear(); icur = -1; }
    void AddItem(const char *sz) override { rgsz.push_back(sz); }
    void SetCurSel(int i) override { icur = i; }
    std::string SzCur() const { return icur >= 0 ? rgsz.at(static_cast<size_t>(icur)) : "<none>"; }
};

const FAKEDVC dvcA{"DevA", "usb:0001", "Board", "VCabUsb", "SN:AAAA", 0x00700000, 0};
const FAKEDVC dvcB{"DevB", "usb:0002", "Board", "VCabUsb", "SN:BBBB", 0x00700000, 0};
const FAKEDVC dvcC{"DevC", "usb:0003", "Module", "VModUsb", "SN:CCCC", 0x00800000, 0};
const FAKEDVC dvcNoInfo{"Plain device", "net:10.0.0.7", "", "", "", 0, kinfoSerial};

class DvclstTest : public ::testing::Test {
protected:
    MEMREG reg;
    APPSET appset{&reg};
    DVCLST dvclst{&kelmfnsFake, &appset};
    FAKECOMBO combo;
    uint8_t fSelChanged = 7;

    void SetUp() override
    {
        g_kelm = FAKEKELM();
        reg.Set(regrootLocalMachine, SZ_REG_DATAPATH, "C:\\data");
        ASSERT_TRUE(appset.FLoad());
        ASSERT_TRUE(dvclst.FInit());
    }
    // The user picks item i (accepted selection).
    void Pick(int i)
    {
        combo.icur = i;
        ASSERT_TRUE(dvclst.FTakeSelection(&combo));
    }
    std::string SzSelConn() const
    {
        const DVC *pdvc = dvclst.PdvcSel();
        return pdvc ? pdvc->szConn : "<none>";
    }
};

TEST_F(DvclstTest, NoDeviceShowsTheNoDeviceItem)
{
    EXPECT_FALSE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(std::vector<std::string>{SZ_NO_DEVICES}, combo.rgsz);
    EXPECT_EQ(0, combo.icur);
    EXPECT_EQ(1, fSelChanged);
    EXPECT_EQ(1, g_kelm.cFree);
    EXPECT_FALSE(dvclst.FTakeSelection(&combo));
    EXPECT_EQ(nullptr, dvclst.PdvcSel());

    g_kelm.rgdvc = {dvcA};
    g_kelm.fEnumFails = TRUE;
    EXPECT_FALSE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(std::vector<std::string>{SZ_NO_DEVICES}, combo.rgsz);
}

TEST_F(DvclstTest, ItemTextsAndEnumerationArguments)
{
    g_kelm.rgdvc = {dvcA, dvcC, dvcNoInfo, {"X", "usb:9", "P", "MyBoard", "SN:9", 1, 0},
                    {"VOnb", "usb:8", "P", "VOnbUsb", "SN:8", 1, 0}};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ((std::vector<uint32_t>{1, 3, 0, 0}), g_kelm.rgargs);
    EXPECT_EQ((std::vector<std::string>{"Harwick", "USB2 Module", "Plain device", "MyBoard", "Onboard USB"}),
              combo.rgsz);
    EXPECT_EQ(0, combo.icur);
    EXPECT_EQ(1, fSelChanged);
    EXPECT_EQ(5, dvclst.Cdvc());
    EXPECT_EQ(0x00800000u, dvclst.PdvcentAt(1)->pdid);
    EXPECT_STREQ("", dvclst.PdvcentAt(2)->szSerial);
}

TEST_F(DvclstTest, LastDeviceIsSelectedAtStartByKey)
{
    g_kelm.rgdvc = {dvcA, dvcNoInfo, dvcB};
    appset.SetDvcLast("SN:BBBB");
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(2, combo.icur);
    EXPECT_EQ(1, fSelChanged);

    DVCLST dvclst2(&kelmfnsFake, &appset);
    dvclst2.FInit();
    FAKECOMBO combo2;
    appset.SetDvcLast("net:10.0.0.7");   // a device without information: its connection string
    ASSERT_TRUE(dvclst2.FEnum(&combo2, &fSelChanged));
    EXPECT_EQ(1, combo2.icur);

    DVCLST dvclst3(&kelmfnsFake, &appset);
    dvclst3.FInit();
    FAKECOMBO combo3;
    appset.SetDvcLast("SN:gone");
    ASSERT_TRUE(dvclst3.FEnum(&combo3, &fSelChanged));
    EXPECT_EQ(0, combo3.icur);
}

TEST_F(DvclstTest, SelectionFollowsItsBoardWhenTheOrderChanges)
{
    // Two identical boards told apart only by their serial numbers.
    g_kelm.rgdvc = {dvcA, dvcB};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    Pick(1);
    ASSERT_EQ("usb:0002", SzSelConn());

    g_kelm.rgdvc = {dvcC, dvcB, dvcA};
    g_kelm.rgdvc[0].szUser = "VCabUsb";   // same text as the others
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(1, combo.icur);
    g_kelm.rgdvc = {dvcB, dvcA};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(0, combo.icur);
    EXPECT_EQ(0, fSelChanged);
    EXPECT_EQ(0, dvclst.IdvcSel());
    EXPECT_EQ("usb:0002", SzSelConn());
    EXPECT_STREQ("SN:BBBB", dvclst.PdvcentSel()->szSerial);
}

TEST_F(DvclstTest, SelectedBoardThatIsGoneLeavesNoSelection)
{
    g_kelm.rgdvc = {dvcA, dvcB};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    Pick(1);
    g_kelm.rgdvc = {dvcA, dvcC};   // board B unplugged, another one in its place
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(0, combo.icur);
    EXPECT_EQ(1, fSelChanged);
    EXPECT_EQ(nullptr, dvclst.PdvcSel());   // never board C behind the user's back
    Pick(0);                                // the cancelled drop-down switches to item 0
    EXPECT_EQ("usb:0001", SzSelConn());
}

TEST_F(DvclstTest, BoardsWithoutSerialNumberAreToldApartByConnection)
{
    FAKEDVC d1{"Same", "usb:0011", "", "", "", 0, kinfoProductName};
    FAKEDVC d2{"Same", "usb:0012", "", "", "", 0, kinfoProductName};
    g_kelm.rgdvc = {d1, d2};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    Pick(1);
    g_kelm.rgdvc = {d2, d1};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(0, combo.icur);
    EXPECT_EQ(0, fSelChanged);
    EXPECT_EQ("usb:0012", SzSelConn());

    g_kelm.rgdvc = {d1};   // the selected one is gone; the other has the same text
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(1, fSelChanged);
    EXPECT_EQ(nullptr, dvclst.PdvcSel());
}

// The combo's item is found again by its text and a key. A device without
// serial number has its connection string as the key, except one whose
// connection string has exactly 15 characters: its key is empty, so any
// device without serial number and with the same text keeps the item (here
// after the device came back under another connection string).
TEST_F(DvclstTest, ConnectionOfFifteenCharactersGivesTheEmptyKey)
{
    struct CASE {
        const char *szConnBefore, *szConnAfter;
        int icurWant;
        uint8_t fSelChangedWant;
    } rgcase[] = {
        {"usb:00000000011", "usb:00000000099", 1, 0},     // 15 characters: kept
        {"usb:0000000011", "usb:0000000099", 0, 1},       // 14: another key, item 0
        {"usb:000000000011", "usb:000000000099", 0, 1},   // 16: likewise
        {"usb:0000000011", "usb:0000000011", 1, 0},       // the same connection: kept
    };
    for (const CASE &c : rgcase) {
        SCOPED_TRACE(c.szConnBefore);
        FAKEDVC d{"Plain", c.szConnBefore, "", "", "", 0, kinfoSerial};
        g_kelm.rgdvc = {dvcA, d};
        combo.Reset();
        ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
        combo.icur = 1;
        d.szConn = c.szConnAfter;
        g_kelm.rgdvc = {dvcA, d};
        ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
        EXPECT_EQ(c.icurWant, combo.icur);
        EXPECT_EQ(c.fSelChangedWant, fSelChanged);
    }
}

TEST_F(DvclstTest, FailedQueryLeavesNoValueOfAnotherBoard)
{
    g_kelm.rgdvc = {dvcA};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    g_kelm.rgdvc = {dvcNoInfo};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_STREQ("", dvclst.PdvcentAt(0)->szSerial);
    EXPECT_EQ(0u, dvclst.PdvcentAt(0)->pdid);
    EXPECT_EQ("Plain device", combo.rgsz[0]);
}

TEST_F(DvclstTest, MoreThan64DevicesAreCut)
{
    for (int i = 0; i < 70; i++)
        g_kelm.rgdvc.push_back({"D", "usb:" + std::to_string(i), "P", "U" + std::to_string(i), "SN:" + std::to_string(i), 1, 0});
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    EXPECT_EQ(64, dvclst.Cdvc());
    EXPECT_EQ(64u, combo.rgsz.size());
    combo.icur = 64;
    EXPECT_FALSE(dvclst.FTakeSelection(&combo));
}

TEST_F(DvclstTest, SaveLastStoresSerialOrConnection)
{
    g_kelm.rgdvc = {dvcA, dvcNoInfo};
    ASSERT_TRUE(dvclst.FEnum(&combo, &fSelChanged));
    char sz[cchPathMax + 1];
    dvclst.SaveLast();
    EXPECT_FALSE(appset.FGetDvcLast(sz));
    Pick(0);
    dvclst.SaveLast();
    ASSERT_TRUE(appset.FGetDvcLast(sz));
    EXPECT_STREQ("SN:AAAA", sz);
    Pick(1);
    dvclst.SaveLast();
    ASSERT_TRUE(appset.FGetDvcLast(sz));
    EXPECT_STREQ("net:10.0.0.7", sz);
}

} // namespace
