// ownerwire.h - the owner record both simulated wires (usbwire.h,
// ftdiwire.h) use to tell the simulator which process a connection
// belongs to.
//
// A real device is free the moment its process dies, but some systems keep a
// killed process's connections open for a while. A host refused a device
// because another connection holds it asks the simulator for that
// connection's owner record; when the record names a process of its own
// system that has ended, it reports the record back and the simulator closes
// every connection of exactly that owner.
//
// Owner record (13 bytes, integers little-endian)
//   u8 kind (ownerPosix, ownerWin32; 0: none), u32 process id, u32 start
//   time low, u32 start time high (the system's own start time of the
//   process, which tells it from a later process with the same id). Only a
//   host of the same kind can tell whether such a process still runs.

#ifndef KOR_SIM_OWNERWIRE_H
#define KOR_SIM_OWNERWIRE_H

#include <cstddef>
#include <cstdint>

namespace ownerwire {

// Kinds of owner records
enum : uint8_t {
    ownerNone = 0,
    ownerPosix = 1,
    ownerWin32 = 2,
};
constexpr size_t cbOwner = 13;

} // namespace ownerwire

#endif
