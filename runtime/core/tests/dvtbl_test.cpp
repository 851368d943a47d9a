/*
 * dvtbl_test.cpp - the device table: its file, the shared table, the name
 * rule and the public functions, within one process and across two.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "dtblmg.h"
#include "dvtbl.h"
#include "kor_child.h"
#include "vzcore.h"
#include "vzfake.h"
#include "vztestenv.h"
#include "yorl.h"

namespace {

DVC DvcMake(const char *szName, const char *szConn, uint32_t dtp = dtpFake)
{
    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    SzCopy(dvc.szName, szName, sizeof(dvc.szName));
    SzCopy(dvc.szConn, szConn, sizeof(dvc.szConn));
    dvc.dtp = dtp;
    return dvc;
}

void WriteFile(const std::string &szPath, const std::string &szText)
{
    FILE *pfile = fopen(szPath.c_str(), "wb");
    ASSERT_NE(nullptr, pfile);
    fwrite(szText.data(), 1, szText.size(), pfile);
    fclose(pfile);
}

/* Names of the enumeration list, in order. */
std::vector<std::string> VszEnumNames()
{
    std::vector<std::string> vsz;
    int cdvc = -1;
    if (!TvxEnumDevices(&cdvc))
        return {"<enum failed>"};
    for (int i = 0; i < cdvc; i++) {
        DVC dvc;
        if (TvxGetDvc(i, &dvc))
            vsz.push_back(dvc.szName);
    }
    TvxFreeDvcEnum();
    return vsz;
}

/* Runs the core with its device table in a file of its own. */
class DvcTbl : public ::testing::Test {
protected:
    void SetUp() override
    {
        szTbl = SzTempFile(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".tbl");
        KorSetEnv("YORL_DEVTBL", szTbl.c_str());
    }
    void Start()
    {
        std::string szNs = "vzt-dtbl-" + std::to_string(pabsutil->GetIdProcess()) + "-" + std::to_string(cStart++);
        KorSetEnv("YORL_NAMESPACE", szNs.c_str());
        pmag = PmagfakeStart(nullptr);
        ASSERT_NE(nullptr, pmag);
        fStarted = true;
    }
    void TearDown() override
    {
        if (fStarted)
            VzTestStop();
        KorSetEnv("YORL_DEVTBL", nullptr);
    }
    /* Entries of a fresh table manager for mask dtpMask, as "name=conn/dtp". */
    std::vector<std::string> VszTbl(uint32_t dtpMask, int *pfOk = nullptr)
    {
        DTBLMG dtbl;
        std::vector<std::string> vsz;
        int fOk = dtbl.FInit() && dtbl.FEnumTbl(dtpMask);
        for (int i = 0; i < dtbl.CdvcMac(); i++) {
            DVC dvc;
            dtbl.FGetDvc(i, &dvc);
            char sz[400];
            snprintf(sz, sizeof(sz), "%s=%s/%x", dvc.szName, dvc.szConn, dvc.dtp);
            vsz.push_back(sz);
        }
        dtbl.Term();
        if (pfOk)
            *pfOk = fOk;
        return vsz;
    }

    std::string szTbl;
    MAGFAKE *pmag = nullptr;
    bool fStarted = false;
    static int cStart;
};

int DvcTbl::cStart = 0;

typedef std::vector<std::string> VSZ;

TEST_F(DvcTbl, ReaderKeysMasksAndNumberForms)
{
    WriteFile(szTbl, "; bench devices\n"
                     "DVC {\n\tszName = \"alpha\"\n\tszConn = \"SN:000000000001\"\n\tdtp = 10001h\n}\n\n"
                     "dvc {   ; lower case, comments anywhere\n"
                     "  SZNAME = \"beta\" ; name\n  szconn = \"SN:000000000002\"\n  DTP = 20001h\n}\n"
                     "DVC {\n szName = \"gamma\"\n dtp = 20001\n}\n"
                     "DVC {\n szName = \"delta\"\n szConn = \"host:1\"\n dtp = 10002h\n}\n");
    Start();
    EXPECT_EQ(VSZ({"alpha=SN:000000000001/10001"}), VszTbl(0x10001));
    EXPECT_EQ(VSZ({"beta=SN:000000000002/20001"}), VszTbl(0x20001));
    /* A bare transport mask takes every protocol; "20001" without h is decimal;
     * gamma lacks szConn and keeps beta's. */
    EXPECT_EQ(VSZ({"alpha=SN:000000000001/10001", "beta=SN:000000000002/20001", "gamma=SN:000000000002/4e21",
                   "delta=host:1/10002"}),
              VszTbl(15));
    EXPECT_EQ(VSZ({"delta=host:1/10002"}), VszTbl(2));
}

TEST_F(DvcTbl, LenientKeysNeverStopTheReader)
{
    /* A key with nothing after it, a key before a value of the wrong kind, a
     * "{" block ended by the end of the file, a name longer than its field. */
    std::string szLong(100, 'n');
    WriteFile(szTbl, "DVC {\n szName\n szName = \"one\"\n szConn = 5\n szConn = \"FAKE:1\"\n dtp \"x\" = 10100h\n}\n"
                     "DVC { szName = \"" + szLong + "\" szConn = \"FAKE:2\"\n");
    Start();
    int fOk = 0;
    VSZ vsz = VszTbl(0xFFFF, &fOk);
    EXPECT_TRUE(fOk);
    ASSERT_EQ(2u, vsz.size());
    EXPECT_EQ("one=FAKE:1/10100", vsz[0]);
    EXPECT_EQ(std::string(63, 'n') + "=FAKE:2/10100", vsz[1]);
}

TEST_F(DvcTbl, MalformedFileFailsKeepsEarlierBlocksAndTheFile)
{
    const std::string szText = "DVC {\n szName = \"ok\"\n szConn = \"FAKE:1\"\n dtp = 10100h\n}\nDVC\n{\n szName = \"x\"\n}\n";
    WriteFile(szTbl, szText);
    Start();
    int fOk = 1;
    VszTbl(0xFFFF, &fOk);
    EXPECT_FALSE(fOk);
    /* The block read before the fault stays; the table is not read again. */
    EXPECT_EQ(1, PdvtblShared()->Cdvc());
    EXPECT_EQ(VSZ({"ok=FAKE:1/10100"}), VszTbl(0xFFFF, &fOk));
    EXPECT_TRUE(fOk);
    EXPECT_EQ(szText, SzReadFile(szTbl));
}

TEST_F(DvcTbl, MissingFileIsCreatedEmptyOtherPathsAreNot)
{
    Start();
    int fOk = 0;
    EXPECT_TRUE(VszTbl(0xFFFF, &fOk).empty());
    EXPECT_TRUE(fOk);
    EXPECT_TRUE(std::filesystem::exists(szTbl));
    EXPECT_EQ("", SzReadFile(szTbl));
}

TEST_F(DvcTbl, UnreadablePathFailsWithoutCreatingAnything)
{
    /* A directory where the file should be: the read fails and nothing changes. */
    std::filesystem::create_directories(szTbl);
    Start();
    int fOk = 1;
    VszTbl(0xFFFF, &fOk);
    EXPECT_FALSE(fOk);
    EXPECT_TRUE(std::filesystem::is_directory(szTbl));
    DVC dvc = DvcMake("a", "FAKE:1");
    EXPECT_FALSE(TvxDvcTblSave());
    std::filesystem::remove(szTbl);
    (void)dvc;
}

TEST_F(DvcTbl, AddChecksNameConnectionAndDuplicates)
{
    Start();
    struct CASE {
        const char *szName;
        const char *szConn;
        uint32_t dtp;
        int fOk;
    } rgcase[] = {
        {"abcdefghijklmnopq", "FAKE:1", dtpFake, 0},   /* 17 characters */
        {"a b", "FAKE:1", dtpFake, 0},
        {"", "FAKE:1", dtpFake, 0},
        {"abcdefgh_ijklmno", "FAKE:1", dtpFake, 1},     /* 16 characters */
        {"p!#$%&()+-.;=@[]", "FAKE:2", dtpFake, 1},
        {"bad-conn", "OTHER:1", dtpFake, 0},            /* the manager refuses the string */
        {"no-manager", "FAKE:3", 0x00020100, 0},        /* protocol 2: no such manager */
        {"by-tpt", "FAKE:4", tptFake, 1},               /* bare transport: any manager of it */
        {"abcdefgh_ijklmno", "FAKE:5", 0x00020100, 0},  /* duplicate name, other dtp */
    };
    for (const CASE &c : rgcase) {
        DVC dvc = DvcMake(c.szName, c.szConn, c.dtp);
        TvxSetLastErrorNoLog(0);
        EXPECT_EQ(c.fOk, TvxDvcTblAdd(&dvc)) << c.szName;
        EXPECT_EQ(0, TvxGetLastError()) << c.szName;
    }
    EXPECT_FALSE(TvxDvcTblAdd(nullptr));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());

    /* A record without terminators is read within its fields. */
    DVC dvcRaw;
    memset(&dvcRaw, 'x', sizeof(dvcRaw));
    dvcRaw.dtp = dtpFake;
    EXPECT_FALSE(TvxDvcTblAdd(&dvcRaw));

    int cdvc = PdvtblShared()->Cdvc();
    EXPECT_TRUE(TvxDvcTblRem("abcdefgh_ijklmno"));
    EXPECT_EQ(cdvc, PdvtblShared()->Cdvc());
    EXPECT_FALSE(TvxDvcTblRem("abcdefgh_ijklmno"));
    EXPECT_FALSE(TvxDvcTblRem("never"));
    EXPECT_FALSE(TvxDvcTblRem(nullptr));
    DVC dvc = DvcMake("abcdefgh_ijklmno", "FAKE:5", 0x00010100);
    EXPECT_TRUE(TvxDvcTblAdd(&dvc));
    EXPECT_EQ(VSZ({"p!#$%&()+-.;=@[]=FAKE:2/10100", "by-tpt=FAKE:4/100", "abcdefgh_ijklmno=FAKE:5/10100"}),
              VszTbl(0xFFFF));
}

TEST_F(DvcTbl, SaveWritesBlocksAndClearRereadsTheFile)
{
    WriteFile(szTbl, "DVC {\n szName = \"old\"\n szConn = \"FAKE:old\"\n dtp = 10100h\n}\n");
    Start();
    DVC dvc = DvcMake("new", "FAKE:new");
    ASSERT_TRUE(TvxDvcTblAdd(&dvc));
    DVC dvcGone = DvcMake("gone", "FAKE:gone");
    ASSERT_TRUE(TvxDvcTblAdd(&dvcGone));
    ASSERT_TRUE(TvxDvcTblRem("gone"));
    ASSERT_TRUE(TvxDvcTblSave());
    EXPECT_EQ(VSZ({"DVC {", "\tszName = \"old\"", "\tszConn = \"FAKE:old\"", "\tdtp =    10100h", "}", "",
                   "DVC {", "\tszName = \"new\"", "\tszConn = \"FAKE:new\"", "\tdtp =    10100h", "}", ""}),
              VszFileLines(szTbl));

    /* Clear empties the table but not the file; an add reads the file first. */
    ASSERT_TRUE(TvxDvcTblClear());
    EXPECT_EQ(0, PdvtblShared()->Cdvc());
    DVC dvc3 = DvcMake("third", "FAKE:3");
    ASSERT_TRUE(TvxDvcTblAdd(&dvc3));
    EXPECT_EQ(VSZ({"old=FAKE:old/10100", "new=FAKE:new/10100", "third=FAKE:3/10100"}), VszTbl(0xFFFF));

    /* Clear then save leaves a file without blocks. */
    ASSERT_TRUE(TvxDvcTblClear());
    ASSERT_TRUE(TvxDvcTblSave());
    EXPECT_EQ("", SzReadFile(szTbl));
}

TEST_F(DvcTbl, SaveBeforeAnyReadKeepsTheUsersEntries)
{
    WriteFile(szTbl, "DVC {\n szName = \"old\"\n szConn = \"FAKE:old\"\n dtp = 10100h\n}\n");
    Start();
    ASSERT_EQ(0, PdvtblShared()->Cdvc());
    ASSERT_TRUE(TvxDvcTblSave());
    EXPECT_EQ(VSZ({"DVC {", "\tszName = \"old\"", "\tszConn = \"FAKE:old\"", "\tdtp =    10100h", "}", ""}),
              VszFileLines(szTbl));
    EXPECT_EQ(VSZ({"old=FAKE:old/10100"}), VszTbl(0xFFFF));
}

TEST_F(DvcTbl, FullTableRefusesUntilCleared)
{
    Start();
    for (int i = 0; i < cdvcTblMax; i++) {
        std::string szName = "d" + std::to_string(i);
        DVC dvc = DvcMake(szName.c_str(), "FAKE:x");
        ASSERT_TRUE(TvxDvcTblAdd(&dvc)) << i;
    }
    ASSERT_TRUE(TvxDvcTblRem("d0"));
    DVC dvc = DvcMake("one-more", "FAKE:x");
    EXPECT_FALSE(TvxDvcTblAdd(&dvc));
    EXPECT_TRUE(TvxDvcTblClear());
    EXPECT_TRUE(TvxDvcTblAdd(&dvc));
}

TEST_F(DvcTbl, FileWithMoreThan64BlocksFailsAtTheLimit)
{
    std::string szText;
    for (int i = 0; i < 70; i++)
        szText += "DVC {\n szName = \"n" + std::to_string(i) + "\"\n szConn = \"FAKE:1\"\n dtp = 10100h\n}\n";
    WriteFile(szTbl, szText);
    Start();
    int fOk = 1;
    VszTbl(0xFFFF, &fOk);
    EXPECT_FALSE(fOk);
    EXPECT_EQ(cdvcTblMax, PdvtblShared()->Cdvc());
    EXPECT_EQ(szText, SzReadFile(szTbl));
}

TEST_F(DvcTbl, ForeignCountIsClamped)
{
    Start();
    /* Another process's (broken) count never walks past the segment. */
    PdvtblShared()->cdvc = 1000;
    EXPECT_EQ(cdvcTblMax, PdvtblShared()->Cdvc());
    PdvtblShared()->cdvc = -5;
    EXPECT_EQ(0, PdvtblShared()->Cdvc());
}

} // namespace

/* Child: saves the table over and over until killed; creates the file
 * argv[1] once the first save succeeded. */
KOR_CHILD_ROLE(saveloop)
{
    if (argc < 2 || PmagfakeStart(nullptr) == nullptr || !TvxDvcTblSave())
        return 2;
    FILE *pfile = fopen(argv[1], "w");
    if (pfile == nullptr)
        return 3;
    fclose(pfile);
    for (;;) {
        if (!TvxDvcTblSave())
            return 1;
    }
}

/* Child: adds the entry argv[1] and saves the table; exit 0 on success. */
KOR_CHILD_ROLE(addsave)
{
    if (argc < 2 || PmagfakeStart(nullptr) == nullptr)
        return 2;
    DVC dvc = DvcMake(argv[1], "FAKE:child");
    int fOk = TvxDvcTblAdd(&dvc) && TvxDvcTblSave();
    VzTestStop();
    return fOk ? 0 : 1;
}

namespace {

/* A process killed while it saves leaves the user's file whole: the old
 * table or the new one, never a cut or empty file. */
TEST_F(DvcTbl, SaveKilledAtAnyPointLeavesTheFileWhole)
{
    std::string szText;
    VSZ vszWant;
    for (int i = 0; i < 40; i++) {
        std::string szName = "n" + std::to_string(i), szConn = "FAKE:" + std::to_string(i);
        szText += "DVC {\n\tszName = \"" + szName + "\"\n\tszConn = \"" + szConn + "\"\n\tdtp =    10100h\n}\n\n";
        vszWant.push_back(szName + "=" + szConn + "/10100");
    }
    WriteFile(szTbl, szText);
    std::string szStarted = SzTempFile("saveloop.started");
    for (uint32_t iKill = 0; iKill < 12; iKill++) {
        /* A namespace of its own each time: the child reads the file itself. */
        std::string szNs = "vzt-dtblk-" + std::to_string(pabsutil->GetIdProcess()) + "-" + std::to_string(iKill);
        KorSetEnv("YORL_NAMESPACE", szNs.c_str());
        remove(szStarted.c_str());
        KorChild child;
        ASSERT_TRUE(child.Start("saveloop", {szStarted}));
        for (int i = 0; i < 3000 && !std::filesystem::exists(szStarted) && child.FRunning(); i++)
            KorSleepMs(5);
        ASSERT_TRUE(std::filesystem::exists(szStarted)) << iKill;
        KorSleepMs(iKill * 3);
        ASSERT_TRUE(child.Kill());
        ASSERT_FALSE(VszFileLines(szTbl).empty()) << iKill;
        Start();
        EXPECT_EQ(vszWant, VszTbl(0xFFFF)) << iKill;
        VzTestStop();
        fStarted = false;
    }
}

TEST_F(DvcTbl, OtherProcessAddsAndSavesThisOneSeesIt)
{
    WriteFile(szTbl, "DVC {\n szName = \"mine\"\n szConn = \"FAKE:mine\"\n dtp = 10100h\n}\n");
    Start();
    EXPECT_EQ(VSZ({"mine"}), VszEnumNames());
    KorChild child;
    ASSERT_TRUE(child.Start("addsave", {"theirs"}));
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    EXPECT_EQ(0, code);
    /* The shared table shows it at once, and the file holds it after a re-read. */
    EXPECT_EQ(VSZ({"mine", "theirs"}), VszEnumNames());
    ASSERT_TRUE(TvxDvcTblClear());
    EXPECT_EQ(VSZ({"mine", "theirs"}), VszEnumNames());
    EXPECT_NE(std::string::npos, SzReadFile(szTbl).find("\tszName = \"theirs\""));
}

} // namespace
