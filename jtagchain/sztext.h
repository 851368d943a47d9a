/*
 * sztext.h - small text routines of the readers.
 */
#ifndef JTAGCHAIN_SZTEXT_H
#define JTAGCHAIN_SZTEXT_H

#include <stddef.h>

/* Compare two characters after mapping a-z to A-Z: -1, 0 or 1. */
int ChCompareNoCase(char ch1, char ch2);
/* Compare two texts without regard to case: -1, 0 or 1. */
int SzCompareNoCase(const char *sz1, const char *sz2);
/* True when szPrefix begins sz (without regard to case). */
bool SzPrefixNoCase(const char *sz, const char *szPrefix);
/* Copy at most cchDst - 1 characters and a NUL; false when sz was cut. */
bool SzCopyBounded(char *szDst, const char *szSrc, size_t cchDst);
/* Append szSrc to szDst within cchDst; false when it was cut. */
bool SzAppendBounded(char *szDst, const char *szSrc, size_t cchDst);
/* The last "." of sz, null when there is none. */
const char *PchLastDot(const char *sz);
bool FDecimalDigit(char ch);

#endif /* JTAGCHAIN_SZTEXT_H */
