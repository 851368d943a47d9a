/*
 * dvclist.h - the device-list file "briseldvclist.txt" of the data
 * directory: identification of IDCODEs and part lookup of .bit files.
 * Both read it from its top; its lines are read once and kept until the
 * file changes.
 */
#ifndef JTAGCHAIN_DVCLIST_H
#define JTAGCHAIN_DVCLIST_H

#include <stdint.h>

class SCHAIN;
class SCDVC;

extern const char szDvcListFile[];   /* "briseldvclist.txt" */

/* The typed record (with its description) of an IDCODE; the "UNKNOWN"
 * record for an unknown vendor; null when the IDCODE is not identified. The
 * caller stores the IDCODE and owns the record. */
SCDVC *IdentifyIdcode(SCHAIN *pschain, uint32_t idcode);

/* IDCODE value of a Xilinx part name ("xc" and the part text of a .bit
 * file) with its mask in *pmask; 0 when the part is not found. */
uint32_t LookupPartIdcode(SCHAIN *pschain, const char *szPart, uint32_t *pmask);

/* Match a family pattern against a part name: letters without regard to
 * case, "$" takes 1 to 16 decimal digits (copied to szNamePart, 17 chars);
 * success as soon as either ends after "$" took its digits. */
bool FMatchPartPattern(const char *szPattern, const char *szPart, char *szNamePart);

#endif /* JTAGCHAIN_DVCLIST_H */
