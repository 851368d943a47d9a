/*
 * ksimctl.h - client of korsim's control channel for tests, in every build.
 *
 * The simulator runs on Linux; Windows test programs under wine reach it
 * over loopback TCP like native ones. KSIMCTL connects to "host:port",
 * sends the control preamble and runs commands: each answer is a list of
 * data lines ("> " taken off) and an OK or ERR line.
 */
#ifndef KOR_KSIMCTL_H
#define KOR_KSIMCTL_H

#include <stdint.h>

#include <mutex>
#include <string>
#include <vector>

class KSIMCTL {
public:
    KSIMCTL() = default;
    ~KSIMCTL();
    KSIMCTL(const KSIMCTL &) = delete;
    KSIMCTL &operator=(const KSIMCTL &) = delete;

    /* Connects to szAddr ("127.0.0.1:PORT") and opens the control channel. */
    bool FConnect(const std::string &szAddr, std::string *pszErr = nullptr);
    void Close();
    bool FConnected() const { return sock != sockNil; }

    /* Runs one command; data lines go to prgszData, the reason of an ERR
     * answer to pszErr. True for OK. Commands of several threads are taken
     * one after the other. */
    bool FCmd(const std::string &szCmd, std::vector<std::string> *prgszData = nullptr,
              std::string *pszErr = nullptr);
    /* The value of one "key value" line of STATE (empty when absent). */
    std::string SzState(const std::string &szBoard, const std::string &szKey);
    /* The single data line of a command such as REGS or SINK. */
    std::string SzLine(const std::string &szCmd);

    static const intptr_t sockNil = -1;

private:
    bool FSendAll(const char *pb, size_t cb);
    bool FRecvLine(std::string &szLine);

    std::mutex mtx;
    intptr_t sock = sockNil;
    std::string szBuffered;
};

/* Socket calls of one platform (ksimsock_posix.cpp, ksimsock_win32.cpp). */
intptr_t SockKsimConnect(const std::string &szHost, uint16_t port);
long CbKsimSend(intptr_t sock, const char *pb, size_t cb);   /* <= 0: failed */
long CbKsimRecv(intptr_t sock, char *pb, size_t cb);         /* <= 0: closed or failed */
void KsimSockClose(intptr_t sock);

#endif
