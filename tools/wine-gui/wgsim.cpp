// The board simulator's configuration and control channel (see wgsim.h).

#include "wgsim.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace wg {

namespace {

std::string SzTrim(const std::string &sz)
{
    size_t ichFirst = sz.find_first_not_of(" \t\r\n");
    if (ichFirst == std::string::npos)
        return "";
    size_t ichLast = sz.find_last_not_of(" \t\r\n");
    return sz.substr(ichFirst, ichLast - ichFirst + 1);
}

} // namespace

std::vector<SIMBOARD> RgboardRead(const std::string &szCfg)
{
    std::vector<SIMBOARD> rgboard;
    FILE *pfile = fopen(szCfg.c_str(), "r");
    if (pfile == nullptr)
        return rgboard;
    char szLine[512];
    while (fgets(szLine, sizeof(szLine), pfile) != nullptr) {
        std::string sz = szLine;
        size_t ichComment = sz.find('#');
        if (ichComment != std::string::npos)
            sz.resize(ichComment);
        sz = SzTrim(sz);
        size_t ichBlank = sz.find_first_of(" \t");
        std::string szKey = sz.substr(0, ichBlank);
        std::string szValue = ichBlank == std::string::npos ? "" : SzTrim(sz.substr(ichBlank));
        if (szKey == "board")
            rgboard.push_back(SIMBOARD{szValue, "000000000000", ""});
        else if (!rgboard.empty() && szKey == "serial")
            rgboard.back().szSerial = szValue;
        else if (!rgboard.empty() && szKey == "user")
            rgboard.back().szUser = szValue;
    }
    fclose(pfile);
    return rgboard;
}

SIMCTL::~SIMCTL()
{
    if (sock != ~uintptr_t(0))
        closesocket(static_cast<SOCKET>(sock));
}

bool SIMCTL::FConnect()
{
    const char *szSim = getenv("KOR_SIM");
    if (szSim == nullptr)
        return false;
    std::string szAddr = szSim;
    size_t ichColon = szAddr.rfind(':');
    if (ichColon == std::string::npos)
        return false;
    WSADATA wsad;
    if (WSAStartup(MAKEWORD(2, 2), &wsad) != 0)
        return false;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return false;
    sockaddr_in sin = {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<u_short>(atoi(szAddr.c_str() + ichColon + 1)));
    sin.sin_addr.s_addr = inet_addr(szAddr.substr(0, ichColon).c_str());
    DWORD tms = 15000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&tms), sizeof(tms));
    if (connect(s, reinterpret_cast<sockaddr *>(&sin), sizeof(sin)) != 0 ||
        send(s, "CONTROL\n", 8, 0) != 8) {
        closesocket(s);
        return false;
    }
    sock = static_cast<uintptr_t>(s);
    return true;
}

bool SIMCTL::FReadLine(std::string *psz)
{
    for (;;) {
        size_t ichNl = szBuf.find('\n');
        if (ichNl != std::string::npos) {
            *psz = SzTrim(szBuf.substr(0, ichNl));
            szBuf.erase(0, ichNl + 1);
            return true;
        }
        char rgch[256];
        int cch = recv(static_cast<SOCKET>(sock), rgch, sizeof(rgch), 0);
        if (cch <= 0)
            return false;
        szBuf.append(rgch, static_cast<size_t>(cch));
    }
}

bool SIMCTL::FCommand(const std::string &szCmd, std::vector<std::string> *prgsz)
{
    if (sock == ~uintptr_t(0))
        return false;
    std::string szLine = szCmd + "\n";
    if (send(static_cast<SOCKET>(sock), szLine.data(), static_cast<int>(szLine.size()), 0) !=
        static_cast<int>(szLine.size()))
        return false;
    std::string sz;
    while (FReadLine(&sz)) {
        if (sz.compare(0, 2, "> ") == 0) {
            if (prgsz != nullptr)
                prgsz->push_back(sz.substr(2));
        } else if (sz == "OK") {
            return true;
        } else if (sz.compare(0, 3, "ERR") == 0) {
            return false;
        }
    }
    return false;
}

} // namespace wg
