// libFuzzer target: the tokenizer as the devtbl harness of tokfuzz.h uses it.

#include "tokfuzz.h"
#include "tokfuzz_main.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pb, size_t cb)
{
    TokFuzzDevTbl(pb, cb, SzTokFuzzScratch("fuzz_tok_devtbl"));
    return 0;
}
