// dsgmiravo3.h - the Miravo3 memory-manager design (the board's plain test
// image, tag "miravo3").
//
// The design drives the three 16 MB memories beside the FPGA: the SPI flash
// ("spi"), the x16 parallel flash ("bpi", four 32 KB boot blocks at the
// bottom, then 127 blocks of 128 KB) and the RAM ("ram"). The host talks to
// it through the command handshake of the memory managers:
//   0x80 command (a write starts it; the status changes at once)
//   0x81 status: 1 done, 2 busy, 3 waiting for program data, 4 read data ready
//   0x82 result of a finished command (0 success)
//   0x83-0x86 a 32-bit value after an identification, least significant first
//   0x94, 0x89, 0x88, 0x87 address, bits 31-24 down to 7-0
//   0x93, 0x92, 0x91, 0x90 length, likewise
//   0xA0 data of program and read commands
// Commands: 0x01 initialise; 0x05 design id 0x00D00142; 0x12 / 0x13 / 0x14
// the BPI / SPI / RAM chip ids; 0x23 query the SPI block at the address
// (result 1 when it holds programmed bytes); 0x33 / 0x22 erase the SPI / BPI
// block at the address; 0x43 / 0x32 / 0x24 program the SPI / BPI / RAM range
// with the data that follow (flash: old AND new); 0x53 / 0x42 / 0x34 read the
// range (beyond the memory reads 0xFF). Program data go to the array while
// they arrive; after the last byte the status stays busy until the array is.
//
// Board options (designopt / DOPT):
//   miravo3.spiid   SPI id (0x20BA18: 64 KB blocks; 0x20DA18: 128 KB blocks)
//   miravo3.bpiid   BPI id (default 0x8821)      miravo3.ramid RAM id (0x0343)
//   miravo3.failcmd CMD   that command finishes with result 2
//   miravo3.stuck 1       every command stays busy
//   miravo3.readflip A,B,...  reads of these memory addresses give the
//                         stored byte with bit 0 inverted (a bad cell)
// Events in the design log: "cmd 0xNN addr 0xAAAAAAAA len 0xLLLLLLLL".

#ifndef KOR_SIM_DSGMIRAVO3_H
#define KOR_SIM_DSGMIRAVO3_H

#include "simdesign.h"

#include <memory>

namespace sim {

std::unique_ptr<SIMDESIGN> PdesignNewMiravo3(DESIGNENV &env);

} // namespace sim

#endif
