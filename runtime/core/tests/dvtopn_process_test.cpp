/*
 * dvtopn_process_test.cpp - the open-device table and the per-device mutex
 * across processes: handles of two processes on one device never run their
 * transactions at the same time, a transaction whose device mutex cannot
 * be taken reports 3080 instead of success, and a process killed inside a
 * transaction makes the next taker of the device reset it.
 */
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>

#include "dvtopn.h"
#include "kor_child.h"
#include "vzcore.h"
#include "vzfake.h"
#include "vztestenv.h"
#include "yorl.h"

namespace {

const int cTransPerChild = 150;

int CtransRun(const char *szConn, int ctrans)
{
    HIF hif = 0;
    DVT *pdvt = nullptr;
    if (!TvxOpen(&hif, szConn) || !TvxGetDvt(hif, &pdvt))
        return -1;
    int cok = 0;
    for (int i = 0; i < ctrans; i++) {
        TFP tfp;
        memset(&tfp, 0, sizeof(tfp));
        uint8_t b = 0;
        SetCmd(&tfp, aptLoop, cmdSlow, {1, (uint8_t)i});
        tfp.rplyCmd.crply = 1;
        tfp.rplyCmd.rgrply[0] = {1, &b};
        if (pdvt->FProcessTransaction(&tfp, 0) && b == (uint8_t)i)
            cok++;
    }
    TvxClose(hif);
    return cok;
}

} // namespace

/* argv[1]: connection string. Exit 0 when every transaction came back right. */
KOR_CHILD_ROLE(client)
{
    if (argc < 2 || PmagfakeStart(nullptr) == nullptr)
        return 2;
    PfakebusyMap();
    int cok = CtransRun(argv[1], cTransPerChild);
    VzTestStop();
    return cok == cTransPerChild ? 0 : 1;
}

/* Runs with YORL_FAULT failing the transaction thread's device-mutex lock. */
KOR_CHILD_ROLE(mutexfault)
{
    if (PmagfakeStart(nullptr) == nullptr)
        return 2;
    HIF hif = 0;
    DVT *pdvt = nullptr;
    if (!TvxOpen(&hif, "FAKE:dev6") || !TvxGetDvt(hif, &pdvt))
        return 3;
    TFP tfp;
    memset(&tfp, 0, sizeof(tfp));
    SetCmd(&tfp, aptLoop, cmdEcho, {1});
    int fOk = pdvt->FProcessTransaction(&tfp, 0);
    int erc = TvxGetLastError();
    int fOkAfter = pdvt->FProcessTransaction(&tfp, 0);
    TvxClose(hif);
    VzTestStop();
    return !fOk && erc == ercInternalError && fOkAfter ? 0 : 1;
}

/*
 * argv[1]: connection string, argv[2]: report file, argv[3]: release file.
 * Opens the device and writes "<open count> <first opener>" to the report
 * file (written whole, then renamed), holds the device until the release
 * file exists, then closes it.
 */
KOR_CHILD_ROLE(holder)
{
    if (argc < 4 || PmagfakeStart(nullptr) == nullptr)
        return 2;
    int cFirst = DVTFAKE::cFirstOpener;
    HIF hif = 0;
    if (!TvxOpen(&hif, argv[1]))
        return 3;
    const char *szDev = strchr(argv[1], ':') + 1;
    std::string szTmp = std::string(argv[2]) + ".tmp";
    FILE *pfile = fopen(szTmp.c_str(), "w");
    if (pfile == nullptr)
        return 4;
    fprintf(pfile, "%d %d", vzproc.pdvtopn->CdvtoFindDev(dtpFake, szDev), DVTFAKE::cFirstOpener - cFirst);
    fclose(pfile);
    if (rename(szTmp.c_str(), argv[2]) != 0)
        return 5;
    for (int i = 0; i < 6000 && !std::filesystem::exists(argv[3]); i++)
        KorSleepMs(5);
    int fClosed = TvxClose(hif);
    VzTestStop();
    return fClosed ? 0 : 6;
}

/*
 * argv[1]: connection string, argv[2]: report file. Opens the device,
 * starts a transaction that the device never answers, writes "inside" to
 * the report file once the transaction runs at the device, and waits to be
 * killed.
 */
KOR_CHILD_ROLE(hanger)
{
    if (argc < 3 || PmagfakeStart(nullptr) == nullptr)
        return 2;
    FAKEBUSY *pbusy = PfakebusyMap();
    HIF hif = 0;
    DVT *pdvt = nullptr;
    if (pbusy == nullptr || !TvxOpen(&hif, argv[1]) || !TvxGetDvt(hif, &pdvt))
        return 3;
    TFP tfp;
    memset(&tfp, 0, sizeof(tfp));
    SetCmd(&tfp, aptLoop, cmdHang, {});
    if (!pdvt->FProcessTransaction(&tfp, 1))
        return 4;
    const int idev = atoi(strchr(argv[1], ':') + 4);
    while (__atomic_load_n(&pbusy->rgcInside[idev], __ATOMIC_SEQ_CST) == 0)
        KorSleepMs(1);
    std::string szTmp = std::string(argv[2]) + ".tmp";
    FILE *pfile = fopen(szTmp.c_str(), "w");
    if (pfile == nullptr)
        return 5;
    fputs("inside", pfile);
    fclose(pfile);
    if (rename(szTmp.c_str(), argv[2]) != 0)
        return 6;
    for (;;)
        KorSleepMs(1000);
}

namespace {

/* Child's report once it can be read (under wine a file just renamed into
 * place can read empty for a moment); "ended with N" when the child ended
 * without one. */
std::string SzAwaitReport(KorChild &child, const std::string &szReport)
{
    for (int i = 0; i < 12000; i++) {
        std::string sz = std::filesystem::exists(szReport) ? SzReadFile(szReport) : std::string();
        if (!sz.empty())
            return sz;
        int code = -1;
        if (child.Wait(0, &code))
            return "ended with " + std::to_string(code);
        KorSleepMs(5);
    }
    return std::string();
}

/* Lets a holder go: creates its release file. */
bool FRelease(const std::string &szRelease)
{
    FILE *pfile = fopen(szRelease.c_str(), "w");
    return pfile != nullptr && fclose(pfile) == 0;
}

class DvtopnProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string szNs = "vzt-proc-" + std::to_string(pabsutil->GetIdProcess());
        KorSetEnv("YORL_NAMESPACE", szNs.c_str());
        ASSERT_NE(nullptr, PmagfakeStart(nullptr));
    }
    void TearDown() override { VzTestStop(); }
};

TEST_F(DvtopnProcess, TwoProcessesNeverInterleave)
{
    FAKEBUSY *pbusy = PfakebusyMap();
    ASSERT_NE(nullptr, pbusy);
    KorChild child1, child2;
    ASSERT_TRUE(child1.Start("client", {"FAKE:dev3"}));
    ASSERT_TRUE(child2.Start("client", {"FAKE:dev3"}));
    /* This process uses the same device meanwhile. */
    EXPECT_EQ(50, CtransRun("FAKE:dev3", 50));
    int code1 = -1, code2 = -1;
    ASSERT_TRUE(child1.Wait(60000, &code1));
    ASSERT_TRUE(child2.Wait(60000, &code2));
    EXPECT_EQ(0, code1);
    EXPECT_EQ(0, code2);
    EXPECT_EQ(2 * cTransPerChild + 50, pbusy->rgcTrans[3]);
    EXPECT_EQ(0, pbusy->rgcOverlap[3]);
    EXPECT_EQ(-1, vzproc.pdvtopn->IdvtoFindDev(dtpFake, "dev3"));
}

/* While two processes hold the device both see the count 2; only the first
 * opener connects as such; each close takes one off. */
TEST_F(DvtopnProcess, OpensCountAcrossProcesses)
{
    std::string szReport = SzTempFile("holder.report"), szRelease = SzTempFile("holder.release");
    HIF hif = 0;
    int cFirst = DVTFAKE::cFirstOpener;
    ASSERT_TRUE(TvxOpen(&hif, "FAKE:dev4"));
    EXPECT_EQ(cFirst + 1, DVTFAKE::cFirstOpener.load()) << "this process opened first";
    EXPECT_EQ(1, vzproc.pdvtopn->CdvtoFindDev(dtpFake, "dev4"));
    KorChild child;
    ASSERT_TRUE(child.Start("holder", {"FAKE:dev4", szReport, szRelease}));
    EXPECT_EQ("2 0", SzAwaitReport(child, szReport)) << "the child's count and first-opener flag";
    EXPECT_EQ(2, vzproc.pdvtopn->CdvtoFindDev(dtpFake, "dev4"));
    ASSERT_TRUE(FRelease(szRelease));
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(1, vzproc.pdvtopn->CdvtoFindDev(dtpFake, "dev4"));
    EXPECT_EQ(cFirst + 1, DVTFAKE::cFirstOpener.load());
    EXPECT_TRUE(TvxClose(hif));
    EXPECT_FALSE(vzproc.pdvtopn->FIsOpen(dtpFake, "dev4"));
    /* Opened again, this process is the first opener again. */
    ASSERT_TRUE(TvxOpen(&hif, "FAKE:dev4"));
    EXPECT_EQ(cFirst + 2, DVTFAKE::cFirstOpener.load());
    EXPECT_TRUE(TvxClose(hif));
    remove(szReport.c_str());
    remove(szRelease.c_str());
}

TEST_F(DvtopnProcess, DeviceMutexFailureReports3080)
{
    /* In the child: FConnect locks the device once; the second device lock
     * is the transaction thread's. */
    KorSetEnv("YORL_FAULT", "ABSNMTX2.Lock=2");
    KorChild child;
    bool fStarted = child.Start("mutexfault");
    KorSetEnv("YORL_FAULT", nullptr);
    ASSERT_TRUE(fStarted);
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    EXPECT_EQ(0, code);
}

/* Starts a hanger on szConn and kills it while its transaction is at the
 * device, holding the device mutex. */
void KillHangerInside(const char *szConn, const std::string &szReport)
{
    remove(szReport.c_str());
    KorChild child;
    ASSERT_TRUE(child.Start("hanger", {szConn, szReport}));
    ASSERT_EQ("inside", SzAwaitReport(child, szReport));
    ASSERT_TRUE(child.Kill());
    remove(szReport.c_str());
}

/* This process keeps the device open throughout, so nobody after a killed
 * process is the device's first opener by the count: the abandoned device
 * mutex alone tells the next taker to reset the device, be it another
 * process connecting or this process's next transaction. */
TEST_F(DvtopnProcess, KilledInsideATransactionTheNextTakerResetsTheDevice)
{
    FAKEBUSY *pbusy = PfakebusyMap();
    ASSERT_NE(nullptr, pbusy);
    std::string szReport = SzTempFile("hanger.report"), szHolder = SzTempFile("holder.report"),
                szRelease = SzTempFile("holder.release");
    HIF hif = 0;
    DVT *pdvt = nullptr;
    ASSERT_TRUE(TvxOpen(&hif, "FAKE:dev9"));
    ASSERT_TRUE(TvxGetDvt(hif, &pdvt));

    /* The next taker is a process that connects. */
    ASSERT_NO_FATAL_FAILURE(KillHangerInside("FAKE:dev9", szReport));
    __atomic_store_n(&pbusy->rgcInside[9], 0, __ATOMIC_SEQ_CST);
    KorChild holder;
    ASSERT_TRUE(holder.Start("holder", {"FAKE:dev9", szHolder, szRelease}));
    EXPECT_EQ("2 1", SzAwaitReport(holder, szHolder)) << "the connecting process's count and reset";
    ASSERT_TRUE(FRelease(szRelease));
    int code = -1;
    ASSERT_TRUE(holder.Wait(60000, &code));
    EXPECT_EQ(0, code);

    /* The next taker is this process's next transaction; the reset happens
     * once, and the transaction itself runs. */
    ASSERT_NO_FATAL_FAILURE(KillHangerInside("FAKE:dev9", szReport));
    __atomic_store_n(&pbusy->rgcInside[9], 0, __ATOMIC_SEQ_CST);
    int cFirst = DVTFAKE::cFirstOpener;
    for (uint8_t b = 1; b <= 2; b++) {
        TFP tfp;
        memset(&tfp, 0, sizeof(tfp));
        uint8_t bBack = 0;
        SetCmd(&tfp, aptLoop, cmdEcho, {b});
        tfp.rplyCmd.crply = 1;
        tfp.rplyCmd.rgrply[0] = {1, &bBack};
        EXPECT_TRUE(pdvt->FProcessTransaction(&tfp, 0)) << TvxGetLastError();
        EXPECT_EQ(b, bBack);
    }
    EXPECT_EQ(cFirst + 1, DVTFAKE::cFirstOpener.load());
    EXPECT_EQ(1, vzproc.pdvtopn->CdvtoFindDev(dtpFake, "dev9")) << "the dead are not counted";
    EXPECT_TRUE(TvxClose(hif));
    remove(szRelease.c_str());
}

} // namespace
