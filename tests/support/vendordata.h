/*
 * vendordata.h - files made by the FPGA vendor's own tools, for tests.
 *
 * They live outside the project: KOR_VENDOR_DIR names the folder, else the
 * tests look for shared/testdata/vendor beside the checkout or beside its
 * parent (KOR_SOURCE_DIR, defined by the test's build). A test that needs
 * them skips, saying so, when neither exists.
 *
 * The .bit files are read here with a reader of the tests' own (keyed
 * header, then section 'e'), so that a test of the simulator does not lean
 * on the scan-chain library's reader.
 */
#ifndef KOR_VENDORDATA_H
#define KOR_VENDORDATA_H

#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace vendordata {

using BYTES = std::vector<uint8_t>;

/* Configuration families of the vendor's files. */
enum VFAM { vfamNone, vfamS3, vfamS3E, vfamS3A, vfamS6 };

inline std::string SzDir()
{
    std::vector<std::string> rgszCand;
    if (const char *sz = getenv("KOR_VENDOR_DIR"))
        rgszCand.push_back(sz);
#if defined(KOR_SOURCE_DIR)
    rgszCand.push_back(std::string(KOR_SOURCE_DIR) + "/../shared/testdata/vendor");
    rgszCand.push_back(std::string(KOR_SOURCE_DIR) + "/../../shared/testdata/vendor");
#endif
    for (const std::string &sz : rgszCand) {
        std::error_code ec;
        if (!sz.empty() && std::filesystem::is_directory(sz, ec))
            return sz;
    }
    return "";
}

/* True when the folder is there. */
inline bool FHere()
{
    return !SzDir().empty();
}

/* Path of a file below the folder ("hackrf-xc2c64a/top.jed"); empty when
 * the folder is absent. */
inline std::string SzFile(const std::string &szRel)
{
    std::string szDir = SzDir();
    return szDir.empty() ? "" : szDir + "/" + szRel;
}

/* Every file of the folder (and its subfolders) with the extension, sorted. */
inline std::vector<std::string> RgszFiles(const std::string &szExt)
{
    std::vector<std::string> rgsz;
    std::string szDir = SzDir();
    if (szDir.empty())
        return rgsz;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(szDir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec) && it->path().extension().string() == szExt)
            rgsz.push_back(it->path().string());
    std::sort(rgsz.begin(), rgsz.end());
    return rgsz;
}

inline bool FReadFile(const std::string &szPath, BYTES *prgb)
{
    FILE *pf = fopen(szPath.c_str(), "rb");
    if (pf == nullptr)
        return false;
    prgb->clear();
    uint8_t rgbBuf[65536];
    size_t cb;
    while ((cb = fread(rgbBuf, 1, sizeof(rgbBuf), pf)) > 0)
        prgb->insert(prgb->end(), rgbBuf, rgbBuf + cb);
    fclose(pf);
    return true;
}

/* A .bit file: its part text (section 'b') and configuration data ('e'). */
struct VBIT {
    std::string szPath;
    std::string szPart;
    BYTES rgbData;
};

inline bool FReadBit(const std::string &szPath, VBIT *pvbit)
{
    BYTES rgb;
    if (!FReadFile(szPath, &rgb))
        return false;
    pvbit->szPath = szPath;
    size_t ib = 0;
    auto u16 = [&](size_t i) { return size_t(rgb[i]) << 8 | rgb[i + 1]; };
    if (rgb.size() < 2 || (ib = 2 + u16(0) + 2) > rgb.size())
        return false;
    while (ib < rgb.size()) {
        char chKey = char(rgb[ib++]);
        if (chKey == 'e') {
            if (ib + 4 > rgb.size())
                return false;
            size_t cb = size_t(rgb[ib]) << 24 | size_t(rgb[ib + 1]) << 16 | u16(ib + 2);
            ib += 4;
            if (ib + cb > rgb.size())
                return false;
            pvbit->rgbData.assign(rgb.begin() + long(ib), rgb.begin() + long(ib + cb));
            return true;
        }
        if (ib + 2 > rgb.size())
            return false;
        size_t cb = u16(ib);
        ib += 2;
        if (ib + cb > rgb.size())
            return false;
        if (chKey == 'b') {
            auto itEnd = std::find(rgb.begin() + long(ib), rgb.begin() + long(ib + cb), uint8_t(0));
            pvbit->szPart.assign(rgb.begin() + long(ib), itEnd);
        }
        ib += cb;
    }
    return false;
}

/* The family of a part text ("3s500ecp132", "3sd1800acs484", "6slx9csg324"). */
inline VFAM VfamOfPart(const std::string &szPart)
{
    std::string sz = szPart;
    if (sz.compare(0, 2, "xc") == 0)
        sz.erase(0, 2);
    if (sz.compare(0, 2, "6s") == 0)
        return vfamS6;
    if (sz.compare(0, 2, "3s") != 0)
        return vfamNone;
    size_t ich = 2;
    if (ich < sz.size() && sz[ich] == 'd')
        ich++;
    while (ich < sz.size() && isdigit((unsigned char)sz[ich]))
        ich++;
    if (ich < sz.size() && sz[ich] == 'e')
        return vfamS3E;
    if (ich < sz.size() && sz[ich] == 'a')
        return vfamS3A;
    return vfamS3;
}

inline bool F16(VFAM vfam) { return vfam == vfamS3A || vfam == vfamS6; }

/* Offset of the sync word: AA995566, or AA99 alone in 16-bit files (the
 * words before it are all ones); the data size when there is none. */
inline size_t IbSync(const BYTES &rgb)
{
    static const uint8_t rgbSync[] = { 0xAA, 0x99 };
    return size_t(std::search(rgb.begin(), rgb.end(), std::begin(rgbSync), std::end(rgbSync)) - rgb.begin());
}

inline uint32_t WordAt(const BYTES &rgb, size_t ib, bool f16)
{
    if (f16)
        return ib + 2 <= rgb.size() ? uint32_t(rgb[ib]) << 8 | rgb[ib + 1] : 0;
    return ib + 4 <= rgb.size() ? uint32_t(rgb[ib]) << 24 | uint32_t(rgb[ib + 1]) << 16 | uint32_t(rgb[ib + 2]) << 8 |
                                      rgb[ib + 3]
                                : 0;
}

/* The IDCODE the file writes (the first IDCODE register write); 0 if none. */
inline uint32_t IdcodeOf(const BYTES &rgb, bool f16)
{
    size_t cbWord = f16 ? 2 : 4;
    for (size_t ib = IbSync(rgb); ib + 3 * cbWord <= rgb.size(); ib += cbWord) {
        if (!f16 && WordAt(rgb, ib, false) == 0x3001C001)
            return WordAt(rgb, ib + 4, false);
        if (f16 && WordAt(rgb, ib, true) == 0x31C2)
            return WordAt(rgb, ib + 2, true) << 16 | WordAt(rgb, ib + 4, true);
    }
    return 0;
}

/* Offset of a byte in the middle of the first block of frame data (the
 * first FDRI write of one word or more), 0 when none is found. */
inline size_t IbInFrames(const BYTES &rgb, bool f16)
{
    size_t cbWord = f16 ? 2 : 4;
    for (size_t ib = IbSync(rgb); ib + 3 * cbWord <= rgb.size(); ib += cbWord) {
        uint32_t w = WordAt(rgb, ib, f16);
        size_t cword = 0, ibData = 0;
        if (!f16 && w == 0x30004000 && (WordAt(rgb, ib + 4, false) >> 27) == 0x0A) {
            cword = WordAt(rgb, ib + 4, false) & 0x07FFFFFF;
            ibData = ib + 8;
        } else if (!f16 && (w & 0xFFFFF800) == 0x30004000 && (w & 0x7FF) != 0) {
            cword = w & 0x7FF;
            ibData = ib + 4;
        } else if (f16 && w == 0x5060) {
            cword = WordAt(rgb, ib + 2, true) << 16 | WordAt(rgb, ib + 4, true);
            ibData = ib + 6;
        } else if (f16 && (w & 0xFFE0) == 0x3060 && (w & 0x1F) != 0) {
            cword = w & 0x1F;
            ibData = ib + 2;
        }
        if (cword != 0 && ibData + cword * cbWord <= rgb.size())
            return ibData + cword / 2 * cbWord + 1;
    }
    return 0;
}

} // namespace vendordata

#endif
