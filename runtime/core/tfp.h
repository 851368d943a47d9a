/*
 * tfp.h - checks and helpers of the transaction record and its packets.
 *
 * Command packet: [n, apt, cmd, port, args...], n + 1 bytes, at most 64.
 * Status packet: [n, status, (u32 sent) if bit 7, (u32 received) if bit 6,
 * return bytes...]; status bits 5-0 are the code, 0 = success.
 */
#ifndef TFP_H
#define TFP_H

#include "voziri.h"

enum {
    cbPktLenMax = 63,              /* largest length byte of a packet */
    fstsCbOut = 0x80,              /* status byte: host-to-device count follows */
    fstsCbIn = 0x40,               /* status byte: device-to-host count follows */
    mskStsCode = 0x3F,
    stsInternalMin = 48,           /* device codes from here on reach clients as 3080 */
    cmdGetPortProps = 2,
    cprpPktMax = 15,               /* property words one status packet can carry */
};

/* Whether the record passes the checks FDoTrans applies (else 3079). */
int FCheckTfp(const TFP *ptfp);

inline uint32_t DwFromPbLe(const uint8_t *pb)
{
    return (uint32_t)pb[0] | (uint32_t)pb[1] << 8 | (uint32_t)pb[2] << 16 | (uint32_t)pb[3] << 24;
}

#endif /* TFP_H */
