// The image headers of a loaded Windows module, read from memory: what the
// loader actually mapped, not what the build meant to make.
#ifndef WINABI_PE_H
#define WINABI_PE_H

#include <windows.h>

#include <string>
#include <vector>

struct PEINFO {
    WORD machine;                  // IMAGE_FILE_MACHINE_*
    WORD magic;                    // optional header: 0x10b PE32, 0x20b PE32+
    std::vector<std::string> rgszExport;   // exported names, as in the table
};

// False when hmod does not start with valid image headers.
bool FReadPeinfo(HMODULE hmod, PEINFO *ppeinfo);

// The names a .def file exports: the lines after EXPORTS, comments (';')
// and LIBRARY lines left out, each name without ordinals or options.
std::vector<std::string> RgszDefExports(const char *szDef);

// "Name@N" -> "Name"; other names unchanged.
std::string SzUndecorated(const std::string &sz);

#endif // WINABI_PE_H
