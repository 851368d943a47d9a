// usbwire.h - the simulated USB bus as seen over loopback TCP.
//
// What a USB host can do with the boards of the simulator (korsim): list the
// devices on the bus, open one, claim its interface, send vendor control
// requests on the default pipe and move bulk transfers on the four endpoints
// of the maker's firmware. The simulator is the device side; the `Yorl` USB
// objects (simulator backend) are the host side. Portable C++ on purpose: the
// Windows build of the host side includes this header too, so nothing here
// names a POSIX or Win32 type.
//
// Connection
//   The host connects to 127.0.0.1:<port> and sends the 8-byte preamble
//   "KUSB" u16 version (kusbVersion) u16 0. (A control client sends the line
//   "CONTROL\n" instead; see the simulator's README.) After the preamble both
//   sides exchange messages. One connection is one host-side device object: it
//   is opened on at most one device at a time; many connections (in any
//   number of processes) may be open on one device at once.
//
// Message frame (all integers little-endian)
//   u32 cb    number of bytes that follow (type, tag and payload)
//   u8  type  one of the msgXxx values below
//   u32 tag   chosen by the host for requests, echoed in the answer; for a
//             transfer completion it is the tag of the submitting request
//   ...       payload, as listed per message
//   A frame never exceeds cbWireMax bytes after the length field; a longer
//   frame closes the connection.
//
// Requests (host to simulator) and their answers
//   msgEnum      no payload.
//                answer msgEnumR: u32 status, u32 count, then per device
//                  u16 cchPath, path bytes (no NUL, no white space)
//                  u16 idVendor, u16 idProduct
//                  u16 cchSerial, serial string descriptor text (no NUL)
//                Only devices that are plugged in and on the bus are listed;
//                a device that renumerates is absent for a while and comes
//                back under a new path.
//   msgOpen      u16 cchPath, path.  answer msgResult: u32 status
//                (stsNoDevice when no device has this path now).
//   msgClose     no payload.         answer msgResult. Pending transfers of
//                the connection complete first with stsCancelled; a claim
//                held by the connection is released.
//   msgClaim     no payload.         answer msgResult: stsOk, stsBusy when
//                another connection holds the interface, stsNoDevice.
//                Claiming twice from the same connection succeeds.
//   msgRelease   no payload.         answer msgResult (stsOk also when the
//                connection did not hold the claim).
//   msgControl   u8 bmRequestType (0x40 vendor OUT, 0xC0 vendor IN),
//                u8 bRequest, u16 wValue, u16 wIndex, u16 wLength,
//                u32 timeout ms (0 = no limit; the simulated device answers
//                at once), then wLength data bytes for an OUT request.
//                answer msgControlR: u32 status (stsOk, stsStall for a
//                request the device refuses, stsNoDevice), u16 cb moved,
//                then cb data bytes for an IN request.
//                Control requests need no claim.
//   msgSubmit    u8 ep (epCmd, epSts, epDataOut, epDataIn), u32 cb,
//                u32 timeout ms (0 = no limit), then cb data bytes for an
//                OUT endpoint. The interface must be claimed (else answered
//                at once by msgComplete with stsNotClaimed). At most one
//                transfer per endpoint and connection is pending (a second
//                one completes at once with stsBadRequest).
//                answer, whenever the transfer ends: msgComplete with the
//                submit's tag: u8 ep, u32 status, u32 cb moved, then for an
//                IN endpoint the cb data bytes.
//                Status reads (epSts) end with one status packet each, cut
//                to cb (a zero-length read is possible under fault
//                injection). Data reads end when cb bytes are there or with
//                a short packet when the device has nothing more to send for
//                the running data phase. A transfer can end with stsStall
//                (pipe error), stsNoDevice (unplugged or renumerated),
//                stsTimeout (its time-out ran out; the bytes moved so far
//                are reported) or stsCancelled.
//   msgCancel    u8 ep. answer msgResult (stsOk also when nothing was
//                pending). A pending transfer on ep completes first, with
//                stsCancelled and the bytes moved so far.
//   msgResetEp   u8 ep. answer msgResult. Clears a halt of the endpoint and
//                cancels a pending transfer on it as msgCancel does.
//   msgPing      no payload. answer msgResult stsOk (a round trip: every
//                completion caused by earlier requests has been sent before).
//   msgOwner     the process the connection belongs to, as its system tells
//                processes apart (an owner record, ownerwire.h). Sent once after
//                the preamble; no answer is awaited. answer msgResult.
//   msgClaimer   no payload. answer msgClaimerR: u32 status (stsOk,
//                stsNotOpen, stsNoDevice), then the owner record of the
//                connection that holds the interface (kind 0 when nobody
//                holds it or its owner is not known).
//   msgOwnerEnded  an owner record: the host has found that this process
//                has ended. A real device is free the moment its process
//                dies, but some systems keep a killed process's connections
//                open for a while; every other connection of exactly that
//                owner is therefore closed now, as if its host had gone:
//                its transfers end with stsCancelled, its claim is given
//                back, and it is no longer open on its device. answer
//                msgResult (stsOk also when no connection matched).
//
// Owner record: see ownerwire.h.
//
// Endpoints (logical numbers, as the maker's firmware uses them)
//   epCmd      0, OUT: command packets, at most 64 bytes each
//   epSts      1, IN:  status packets, one per transfer, at most 64 bytes
//   epDataOut  2, OUT: bytes of a data phase, host to device
//   epDataIn   3, IN:  bytes of a data phase, device to host

#ifndef KOR_SIM_USBWIRE_H
#define KOR_SIM_USBWIRE_H

#include <cstddef>
#include <cstdint>

#include "ownerwire.h"

namespace usbwire {

constexpr char kusbMagic[4] = { 'K', 'U', 'S', 'B' };
constexpr uint16_t kusbVersion = 1;
constexpr size_t cbPreamble = 8;            // magic, version, reserved
constexpr char szControlPreamble[] = "CONTROL\n";   // 8 characters

constexpr uint32_t cbWireMax = 0x2000000 + 64;      // largest frame body
constexpr size_t cbFrameHeader = 4 + 1 + 4;         // cb, type, tag

// Message types
enum : uint8_t {
    msgEnum = 1,
    msgOpen = 2,
    msgClose = 3,
    msgClaim = 4,
    msgRelease = 5,
    msgControl = 6,
    msgSubmit = 7,
    msgCancel = 8,
    msgResetEp = 9,
    msgPing = 10,
    msgOwner = 11,
    msgClaimer = 12,
    msgOwnerEnded = 13,

    msgResult = 0x81,       // u32 status
    msgEnumR = 0x82,
    msgControlR = 0x83,
    msgComplete = 0x84,
    msgClaimerR = 0x85,
};

// Kinds and size of owner records
using ownerwire::cbOwner;
using ownerwire::ownerNone;
using ownerwire::ownerPosix;
using ownerwire::ownerWin32;

// Status values of answers and completions
enum : uint32_t {
    stsOk = 0,
    stsStall = 1,           // the device refused the request or halted the pipe
    stsNoDevice = 2,        // unplugged, renumerated, or never there
    stsBusy = 3,            // the interface is claimed by another connection
    stsTimeout = 4,
    stsCancelled = 5,
    stsNotOpen = 6,         // the connection is not open on a device
    stsNotClaimed = 7,      // bulk transfer without the claim
    stsBadRequest = 8,      // malformed message or endpoint busy
};

// Logical endpoints
enum : uint8_t {
    epCmd = 0,
    epSts = 1,
    epDataOut = 2,
    epDataIn = 3,
    cepMax = 4,
};

constexpr bool FEpIn(uint8_t ep) { return ep == epSts || ep == epDataIn; }

// Request types of msgControl
enum : uint8_t {
    bmVendorOut = 0x40,
    bmVendorIn = 0xC0,
};

constexpr size_t cbPktMax = 64;     // command and status packets

// Little-endian helpers shared by both sides.
inline void PutU16(uint8_t *pb, uint16_t w) { pb[0] = uint8_t(w); pb[1] = uint8_t(w >> 8); }
inline void PutU32(uint8_t *pb, uint32_t dw)
{
    pb[0] = uint8_t(dw); pb[1] = uint8_t(dw >> 8); pb[2] = uint8_t(dw >> 16); pb[3] = uint8_t(dw >> 24);
}
inline uint16_t GetU16(const uint8_t *pb) { return uint16_t(pb[0] | (pb[1] << 8)); }
inline uint32_t GetU32(const uint8_t *pb)
{
    return uint32_t(pb[0]) | (uint32_t(pb[1]) << 8) | (uint32_t(pb[2]) << 16) | (uint32_t(pb[3]) << 24);
}

} // namespace usbwire

#endif
