/*
 * cr2map - writes the CoolRunner-II map files of the device list's parts
 * ("<NAME>.map") into a folder (the project keeps them in data/xbr/).
 *
 *   cr2map FOLDER
 */
#include <stdio.h>

#include <string>

#include "cr2gen.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: cr2map FOLDER\n");
        return 2;
    }
    for (const CR2PART &part : RgpartCr2()) {
        std::string strPath = std::string(argv[1]) + "/" + part.szName + ".map";
        std::string strTmp = strPath + ".tmp";
        std::string strText = StrCr2Map(part);
        FILE *pf = fopen(strTmp.c_str(), "wb");
        if (pf == nullptr || fwrite(strText.data(), 1, strText.size(), pf) != strText.size() || fclose(pf) != 0 ||
            rename(strTmp.c_str(), strPath.c_str()) != 0) {
            fprintf(stderr, "cr2map: cannot write %s\n", strPath.c_str());
            return 1;
        }
        printf("%s: %u rows of %u cells, %u fuses\n", strPath.c_str(), part.crow, part.cbitRow, part.cfuse);
    }
    return 0;
}
