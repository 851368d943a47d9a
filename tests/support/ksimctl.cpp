/* ksimctl.cpp - the control channel's line protocol, written once for every build. */
#include "ksimctl.h"

#include <stdlib.h>

KSIMCTL::~KSIMCTL()
{
    Close();
}

bool KSIMCTL::FConnect(const std::string &szAddr, std::string *pszErr)
{
    Close();
    size_t ich = szAddr.rfind(':');
    int port = ich == std::string::npos ? 0 : atoi(szAddr.c_str() + ich + 1);
    if (port <= 0 || port > 65535) {
        if (pszErr)
            *pszErr = "no port in simulator address '" + szAddr + "'";
        return false;
    }
    std::lock_guard<std::mutex> lock(mtx);
    sock = SockKsimConnect(szAddr.substr(0, ich), uint16_t(port));
    if (sock == sockNil || !FSendAll("CONTROL\n", 8)) {
        if (sock != sockNil)
            KsimSockClose(sock);
        sock = sockNil;
        if (pszErr)
            *pszErr = "cannot reach the control channel at " + szAddr;
        return false;
    }
    return true;
}

void KSIMCTL::Close()
{
    std::lock_guard<std::mutex> lock(mtx);
    if (sock != sockNil)
        KsimSockClose(sock);
    sock = sockNil;
    szBuffered.clear();
}

bool KSIMCTL::FSendAll(const char *pb, size_t cb)
{
    while (cb > 0) {
        long cbSent = CbKsimSend(sock, pb, cb);
        if (cbSent <= 0)
            return false;
        pb += cbSent;
        cb -= size_t(cbSent);
    }
    return true;
}

bool KSIMCTL::FRecvLine(std::string &szLine)
{
    for (;;) {
        size_t ich = szBuffered.find('\n');
        if (ich != std::string::npos) {
            szLine = szBuffered.substr(0, ich);
            if (!szLine.empty() && szLine.back() == '\r')
                szLine.pop_back();
            szBuffered.erase(0, ich + 1);
            return true;
        }
        char rgch[4096];
        long cb = CbKsimRecv(sock, rgch, sizeof(rgch));
        if (cb <= 0)
            return false;
        szBuffered.append(rgch, size_t(cb));
    }
}

bool KSIMCTL::FCmd(const std::string &szCmd, std::vector<std::string> *prgszData, std::string *pszErr)
{
    if (prgszData)
        prgszData->clear();
    std::lock_guard<std::mutex> lock(mtx);
    std::string szSend = szCmd + "\n";
    if (sock == sockNil || !FSendAll(szSend.data(), szSend.size())) {
        if (pszErr)
            *pszErr = "not connected";
        return false;
    }
    std::string szLine;
    while (FRecvLine(szLine)) {
        if (szLine.compare(0, 2, "> ") == 0) {
            if (prgszData)
                prgszData->push_back(szLine.substr(2));
            continue;
        }
        if (szLine == "OK")
            return true;
        if (pszErr)
            *pszErr = szLine.compare(0, 4, "ERR ") == 0 ? szLine.substr(4) : szLine;
        return false;
    }
    if (pszErr)
        *pszErr = "connection lost";
    return false;
}

std::string KSIMCTL::SzState(const std::string &szBoard, const std::string &szKey)
{
    std::vector<std::string> rgsz;
    if (!FCmd("STATE " + szBoard, &rgsz))
        return "";
    for (const std::string &sz : rgsz)
        if (sz.compare(0, szKey.size() + 1, szKey + " ") == 0)
            return sz.substr(szKey.size() + 1);
    return "";
}

std::string KSIMCTL::SzLine(const std::string &szCmd)
{
    std::vector<std::string> rgsz;
    if (!FCmd(szCmd, &rgsz) || rgsz.empty())
        return "";
    return rgsz[0];
}
