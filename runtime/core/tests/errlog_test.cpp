/*
 * errlog_test.cpp - the error table, TvxSzFromErc, the last error and the
 * debug log with its environment variables.
 */
#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <direct.h>
#define chdir _chdir
#define getcwd _getcwd
#define MkDir(sz) _mkdir(sz)
#else
#include <sys/stat.h>
#include <unistd.h>
#define MkDir(sz) mkdir(sz, 0700)
#endif

#include "vzcore.h"
#include "vztestenv.h"

namespace {

struct ERCCASE {
    int erc;
    const char *szName;
    const char *szMsg;
};

/* Rows whose texts clients match on, spelling kept as it always was. */
const ERCCASE rgerccase[] = {
    {0, "ercNoErc", "No error."},
    {2, "ercTransferCancelled", "The transfer was cancelled or transfer timeout occured."},
    {8, "ercDataRcvLess", "Data reveive failed or less data was received."},
    {11, "ercDataSndLessRcvMore",
     "Data send and recieved failed or less data were sent and peripheral wanted to send more data."},
    {12, "ercInvalidPort", "Invalid port specified or invalid port property bits."},
    {1033, "ercPortConflict", "Attempt to enable a port when another port is already enabled on the specified handle."},
    {3060, "ercNameResolutionFailed", "Hostname resolution failed"},
    {3073, "ercConnectionIsNotSecure",
     "The specified operation requires a secure connection but the connection is not secure"},
    {3080, "ercInternalError", "Internal error."},
    {3082, "ercConfigFileError", "Confiuration file error."},
    {3088, "ercCorruptInstallation", "One or more critical files is missing from the system."},
    {3090, "ercVoziriInitFailed", "Initialization of the VOZIRI library failed."},
    {14, "ercDeviceError", "Device error code: 000E"},
    {20, "ercDeviceError", "Device error code: 0014"},
    {47, "ercDeviceError", "Device error code: 002F"},
};

class ErcLog : public ::testing::Test {
protected:
    void TearDown() override
    {
        DllTerm();
        VzSetEnv("ORRIN_RT_LOGFILE", nullptr);
        VzSetEnv("ORRIN_RT_LOGDETAIL", nullptr);
    }
    /* Start with the log in szLog at level szLevel (NULL: no variable). */
    void Start(const std::string &szLog, const char *szLevel)
    {
        VzSetEnv("YORL_NAMESPACE", ("vzt-errlog-" + std::to_string(pabsutil->GetIdProcess())).c_str());
        VzSetEnv("ORRIN_RT_LOGFILE", szLog.empty() ? nullptr : szLog.c_str());
        VzSetEnv("ORRIN_RT_LOGDETAIL", szLevel);
        DllInit();
        ASSERT_TRUE(FVzStarted());
    }
    static std::vector<std::string> Lines(const std::string &szPath) { return VszFileLines(szPath); }
};

TEST_F(ErcLog, TableRowsAndDeviceCodes)
{
    Start("", nullptr);
    for (const ERCCASE &c : rgerccase) {
        char szName[cchErcNameMax] = "", szMsg[cchErcMsgMax] = "";
        EXPECT_TRUE(TvxSzFromErc(c.erc, szName, szMsg)) << c.erc;
        EXPECT_STREQ(c.szName, szName) << c.erc;
        EXPECT_STREQ(c.szMsg, szMsg) << c.erc;
    }
    char szName[cchErcNameMax] = "";
    EXPECT_TRUE(TvxSzFromErc(3080, szName, nullptr));
    EXPECT_STREQ("ercInternalError", szName);
}

TEST_F(ErcLog, CodesWithoutRowFailWith1026)
{
    Start("", nullptr);
    for (int erc : {3084, 3086, 3087, 13, 48, -1}) {
        TvxSetLastErrorNoLog(0);
        char szName[cchErcNameMax] = "", szMsg[cchErcMsgMax] = "";
        EXPECT_FALSE(TvxSzFromErc(erc, szName, szMsg));
        std::string szWant = "Mapping failed for error code: " + std::to_string(erc);
        EXPECT_EQ(szWant, szName);
        EXPECT_EQ(szWant, szMsg);
        EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
    }
    TvxSetLastErrorNoLog(0);
    EXPECT_FALSE(TvxSzFromErc(1, nullptr, nullptr));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
}

TEST_F(ErcLog, LastErrorKeepsLastNonzero)
{
    Start("", nullptr);
    EXPECT_EQ(0, TvxGetLastError());
    EXPECT_TRUE(TvxSetLastErrorLog(3080, "x"));
    EXPECT_TRUE(TvxSetLastErrorLog(0, "zero does not clear"));
    EXPECT_EQ(3080, TvxGetLastError());
    EXPECT_TRUE(TvxSetLastErrorNoLog(0));
    EXPECT_EQ(0, TvxGetLastError());
    /* Without the log a code without a row stays what was recorded. */
    TvxSetLastErrorLog(3084, "enum list");
    EXPECT_EQ(3084, TvxGetLastError());
}

TEST_F(ErcLog, LogHeaderOnceAndLineFormat)
{
    std::string szLog = SzTempFile("vzlog.txt");
    Start(szLog, "1");
    TvxSetLastErrorLog(3080, "DVT::FDoTrans psemTrans->Release(1)");
    DllTerm();
    Start(szLog, "1");
    TvxSetLastErrorLog(0, "zero line");
    std::vector<std::string> vsz = Lines(szLog);
    ASSERT_EQ(3u, vsz.size());
    char szHeader[256];
    snprintf(szHeader, sizeof(szHeader), "%-16s%-12s%-14s%-8s%-28s%s", "System Time", "Process", "Thread", "ERC",
             "ERC String", "Message");
    EXPECT_EQ(szHeader, vsz[0]);
    EXPECT_EQ(0u, vsz[1].substr(16, 12).find(std::to_string(pabsutil->GetIdProcess()) + " "));
    EXPECT_EQ("3080    ercInternalError            DVT::FDoTrans psemTrans->Release(1)", vsz[1].substr(42));
    EXPECT_EQ("0       ercNoErc                    zero line", vsz[2].substr(42));
    EXPECT_EQ(0, TvxGetLastError());
}

TEST_F(ErcLog, CodeWithoutRowLogsMappingFailureFirst)
{
    std::string szLog = SzTempFile("vzlog-map.txt");
    Start(szLog, "1");
    TvxSetLastErrorLog(3084, "ENMMG::FDoEnum");
    std::vector<std::string> vsz = Lines(szLog);
    ASSERT_EQ(3u, vsz.size());
    EXPECT_NE(std::string::npos, vsz[1].find("1026    ercInvalidParameter         KelmErc2Sz"));
    EXPECT_NE(std::string::npos, vsz[2].find("3084    Mapping failed for error code: 3084ENMMG::FDoEnum"));
    EXPECT_EQ(ercInvalidParameter, TvxGetLastError());
}

TEST_F(ErcLog, LogLevelFromEnvironment)
{
    struct LEVELCASE {
        const char *szLevel;
        bool fLog;
    };
    const LEVELCASE rgcase[] = {{"0", false}, {"256", false}, {"abc", false}, {"1", true}, {"5", true}, {"257", true}};
    for (const LEVELCASE &c : rgcase) {
        std::string szLog = SzTempFile("vzlog-level.txt");
        Start(szLog, c.szLevel);
        TvxSetLastErrorLog(1, "line");
        EXPECT_EQ(c.fLog, std::filesystem::exists(szLog)) << c.szLevel;
        DllTerm();
    }
}

TEST_F(ErcLog, LogFileNameLimit)
{
    std::string szDir = SzTempFile("longdir");
    std::filesystem::create_directories(szDir);
    auto szOfLength = [&](size_t cch) {
        std::string sz = szDir + "/";
        return sz + std::string(cch - sz.size(), 'a');
    };
    std::string sz260 = szOfLength(260), sz261 = szOfLength(261);
    Start(sz260, "1");
    EXPECT_STREQ(sz260.c_str(), vzproc.szLogFile);
    DllTerm();
    Start(sz261, "1");
    std::string szDefault = std::filesystem::current_path().string();
    EXPECT_EQ(0u, std::string(vzproc.szLogFile).find(szDefault));
    EXPECT_NE(std::string::npos, std::string(vzproc.szLogFile).find("DebugErc.log"));
}

/* The current directory by the C library's narrow calls, which take the
 * same code page as the runtime's file calls. */
std::string SzCwd()
{
    char sz[1024];
    return getcwd(sz, sizeof(sz)) ? sz : "";
}

#if defined(_WIN32)
const char chSep = '\\';
#else
const char chSep = '/';
#endif

/*
 * Without "ORRIN_RT_LOGFILE" the log is "DebugErc.log" in the current
 * directory, whatever its characters and up to 260 characters long: the
 * whole name is kept and the log is written there.
 */
TEST_F(ErcLog, DefaultLogInTheCurrentDirectory)
{
    std::string szHome = SzCwd();
    std::string szBase = SzTempFile("cwd");
    std::filesystem::create_directories(szBase);
    ASSERT_EQ(0, chdir(szBase.c_str()));
    szBase = SzCwd();

    /* "caf\xe9" is one character of the Windows code pages, not UTF-8. */
    std::string szAccent = szBase + chSep + "caf\xe9-\xe4";
    std::string szLong = szBase;
    while (szLong.size() < 250) {
        szLong += chSep;
        szLong += std::string(std::min<size_t>(60, 250 - szLong.size()), 'd');
        MkDir(szLong.c_str());
    }
    MkDir(szAccent.c_str());
    for (const std::string &szDir : {szAccent, szLong}) {
        ASSERT_EQ(0, chdir(szDir.c_str())) << szDir;
        std::string szWant = SzCwd() + chSep + "DebugErc.log";
        Start("", "1");
        EXPECT_EQ(szWant, vzproc.szLogFile) << szDir.size();
        EXPECT_TRUE(TvxSetLastErrorLog(1, "line")) << szDir.size();
        FILE *pfile = fopen(szWant.c_str(), "r");
        EXPECT_NE(nullptr, pfile) << szDir.size();
        if (pfile)
            fclose(pfile);
        DllTerm();
    }
    ASSERT_EQ(0, chdir(szHome.c_str()));
}

TEST_F(ErcLog, LogInMissingDirectoryFailsButRecords)
{
    Start(SzTempFile("no-such-dir") + "/x/log.txt", "1");
    EXPECT_FALSE(TvxSetLastErrorLog(3083, "gone"));
    EXPECT_EQ(3083, TvxGetLastError());
}

TEST_F(ErcLog, FsadmWord)
{
    Start("", nullptr);
    EXPECT_TRUE(TvxTstFsadm(fsadmDcapPub));
    EXPECT_EQ(6u, TvxSetFsadm(4));
    EXPECT_EQ(4u, TvxClrFsadm(2));
    EXPECT_TRUE(TvxTstFsadm(6));
    EXPECT_FALSE(TvxTstFsadm(2));
}

} // namespace
