/*
 * tmpdir.h - a private folder for one test's files.
 */
#ifndef JTAGCHAIN_TESTS_TMPDIR_H
#define JTAGCHAIN_TESTS_TMPDIR_H

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>

struct TMPDIR {
    explicit TMPDIR(const std::string &strName)
    {
        const char *szBase = getenv("KOR_TEST_TMP");
        path = std::filesystem::path(szBase ? szBase : std::filesystem::temp_directory_path().string()) /
               ("brisel-" + strName);
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TMPDIR() { std::error_code ec; std::filesystem::remove_all(path, ec); }
    /* The folder with a final separator. */
    std::string StrDir() const { return (path / "").string(); }
    std::string StrFile(const std::string &strName) const { return (path / strName).string(); }
    void Write(const std::string &strName, const std::string &strText) const
    {
        std::ofstream os(StrFile(strName), std::ios::binary);
        os << strText;
    }
    std::filesystem::path path;
};

#endif
