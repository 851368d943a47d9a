// boardproto.h - the register-port and board-management protocols.
//
// Two protocols of the boards' firmware that ride on the ordinary command,
// status and data packets of a transaction (command packet: u8 n, u8 protocol,
// u8 command, u8 port, arguments; status packet: u8 n, u8 status byte with
// bit 7 "sent count follows" and bit 6 "received count follows", the counts,
// the return bytes; little-endian throughout). They are our own: the register
// client (`Vesk` stand-in) and the board-management client (`Mosk` stand-in)
// speak them to the simulated boards. The protocol numbers are chosen so that
// the capability bit of a port, 1 << (protocol - 2), does not meet the JTAG
// (0x1) and stream (0x800) bits.
//
// Every command of both protocols except 0 and 2 needs its port enabled
// (else status 4); a port number at or above the port count gives status 12;
// a length byte other than the one listed gives status 51; an unknown command
// status 50. Commands 0 (enable), 1 (disable) and 2 (port properties: byte 4
// = n, the return bytes wanted; reply u8 port count, then (n - 1) / 4 u32
// property words; n = 0 or n - 1 not a multiple of 4 gives status 13) are the
// same as in every other protocol.
//
// Register port, protocol aptReg (3), one port, property word 0x00000001.
// The design that the FPGA runs exposes 256 8-bit registers.
//   cmd 3 regCmdPut        n 5   u8 reg, u8 value                 status only
//   cmd 4 regCmdGet        n 4   u8 reg                           u8 value
//   cmd 5 regCmdPutRepeat  n 8   u8 reg, u32 cb                   data phase: cb bytes out, each written
//                                                                  to reg in order; completion 0x85;
//                                                                  final status 05 80 <u32 bytes taken>
//   cmd 6 regCmdGetRepeat  n 8   u8 reg, u32 cb                   data phase: cb bytes in, each read from
//                                                                  reg; completion 0x86; final 05 40 <u32>
//   cmd 7 regCmdPutSet     n 7   u32 cpair                        data phase: 2 x cpair bytes out, pairs
//                                                                  (reg, value); completion 0x87; the
//                                                                  sent count counts bytes
//   cmd 8 regCmdGetSet     n 7   u32 creg                         data phase: creg register numbers out,
//                                                                  creg values in; completion 0x88;
//                                                                  final status 09 C0 <out> <in>
//   A final status carries code 0, or 2 after an abort (system command 2).
//
// Board management, protocol aptMgmt (4), one port, property word 0x00000001.
//   cmd 3 mgmtCmdConfigReset  n 4  u8 assert (nonzero: hold the FPGA's
//                                   configuration in reset and clear it;
//                                   0: release)                    status only
//   cmd 4 mgmtCmdRailCount    n 3                                  u32 number of supply rails
//   cmd 5 mgmtCmdRailProps    n 4  u8 rail                         u32 voltage factor, u32 current
//                                                                  factor (reading x factor / 1e6)
//   cmd 6 mgmtCmdRailLabel    n 4  u8 rail                         32 bytes, NUL-padded label
//   cmd 7 mgmtCmdRailData     n 4  u8 rail                         u32 raw voltage, u32 raw current
//   A rail number at or above the count gives status 13.

#ifndef KOR_SIM_BOARDPROTO_H
#define KOR_SIM_BOARDPROTO_H

#include <cstdint>

namespace boardproto {

enum : uint8_t {
    aptReg = 3,
    aptMgmt = 4,
};

// Commands shared by every protocol
enum : uint8_t {
    cmdEnablePort = 0,
    cmdDisablePort = 1,
    cmdGetPortProps = 2,
};

enum : uint8_t {
    regCmdPut = 3,
    regCmdGet = 4,
    regCmdPutRepeat = 5,
    regCmdGetRepeat = 6,
    regCmdPutSet = 7,
    regCmdGetSet = 8,
};

enum : uint8_t {
    mgmtCmdConfigReset = 3,
    mgmtCmdRailCount = 4,
    mgmtCmdRailProps = 5,
    mgmtCmdRailLabel = 6,
    mgmtCmdRailData = 7,
};

constexpr uint32_t dprpReg = 0x00000001;
constexpr uint32_t dprpMgmt = 0x00000001;
constexpr unsigned cchRailLabel = 32;

} // namespace boardproto

#endif
