/*
 * wildcard.cpp - file-name patterns of the directory listing.
 *
 * '*' matches any run of characters (also none), '?' exactly one. Letters
 * match without regard to ASCII case on every platform, as Windows does, so
 * "*.img" lists "A.IMG" and "b.img" alike.
 */
#include "yorli.h"

namespace {

char ChLower(char ch)
{
    return (ch >= 'A' && ch <= 'Z') ? (char)(ch - 'A' + 'a') : ch;
}

}  // namespace

bool FYorlWildMatch(const char *szPattern, const char *szName)
{
    /* Greedy match with one back-track point: the last '*' seen. */
    const char *pchStar = NULL;
    const char *pchResume = NULL;
    while (*szName != '\0') {
        if (*szPattern == '*') {
            pchStar = ++szPattern;
            pchResume = szName;
        } else if (*szPattern == '?' || (*szPattern != '\0' && ChLower(*szPattern) == ChLower(*szName))) {
            szPattern++;
            szName++;
        } else if (pchStar != NULL) {
            szPattern = pchStar;
            szName = ++pchResume;
        } else {
            return false;
        }
    }
    while (*szPattern == '*')
        szPattern++;
    return *szPattern == '\0';
}
