/*
 * xact.h - transactions of the client libraries (register port, board
 * management, JTAG release, JTAG utility) over the runtime's public
 * interface.
 *
 * A client borrows the handle's DVT, fills a TFP, starts it and collects its
 * result. Collection polls in short waits so that a caller's abort flag is
 * seen while the transaction runs; the runtime's transaction time-out ends a
 * transaction whose device stopped answering. A failure leaves its code in
 * the runtime's last error (TvxGetLastError).
 */
#ifndef KOR_XACT_H
#define KOR_XACT_H

#include <stdint.h>

#include <atomic>

#include "boardproto.h"
#include "dvt.h"
#include "voziri.h"

namespace xact {

enum : uint32_t {
    tmsPoll = 25,               /* wait of one collection poll */
};

/*
 * Protocols and capability bits the client libraries use. The register and
 * board-management protocols are the boards' own (boardproto.h); the
 * capability bit of their port is 1 << (protocol - 2).
 */
enum : uint8_t {
    aptJtag = 2,
};
enum : uint32_t {
    dcapJtag = 0x1,
    dcapReg = 1u << (boardproto::aptReg - 2),
    dcapMgmt = 1u << (boardproto::aptMgmt - 2),
};

/* Little-endian u32 at pb. */
inline void PutU32(uint8_t *pb, uint32_t dw)
{
    pb[0] = uint8_t(dw);
    pb[1] = uint8_t(dw >> 8);
    pb[2] = uint8_t(dw >> 16);
    pb[3] = uint8_t(dw >> 24);
}

inline uint32_t U32(const uint8_t *pb)
{
    return uint32_t(pb[0]) | uint32_t(pb[1]) << 8 | uint32_t(pb[2]) << 16 | uint32_t(pb[3]) << 24;
}

/* A zeroed record. */
void ClearTfp(TFP *ptfp);
/*
 * Command packet of port 0: length byte, protocol, command, port, then cbArg
 * argument bytes. Returns the packet's first argument byte.
 */
uint8_t *PbSetCmd(uint8_t *rgbPkt, uint8_t apt, uint8_t cmd, uint8_t cbArg);
/* Completion command of a data phase armed by command cmd. */
void SetDone(uint8_t *rgbPkt, uint8_t apt, uint8_t cmd);
/* Return bytes of a status packet go to pb (cb of them). */
void AddReply(TFPRPLY *prply, uint8_t cb, uint8_t *pb);

/* Record erc with a log line; returns 0 (failure) for the caller. */
int FFail(int erc, const char *szMsg);
/* The runtime's last error, ercInternalError when a failure left none. */
int ErcLast();

/* The handle's DVT, or NULL with the error recorded. */
DVT *PdvtOf(HIF hif);

/* Start the transaction; returns once the handle's thread has taken it. */
int FStart(HIF hif, TFP *ptfp);
/*
 * Wait for the end of the handle's transaction. With pfAbort, a flag that
 * becomes nonzero cancels the transaction (it ends with ercTransferCancelled).
 * The counts are the final status's (units of the protocol).
 */
int FFinish(HIF hif, uint32_t *pcOut, uint32_t *pcIn, const std::atomic<int> *pfAbort = nullptr);
/* FStart, then FFinish. */
int FRun(HIF hif, TFP *ptfp, uint32_t *pcOut = nullptr, uint32_t *pcIn = nullptr,
         const std::atomic<int> *pfAbort = nullptr);
/* One command of port 0 without a data phase, cbRet return bytes to pbRet. */
int FRunCmd(HIF hif, uint8_t apt, uint8_t cmd, const uint8_t *pbArg, uint8_t cbArg, uint8_t *pbRet,
            uint8_t cbRet);

/*
 * Lock capability dcap on the device for protocol apt and port prt
 * (prtNone: for the length of one call). A board whose port counts among
 * the private capabilities is retried with those made visible (Fsadm 4).
 */
int FLockCap(HIF hif, uint32_t dcap, uint8_t apt, int32_t prt);
int FUnlockCap(HIF hif, uint32_t dcap, uint8_t apt, int32_t prt);
/* Lock, then enable port 0 of apt on the device; on failure nothing stays locked. */
int FEnable(HIF hif, uint32_t dcap, uint8_t apt, int32_t prt);
/*
 * End a transaction the handle still runs (an overlapped transfer not yet
 * collected): cancel it and wait for its end. Nothing happens on an idle
 * handle.
 */
void SettleTrans(HIF hif);
/*
 * Disable port 0 of apt on the device, then give back the lock (also when the
 * device failed). A transfer the handle still runs is cancelled and waited
 * out first: the port goes away under it.
 */
int FDisable(HIF hif, uint32_t dcap, uint8_t apt, int32_t prt);

} // namespace xact

#endif
