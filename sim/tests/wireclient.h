// wireclient.h - a minimal host side of the USB wire, for the tests.
//
// Synchronous: every request waits for its answer; completions of bulk
// transfers that arrive meanwhile are kept until asked for. Ping() is a
// round trip after which every completion caused by earlier requests has
// arrived, so a test can tell "still pending" without sleeping.

#ifndef KOR_SIM_WIRECLIENT_H
#define KOR_SIM_WIRECLIENT_H

#include "usbwire.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct WDEV {
    std::string szPath;
    uint16_t vid = 0, pid = 0;
    std::string szSerial;
};

struct WXFER {
    bool fDone = false;
    uint8_t ep = 0;
    uint32_t sts = 0;
    uint32_t cb = 0;
    std::vector<uint8_t> rgb;
};

class WIRECLIENT {
public:
    ~WIRECLIENT();
    bool FConnect(uint16_t port);
    void Disconnect();

    std::vector<WDEV> Enum();
    uint32_t Open(const std::string &szPath);
    uint32_t Close();
    uint32_t Claim();
    uint32_t Release();
    uint32_t Ping();
    uint32_t Cancel(uint8_t ep);
    // Owner records (13 bytes, usbwire.h).
    uint32_t Owner(const std::vector<uint8_t> &rgbOwner);
    uint32_t Claimer(std::vector<uint8_t> &rgbOwner);
    uint32_t OwnerEnded(const std::vector<uint8_t> &rgbOwner);

    // Vendor requests: returns the status; rgbIn receives the data.
    uint32_t VendorIn(uint8_t req, uint16_t wValue, uint16_t wIndex, uint16_t wLength, std::vector<uint8_t> &rgbIn);
    uint32_t VendorOut(uint8_t req, uint16_t wValue, uint16_t wIndex, const std::vector<uint8_t> &rgbOut);
    // The write-key handshake around one writing request.
    uint32_t VendorOutKeyed(uint8_t req, uint16_t wValue, const std::vector<uint8_t> &rgbOut, uint16_t key = 0x1234);

    // Starts a bulk transfer; returns its tag.
    uint32_t Submit(uint8_t ep, uint32_t cb, const std::vector<uint8_t> &rgbOut = {}, uint32_t tms = 0);
    // Waits for the completion of tag.
    WXFER Wait(uint32_t tag);
    // Whether tag has completed (after a round trip).
    bool FDone(uint32_t tag);

    // One command packet written and one status packet read (ep 0 and 1).
    uint32_t WriteCmd(const std::vector<uint8_t> &rgbCmd);
    std::vector<uint8_t> ReadSts(uint32_t *psts = nullptr);
    std::vector<uint8_t> Command(const std::vector<uint8_t> &rgbCmd);

private:
    bool FRequest(uint8_t type, const std::vector<uint8_t> &rgbPayload, uint32_t &tag);
    bool FAwaitAnswer(uint32_t tag, uint8_t &type, std::vector<uint8_t> &rgbPayload);
    bool FReadFrame(uint8_t &type, uint32_t &tag, std::vector<uint8_t> &rgbPayload);
    uint32_t Simple(uint8_t type, const std::vector<uint8_t> &rgbPayload = {});

    int sock = -1;
    uint32_t tagNext = 1;
    std::map<uint32_t, WXFER> mpxfer;
};

#endif
