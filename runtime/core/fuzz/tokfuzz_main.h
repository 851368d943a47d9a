// The per-process scratch file of a libFuzzer target (Linux, clang only).

#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

inline const char* SzTokFuzzScratch(const char* szTarget)
{
    static std::string s_path;
    if (s_path.empty()) {
        const char* szDir = std::getenv("TMPDIR");
        s_path = std::string(szDir && *szDir ? szDir : "/tmp") + "/" + szTarget + "-" +
                 std::to_string(static_cast<long>(getpid())) + ".txt";
        std::atexit([] { std::remove(s_path.c_str()); });
    }
    return s_path.c_str();
}
