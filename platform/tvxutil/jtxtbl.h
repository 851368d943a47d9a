/*
 * jtxtbl.h - open JTAG ports of Tvxutil and the table of their handles.
 *
 * A handle names a port by a number that is never given out twice, so a
 * closed handle finds nothing instead of freed memory; a thread that looked
 * a port up keeps it alive while another thread closes its handle.
 */
#ifndef KOR_JTXTBL_H
#define KOR_JTXTBL_H

#include <stdint.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

#include "jtbatch.h"
#include "tvxutil.h"
#include "voziri.h"

/* One open JTAG port. */
struct JTX {
    HIF hif = hifNil;               /* the runtime's handle of the device */
    bool fEnabled = false;          /* the port drives the TAP */
    std::atomic<int> fAbort{0};     /* set by TvxAbortConfigTransaction until cleared */
    std::atomic<int> fBusy{0};      /* a call clocks the port */
    bool fBatch = false;            /* the port offers the batch command: shifts are queued */
    jtshift::JTBATCH batch;         /* shifts not sent yet */
};

class JTXTBL {
public:
    HTVX HtvxAdd(const std::shared_ptr<JTX> &pjtx);
    std::shared_ptr<JTX> PjtxOf(HTVX h);
    std::shared_ptr<JTX> PjtxRemove(HTVX h);

private:
    std::mutex mtx;
    std::map<uintptr_t, std::shared_ptr<JTX>> mpjtx;
    uintptr_t idNext = 1;
};

extern JTXTBL jtxtbl;

#endif
