// korsim.cpp - the board simulator process.
//
//   korsim --config FILE [--port N] [--port-file FILE] [--ready-fd FD]
//
// Hosts the boards of the configuration file on one loopback TCP port
// (127.0.0.1; 0 or no --port picks a free one). Hosts of the USB wire open
// a connection with the "KUSB" preamble, control clients with "CONTROL\n".
// Once listening it writes the port number to the port file, prints
// "korsim listening on 127.0.0.1:PORT" and writes the port number to the
// ready descriptor (a pipe a parent waits on), in this order, and serves until a control client sends QUIT or the process is
// killed.

#include "server/bus.h"
#include "server/config.h"
#include "server/net.h"
#include "server/wireserver.h"
#include "net/netboard.h"
#include "wire/usbwire.h"
#include "wire/ftdiwire.h"
#include "ftdi/ftwire.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

struct ARGS {
    std::string szConfig;
    std::string szPortFile;
    uint16_t port = 0;
    int fdReady = -1;
};

bool FParseArgs(int argc, char **argv, ARGS &args)
{
    for (int iarg = 1; iarg < argc; iarg++) {
        std::string sz = argv[iarg];
        if (iarg + 1 >= argc)
            return false;
        const char *szVal = argv[++iarg];
        if (sz == "--config")
            args.szConfig = szVal;
        else if (sz == "--port")
            args.port = uint16_t(atoi(szVal));
        else if (sz == "--port-file")
            args.szPortFile = szVal;
        else if (sz == "--ready-fd")
            args.fdReady = atoi(szVal);
        else
            return false;
    }
    return !args.szConfig.empty();
}

void ServeConnection(sim::BUS &bus, int sock, int id)
{
    char rgch[usbwire::cbPreamble];
    if (sim::FRecvAll(sock, rgch, sizeof(rgch))) {
        if (memcmp(rgch, usbwire::kusbMagic, 4) == 0) {
            sim::ServeWire(bus, sock, id);
        } else if (memcmp(rgch, ftdiwire::kftdMagic, 4) == 0) {
            sim::ServeFtdiWire(bus, sock, id);
        } else if (memcmp(rgch, usbwire::szControlPreamble, usbwire::cbPreamble) == 0) {
            std::atomic<bool> fQuit(false);
            sim::ServeControl(bus, sock, fQuit);
            if (fQuit) {
                fflush(stdout);
                _exit(0);
            }
        }
    }
    sim::CloseSock(sock);
}

} // namespace

int main(int argc, char **argv)
{
    ARGS args;
    if (!FParseArgs(argc, argv, args)) {
        fprintf(stderr, "usage: korsim --config FILE [--port N] [--port-file FILE] [--ready-fd FD]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    std::vector<sim::BOARDCFG> rgcfg;
    std::string szErr;
    if (!sim::FLoadConfig(args.szConfig, rgcfg, szErr)) {
        fprintf(stderr, "korsim: %s: %s\n", args.szConfig.c_str(), szErr.c_str());
        return 1;
    }
    uint16_t port = 0;
    int sockListen = sim::SockListenLoopback(args.port, port);
    if (sockListen < 0) {
        fprintf(stderr, "korsim: cannot listen on 127.0.0.1:%u\n", args.port);
        return 1;
    }
    static sim::BUS bus(rgcfg);     // lives until the process ends
    // Network boards listen on their own addresses; their TLS certificate
    // goes to KORSIM_TLS_DIR (a directory of this process when unset).
    const char *szTlsDir = getenv("KORSIM_TLS_DIR");
    std::string szNetErr;
    if (!sim::FStartNetBoards(bus, szTlsDir && *szTlsDir ? szTlsDir : "/tmp/korsim-tls." + std::to_string(getpid()),
                              szNetErr)) {
        fprintf(stderr, "korsim: %s\n", szNetErr.c_str());
        return 1;
    }
    if (!args.szPortFile.empty()) {
        std::string szTmp = args.szPortFile + ".tmp";
        std::ofstream(szTmp) << port << "\n";
        rename(szTmp.c_str(), args.szPortFile.c_str());
    }
    printf("korsim listening on 127.0.0.1:%u\n", port);
    fflush(stdout);
    if (args.fdReady >= 0) {
        std::string sz = std::to_string(port) + "\n";
        ssize_t cbWritten = write(args.fdReady, sz.data(), sz.size());
        (void)cbWritten;
        close(args.fdReady);
    }
    for (int id = 1;; id++) {
        int sock = sim::SockAccept(sockListen);
        if (sock < 0)
            continue;
        std::thread(ServeConnection, std::ref(bus), sock, id).detach();
    }
}
