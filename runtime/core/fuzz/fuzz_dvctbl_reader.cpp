// libFuzzer target: the device-table file's reader, as the device-table
// manager runs it (options 0x1100, 256-character lines), into a table of 64.

#include <cstring>

#include "dtblread.h"
#include "tokfuzz_main.h"

namespace {

struct SINK {
    DVC rgdvc[64];
    int cdvc;
};

int FTake(void* pv, const DVC* pdvc)
{
    SINK* psink = static_cast<SINK*>(pv);
    if (psink->cdvc >= 64)
        return 0;
    // Every text field must come terminated inside its room.
    if (memchr(pdvc->szName, 0, sizeof(pdvc->szName)) == nullptr ||
        memchr(pdvc->szConn, 0, sizeof(pdvc->szConn)) == nullptr)
        __builtin_trap();
    psink->rgdvc[psink->cdvc++] = *pdvc;
    return 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pb, size_t cb)
{
    const char* szPath = SzTokFuzzScratch("fuzz_dvctbl_reader");
    FILE* pfile = std::fopen(szPath, "wb");
    if (pfile == nullptr)
        return 0;
    std::fwrite(pb, 1, cb, pfile);
    std::fclose(pfile);
    TOKSTRM strm;
    if (!strm.FInit(cchDvcTblLine) || !strm.FSetPath(szPath) || !strm.FOpen() || !strm.FSetOptions(optDvcTblFile))
        return 0;
    TOKRDR rdr;
    rdr.Attach(&strm);
    rdr.Reset();
    static SINK sink;
    sink.cdvc = 0;
    FReadDvcBlocks(&rdr, FTake, &sink);
    strm.Close();
    strm.Term();
    return 0;
}
