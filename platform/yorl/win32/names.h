/*
 * names.h - object names of the Win32 backend.
 *
 * Without a namespace a name is used as given, so all processes of the
 * session share it. A namespace puts "yorl[<ns>]" in front. Backslashes
 * are turned into '/' (a backslash would address another kernel
 * namespace).
 */
#ifndef YORL_WIN32_NAMES_H
#define YORL_WIN32_NAMES_H

#include "yorli.h"

inline std::string SzObjectName(const std::string &szNs, const char *szName)
{
    std::string sz = szNs.empty() ? std::string(szName) : "yorl[" + szNs + "]" + szName;
    for (char &ch : sz)
        if (ch == '\\')
            ch = '/';
    return sz;
}

#endif /* YORL_WIN32_NAMES_H */
