// libFuzzer target: the tokenizer as the options harness of tokfuzz.h uses it.

#include "tokfuzz.h"
#include "tokfuzz_main.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pb, size_t cb)
{
    TokFuzzOptions(pb, cb, SzTokFuzzScratch("fuzz_tok_options"));
    return 0;
}
