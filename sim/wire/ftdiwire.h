// ftdiwire.h - the simulated FTDI chips as seen over loopback TCP.
//
// What a D2XX host library can do with the FTDI chips of the simulator
// (korsim): list their channels, open one channel exclusively, write and read
// its data pipe, set its bit mode and parameters, and read and write the
// chip's configuration EEPROM. The simulator is the device side; our `ftd2xx`
// stand-in (platform/ftd2xx) is the host side. Portable C++: the Windows
// builds of the host side include this header too.
//
// Connection
//   The host connects to 127.0.0.1:<port> and sends the 8-byte preamble
//   "KFTD" u16 version (kftdVersion) u16 0, then tells its owner (fmsgOwner).
//   One connection is one D2XX
//   handle: it is opened on at most one channel at a time. A channel is open
//   on at most one connection (in any process) at a time: that is D2XX's
//   exclusive open. A connection that closes (the process ended, or was
//   killed) gives its channel back.
//
// Message frame (all integers little-endian), as on the USB wire
//   u32 cb    number of bytes that follow (type, tag and payload)
//   u8  type  one of the fmsgXxx values below
//   u32 tag   chosen by the host, echoed in the answer
//   ...       payload
//   A frame never exceeds cbFtWireMax bytes after the length field; a longer
//   frame closes the connection. Every request is answered at once, in order.
//
// Status values are D2XX's own (FT_OK = 0, FT_DEVICE_NOT_FOUND = 2, ...; the
// ftXxx values below).
//
// Requests and their answers
//   fmsgList      no payload. answer fmsgListR: u32 status, u32 count, then per
//                 channel of every chip on the bus (chips in configuration
//                 order, channels A, B, C, D):
//                   u32 flags (bit 0: open on some connection, bit 1: high
//                   speed), u32 device type (D2XX numbering: 6 FT2232H,
//                   7 FT4232H, 8 FT232H), u32 id (vendor << 16 | product),
//                   u32 location id, u16 cch + serial text (the chip's EEPROM
//                   serial followed by the channel letter on multi-channel
//                   parts), u16 cch + description text (the EEPROM product
//                   string, followed by " A", " B", ... on multi-channel parts).
//                 Serial and description are those the chip read from its
//                 EEPROM at power-on (or at its last port cycle).
//   fmsgOpen      u8 by (openBySerial, openByDescription, openByLocation),
//                 then u32 location or u16 cch + text. answer fmsgResult:
//                 ftOk, ftDeviceNotFound (no channel so named now),
//                 ftDeviceNotOpened (the channel is open elsewhere).
//   fmsgClose     no payload. answer fmsgResult (ftOk also when not open).
//   fmsgInfo      no payload. answer fmsgInfoR: u32 status, u32 type,
//                 u32 id, u32 location, u16 cch + serial, u16 cch + description
//                 of the open channel.
//   fmsgWrite     bytes. answer fmsgCountR: u32 status, u32 count taken.
//                 The channel's engine consumes them at once (MPSSE commands,
//                 FIFO data towards the board's design); bytes in reset mode
//                 go to the UART and are lost.
//   fmsgRead      u32 cbMax. answer fmsgReadR: u32 status, u32 cb, then cb
//                 bytes: what the channel has for the host now, at most cbMax
//                 (never waits; the host repeats within its time-out).
//   fmsgQueue     no payload. answer fmsgCountR: status, bytes readable now.
//                 Bytes the MPSSE produced become readable at a send
//                 immediate (0x87), once 512 are waiting, or when the latency
//                 timer ran out since the first of them.
//   fmsgBitMode   u8 mask, u8 mode. answer fmsgResult. Modes: 0x00 reset,
//                 0x01 asynchronous bit bang, 0x02 MPSSE, 0x04 synchronous
//                 bit bang, 0x08 MCU host bus, 0x10 fast opto, 0x40
//                 synchronous FIFO (channel A of a FIFO-wired FT2232H or
//                 FT232H). Entering a mode resets the channel's engine.
//   fmsgGetPins   no payload. answer fmsgCountR: status, the low GPIO byte.
//   fmsgPurge     u32 mask (1 receive, 2 transmit). answer fmsgResult.
//   fmsgReset     no payload (FT_ResetDevice). answer fmsgResult.
//   fmsgParam     u8 which (paramXxx), u32 a, u32 b. answer fmsgResult. Kept
//                 for the control channel's FTDI listing; the latency timer
//                 (a = milliseconds, 2..255 taken, else ftInvalidParameter)
//                 governs when MPSSE answers become readable.
//   fmsgEeRead    u16 word offset, u16 count. answer fmsgEeR: u32 status,
//                 u16 count, words. Offsets beyond the EEPROM read 0xFFFF.
//   fmsgEeWrite   u16 word offset, u16 count, words. answer fmsgResult
//                 (ftEepromWriteFailed beyond the EEPROM).
//   fmsgEeErase   no payload: every word 0xFFFF. answer fmsgResult.
//   fmsgCycle     no payload (FT_CyclePort): the chip leaves the bus, reads
//                 its EEPROM again and comes back; the connection's handle is
//                 closed. answer fmsgResult.
//   fmsgPing      no payload. answer fmsgResult ftOk.
//   fmsgOwner     the owner record (ownerwire.h) of the process the connection
//                 belongs to. Sent once after the preamble. answer fmsgResult
//                 (ftInvalidParameter when the record is short).
//   fmsgHolder    as fmsgOpen: which channel. answer fmsgHolderR: u32 status
//                 (ftOk, ftDeviceNotFound, ftInvalidParameter), then the owner
//                 record of the connection that has the channel open (kind 0
//                 when it is not open or its owner is not known).
//   fmsgOwnerEnded  an owner record: the host has found that this process has
//                 ended. A real chip's channel is free the moment its process
//                 dies, but some systems keep a killed process's connections
//                 open for a while; every other connection of exactly that
//                 owner is therefore closed now, its channel given back.
//                 answer fmsgResult (ftOk also when no connection matched).
//
// A channel whose chip is unplugged (control channel) answers every request
// of its open handle with ftIoError; the handle stays dead after a replug.
// A request on a connection that is not open answers ftInvalidHandle.

#ifndef KOR_SIM_FTDIWIRE_H
#define KOR_SIM_FTDIWIRE_H

#include <cstddef>
#include <cstdint>

#include "ownerwire.h"

namespace ftdiwire {

using ownerwire::cbOwner;

constexpr char kftdMagic[4] = { 'K', 'F', 'T', 'D' };
constexpr uint16_t kftdVersion = 1;
constexpr size_t cbPreamble = 8;
constexpr uint32_t cbFtWireMax = 0x1000000 + 64;
constexpr size_t cbFrameHeader = 4 + 1 + 4;

enum : uint8_t {
    fmsgList = 1,
    fmsgOpen = 2,
    fmsgClose = 3,
    fmsgInfo = 4,
    fmsgWrite = 5,
    fmsgRead = 6,
    fmsgQueue = 7,
    fmsgBitMode = 8,
    fmsgGetPins = 9,
    fmsgPurge = 10,
    fmsgReset = 11,
    fmsgParam = 12,
    fmsgEeRead = 13,
    fmsgEeWrite = 14,
    fmsgEeErase = 15,
    fmsgCycle = 16,
    fmsgPing = 17,
    fmsgOwner = 18,
    fmsgHolder = 19,
    fmsgOwnerEnded = 20,

    fmsgResult = 0x81,      // u32 status
    fmsgListR = 0x82,
    fmsgInfoR = 0x83,
    fmsgCountR = 0x84,      // u32 status, u32 count
    fmsgReadR = 0x85,
    fmsgEeR = 0x86,
    fmsgHolderR = 0x87,     // u32 status, owner record
};

enum : uint8_t {
    openBySerial = 1,
    openByDescription = 2,
    openByLocation = 4,
};

enum : uint8_t {
    paramLatency = 1,       // a: milliseconds
    paramTimeouts = 2,      // a: read ms, b: write ms
    paramUsb = 3,           // a: in transfer size, b: out transfer size
    paramChars = 4,         // a: event char | enable << 8, b: error char | enable << 8
    paramFlow = 5,          // a: flow mode, b: xon | xoff << 8
};

// D2XX status values
enum : uint32_t {
    ftOk = 0,
    ftInvalidHandle = 1,
    ftDeviceNotFound = 2,
    ftDeviceNotOpened = 3,
    ftIoError = 4,
    ftInsufficientResources = 5,
    ftInvalidParameter = 6,
    ftEepromReadFailed = 11,
    ftEepromWriteFailed = 12,
    ftInvalidArgs = 16,
    ftNotSupported = 17,
    ftOtherError = 18,
};

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

} // namespace ftdiwire

#endif
