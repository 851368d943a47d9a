/*
 * dtblread.h - the device-table file's reader: "DVC {" blocks with the keys
 * szName, szConn and dtp, read with the tokenizer (options 0x1100).
 *
 * Kept apart from the shared table so that it can be fuzzed on its own.
 */
#ifndef DTBLREAD_H
#define DTBLREAD_H

#include "tokenizer.h"
#include "voziri.h"

enum { optDvcTblFile = 0x1100, cchDvcTblLine = 256 };

/* Takes one complete block's record; false stops the read with failure. */
typedef int (*PFNDVCBLOCK)(void *pv, const DVC *pdvc);

/*
 * Reads blocks until the end of the stream attached to prdr. One record
 * buffer serves the whole read (a key missing from a block keeps the
 * previous block's value). Fails when "DVC" is not followed by "{" or
 * pfnBlock fails; the blocks handed over before stay handed over.
 */
int FReadDvcBlocks(TOKRDR *prdr, PFNDVCBLOCK pfnBlock, void *pv);

#endif /* DTBLREAD_H */
