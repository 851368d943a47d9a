/*
 * fwimage.h - firmware image files for tests: FX2 Intel HEX (.HEX), FX2
 * boot images (.IIC) and FX3 images (.IMG) whose RAM bytes carry the
 * simulator's firmware descriptor ("KSIMFW01", u32 pdid, u16 version, u32
 * public and u32 private capability word, little-endian), named as the
 * firmware catalogues expect them.
 */
#ifndef FWIMAGE_H
#define FWIMAGE_H

#include <stdint.h>

#include <string>
#include <vector>

struct FWIDENT {
    uint32_t pdid;
    uint16_t fwver;
    uint32_t dcapPub;
    uint32_t dcapPriv;
};

/* The 22 bytes of the descriptor. */
std::vector<uint8_t> RgbFwDescriptor(const FWIDENT &ident);

/* "FX2FW_%02X_%08X_%08X_%04X.HEX" / ".IIC", "FX3FW_..._%04X.img". */
std::string SzFx2HexName(const FWIDENT &ident);
std::string SzFx2IicName(const FWIDENT &ident);
std::string SzFx3ImgName(const FWIDENT &ident);

/* Intel HEX of an FX2 image: code with the descriptor at 0x0100 and, when
 * fExternal, a block at 0x8000 (external RAM); 16-byte records. */
std::string SzFx2Hex(const FWIDENT &ident, bool fExternal);
/* FX2 boot image: 0xC2, vendor id, fwid, 0, then records and the end. */
std::vector<uint8_t> RgbFx2Iic(const FWIDENT &ident, uint16_t idVendor);
/* FX3 image: "CY", two header bytes, sections of 32-bit words (one of them
 * holds the descriptor), the entry section and the checksum; fBadSum makes
 * the checksum wrong. */
std::vector<uint8_t> RgbFx3Img(const FWIDENT &ident, bool fBadSum = false);

bool FWriteFile(const std::string &szPath, const std::string &sz);
bool FWriteFile(const std::string &szPath, const std::vector<uint8_t> &rgb);

#endif
