/*
 * crash_process_test.cpp - no process can wedge another through the shared
 * tables. Real processes with the shipped runtime work on simulated USB
 * boards while this process keeps the runtime loaded throughout (as the
 * desktop program does all day):
 *  - a process killed in the middle of a stream transaction, alone on
 *    its board or beside a live process that keeps the board open: the
 *    next process opens, enables and transacts at its first try; the open
 *    count is the number of live holders;
 *  - a hundred processes killed with a board open, each followed by a
 *    renumeration of its board (a new device path every time): every board
 *    still opens afterwards;
 *  - a process that returns from main with handles open and a port enabled
 *    leaves nothing counted.
 * The next process is not told to wait for anything: whatever a killed
 * process still holds (its device mutex, its counts, its claim of the USB
 * interface, which some systems keep on its connections for a while) must
 * not stop it. Runs natively and under wine, korsim started by simwine.sh.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dvt.h"
#include "kor_child.h"
#include "korsimenv.h"
#include "voziri.h"

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "crash", true);

namespace {

const int cboard = 4;
const char *const rgszBoard[cboard] = {"crash1", "crash2", "crash3", "crash4"};
const char *const rgszSN[cboard] = {"SN:210183000011", "SN:210183000012", "SN:210183000013", "SN:210183000014"};
const uint32_t dinfoOpenCount = 14;
const uint32_t dcapStream = 0x800;
const uint8_t aptStream = 11;

/* One transaction with its command packets and data; 0 or the error code. */
int ErcTrans(HIF hif, std::initializer_list<uint8_t> rgbCmd, std::initializer_list<uint8_t> rgbDone,
             const uint8_t *pbOut = nullptr, uint8_t *pbIn = nullptr, uint32_t cb = 0,
             uint32_t *pcbOut = nullptr, uint32_t *pcbIn = nullptr)
{
    TFP tfp;
    memset(&tfp, 0, sizeof(tfp));
    tfp.rgbCmd[0] = (uint8_t)rgbCmd.size();
    memcpy(tfp.rgbCmd + 1, rgbCmd.begin(), rgbCmd.size());
    tfp.rgbCmdDone[0] = (uint8_t)rgbDone.size();
    if (rgbDone.size())
        memcpy(tfp.rgbCmdDone + 1, rgbDone.begin(), rgbDone.size());
    tfp.cbSnd = pbOut ? cb : 0;
    tfp.pbSnd = const_cast<uint8_t *>(pbOut);
    tfp.cbRcv = pbIn ? cb : 0;
    tfp.pbRcv = pbIn;
    DVT *pdvt = nullptr;
    if (!TvxGetDvt(hif, &pdvt) || !pdvt->FDoTrans(&tfp))
        return TvxGetLastError() ? TvxGetLastError() : -1;
    if (!TvxGetTransResult(hif, pcbOut, pcbIn, 0xFFFFFFFFu))
        return TvxGetLastError() ? TvxGetLastError() : -1;
    return 0;
}

/* Bytes out to the stream port and as many back (the board loops them;
 * a killed writer may have left some of its own in the loop, so only the
 * counts are compared); 0 or the error code, -2 when fewer bytes moved. */
int ErcStreamLoop(HIF hif, uint32_t cb, uint8_t bSeed)
{
    std::vector<uint8_t> rgbOut(cb, bSeed), rgbIn(cb, 0);
    uint32_t cbOut = 0, cbIn = 0;
    int erc = ErcTrans(hif,
                       {aptStream, 3, 0, (uint8_t)cb, (uint8_t)(cb >> 8), (uint8_t)(cb >> 16), (uint8_t)(cb >> 24),
                        (uint8_t)cb, (uint8_t)(cb >> 8), (uint8_t)(cb >> 16), (uint8_t)(cb >> 24)},
                       {aptStream, 0x83, 0}, rgbOut.data(), rgbIn.data(), cb, &cbOut, &cbIn);
    if (erc != 0)
        return erc;
    return cbOut == cb && cbIn == cb ? 0 : -2;
}

/* Opens the board, locks the stream capability and enables the port. */
int ErcOpenEnable(const char *szSN, HIF *phif)
{
    *phif = hifNil;
    if (!TvxOpen(phif, szSN))
        return TvxGetLastError() ? TvxGetLastError() : -1;
    DVT *pdvt = nullptr;
    if (!TvxGetDvt(*phif, &pdvt) || !pdvt->FEnableApt(dcapStream, aptStream, 0))
        return TvxGetLastError() ? TvxGetLastError() : -1;
    return ErcTrans(*phif, {aptStream, 0, 0}, {});
}

/* Opens of the board in all processes as the runtime reports them; -1 when
 * the board is not found. */
int COpenOf(const char *szSN)
{
    int cdvc = 0;
    if (!TvxEnumDevices(&cdvc))
        return -1;
    int cOpen = -1;
    for (int idvc = 0; idvc < cdvc; idvc++) {
        EDVC edvc;
        if (TvxGetEdvc(idvc, &edvc) && strcmp(edvc.szSN, szSN) == 0)
            cOpen = edvc.cOpen;
    }
    TvxFreeDvcEnum();
    return cOpen;
}

} // namespace

/* Opens of the board of an open handle in all processes, as its manager
 * reports them; -1 when it cannot tell. */
int COpenOfHif(HIF hif)
{
    DVC dvc;
    int32_t cOpen = -1;
    if (!TvxGetDvcFromHif(hif, &dvc) || !TvxGetInfo(&dvc, dinfoOpenCount, &cOpen))
        return -1;
    return cOpen;
}

/* Writes sz to szPath whole (a temporary file renamed), so a reader never
 * sees half of it. */
void WriteWhole(const std::string &szPath, const std::string &sz)
{
    std::string szTmp = szPath + ".tmp";
    {
        std::ofstream f(szTmp);
        f << sz << "\n";
    }
    rename(szTmp.c_str(), szPath.c_str());
}

/*
 * argv[1]: serial number, argv[2]: the report file, argv[3] "idle" or none.
 * Opens the board, enables its stream port and runs one transaction at its
 * first try, reports "ok" and the board's open count (or "fail", the step
 * and the error), then loops stream transactions (or with "idle" just holds
 * the board) until it is killed.
 */
KOR_CHILD_ROLE(worker)
{
    if (argc < 3)
        return 2;
    HIF hif = hifNil;
    int erc = ErcOpenEnable(argv[1], &hif);
    if (erc != 0) {
        WriteWhole(argv[2], "fail open-enable " + std::to_string(erc));
        return 3;
    }
    erc = ErcStreamLoop(hif, 4096, 0x5A);
    if (erc != 0) {
        WriteWhole(argv[2], "fail transaction " + std::to_string(erc));
        return 4;
    }
    WriteWhole(argv[2], "ok " + std::to_string(COpenOfHif(hif)));
    while (argc > 3 && strcmp(argv[3], "idle") == 0)
        KorSleepMs(1000);
    for (uint32_t i = 0;; i++) {
        if (ErcStreamLoop(hif, 64 * 1024, (uint8_t)i) != 0)
            return 5;
    }
}

/*
 * argv[1]: serial number; argv[2]: the open count expected while this
 * process has it open. Exit 0 when the first open, enable and transaction
 * all succeed and the count is right; else the step that failed, and its
 * error on stderr.
 */
KOR_CHILD_ROLE(checker)
{
    if (argc < 3)
        return 2;
    HIF hif = hifNil;
    int erc = ErcOpenEnable(argv[1], &hif);
    if (erc != 0) {
        fprintf(stderr, "checker: open or enable: %d\n", erc);
        return 3;
    }
    erc = ErcStreamLoop(hif, 4096, 0x5A);
    if (erc != 0) {
        fprintf(stderr, "checker: transaction: %d\n", erc);
        return 4;
    }
    int cOpen = COpenOfHif(hif);
    if (cOpen != atoi(argv[2])) {
        fprintf(stderr, "checker: open count %d\n", cOpen);
        return 5;
    }
    DVT *pdvt = nullptr;
    if (!TvxGetDvt(hif, &pdvt) || !pdvt->FDisableApt(dcapStream, aptStream, 0) || !TvxClose(hif))
        return 6;
    return 0;
}

/* Opens both boards, enables their stream ports and returns from main with
 * everything open. */
KOR_CHILD_ROLE(leaver)
{
    for (const char *szSN : rgszSN) {
        HIF hif = hifNil;
        if (ErcOpenEnable(szSN, &hif) != 0 || ErcStreamLoop(hif, 1024, 1) != 0)
            return 3;
    }
    return 0;
}

namespace {

class CrashProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr;
        szDir = SzKorTestDir("crash");
    }
    std::string SzReport(int ib) { return szDir + "report-" + std::to_string(ib); }
    /* Starts a worker on board ib. */
    void StartWorker(KorChild *pchild, int ib, const char *szMode = "")
    {
        remove(SzReport(ib).c_str());
        ASSERT_TRUE(pchild->Start("worker", {rgszSN[ib], SzReport(ib), szMode}));
    }
    /* The worker's report once it has one: "ok" and the open count it saw,
     * or why it failed. */
    std::string SzWorkerReport(KorChild *pchild, int ib)
    {
        auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::string szLine;
        while (std::chrono::steady_clock::now() < tEnd) {
            std::ifstream f(SzReport(ib));
            if (f.good() && std::getline(f, szLine))
                break;
            int code = 0;
            if (pchild->Wait(1, &code))
                return "ended with " + std::to_string(code);
        }
        remove(SzReport(ib).c_str());
        return szLine.empty() ? "no report" : szLine;
    }
    /* Starts a worker on board ib and kills it inside a transaction; its
     * report. */
    std::string SzKillWorkerMidTransaction(int ib, int iRound)
    {
        KorChild child;
        StartWorker(&child, ib);
        std::string sz = SzWorkerReport(&child, ib);
        /* Somewhere inside one of its next transactions. */
        KorSleepMs((uint32_t)(iRound * 7 % 11));
        EXPECT_TRUE(child.Kill());
        return sz;
    }
    bool FSim(const std::string &szCmd)
    {
        std::string szErr;
        bool fOk = PkorsimEnv()->simctl.FCmd(szCmd, nullptr, &szErr);
        EXPECT_TRUE(fOk) << szCmd << ": " << szErr;
        return fOk;
    }
    /* Runs the checker on board ib; its exit code. */
    int CodeChecker(int ib, int cOpenExpected)
    {
        KorChild child;
        if (!child.Start("checker", {rgszSN[ib], std::to_string(cOpenExpected)}))
            return -1;
        int code = -1;
        if (!child.Wait(60000, &code))
            return -2;
        return code;
    }
    std::string szDir;
};

/* Every worker is the next process after the one killed before it: it
 * must open, enable and transact at its first try and see itself as the
 * only holder. */
TEST_F(CrashProcess, KilledMidTransactionNextProcessWorksFirstTime)
{
    for (int iRound = 0; iRound < 11; iRound++) {
        EXPECT_EQ(SzKillWorkerMidTransaction(0, iRound), "ok 1") << "round " << iRound;
        EXPECT_EQ(COpenOf(rgszSN[0]), 0) << "round " << iRound;
    }
}

/* The same while a live process keeps the board open (without
 * transacting): each next process is not the board's first opener, yet
 * meets no half-finished phase of the one killed before it; the live
 * holder is counted, the dead ones are not, and the live one still works
 * afterwards. */
TEST_F(CrashProcess, KilledMidTransactionBesideALiveHolderNextProcessWorksFirstTime)
{
    KorChild childLive;
    ASSERT_NO_FATAL_FAILURE(StartWorker(&childLive, 1, "idle"));
    ASSERT_EQ(SzWorkerReport(&childLive, 1), "ok 1");
    for (int iRound = 0; iRound < 10; iRound++) {
        EXPECT_EQ(SzKillWorkerMidTransaction(1, iRound), "ok 2") << "round " << iRound;
        EXPECT_EQ(COpenOf(rgszSN[1]), 1) << "round " << iRound;
    }
    int codeLive = -1;
    EXPECT_FALSE(childLive.Wait(0, &codeLive)) << "the live worker ended with " << codeLive;
    EXPECT_EQ(CodeChecker(1, 2), 0);
    EXPECT_TRUE(childLive.Kill());
    EXPECT_EQ(COpenOf(rgszSN[1]), 0);
    EXPECT_EQ(CodeChecker(1, 1), 0);
}

/* Each round kills a worker on each board and renumerates every board, so
 * every dead process held a device under a path of its own: a table that
 * kept what the dead held would be full after 64 of them. */
TEST_F(CrashProcess, KillsAndRenumerationsLeaveEveryBoardOpenable)
{
    for (const char *szBoard : rgszBoard)
        ASSERT_TRUE(FSim(std::string("FAULT ") + szBoard + " renum delay 1"));
    const int cRound = 100 / cboard;
    for (int iRound = 0; iRound < cRound; iRound++) {
        KorChild rgchild[cboard];
        for (int ib = 0; ib < cboard; ib++)
            ASSERT_NO_FATAL_FAILURE(StartWorker(&rgchild[ib], ib));
        for (int ib = 0; ib < cboard; ib++)
            ASSERT_EQ(SzWorkerReport(&rgchild[ib], ib), "ok 1") << "round " << iRound << " board " << ib;
        for (int ib = 0; ib < cboard; ib++) {
            ASSERT_TRUE(rgchild[ib].Kill());
            ASSERT_TRUE(FSim(std::string("RENUMERATE ") + rgszBoard[ib]));
        }
        for (int ib = 0; ib < cboard; ib++)
            ASSERT_TRUE(FSim(std::string("WAIT ") + rgszBoard[ib] + " present"));
    }
    for (const char *szBoard : rgszBoard)
        FSim(std::string("FAULT ") + szBoard + " clear");
    for (int ib = 0; ib < cboard; ib++) {
        EXPECT_EQ(COpenOf(rgszSN[ib]), 0) << rgszSN[ib];
        EXPECT_EQ(CodeChecker(ib, 1), 0) << rgszSN[ib];
    }
}

TEST_F(CrashProcess, ReturningFromMainWithHandlesOpenLeavesNothingCounted)
{
    KorChild child;
    ASSERT_TRUE(child.Start("leaver"));
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    ASSERT_EQ(code, 0);
    for (int ib = 0; ib < cboard; ib++) {
        EXPECT_EQ(COpenOf(rgszSN[ib]), 0) << rgszSN[ib];
        /* its port locks went too: the next process switches and enables */
        EXPECT_EQ(CodeChecker(ib, 1), 0) << rgszSN[ib];
    }
}

} // namespace
