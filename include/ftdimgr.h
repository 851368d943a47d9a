/*
 * ftdimgr.h - the machine-wide FTDI interface list of Voziri and its public
 * functions.
 *
 * Every process that loads the runtime sees one list of the interfaces
 * (channels) of FTDI-based devices that carry the maker's record in their
 * EEPROM user area; each slot has a named mutex of its own with which one
 * opener at a time claims that channel across all processes. A claim whose
 * holder ended without giving it back goes to the next claimer (-3).
 *
 * Every function returns 0 or a negative result code and records no error.
 * All but ftdimgr_lock, ftdimgr_unlock, ftdimgr_get_interface_from_ua and
 * ftdimgr_get_korvanel_ua_size are called between ftdimgr_lock and
 * ftdimgr_unlock.
 */
#ifndef FTDIMGR_H
#define FTDIMGR_H

#include <stddef.h>
#include <stdint.h>

#include "voziri.h"

enum {
    cftintfMax = 64,
    cbFtua = 64,
    ftdmgrOk = 0,
    ftdmgrNotInit = -1,
    ftdmgrTimeout = -2,          /* held elsewhere */
    ftdmgrAbandoned = -3,        /* obtained from an owner that ended: counts as success */
    ftdmgrNotOwner = -4,
    ftdmgrOsFailed = -5,
    ftdmgrNullArg = -6,
    ftdmgrInvalidArg = -7,
    ftdmgrNotFound = -10,
    ftdmgrNoMemory = -11,
    ftdmgrDuplicate = -12,
    ftdmgrFull = -13,
    fsintfMpsse = 0x01,          /* FTINTF::fsIntf: the channel is in MPSSE mode */
};

/* One interface: 84 bytes, little-endian, in the shared segment and across the functions. */
typedef struct FTINTF {
    char szName[16];             /* serial (12) and channel letter; empty: free slot */
    char szUsrName[17];
    char szProdName[31];
    uint32_t dwReserved;         /* bytes 2-5 of the user area */
    uint32_t pdid;
    uint32_t dcapPub;
    uint32_t dcapPriv;
    uint8_t fsIntf;
    uint8_t rgbPad[3];
} FTINTF;

static_assert(sizeof(FTINTF) == 84, "FTINTF");
static_assert(offsetof(FTINTF, szUsrName) == 16 && offsetof(FTINTF, szProdName) == 33, "FTINTF names");
static_assert(offsetof(FTINTF, dwReserved) == 64 && offsetof(FTINTF, pdid) == 68, "FTINTF words");
static_assert(offsetof(FTINTF, dcapPub) == 72 && offsetof(FTINTF, dcapPriv) == 76, "FTINTF caps");
static_assert(offsetof(FTINTF, fsIntf) == 80, "FTINTF flags");

/* Offsets of the maker's 64-byte record at the start of the EEPROM user area. */
enum {
    ibFtuaReserved = 2,
    ibFtuaPdid = 6,
    ibFtuaUsrName = 10,          /* 17 bytes */
    ibFtuaProdName = 27,         /* 29 bytes */
    ibFtuaDcapPub = 56,
    ibFtuaDcapPriv = 60,
};

#ifdef __cplusplus
extern "C" {
#endif

VZAPI int32_t VZCALL ftdimgr_lock(int32_t tmsTimeout);
VZAPI int32_t VZCALL ftdimgr_unlock(void);
VZAPI int32_t VZCALL ftdimgr_add_interface(const FTINTF *pftintf);
VZAPI int32_t VZCALL ftdimgr_get_interface_list(FTINTF **prgftintf, uint32_t *pcftintf);
VZAPI int32_t VZCALL ftdimgr_free_interface_list(FTINTF **prgftintf);
VZAPI int32_t VZCALL ftdimgr_lock_interface(const char *szName, FTINTF *pftintf);
VZAPI int32_t VZCALL ftdimgr_modify_interface(const char *szName, const FTINTF *pftintf);
VZAPI int32_t VZCALL ftdimgr_remove_interface(const FTINTF *pftintf);
VZAPI int32_t VZCALL ftdimgr_unlock_interface(const char *szName);
VZAPI int32_t VZCALL ftdimgr_get_interface_from_ua(const uint8_t *pbUa, uint32_t cbUa, FTINTF *pftintf);
VZAPI int32_t VZCALL ftdimgr_get_korvanel_ua_size(int32_t *pcb);

#ifdef __cplusplus
}
#endif

#endif /* FTDIMGR_H */
