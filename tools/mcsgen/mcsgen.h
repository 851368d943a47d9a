/*
 * mcsgen.h - PROM files (.mcs, Intel HEX) as the vendor's PROM file
 * generator writes them, for tests: the FPGA's configuration data with
 * every byte's bits reversed, 16 data bytes to a record, an extended
 * linear address record (type 04) before each 64 KB, CR LF line ends,
 * upper-case digits, the end-of-file record.
 */
#ifndef TOOLS_MCSGEN_H
#define TOOLS_MCSGEN_H

#include <stdint.h>

#include <string>
#include <vector>

/* The bytes a PROM holds for configuration data (bits of each byte reversed). */
std::vector<uint8_t> RgbPromImage(const std::vector<uint8_t> &rgbConfig);

/* Intel HEX text of an image placed at ibStart. */
std::string StrMcs(const std::vector<uint8_t> &rgbImage, uint32_t ibStart = 0);

#endif
