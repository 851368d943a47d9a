/*
 * dvt_test.cpp - the transaction engine and the public functions around it,
 * driven through a fake manager and a fake transport.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <atomic>
#include <thread>
#include <vector>

#include "dvtmg.h"
#include "dvtopn.h"
#include "vzcore.h"
#include "vzfake.h"
#include "yorl.h"

namespace {

class Dvt : public ::testing::Test {
protected:
    MAGFAKE *pmag = nullptr;
    HIF hif = 0;
    DVT *pdvt = nullptr;

    void SetUp() override
    {
        pmag = PmagfakeStart("dvt");
        ASSERT_NE(nullptr, pmag);
        hif = HifOpen("FAKE:dev0", &pdvt);
        ASSERT_NE(0u, hif);
        /* The open asked the managers before the fake one, which may have
         * recorded their own refusal of the text. */
        TvxSetLastErrorNoLog(0);
    }
    void TearDown() override
    {
        VzTestStop();
        EXPECT_EQ(0, DVTFAKE::cLive.load());
        TvxSetFsadm(fsadmDcapPub);
        TvxClrFsadm(fsadmDcapPriv);
    }
    static HIF HifOpen(const char *sz, DVT **ppdvt)
    {
        HIF hifNew = 0;
        if (!TvxOpen(&hifNew, sz) || !TvxGetDvt(hifNew, ppdvt))
            return 0;
        return hifNew;
    }
    static TFP TfpEcho(std::initializer_list<uint8_t> args)
    {
        TFP tfp;
        memset(&tfp, 0, sizeof(tfp));
        SetCmd(&tfp, aptLoop, cmdEcho, args);
        return tfp;
    }
    static TFP TfpCmd(uint8_t cmd, std::initializer_list<uint8_t> args = {})
    {
        TFP tfp;
        memset(&tfp, 0, sizeof(tfp));
        SetCmd(&tfp, aptLoop, cmd, args);
        return tfp;
    }
    /* Poll the result with short waits, as a client that may cancel does. */
    static int FPollResult(HIF hifPoll, uint32_t *pcbOut = nullptr, uint32_t *pcbIn = nullptr)
    {
        for (int i = 0; i < 2000; i++) {
            if (TvxGetTransResult(hifPoll, pcbOut, pcbIn, 25))
                return 1;
            if (TvxGetLastError() != ercTransferPending)
                return 0;
        }
        return 0;
    }
    int CrefApt(const char *szPath)
    {
        int idvto = vzproc.pdvtopn->IdvtoFindDev(dtpFake, szPath);
        return idvto < 0 ? -100 : vzproc.pdvtopn->CrefDevApt(idvto);
    }
};

TEST_F(Dvt, CommandWithReturnBytes)
{
    uint8_t rgb[3] = {};
    TFP tfp = TfpEcho({0x11, 0x22, 0x33});
    tfp.rplyCmd.crply = 2;
    tfp.rplyCmd.rgrply[0] = {1, &rgb[0]};
    tfp.rplyCmd.rgrply[1] = {2, &rgb[1]};
    ASSERT_TRUE(pdvt->FProcessTransaction(&tfp, 0));
    EXPECT_EQ(0x11, rgb[0]);
    EXPECT_EQ(0x22, rgb[1]);
    EXPECT_EQ(0x33, rgb[2]);
    EXPECT_EQ(0, TvxGetLastError());
}

TEST_F(Dvt, DataPhaseBothDirectionsWithCompletion)
{
    std::vector<uint8_t> vbSnd(1000), vbRcv(700, 0);
    uint32_t sum = 0;
    for (size_t ib = 0; ib < vbSnd.size(); ib++)
        sum += vbSnd[ib] = (uint8_t)(ib * 7);
    uint8_t bSum = 0;
    TFP tfp = TfpCmd(cmdXfer, {0x40});
    tfp.cbSnd = (uint32_t)vbSnd.size();
    tfp.pbSnd = vbSnd.data();
    tfp.cbRcv = (uint32_t)vbRcv.size();
    tfp.pbRcv = vbRcv.data();
    const uint8_t rgbDone[] = {3, aptLoop, cmdXferDone, 0};
    memcpy(tfp.rgbCmdDone, rgbDone, sizeof(rgbDone));
    tfp.rplyCmdDone.crply = 1;
    tfp.rplyCmdDone.rgrply[0] = {1, &bSum};
    ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    uint32_t cbOut = 0, cbIn = 0;
    ASSERT_TRUE(TvxGetTransResult(hif, &cbOut, &cbIn, tmsInfinite));
    EXPECT_EQ(1000u, cbOut);
    EXPECT_EQ(700u, cbIn);
    EXPECT_EQ((uint8_t)sum, bSum);
    for (size_t ib = 0; ib < vbRcv.size(); ib++)
        ASSERT_EQ((uint8_t)(0x40 + ib), vbRcv[ib]) << ib;
    EXPECT_EQ(1000u, pdvt->GetCbDataOut());
}

TEST_F(Dvt, DeviceStatusCodes)
{
    const int rgcase[][2] = {{1, 1}, {5, 5}, {12, 12}, {13, 13}, {20, 20}, {47, 47}, {48, 3080}, {63, 3080}};
    for (const auto &c : rgcase) {
        TFP tfp = TfpCmd(cmdFail, {(uint8_t)c[0]});
        EXPECT_FALSE(pdvt->FProcessTransaction(&tfp, 0)) << c[0];
        EXPECT_EQ(c[1], TvxGetLastError()) << c[0];
        TvxSetLastErrorNoLog(0);
        EXPECT_FALSE(TvxGetTransResult(hif, nullptr, nullptr, 0)) << c[0];
        EXPECT_EQ(c[1], TvxGetLastError()) << "reported again " << c[0];
    }
    TFP tfp = TfpEcho({});
    EXPECT_TRUE(pdvt->FProcessTransaction(&tfp, 0));
}

TEST_F(Dvt, MalformedStatusThroughTransport)
{
    TFP tfp = TfpCmd(cmdRaw, {0x05, 0xC0, 0x10, 0x00, 0x00, 0x00});
    EXPECT_FALSE(pdvt->FProcessTransaction(&tfp, 0));
    EXPECT_EQ(ercStsReceiveFailed, TvxGetLastError());
}

TEST_F(Dvt, PendingTransactionRules)
{
    TFP tfp = TfpCmd(cmdHang);
    ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    TFP tfp2 = TfpEcho({1});
    EXPECT_FALSE(pdvt->FDoTrans(&tfp2));
    EXPECT_EQ(ercTransferPending, TvxGetLastError());
    EXPECT_FALSE(pdvt->FGetTransResult(nullptr, nullptr, 0));
    EXPECT_EQ(ercTransferPending, TvxGetLastError());
    EXPECT_FALSE(pdvt->FEnableApt(1, aptLoop, 0));
    EXPECT_EQ(ercTransferPending, TvxGetLastError());
    EXPECT_FALSE(pdvt->FDisableApt(1, aptLoop, 0));
    EXPECT_EQ(ercTransferPending, TvxGetLastError());
    ASSERT_TRUE(pdvt->FCancelTrans());
    EXPECT_FALSE(pdvt->FGetTransResult(nullptr, nullptr, 5000));
    EXPECT_EQ(ercTransferCancelled, TvxGetLastError());
    uint8_t b = 0;
    TFP tfpSlow = TfpCmd(cmdSlow, {5, 0x5A});
    tfpSlow.rplyCmd.crply = 1;
    tfpSlow.rplyCmd.rgrply[0] = {1, &b};
    EXPECT_TRUE(pdvt->FDoTrans(&tfpSlow));
    EXPECT_TRUE(pdvt->FGetTransResult(nullptr, nullptr, tmsInfinite));
    EXPECT_EQ(0x5A, b);
}

TEST_F(Dvt, TimeoutCancelsAndNewTimeoutApplies)
{
    EXPECT_EQ(30000u, pdvt->GetTimeout());
    ASSERT_TRUE(TvxSetTransTimeout(hif, 30));
    uint32_t tms = 0;
    ASSERT_TRUE(TvxGetTransTimeout(hif, &tms));
    EXPECT_EQ(30u, tms);
    TFP tfp = TfpCmd(cmdHang);
    ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    EXPECT_FALSE(pdvt->FGetTransResult(nullptr, nullptr, tmsInfinite));
    EXPECT_EQ(ercTransferCancelled, TvxGetLastError());
    EXPECT_TRUE(static_cast<DVTFAKE *>(pdvt)->FCancelSent());
    pdvt->SetTimeout(5000);
    TFP tfpSlow = TfpCmd(cmdSlow, {60, 1});
    EXPECT_TRUE(pdvt->FProcessTransaction(&tfpSlow, 0));
}

TEST_F(Dvt, CancelFromAnotherThread)
{
    TFP tfp = TfpCmd(cmdHang);
    ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    std::thread thd([this] {
        pabsutil->SleepMs(30);
        EXPECT_TRUE(TvxCancelTrans(hif));
    });
    EXPECT_FALSE(FPollResult(hif));
    EXPECT_EQ(ercTransferCancelled, TvxGetLastError());
    thd.join();
}

TEST_F(Dvt, CancelWhileIdleHasNoEffect)
{
    ASSERT_TRUE(pdvt->FCancelTrans());
    ASSERT_TRUE(pdvt->FCancelTrans());
    TFP tfp = TfpCmd(cmdSlow, {30, 7});
    EXPECT_TRUE(pdvt->FProcessTransaction(&tfp, 0));
}

TEST_F(Dvt, TimeoutDuringDataPhaseReportsShortfall)
{
    std::vector<uint8_t> vbRcv(8u << 20);
    uint8_t bSum = 0xFF;
    TFP tfp = TfpCmd(cmdXfer, {0});
    tfp.cbRcv = (uint32_t)vbRcv.size();
    tfp.pbRcv = vbRcv.data();
    const uint8_t rgbDone[] = {3, aptLoop, cmdXferDone, 0};
    memcpy(tfp.rgbCmdDone, rgbDone, sizeof(rgbDone));
    tfp.rplyCmdDone.crply = 1;
    tfp.rplyCmdDone.rgrply[0] = {1, &bSum};
    pdvt->SetTimeout(5);
    ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    uint32_t cbOut = 1, cbIn = 0;
    EXPECT_FALSE(pdvt->FGetTransResult(&cbOut, &cbIn, tmsInfinite));
    EXPECT_EQ(ercDataRcvLess, TvxGetLastError());
    EXPECT_EQ(0u, cbOut);
    EXPECT_LT(cbIn, vbRcv.size());
    EXPECT_EQ(0, bSum) << "the completion phase ran after the short data phase";
}

std::atomic<DVT *> pdvtSeen;
std::atomic<int> cCalls;

int VZCALL TransDoneCount(DVT *pdvt)
{
    pdvtSeen = pdvt;
    cCalls++;
    return 0;
}

TEST_F(Dvt, CompletionCallbackOnCollect)
{
    pdvtSeen = nullptr;
    cCalls = 0;
    TFP tfp = TfpEcho({});
    tfp.pfnTransDone = TransDoneCount;
    ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    EXPECT_TRUE(pdvt->FGetTransResult(nullptr, nullptr, tmsInfinite));
    EXPECT_TRUE(pdvt->FGetTransResult(nullptr, nullptr, 0));
    EXPECT_EQ(pdvt, pdvtSeen.load());
    EXPECT_EQ(1, cCalls.load());
}

TEST_F(Dvt, EmbeddedRecordAndNoPhases)
{
    TFP *ptfp = pdvt->GetPtfp();
    memset(ptfp, 0, sizeof(*ptfp));
    EXPECT_TRUE(pdvt->FProcessTransaction(nullptr, 0));
    uint8_t b = 0;
    SetCmd(ptfp, aptLoop, cmdEcho, {9});
    ptfp->rplyCmd.crply = 1;
    ptfp->rplyCmd.rgrply[0] = {1, &b};
    EXPECT_TRUE(pdvt->FProcessTransaction(nullptr, 0));
    EXPECT_EQ(9, b);
    ptfp->cbRcv = 4;
    EXPECT_FALSE(pdvt->FDoTrans(nullptr));
    EXPECT_EQ(ercInvalidTFP, TvxGetLastError());
}

TEST_F(Dvt, ChannelSecurity)
{
    int fSecure = 7;
    EXPECT_TRUE(TvxIsDataChannelSecure(hif, &fSecure, 0));
    EXPECT_EQ(0, fSecure);
    EXPECT_FALSE(pdvt->FIsControlChannelSecure(nullptr, 0));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
    EXPECT_FALSE(TvxIsControlChannelSecure(0, &fSecure, 0));
    EXPECT_EQ(ercInvalidHif, TvxGetLastError());
    /* A pending transaction is collected without reporting its error. */
    TFP tfp = TfpCmd(cmdFail, {5});
    ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    TvxSetLastErrorNoLog(0);
    EXPECT_TRUE(pdvt->FIsControlChannelSecure(&fSecure, tmsInfinite));
    EXPECT_EQ(0, TvxGetLastError());
    EXPECT_FALSE(pdvt->FGetTransResult(nullptr, nullptr, 0));
    EXPECT_EQ(5, TvxGetLastError());
}

TEST_F(Dvt, DisconnectedObjectRefuses)
{
    DVTFAKE dvt;
    ASSERT_TRUE(dvt.FInit());
    TFP tfp = TfpEcho({});
    EXPECT_FALSE(dvt.FDoTrans(&tfp));
    EXPECT_EQ(ercDeviceNotConnected, TvxGetLastError());
    dvt.Term();
}

TEST_F(Dvt, EnablePortRules)
{
    ASSERT_TRUE(pdvt->FEnableApt(0x1, aptLoop, 3));
    EXPECT_EQ(aptLoop, pdvt->AptActive());
    EXPECT_EQ(3, pdvt->PrtActive());
    EXPECT_EQ(1, CrefApt("dev0"));
    EXPECT_FALSE(pdvt->FEnableApt(0x1, aptLoop, 3));
    EXPECT_EQ(ercPortConflict, TvxGetLastError());
    TvxSetLastErrorNoLog(0);
    EXPECT_TRUE(pdvt->FEnableApt(0x1, aptLoop, prtNone));
    EXPECT_EQ(0, TvxGetLastError());
    EXPECT_EQ(2, CrefApt("dev0"));
    EXPECT_TRUE(pdvt->FDisableApt(0x1, aptLoop, prtNone));
    EXPECT_EQ(3, pdvt->PrtActive());
    EXPECT_TRUE(pdvt->FDisableApt(0x1, aptLoop, 3));
    EXPECT_EQ(aptNone, pdvt->AptActive());
    EXPECT_EQ(prtNone, pdvt->PrtActive());
    EXPECT_EQ(0, CrefApt("dev0"));
}

TEST_F(Dvt, UnbalancedDisableKeepsOtherHandlesLock)
{
    DVT *pdvt2 = nullptr;
    HIF hif2 = HifOpen("FAKE:dev0", &pdvt2);
    ASSERT_NE(0u, hif2);
    ASSERT_TRUE(pdvt->FEnableApt(0x1, aptLoop, 0));
    EXPECT_TRUE(pdvt2->FDisableApt(0x1, aptLoop, 0));
    EXPECT_TRUE(pdvt2->FDisableApt(0x800, 11, prtNone));
    EXPECT_EQ(1, CrefApt("dev0"));
    EXPECT_TRUE(pdvt->FDisableApt(0x1, aptLoop, 0));
    EXPECT_TRUE(pdvt->FDisableApt(0x1, aptLoop, 0));
    EXPECT_EQ(0, CrefApt("dev0"));
    EXPECT_TRUE(TvxClose(hif2));
}

TEST_F(Dvt, CapabilitySwitchRefusedWhileLocked)
{
    DVT *pdvt2 = nullptr;
    HIF hif2 = HifOpen("FAKE:dev0", &pdvt2);
    ASSERT_NE(0u, hif2);
    int cEnable = pmag->cEnable;
    ASSERT_TRUE(pdvt->FEnableApt(0x1, aptLoop, 0));   /* switch: reads the words */
    EXPECT_EQ(cEnable + 1, pmag->cEnable.load());
    EXPECT_TRUE(pdvt2->FEnableApt(0x1, aptLoop, prtNone));   /* in the mask: no switch */
    EXPECT_EQ(cEnable + 1, pmag->cEnable.load());
    EXPECT_TRUE(pdvt2->FDisableApt(0x1, aptLoop, prtNone));
    EXPECT_FALSE(pdvt2->FEnableApt(0x800, 11, 0));    /* private word not admitted */
    EXPECT_EQ(ercCapabilityConflict, TvxGetLastError());
    ASSERT_TRUE(pdvt->FDisableApt(0x1, aptLoop, 0));
    EXPECT_TRUE(pdvt2->FEnableApt(0x800, 11, 0));
    EXPECT_EQ(cEnable + 2, pmag->cEnable.load());
    /* The manager's close gives the lock back with the bit it was enabled with. */
    EXPECT_TRUE(TvxClose(hif2));
    EXPECT_EQ(0, CrefApt("dev0"));
}

TEST_F(Dvt, PortPropertiesFollowFsadm)
{
    int32_t cprt = 0, cprp = 0;
    uint32_t rgprp[15] = {}, dprp = 0;
    ASSERT_TRUE(pdvt->FGetRgdprp(0x1, aptLoop, 3, &cprp, rgprp));
    EXPECT_EQ(3, cprp);
    EXPECT_EQ(0x80000005u, rgprp[1]);
    ASSERT_TRUE(pdvt->FGetPortCount(0x1, aptLoop, &cprt));
    EXPECT_EQ(2, cprt);
    struct PRPCASE {
        int32_t iprt;
        bool fOk;
        uint32_t dprp;
    };
    for (const PRPCASE &c : {PRPCASE{0, true, 3}, PRPCASE{1, false, 0}, PRPCASE{2, true, 7}, PRPCASE{-1, false, 0},
                             PRPCASE{3, false, 0}}) {
        EXPECT_EQ(c.fOk, pdvt->FGetPortProp(0x1, aptLoop, c.iprt, &dprp) != 0) << c.iprt;
        if (c.fOk)
            EXPECT_EQ(c.dprp, dprp);
        else
            EXPECT_EQ(ercInvalidPort, TvxGetLastError());
    }
    TvxSetFsadm(fsadmDcapPriv);
    ASSERT_TRUE(pdvt->FGetPortCount(0x1, aptLoop, &cprt));
    EXPECT_EQ(3, cprt);
    EXPECT_TRUE(pdvt->FGetPortProp(0x1, aptLoop, 1, &dprp));
    EXPECT_EQ(0x80000005u, dprp);
    EXPECT_EQ(0, CrefApt("dev0"));
    EXPECT_FALSE(pdvt->FGetRgdprp(0x1, aptLoop, 16, &cprp, rgprp));
    EXPECT_EQ(ercStsReceiveFailed, TvxGetLastError());
}

/* A protocol that reports more ports than one status packet can describe:
 * the queries of its properties fail as a status that cannot be received
 * (3077), not as a caller's mistake; 15 ports still work. */
TEST_F(Dvt, MoreThanFifteenPortsFailTheQueries)
{
    struct CASE {
        int cprp;
        int erc;   /* 0: the queries succeed */
    } rgcase[] = {{15, 0}, {16, ercStsReceiveFailed}, {255, ercStsReceiveFailed}};
    int cprpSave = DVTFAKE::cprpPorts;
    for (const CASE &c : rgcase) {
        DVTFAKE::cprpPorts = c.cprp;
        int32_t cprt = -1;
        uint32_t dprp = 0;
        TvxSetLastErrorNoLog(0);
        EXPECT_EQ(c.erc == 0, pdvt->FGetPortCount(0x1, aptLoop, &cprt) != 0) << c.cprp;
        EXPECT_EQ(c.erc, TvxGetLastError()) << c.cprp;
        TvxSetLastErrorNoLog(0);
        EXPECT_EQ(c.erc == 0, pdvt->FGetPortProp(0x1, aptLoop, 0, &dprp) != 0) << c.cprp;
        EXPECT_EQ(c.erc, TvxGetLastError()) << c.cprp;
        EXPECT_EQ(0, CrefApt("dev0")) << c.cprp;
    }
    DVTFAKE::cprpPorts = cprpSave;
}

TEST_F(Dvt, PublicFunctionsOnHandles)
{
    HIF hifBad = 0;
    EXPECT_FALSE(TvxOpen(&hifBad, "nobody"));
    EXPECT_EQ(ercConnectionFailed, TvxGetLastError());
    EXPECT_FALSE(TvxOpen(nullptr, "FAKE:dev0"));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
    EXPECT_FALSE(TvxClose(0));
    EXPECT_EQ(ercInvalidHif, TvxGetLastError());
    EXPECT_FALSE(TvxGetDvt(hif, nullptr));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
    EXPECT_FALSE(TvxGetTransTimeout(hif, nullptr));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
    DVT *pdvtNone = pdvt;
    EXPECT_FALSE(TvxGetDvt(33, &pdvtNone));
    EXPECT_EQ(nullptr, pdvtNone);
    EXPECT_EQ(ercInvalidHif, TvxGetLastError());

    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    strcpy(dvc.szName, "keep");
    ASSERT_TRUE(TvxGetDvcFromHif(hif, &dvc));
    EXPECT_STREQ("FAKE:dev0", dvc.szConn);
    EXPECT_STREQ("keep", dvc.szName);
    EXPECT_EQ((uint32_t)dtpFake, dvc.dtp);
    char szConn[cchConnMax];
    EXPECT_TRUE(pdvt->FGetSzConnect(szConn));
    EXPECT_STREQ("dev0", szConn);
    EXPECT_EQ((uint32_t)dtpFake, pdvt->GetDtp());
    pdvt->SetDwDscn(77);
    EXPECT_EQ(77u, pdvt->DwDscn());
}

TEST_F(Dvt, TransportWordsAndDeviceRecords)
{
    char sz[8];
    EXPECT_TRUE(TvxGetDtpString(0x10002, sz));
    EXPECT_STREQ("NET", sz);
    EXPECT_TRUE(TvxGetDtpString(0x10000, sz));
    EXPECT_STREQ("", sz);
    EXPECT_FALSE(TvxGetDtpString(16, sz));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
    EXPECT_EQ(2, TvxGetDtpCount());
    uint32_t dtp = 0;
    EXPECT_TRUE(TvxGetDtpFromIndex(1, &dtp));
    EXPECT_EQ(2u, dtp);
    TvxSetLastErrorNoLog(0);
    EXPECT_FALSE(TvxGetDtpFromIndex(2, &dtp));
    EXPECT_EQ(0, TvxGetLastError());

    DVC dvc;
    memset(&dvc, 0, sizeof(dvc));
    strcpy(dvc.szConn, "FAKE:dev0");
    dvc.dtp = dtpFake;
    uint32_t rgdcap[2] = {};
    EXPECT_FALSE(TvxGetInfo(&dvc, dinfoDcapDev, rgdcap));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
    EXPECT_TRUE(TvxGetSysInfo(&dvc, dinfoDcapDev, rgdcap));
    EXPECT_EQ(0x800u, rgdcap[1]);
    dvc.dtp = tptFake;  /* transport only: the manager that knows the text */
    EXPECT_TRUE(TvxGetSysInfo(&dvc, dinfoDcapDev, rgdcap));
    TvxSetLastErrorNoLog(0);
    dvc.dtp = 0x30100;  /* no such protocol: fails without an error of its own */
    EXPECT_FALSE(TvxSetSysInfo(&dvc, 1, nullptr));
    EXPECT_EQ(0, TvxGetLastError());
    EXPECT_FALSE(TvxAddAccount(nullptr, "a", "b", 0));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
}

TEST_F(Dvt, OpenExMasks)
{
    HIF hifEx = 0;
    ASSERT_TRUE(TvxOpenEx(&hifEx, "FAKE:dev1", 0, 0));
    EXPECT_EQ(0, pmag->fTblLast);
    EXPECT_EQ(0, pmag->fDiscLast);
    EXPECT_TRUE(TvxClose(hifEx));
    ASSERT_TRUE(TvxOpenEx(&hifEx, "FAKE:dev1", 0, 0x10100));
    EXPECT_EQ(0, pmag->fTblLast);
    EXPECT_EQ(1, pmag->fDiscLast);
    EXPECT_TRUE(TvxClose(hifEx));
    int cCalls = pmag->cOpenCalls;
    EXPECT_FALSE(TvxOpenEx(&hifEx, "dev1", 0x20100, 0));   /* protocol 2 not registered */
    EXPECT_EQ(cCalls, pmag->cOpenCalls.load());
    EXPECT_EQ(ercConnectionFailed, TvxGetLastError());
}

TEST_F(Dvt, HandleTableFull)
{
    std::vector<HIF> vhif;
    for (int i = 1; i < 64; i++) {
        HIF hifNew = 0;
        ASSERT_TRUE(TvxOpen(&hifNew, ("FAKE:dev" + std::to_string(i % 4)).c_str())) << i;
        vhif.push_back(hifNew);
    }
    HIF hifMore = 0;
    EXPECT_FALSE(TvxOpen(&hifMore, "FAKE:dev1"));
    EXPECT_EQ(ercConnectionFailed, TvxGetLastError());
    ASSERT_TRUE(TvxClose(vhif[20]));
    ASSERT_TRUE(TvxOpen(&hifMore, "FAKE:dev1"));
    EXPECT_EQ(vhif[20], hifMore);
    TFP tfp = TfpEcho({1});
    DVT *pdvtLast = nullptr;
    ASSERT_TRUE(TvxGetDvt(vhif[62], &pdvtLast));
    EXPECT_TRUE(pdvtLast->FProcessTransaction(&tfp, 0));
}

TEST_F(Dvt, FirstOpenerAndFailedConnect)
{
    int cFirst = DVTFAKE::cFirstOpener;
    DVT *pdvt2 = nullptr;
    HIF hif2 = HifOpen("FAKE:dev0", &pdvt2);
    ASSERT_NE(0u, hif2);
    EXPECT_EQ(cFirst, DVTFAKE::cFirstOpener.load());
    EXPECT_EQ(2, vzproc.pdvtopn->CdvtoFindDev(dtpFake, "dev0"));
    HIF hifFail = 0;
    EXPECT_FALSE(TvxOpen(&hifFail, "FAKE:fail-connect"));
    EXPECT_FALSE(vzproc.pdvtopn->FIsOpen(dtpFake, "fail-connect"));
    EXPECT_TRUE(TvxClose(hif2));
    EXPECT_EQ(1, vzproc.pdvtopn->CdvtoFindDev(dtpFake, "dev0"));
}

TEST_F(Dvt, CloseDuringHungTransaction)
{
    TFP tfp = TfpCmd(cmdHang);
    ASSERT_TRUE(pdvt->FDoTrans(&tfp));
    pabsutil->SleepMs(20);
    EXPECT_TRUE(TvxClose(hif));
    EXPECT_EQ(0, DVTFAKE::cLive.load());
    EXPECT_FALSE(vzproc.pdvtopn->FIsOpen(dtpFake, "dev0"));
}

TEST_F(Dvt, CloseWhileWaitingForBusyDevice)
{
    /* Handle 1 keeps the device busy until its time-out; handle 2's
     * transaction waits for the device mutex. Closing handle 2 abandons that
     * wait: its transaction never reaches the device. */
    DVT *pdvt2 = nullptr;
    HIF hif2 = HifOpen("FAKE:dev0", &pdvt2);
    ASSERT_NE(0u, hif2);
    FAKEBUSY *pbusy = PfakebusyMap();
    ASSERT_NE(nullptr, pbusy);
    int cTrans = pbusy->rgcTrans[0];
    pdvt->SetTimeout(300);
    TFP tfpHang = TfpCmd(cmdHang);
    ASSERT_TRUE(pdvt->FDoTrans(&tfpHang));
    pabsutil->SleepMs(20);
    TFP tfp2 = TfpEcho({1});
    ASSERT_TRUE(pdvt2->FDoTrans(&tfp2));
    EXPECT_TRUE(TvxClose(hif2));
    EXPECT_FALSE(pdvt->FGetTransResult(nullptr, nullptr, tmsInfinite));
    EXPECT_EQ(ercTransferCancelled, TvxGetLastError());
    EXPECT_EQ(cTrans + 1, pbusy->rgcTrans[0]);
    EXPECT_EQ(0, pbusy->rgcOverlap[0]);
}

TEST_F(Dvt, UnloadClosesOpenHandles)
{
    DVT *pdvt2 = nullptr;
    ASSERT_NE(0u, HifOpen("FAKE:dev2", &pdvt2));
    TFP tfp = TfpCmd(cmdHang);
    ASSERT_TRUE(pdvt2->FDoTrans(&tfp));
    VzTestStop();
    EXPECT_EQ(0, DVTFAKE::cLive.load());
    EXPECT_EQ(nullptr, TvxGetPftdevcmg());
    ASSERT_NE(nullptr, PmagfakeStart("dvt"));
}

} // namespace
