// Flash image readers: any bytes. The first byte picks the reader and the
// board's rules; the image must hold every byte its runs name.
#include <stddef.h>
#include <stdint.h>

#include "flashimg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pb, size_t cb)
{
    if (cb == 0)
        return 0;
    uint8_t bSel = pb[0];
    pb++;
    cb--;
    const FLASHRULES rgrules[] = {RulesCorvale(false), RulesCorvale(true), RulesPentra(), RulesMiravo3(0),
                                  RulesMiravo3(1), RulesMiravo3(2)};
    FLASHRULES rules = rgrules[(bSel >> 1) % 6];
    if (bSel & 1) {
        BITHDR hdr;
        if (FReadBit(pb, cb, rules, &hdr) && (hdr.cbData == 0 || hdr.rgbData.size() != hdr.cbData))
            __builtin_trap();
        return 0;
    }
    FLASHIMG img;
    uint32_t cbImg = CbReadMcs(pb, cb, rules, &img);
    uint64_t cbRuns = 0;
    for (int i = 0; i < img.cseg; i++) {
        const FLASHSEG &seg = img.rgseg[i];
        if (seg.pb < img.rgbData.data() || seg.pb + seg.cb > img.rgbData.data() + img.rgbData.size())
            __builtin_trap();
        cbRuns += seg.cb;
    }
    if (cbImg != 0 && (cbRuns != cbImg || cbImg >= rules.cbHexLimit))
        __builtin_trap();
    if (cbImg != 0 && bSel == 0)
        FMirrorBpiDown(&img);
    return 0;
}
