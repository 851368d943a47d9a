/*
 * startup_test.cpp - start-up of the shipped library, each failing step
 * forced through the abstraction library's fault injection in a process of
 * its own: the step's 3080 message, then 3090 as the last log line, and a
 * library that still answers the functions that work in any state.
 */
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kor_child.h"
#include "voziri.h"
#include "vztestenv.h"

namespace {

struct STEPCASE {
    const char *szFault;          /* YORL_FAULT, or "NOFACTORY" / "NOUTIL" */
    const char *szComponent;      /* message of a component, or NULL */
    const char *szStep;           /* the step's 3080 message, or NULL for 3089 */
};

const STEPCASE rgstep[] = {
    {"NOFACTORY", nullptr, nullptr},
    {"NOUTIL", nullptr, nullptr},
    {"InstABSSHM=1", nullptr, "VOZIRI DllInit failed to obtain shared memory object"},
    {"InstABSSHM=3", nullptr, "VOZIRI DllInit failed to obtain shared memory object"},
    {"InstABSMTX=2", nullptr, "VOZIRI DllInit failed to obtain mutex object"},
    {"InstABSNMTX=1", nullptr, "VOZIRI DllInit failed to obtain named mutex object"},
    {"ABSSHM.Init=1", nullptr, "VOZIRI DllInit failed to create shared memory segment DVTBL"},
    {"ABSSHM.Create=2", nullptr, "VOZIRI DllInit failed to create shared memory segment DVTOPN"},
    {"ABSSHM.Create=3", nullptr, "VOZIRI DllInit failed to create shared memory segment FTDEVCMG"},
    {"ABSMTX.Init=1", nullptr, "VOZIRI DllInit failed to create mutex pmtxEnum"},
    {"ABSMTX.Create=2", nullptr, "VOZIRI DllInit failed to create mutex pmtxEnumStop"},
    {"ABSMTX.Create=3", nullptr, "VOZIRI DllInit failed to create mutex pmtxTimer"},
    {"ABSNMTX.Init=1", nullptr, "VOZIRI DllInit failed to init mutex pnmtxOneTimeInit"},
    {"InstABSMTX=4", "DVTMG::FInit() InstABSMTX failed",
     "VOZIRI DllInit failed to init DVTMG, MAGMG, DTBLMG, ENNMG, FTDMGR"},
    {"ABSMTX.Create=4", "DVTMG::FInit() ABSMTX::Create failed",
     "VOZIRI DllInit failed to init DVTMG, MAGMG, DTBLMG, ENNMG, FTDMGR"},
    {"InstABSNMTX=2", nullptr, "VOZIRI DllInit failed to init DVTBL"},
    {"ABSNMTX.Create=1", nullptr, "VOZIRI DllInit failed to init DVTBL"},
    {"InstABSTHD=1", nullptr, "VOZIRI DllInit failed to init DVTMG, MAGMG, DTBLMG, ENNMG, FTDMGR"},
    {"InstABSNMTX=3", nullptr, "VOZIRI DllInit failed to init DVTOPN"},
    {"ABSNMTX.Create=2", nullptr, "VOZIRI DllInit failed to init DVTOPN"},
    /* The FTDI device cache's mutex comes after DVTOPN's, before the one-time mutex. */
    {"ABSNMTX.Create=3", nullptr, "VOZIRI DllInit failed to init FTDEVCMG"},
    {"ABSNMTX.Create=4", nullptr, "VOZIRI DllInit failed to create mutex pnmtxOneTimeInit"},
    {"InstABSNMTX2=1", nullptr, "VOZIRI DllInit failed to init DVTMG, MAGMG, DTBLMG, ENNMG, FTDMGR"},
    /* The managers' own mutexes (the catalogue's and USBC's, then, after
     * FTDIC's and its driver binding's, NETC's): each step its own text. */
    {"InstABSMTX=5", "USBC::FInit() pmtxCat", "VOZIRI DllInit failed to init USBC"},
    {"InstABSMTX=6", "USBC::FInit() pmtxUsbc = pabsfact->InstABSMTX", "VOZIRI DllInit failed to init USBC"},
    {"ABSMTX.Init=6", "USBC::FInit() pmtxUsbc->Init failed", "VOZIRI DllInit failed to init USBC"},
    {"ABSMTX.Create=6", "USBC::FInit() pmtxUsbc->Create failed", "VOZIRI DllInit failed to init USBC"},
    {"InstABSMTX=9", "NETC::FInit() failed to get instance of ABSMTX", "VOZIRI DllInit failed to init NETC"},
    {"ABSMTX.Create=9", "NETC::FInit() failed to create mutex", "VOZIRI DllInit failed to init NETC"},
};

std::string SzProbePath()
{
    std::string sz = KorSelfPath();
    size_t ich = sz.find_last_of("/\\");
    std::string szDir = ich == std::string::npos ? std::string() : sz.substr(0, ich + 1);
#if defined(_WIN32)
    return szDir + "voziri_probe.exe";
#else
    return szDir + "voziri_probe";
#endif
}

std::map<std::string, std::string> MapProbe(const std::string &szPath)
{
    std::map<std::string, std::string> map;
    for (const std::string &sz : VszFileLines(szPath)) {
        size_t ich = sz.find('=');
        if (ich != std::string::npos)
            map[sz.substr(0, ich)] = sz.substr(ich + 1);
    }
    return map;
}

/* Run the probe with the case's environment; fills the probe's answers and the log. */
void RunProbe(const char *szFault, const std::string &szTag, std::map<std::string, std::string> *pmap,
              std::vector<std::string> *pvszLog)
{
    std::string szOut = SzTempFile("probe-" + szTag + ".txt");
    std::string szLog = SzTempFile("probe-" + szTag + ".log");
    std::string szNs = "vzt-start-" + szTag + "-" + std::to_string(pabsutil->GetIdProcess());
    KorSetEnv("YORL_NAMESPACE", szNs.c_str());
    KorSetEnv("ORRIN_RT_LOGFILE", szLog.c_str());
    KorSetEnv("ORRIN_RT_LOGDETAIL", "1");
    std::string szFaultVar = szFault ? szFault : "";
    KorSetEnv("YORL_NOFACTORY", szFaultVar == "NOFACTORY" ? "1" : nullptr);
    KorSetEnv("YORL_NOUTIL", szFaultVar == "NOUTIL" ? "1" : nullptr);
    KorSetEnv("YORL_FAULT", szFaultVar.find('=') != std::string::npos ? szFault : nullptr);
    KorChild child;
    bool fStarted = child.StartProgram(SzProbePath(), {szOut});
    for (const char *szVar : {"YORL_FAULT", "YORL_NOFACTORY", "YORL_NOUTIL", "ORRIN_RT_LOGFILE",
                              "ORRIN_RT_LOGDETAIL"})
        KorSetEnv(szVar, nullptr);
    ASSERT_TRUE(fStarted);
    int code = -1;
    ASSERT_TRUE(child.Wait(60000, &code));
    ASSERT_EQ(0, code);
    *pmap = MapProbe(szOut);
    *pvszLog = VszFileLines(szLog);
}

TEST(Startup, EachFailingStep)
{
    int icase = 0;
    for (const STEPCASE &c : rgstep) {
        SCOPED_TRACE(c.szFault);
        std::map<std::string, std::string> map;
        std::vector<std::string> vszLog;
        RunProbe(c.szFault, std::to_string(icase++), &map, &vszLog);
        int ercWant = c.szStep ? 3090 : 3089;
        EXPECT_EQ(std::to_string(ercWant), map["lasterr"]);
        /* Not started: everything else fails and records nothing. */
        EXPECT_EQ("0 " + std::to_string(ercWant), map["open"]);
        EXPECT_EQ("0 " + std::to_string(ercWant), map["getdvt"]);
        /* The functions that work in any state. */
        EXPECT_EQ("2", map["dtpcount"]);
        EXPECT_EQ("1", map["tstfsadm2"]);
        EXPECT_EQ("0", map["pftdevcmg"]);
        EXPECT_EQ("1 ercYorlInitFailed", map["szfromerc"]);
        EXPECT_EQ("1 2.0.0.0", map["version"]);
        EXPECT_EQ("7", map["nolog"]);
        if (c.szStep == nullptr) {
            ASSERT_EQ(2u, vszLog.size());
            EXPECT_NE(std::string::npos, vszLog[1].find("3089    ercYorlInitFailed           YORL library initialization failed"));
            continue;
        }
        ASSERT_GE(vszLog.size(), 3u);
        EXPECT_NE(std::string::npos,
                  vszLog.back().find("3090    ercVoziriInitFailed         VOZIRI library initialization failed"));
        std::string szStepLine = vszLog[vszLog.size() - 2];
        EXPECT_NE(std::string::npos, szStepLine.find(std::string("3080    ercInternalError            ") + c.szStep))
            << szStepLine;
        if (c.szComponent) {
            ASSERT_GE(vszLog.size(), 4u);
            EXPECT_NE(std::string::npos, vszLog[vszLog.size() - 3].find(c.szComponent));
        }
    }
}

TEST(Startup, CompletesWithoutFaults)
{
    std::map<std::string, std::string> map;
    std::vector<std::string> vszLog;
    RunProbe(nullptr, "ok", &map, &vszLog);
    EXPECT_EQ("0", map["lasterr"]);
    EXPECT_EQ("0 3072", map["open"]);
    EXPECT_EQ("0 1025", map["getdvt"]);
    EXPECT_EQ("1", map["pftdevcmg"]);
    EXPECT_EQ("56", map["exports"]);
}

std::string SzLibraryPath()
{
    std::string sz = SzProbePath();
    sz = sz.substr(0, sz.find_last_of("/\\") + 1);
#if defined(_WIN32)
    return sz + "voziri.dll";
#else
    return sz + "voziri.so";
#endif
}

/* Loading runs the start-up, unloading the shut-down; a second load starts again. */
TEST(Startup, LoadUnloadLoad)
{
    std::string szNs = "vzt-reload-" + std::to_string(pabsutil->GetIdProcess());
    KorSetEnv("YORL_NAMESPACE", szNs.c_str());
    ABSDLL *pdll = pabsfact->InstABSDLL();
    ASSERT_NE(nullptr, pdll);
    ASSERT_TRUE(pdll->Init());
    for (int iload = 0; iload < 2; iload++) {
        HABSMOD hmod = nullptr;
        ASSERT_TRUE(pdll->Load(SzLibraryPath().c_str(), &hmod)) << SzLibraryPath();
        void *pfnLast = nullptr, *pfnCache = nullptr;
        ASSERT_TRUE(pdll->GetProc(hmod, "TvxGetLastError", &pfnLast));
        ASSERT_TRUE(pdll->GetProc(hmod, "TvxGetPftdevcmg", &pfnCache));
        EXPECT_EQ(0, reinterpret_cast<int(VZCALL *)(void)>(pfnLast)()) << iload;
        EXPECT_NE(nullptr, reinterpret_cast<void *(VZCALL *)(void)>(pfnCache)()) << iload;
        EXPECT_TRUE(pdll->Free(hmod));
    }
    pdll->Term();
    pabsfact->RlsABSDLL(pdll);
}

} // namespace
