/*
 * vztestenv.h - small helpers shared by the core's tests.
 */
#ifndef VZTESTENV_H
#define VZTESTENV_H

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "yorl.h"

inline void VzSetEnv(const char *szVar, const char *szValue)
{
#if defined(_WIN32)
    _putenv_s(szVar, szValue ? szValue : "");
#else
    if (szValue)
        setenv(szVar, szValue, 1);
    else
        unsetenv(szVar);
#endif
}

/* A fresh file name in the test's temporary folder. */
inline std::string SzTempFile(const std::string &szLeaf)
{
    const char *szDir = getenv("KOR_TEST_TMP");
    std::string sz = szDir ? szDir : ".";
    std::error_code ec;
    std::filesystem::create_directories(sz, ec);
#if defined(_WIN32)
    sz += "\\";
#else
    sz += "/";
#endif
    sz += std::to_string(pabsutil ? pabsutil->GetIdProcess() : 0) + "-" + szLeaf;
    remove(sz.c_str());
    return sz;
}

inline std::string SzReadFile(const std::string &szPath)
{
    std::ifstream file(szPath, std::ios::binary);
    std::stringstream ss;
    ss << file.rdbuf();
    return ss.str();
}

/* Lines of a text file, without their line ends (CR LF on Windows). */
inline std::vector<std::string> VszFileLines(const std::string &szPath)
{
    std::vector<std::string> vsz;
    std::stringstream ss(SzReadFile(szPath));
    for (std::string sz; std::getline(ss, sz);) {
        if (!sz.empty() && sz.back() == '\r')
            sz.pop_back();
        vsz.push_back(sz);
    }
    return vsz;
}

#endif /* VZTESTENV_H */
