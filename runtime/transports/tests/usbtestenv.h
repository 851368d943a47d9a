/*
 * usbtestenv.h - the runtime with the USB manager against the simulator.
 *
 * On Linux the test starts korsim itself on the boards of usbboards.cfg
 * (usb_e2e_test and usb_enum_test through the shared simulator environment,
 * korsimenv.h; the others through korsimctl); under wine simwine.sh starts
 * it and passes its address in KOR_SIM, and the tests that need korsimctl
 * are left out.
 */
#ifndef USBTESTENV_H
#define USBTESTENV_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dvcmg.h"
#include "dvt.h"
#include "usbc.h"
#include "vzcore.h"
#include "yorl.h"

#if defined(USB_BOARDS_CFG)
#include "simctl.h"
#define USB_HAVE_SIMCTL 1
#endif

inline void UsbSetEnv(const char *szVar, const char *szValue)
{
#if defined(_WIN32)
    _putenv_s(szVar, szValue ? szValue : "");
#else
    if (szValue)
        setenv(szVar, szValue, 1);
    else
        unsetenv(szVar);
#endif
}

inline std::string SzUsbTempDir(const char *szLeaf)
{
    const char *szDir = getenv("KOR_TEST_TMP");
    std::string sz = szDir ? szDir : std::filesystem::temp_directory_path().string();
#if defined(_WIN32)
    const char chSep = '\\';
#else
    const char chSep = '/';
#endif
    sz += chSep;
    sz += std::string(szLeaf) + "-" + std::to_string(pabsutil->GetIdProcess());
    std::error_code ec;
    std::filesystem::create_directories(sz, ec);
    return sz + chSep;
}

/* Starts the runtime in a private name space; registers the USB manager
 * unless start-up has done so (FUsbcStart skips a registered manager). */
inline bool FUsbRuntimeStart(const char *szTag, bool fKeepNamespace = false)
{
    if (!fKeepNamespace) {
        char szNs[96];
        snprintf(szNs, sizeof(szNs), "usbt-%s-%u", szTag, pabsutil->GetIdProcess());
        UsbSetEnv("YORL_NAMESPACE", szNs);
    }
    /* Opens by name and enumerations read the device table (its path is
     * taken at start-up): a private, empty one per test
     * process unless the test has chosen its own. */
    if (getenv("YORL_DEVTBL") == nullptr) {
        std::string szTbl = SzUsbTempDir((std::string("usbtbl-") + szTag).c_str()) + "dvctbl.txt";
        std::error_code ec;
        std::filesystem::remove(szTbl, ec);
        UsbSetEnv("YORL_DEVTBL", szTbl.c_str());
    }
    DllInit();
    if (!FVzStarted())
        return false;
    return FUsbcStart() != 0;
}

inline void UsbRuntimeStop()
{
    DllTerm();
    UsbcStop();
}

/*
 * The debug log of this process into a file of its own while the object
 * lives, so that a test can check the message recorded with a code.
 */
class USBLOG {
public:
    USBLOG()
    {
        szPath = SzUsbTempDir("log") + "debug.log";
        remove(szPath.c_str());
        memcpy(szLogSave, vzproc.szLogFile, sizeof(szLogSave));
        bSave = vzproc.bLogDetail;
        SzCopy(vzproc.szLogFile, szPath.c_str(), sizeof(vzproc.szLogFile));
        vzproc.bLogDetail = 1;
    }
    ~USBLOG()
    {
        memcpy(vzproc.szLogFile, szLogSave, sizeof(szLogSave));
        vzproc.bLogDetail = bSave;
    }
    /* Whether a line records erc with exactly the message szMsg. */
    bool FHas(int erc, const std::string &szMsg) const
    {
        FILE *pf = fopen(szPath.c_str(), "r");
        if (pf == nullptr)
            return false;
        char szLine[1024];
        bool fFound = false;
        while (!fFound && fgets(szLine, sizeof(szLine), pf) != nullptr) {
            unsigned tick, idProcess, idThread, ercLine;
            char szName[64];
            int cch = 0;
            if (sscanf(szLine, "%u %u %u %u %63s %n", &tick, &idProcess, &idThread, &ercLine, szName, &cch) < 5)
                continue;
            std::string sz = szLine + cch;
            while (!sz.empty() && (sz.back() == '\n' || sz.back() == '\r'))
                sz.pop_back();
            fFound = (int)ercLine == erc && sz == szMsg;
        }
        fclose(pf);
        return fFound;
    }
    /* Forget what was recorded so far. */
    void Clear() { remove(szPath.c_str()); }

private:
    std::string szPath;
    char szLogSave[sizeof(vzproc.szLogFile)];
    uint8_t bSave;
};

/* The USB manager's live records for filter dinfo, in the order found. */
inline bool FUsbEnumLive(uint32_t dinfo, void *pv, std::vector<EDVC> *prgedvc)
{
    DVCMG dvcmg;
    if (!dvcmg.FInit())
        return false;
    bool fOk = usbc.FEnum(0, 1, dinfo, pv, &dvcmg) != 0;
    EDVC edvc;
    for (int i = 0; dvcmg.FGetEdvc(i, &edvc); i++)
        prgedvc->push_back(edvc);
    dvcmg.Term();
    return fOk;
}

/* One transaction on an open handle; ercTrans through TvxGetTransResult. */
struct USBTRANS {
    TFP tfp;
    USBTRANS() { memset(&tfp, 0, sizeof(tfp)); }
    void Cmd(std::initializer_list<uint8_t> rgb)
    {
        tfp.rgbCmd[0] = (uint8_t)rgb.size();
        memcpy(tfp.rgbCmd + 1, rgb.begin(), rgb.size());
    }
    void Done(std::initializer_list<uint8_t> rgb)
    {
        tfp.rgbCmdDone[0] = (uint8_t)rgb.size();
        memcpy(tfp.rgbCmdDone + 1, rgb.begin(), rgb.size());
    }
    /* Runs it; the error code (0 = success). */
    int Run(HIF hif, uint32_t *pcbOut = nullptr, uint32_t *pcbIn = nullptr)
    {
        DVT *pdvt = nullptr;
        if (!TvxGetDvt(hif, &pdvt) || !pdvt->FDoTrans(&tfp))
            return TvxGetLastError() ? TvxGetLastError() : -1;
        if (!TvxGetTransResult(hif, pcbOut, pcbIn, tmsInfinite))
            return TvxGetLastError();
        return 0;
    }
};

/* Stream port 0 of protocol 11: enable, loop bytes through, disable. */
inline void StreamCmds(USBTRANS *pt, uint32_t cbOut, uint32_t cbIn)
{
    pt->Cmd({11, 3, 0, (uint8_t)cbOut, (uint8_t)(cbOut >> 8), (uint8_t)(cbOut >> 16), (uint8_t)(cbOut >> 24),
             (uint8_t)cbIn, (uint8_t)(cbIn >> 8), (uint8_t)(cbIn >> 16), (uint8_t)(cbIn >> 24)});
    pt->Done({11, 0x83, 0});
}

inline int ErcStreamEnable(HIF hif, bool fEnable)
{
    USBTRANS t;
    t.Cmd({11, (uint8_t)(fEnable ? 0 : 1), 0});
    return t.Run(hif);
}

/* cb bytes out and back through the board's stream sink and source: the
 * port enabled, the bytes returned as sent, the port disabled again. */
inline void ExpectStreamLoop(HIF hif, uint32_t cb)
{
    ASSERT_EQ(ErcStreamEnable(hif, true), 0);
    std::vector<uint8_t> rgbOut(cb), rgbIn(cb, 0);
    for (uint32_t i = 0; i < cb; i++)
        rgbOut[i] = (uint8_t)(i * 13 + 5);
    USBTRANS t;
    StreamCmds(&t, cb, cb);
    t.tfp.cbSnd = cb;
    t.tfp.pbSnd = rgbOut.data();
    t.tfp.cbRcv = cb;
    t.tfp.pbRcv = rgbIn.data();
    uint32_t cbOut = 0, cbIn = 0;
    EXPECT_EQ(t.Run(hif, &cbOut, &cbIn), 0);
    EXPECT_EQ(cbOut, cb);
    EXPECT_EQ(cbIn, cb);
    EXPECT_TRUE(rgbIn == rgbOut);
    EXPECT_EQ(ErcStreamEnable(hif, false), 0);
}

#endif
