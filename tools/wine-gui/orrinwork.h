// GUI scenarios of the desktop program doing its work on simulated boards
// (work.cfg, with the plug-ins installed in the run's data folder): the
// Config tab identifies the chain and programs the FPGA (progress, cancel,
// unplug), Register I/O reads and writes registers in every number format,
// File I/O streams a file out and back, I/O Ex follows LEDs and switches the
// simulator changes, and boards are switched mid-way. The simulator confirms
// what the board ended up with.
#ifndef ORRINWORK_H
#define ORRINWORK_H

#include <windows.h>

#include <string>
#include <vector>

#include "ksimctl.h"
#include "orrinapp.h"

int ScenarioWorkConfig(const std::string &szSimCfg);
int ScenarioWorkRegsFiles(const std::string &szSimCfg);
int ScenarioWorkIoex(const std::string &szSimCfg);
int ScenarioWorkPlugins(const std::string &szSimCfg);
// The Config tab on a chain of CPLD, FPGA and PROM (chain.cfg, orrinchain.cpp).
int ScenarioChainPromCpld(const std::string &szSimCfg);
int ScenarioWorkBoardSupport(const std::string &szSimCfg);
// The "Flash" pages of the Corvale and Pentra plug-ins (orrinflash.cpp).
int ScenarioWorkFlash(const std::string &szSimCfg);
// The Miravo3 plug-in's Memory tab (memprog.cfg, orrinmemprog.cpp).
int ScenarioWorkMemProg(const std::string &szSimCfg);
// The power meter and graph of the Corvale and Pentra plug-ins (orrinpower.cpp).
int ScenarioWorkPower(const std::string &szSimCfg);
// The Miravo2 plug-in's Memory page (orrinmem.cpp).
int ScenarioBsMemory(const std::string &szSimCfg);
int ScenarioBsMemorySwitch(const std::string &szSimCfg);
// The older self-test page on the boards of boardsupport.cfg (orrinselftest.cpp).
int ScenarioWorkSelfTest(const std::string &szSimCfg);
// The newer self-test page on the Pentra and Miravo3 boards of
// boardsupport.cfg (orrinselftest2.cpp).
int ScenarioWorkSelfTest2(const std::string &szSimCfg);

// A configuration file of design szDesign for the work boards' FPGA.
bool FMakeBitFileFor(const std::string &szPath, const std::string &szDesign);

namespace orrin {

// Helpers the work scenarios share (orrinwork.cpp).
struct WORK {
    ORRIN orrin;
    KSIMCTL simctl;
    std::string szDir;   // Windows path of the scenario's own files

    ~WORK();
    // Registry with the run's data folder and the settings, the program
    // started and (fChain) the selected board's chain shown on the Config tab.
    bool FStart(const std::vector<std::pair<std::string, std::string>> &rgsetting = {}, bool fChain = true);
    // The status window's lines, and waiting for one (up to tms).
    std::vector<std::string> RgszLines() const;
    bool FWaitLine(const std::string &sz, DWORD tms = 20000, size_t clineBefore = 0) const;
    size_t Cline() const { return RgszLines().size(); }
    // Show tab szName (as a click on it does); its page window.
    HWND HwndShowTab(const std::string &szName);
    // A message box of the program: wait for it, its text, then press idButton.
    std::string SzAnswerBox(int idButton, DWORD tms = 15000);
    // The scan-chain rows, top to bottom.
    std::vector<HWND> RghwndRows() const;
    // A "key value" line of a simulator answer.
    std::string SzSim(const std::string &szCmd, const std::string &szKey);
    // Program the FPGA row with the file of history entry 0; FALSE when the
    // request did not start.
    bool FStartProgram(HWND hwndRow);
};

// A simulator command whose failure is a failed check (with korsim's reason).
bool FSim(WORK &work, const std::string &szCmd, std::vector<std::string> *prgsz = nullptr);
// Clicks a button of the page once it is enabled (up to 10 s) and waits for
// a status line after it.
bool FClickAndWait(WORK &work, HWND hwndPage, int id, const std::string &szLine, DWORD tms = 60000);
// The user picks the board's item in the connect bar; true once the
// program's pages are rebuilt for it (orrinbs.cpp).
bool FSwitchTo(const ORRIN &orrin, const std::string &szItem);

// The folder of the scenario's pictures and files, as the program's Windows
// path ("Z:" + the host path).
std::string SzArtifactsWin();
// A child of hwndParent with id (direct child).
HWND HwndChild(HWND hwndParent, int id);
void SetText(HWND hwnd, const std::string &sz);
void ClickButton(HWND hwnd);
std::string SzHexOf(const std::vector<uint8_t> &rgb);
bool FWriteHostFile(const std::string &szPath, const std::vector<uint8_t> &rgb);
bool FReadHostFile(const std::string &szPath, std::vector<uint8_t> *prgb);

} // namespace orrin

#endif
