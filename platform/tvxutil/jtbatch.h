/*
 * jtbatch.h - shifts of a port gathered into one batch transaction.
 *
 * On a board whose JTAG port offers the batch command, the clocking calls
 * that capture nothing are queued as batch operations and go out together
 * with the next call that captures TDO, with TvxWaitForTransaction, with the
 * disable or close of the port, or when the queue holds a transport's worth
 * of operations. A call that captures sends the queue with its own shift as
 * the last operations and takes its TDO bits from the batch's in data.
 *
 * Every shift becomes TDI-shift operations (5, or 6 with capture): each
 * clock of a run with one TMS level goes out with that level. The batch
 * engine sends every bit of an operation but the last with the port's
 * present TMS level and the last with the operation's, so a run whose level
 * may differ from the port's starts with an operation of one clock.
 */
#ifndef KOR_JTBATCH_H
#define KOR_JTBATCH_H

#include <stdint.h>

#include <vector>

#include "jtshift.h"

namespace jtshift {

enum : uint32_t {
    cbBatchMax = 1u << 16,      /* operation bytes per batch transaction */
    cclkPairsPiece = 1u << 13,  /* pairs queued at a time: at most 7 operation bytes a clock */
    jcmdBatch = 23,             /* the JTAG protocol's batch command */
    ibitPropBatch = 17,         /* its bit in the port property word */
};

class JTBATCH {
public:
    bool FEmpty() const { return rgbOps.empty(); }
    uint32_t CbOps() const { return uint32_t(rgbOps.size()); }
    /* Most operation bytes that cclk clocks of js can take. */
    static uint32_t CbOpsMax(const JSHIFT &js, uint32_t cclk);
    /* Queue clocks iclk to iclk + cclk - 1 of js (capture included). */
    void AddShift(const JSHIFT &js, uint32_t iclk, uint32_t cclk);
    /* The batch transaction of the queue: command, data phases, completion. */
    void BuildTfp(TFP *ptfp);
    /* Bytes the device must have taken and given back. */
    uint32_t CbTdo() const { return uint32_t(rgbTdo.size()); }
    /* After the batch went through: the captured bits to their callers' buffers. */
    void ScatterTdo() const;
    /* The queue went out: empty it, keeping the port's TMS level. */
    void Sent();
    /* Forget the queue; the port's TMS level is not known any more. */
    void Clear();

private:
    struct CAPTURE {
        uint8_t *pbDst;
        uint32_t ibitDst;
        uint32_t cbit;
        uint32_t ibTdo;         /* first byte of its bits in the in data */
    };
    /* One operation of cbit clocks, TMS fTms, TDI bits from ibitSrc of pbSrc
     * (NULL: all TDI fTdi), with capture to pbDst from ibitDst. */
    void AddOp(bool fTms, const uint8_t *pbSrc, uint32_t ibitSrc, bool fTdi, uint32_t cbit, uint8_t *pbDst,
               uint32_t ibitDst);
    /* A run of cbit clocks at one TMS level. */
    void AddRun(bool fTms, const uint8_t *pbSrc, uint32_t ibitSrc, bool fTdi, uint32_t cbit, uint8_t *pbDst,
                uint32_t ibitDst);
    void AddPairs(const JSHIFT &js, uint32_t iclk, uint32_t cclk);

    std::vector<uint8_t> rgbOps;
    std::vector<uint8_t> rgbTdo;
    std::vector<uint8_t> rgbTdi;        /* TDI bits of a pairs run */
    std::vector<CAPTURE> rgcapture;
    int tmsPort = -1;                   /* the port's TMS level once an operation set it */
};

} // namespace jtshift

#endif
