/*
 * vzfsadm.h - the process's Fsadm flag word (TvxSetFsadm and friends).
 */
#ifndef VZFSADM_H
#define VZFSADM_H

#include <stdint.h>

uint32_t FsadmGet();

#endif /* VZFSADM_H */
