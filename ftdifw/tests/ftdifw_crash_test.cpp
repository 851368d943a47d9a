/*
 * ftdifw_crash_test.cpp - a process killed on an FTDI board wedges nobody.
 * Real processes with the shipped runtime and the FTDI firmware library
 * stream through the FIFO or shift through the JTAG port of the simulated
 * FT232H board and are killed in the middle of it, while a live process
 * keeps the same board open (idle) and this process keeps the runtime
 * loaded throughout. The next process opens, enables and transacts at its
 * first try: the chip's channel, which a killed process held exclusively,
 * is free again as a real chip's is once its process is gone (even where
 * the system keeps a killed process's connection open for a while, as
 * wine does), and the open count is the number of live holders. Runs
 * natively and under wine, korsim started by simwine.sh.
 */
#include "fwinstall.h"
#include "fwtrans.h"
#include "kor_child.h"
#include "korsimenv.h"
#include "tvxutil.h"
#include "voziri.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

KORSIM_ENVIRONMENT(KORSIM_CONFIG, "ftdifw", true);

namespace {

const char szSN[] = "SN:210183F60001";
const uint32_t idcodeFpga = 0x01C22093;

/* Opens of the board in all processes as the runtime reports them; -1 when
 * the board is not found. */
int COpenOf(const char *szSNWanted)
{
    int cdvc = 0;
    if (!TvxEnumDevices(&cdvc))
        return -1;
    int cOpen = -1;
    for (int idvc = 0; idvc < cdvc; idvc++) {
        EDVC edvc;
        if (TvxGetEdvc(idvc, &edvc) && strcmp(edvc.szSN, szSNWanted) == 0)
            cOpen = edvc.cOpen;
    }
    TvxFreeDvcEnum();
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

/* Bytes out through the FIFO port and back; 0, the error code, or -2 when
 * the bytes did not come back as sent. */
int ErcStream(HIF hif, uint32_t cb, uint32_t seed)
{
    BYTES rgbOut = RgbPattern(cb, seed), rgbIn(cb);
    TRANS tr;
    BYTES rgbArgs = RgbLe({ cb, cb });
    tr.rgbCmd = { 11, 3, 0 };
    tr.rgbCmd.insert(tr.rgbCmd.end(), rgbArgs.begin(), rgbArgs.end());
    tr.pbSnd = rgbOut.data();
    tr.cbSnd = cb;
    tr.pbRcv = rgbIn.data();
    tr.cbRcv = cb;
    tr.cmdDone = 0x83;
    int erc = ErcRun(hif, tr);
    if (erc != 0)
        return erc;
    return tr.cbOut == cb && tr.cbIn == cb && rgbIn == rgbOut ? 0 : -2;
}

/* Opens the board and enables its FIFO port; 0 or the error code. */
int ErcOpenEnableStream(HIF *phif)
{
    *phif = hifNil;
    if (!TvxOpen(phif, szSN))
        return TvxGetLastError() ? TvxGetLastError() : -1;
    TRANS tr;
    tr.rgbCmd = { 11, 0, 0 };
    return ErcRun(*phif, tr);
}

/* Walks the TAP to Shift-DR from any state and reads the IDCODE; 0, the
 * error code, or -2 for a wrong IDCODE. */
int ErcIdcode(HTVX hjtag)
{
    /* TMS 1 five times (Test-Logic-Reset), then 0 1 0 to Capture-DR, which
     * the read's first clock leaves for Shift-DR: one TMS/TDI pair per
     * clock, TMS in the high bit of each pair. */
    const char szTms[] = "11111010";
    std::vector<uint8_t> rgb((sizeof(szTms) + 3) / 4, 0);
    for (size_t k = 0; szTms[k]; k++)
        if (szTms[k] == '1')
            rgb[k / 4] |= uint8_t(1 << (2 * (k % 4) + 1));
    uint32_t erc = 0;
    if (!TvxPutTmsTdiBits(hjtag, uint32_t(strlen(szTms)), rgb.data(), 0, nullptr, &erc, 0))
        return erc ? int(erc) : -1;
    std::vector<uint8_t> rgbTdo(4);
    if (!TvxGetTdoBits(hjtag, 32, 1, 0, rgbTdo.data(), &erc, 0))
        return erc ? int(erc) : -1;
    uint32_t idcode = rgbTdo[0] | rgbTdo[1] << 8 | rgbTdo[2] << 16 | uint32_t(rgbTdo[3]) << 24;
    return idcode == idcodeFpga ? 0 : -2;
}

/* A long TDI shift with its TDO, the kind a programmer sends; 0 or the
 * error code. */
int ErcLongShift(HTVX hjtag, uint32_t seed)
{
    const uint32_t cbit = 200000;
    BYTES rgbTdi = RgbPattern(cbit / 8, seed), rgbTdo(cbit / 8);
    uint32_t erc = 0;
    if (!TvxPutTdiBits(hjtag, cbit, rgbTdi.data(), 0, 1, rgbTdo.data(), &erc, 0) ||
        !TvxWaitForTransaction(hjtag, 0, &erc))
        return erc ? int(erc) : -1;
    return 0;
}

} // namespace

/*
 * argv[1]: "stream" or "jtag", argv[2]: the report file. Opens the board,
 * enables the port and runs one transaction at its first try, reports "ok"
 * and the board's open count (or "fail", the step and the error), then
 * loops transactions until it is killed.
 */
KOR_CHILD_ROLE(worker)
{
    if (argc < 3)
        return 2;
    bool fJtag = strcmp(argv[1], "jtag") == 0;
    if (fJtag) {
        TvxSetFsadm(fsadmDcapPriv);     /* the library's JTAG capability is a private word */
        HTVX hjtag = nullptr;
        uint32_t erc = 0;
        if (!TvxOpenJtag(&hjtag, szSN, &erc, 0) || !TvxEnableJtag(hjtag, &erc, 0)) {
            WriteWhole(argv[2], "fail open-enable " + std::to_string(erc));
            return 3;
        }
        int ercId = ErcIdcode(hjtag);
        if (ercId != 0) {
            WriteWhole(argv[2], "fail idcode " + std::to_string(ercId));
            return 4;
        }
        WriteWhole(argv[2], "ok " + std::to_string(COpenOf(szSN)));
        for (uint32_t i = 0;; i++)
            if (ErcLongShift(hjtag, i) != 0)
                return 5;
    }
    HIF hif = hifNil;
    int erc = ErcOpenEnableStream(&hif);
    if (erc != 0) {
        WriteWhole(argv[2], "fail open-enable " + std::to_string(erc));
        return 3;
    }
    erc = ErcStream(hif, 64 * 1024, 1);
    if (erc != 0) {
        WriteWhole(argv[2], "fail transaction " + std::to_string(erc));
        return 4;
    }
    WriteWhole(argv[2], "ok " + std::to_string(COpenOf(szSN)));
    for (uint32_t i = 0;; i++)
        if (ErcStream(hif, 256 * 1024, i) != 0)
            return 5;
}

/* argv[1]: the report file. Opens the board without enabling anything,
 * reports "ok" and holds it until it is killed. */
KOR_CHILD_ROLE(idle)
{
    if (argc < 2)
        return 2;
    HIF hif = hifNil;
    if (!TvxOpen(&hif, szSN)) {
        WriteWhole(argv[1], "fail open " + std::to_string(TvxGetLastError()));
        return 3;
    }
    WriteWhole(argv[1], "ok");
    for (;;)
        KorSleepMs(1000);
}

namespace {

class FtdifwCrash : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string szName = std::string("FTDIFW_60_00000000_00000801_0118-") + SzFwWordSize() + ".dll";
        ASSERT_TRUE(FInstallFw(szName, szName));
    }
    void SetUp() override
    {
        ASSERT_TRUE(PkorsimEnv()->fOk) << PkorsimEnv()->szErr;
        szDir = SzKorTestDir("ftdifw-crash");
    }
    /* The report of a child once it has one, or how it ended. */
    std::string SzReport(KorChild *pchild, const std::string &szPath)
    {
        auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::string szLine;
        while (std::chrono::steady_clock::now() < tEnd) {
            std::ifstream f(szPath);
            if (f.good() && std::getline(f, szLine))
                break;
            int code = 0;
            if (pchild->Wait(1, &code))
                return "ended with " + std::to_string(code);
        }
        remove(szPath.c_str());
        return szLine.empty() ? "no report" : szLine;
    }
    /* Starts a worker, lets it report, and kills it inside one of its next
     * transactions; its report. */
    std::string SzKillWorkerMidTransaction(const char *szMode, int iRound)
    {
        std::string szPath = szDir + "report-worker";
        remove(szPath.c_str());
        KorChild child;
        if (!child.Start("worker", { szMode, szPath }))
            return "not started";
        std::string sz = SzReport(&child, szPath);
        KorSleepMs((uint32_t)(iRound * 7 % 11));
        EXPECT_TRUE(child.Kill());
        return sz;
    }
    std::string szDir;
};

/* Streams and JTAG shifts killed one after another beside a live holder of
 * the board: each next process is not the board's first opener, finds the
 * chip's channel free, meets no half-finished phase, counts the live holder
 * and itself; the dead are not counted. */
TEST_F(FtdifwCrash, KilledMidStreamOrJtagBesideALiveHolderNextProcessWorksFirstTime)
{
    KorChild childIdle;
    std::string szIdle = szDir + "report-idle";
    remove(szIdle.c_str());
    ASSERT_TRUE(childIdle.Start("idle", { szIdle }));
    ASSERT_EQ(SzReport(&childIdle, szIdle), "ok");
    ASSERT_EQ(COpenOf(szSN), 1);
    for (int iRound = 0; iRound < 8; iRound++) {
        const char *szMode = iRound % 2 ? "jtag" : "stream";
        EXPECT_EQ(SzKillWorkerMidTransaction(szMode, iRound), "ok 2") << "round " << iRound << " " << szMode;
        EXPECT_EQ(COpenOf(szSN), 1) << "round " << iRound;
    }
    int codeIdle = -1;
    EXPECT_FALSE(childIdle.Wait(0, &codeIdle)) << "the live holder ended with " << codeIdle;
    /* This process, the last user: open, enable and stream at the first try. */
    HIF hif = hifNil;
    ASSERT_EQ(ErcOpenEnableStream(&hif), 0);
    EXPECT_EQ(ErcStream(hif, 64 * 1024, 99), 0);
    EXPECT_EQ(COpenOf(szSN), 2);
    TRANS tr;
    tr.rgbCmd = { 11, 1, 0 };
    EXPECT_EQ(ErcRun(hif, tr), 0);
    EXPECT_TRUE(TvxClose(hif));
    EXPECT_TRUE(childIdle.Kill());
    EXPECT_EQ(COpenOf(szSN), 0);
}

} // namespace
