/*
 * svfcpld.h - SVF files as a programming tool writes them for the
 * CoolRunner-II of the end-to-end boards (shared by the end-to-end test and
 * the SVF bench).
 */
#ifndef JTAGCHAIN_TESTS_E2EDEV_SVFCPLD_H
#define JTAGCHAIN_TESTS_E2EDEV_SVFCPLD_H

#include <stdint.h>

#include <string>
#include <vector>

#include "cr2gen.h"

/* Hex of a bit vector as SVF writes it (most significant digit first), wrapped every 64 digits. */
std::string StrSvfHex(const std::vector<uint8_t> &rgbit);

/* An iMPACT-style SVF erasing, programming and verifying the CPLD at the
 * TDI end of a chain whose other device (IR 8) sits nearer TDO: header
 * patterns for it, CRLF line ends, values wrapped over lines, RUNTEST in
 * clocks and in seconds. It ends with both devices in BYPASS and no
 * header patterns. */
std::string StrSvfCpld(const CR2PART &part, const std::vector<std::vector<uint8_t>> &rgrow);

#endif
