// netboard.cpp - listeners and control connections of the network boards.

#include "netboard.h"
#include "netdisc.h"
#include "netsession.h"

#include "../server/bus.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

int SockListen(const std::string &szAddr, uint16_t port)
{
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return -1;
    int fOn = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &fOn, sizeof(fOn));
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (inet_pton(AF_INET, szAddr.c_str(), &sa.sin_addr) != 1 ||
        bind(sock, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) != 0 || listen(sock, 16) != 0) {
        close(sock);
        return -1;
    }
    return sock;
}

void ListenThread(BUS &bus, DEVICE &dev, TLSSRV *psrv, int sockListen)
{
    for (;;) {
        int sock = accept4(sockListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (sock < 0)
            continue;
        int fOn = 1;
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &fOn, sizeof(fOn));
        bool fPresent;
        {
            std::lock_guard<std::mutex> lock(bus.mtx);
            fPresent = dev.FPresent();
        }
        if (!fPresent) {
            close(sock);
            continue;
        }
        std::thread([&bus, &dev, psrv, sock] {
            NETSESSION sess(bus, dev, psrv, sock);
            sess.Serve();
        }).detach();
    }
}

} // namespace

bool FStartNetBoards(BUS &bus, const std::string &szTlsDir, std::string &szErr)
{
    TLSSRV *psrv = nullptr;     // lives until the process ends
    for (auto &pdev : bus.rgpdev) {
        const NETCFG &net = pdev->bd.cfg.net;
        if (!net.FOn())
            continue;
        if (psrv == nullptr) {
            mkdir(szTlsDir.c_str(), 0700);
            std::string szKey = szTlsDir + "/board.key", szCert = szTlsDir + "/board.crt";
            if (!FTlsMakeCert(szKey + ".tmp", szCert + ".tmp", "korsim board") ||
                rename((szKey + ".tmp").c_str(), szKey.c_str()) != 0 ||
                rename((szCert + ".tmp").c_str(), szCert.c_str()) != 0 ||
                (psrv = PtlssrvNew(szKey, szCert)) == nullptr) {
                szErr = "cannot make the boards' TLS certificate in " + szTlsDir;
                return false;
            }
        }
        int sock = SockListen(net.szAddr, net.port);
        if (sock < 0) {
            szErr = "board " + pdev->bd.cfg.szName + " cannot listen on " + net.szAddr + ":" +
                    std::to_string(net.port);
            return false;
        }
        std::thread(ListenThread, std::ref(bus), std::ref(*pdev), psrv, sock).detach();
        if (!FStartDiscResponder(bus, *pdev)) {
            szErr = "board " + pdev->bd.cfg.szName + " cannot answer discovery on UDP port 33890";
            return false;
        }
        if (!FStartMdnsResponder(bus, *pdev)) {
            szErr = "board " + pdev->bd.cfg.szName + " cannot answer DNS-SD on UDP port " +
                    std::to_string(net.portMdns);
            return false;
        }
    }
    return true;
}

} // namespace sim
