// Fuzz harnesses of the tokenizer, one per way the readers use it. Each takes
// the input as a file's bytes (written to szScratch and read through the
// stream), walks it as its reader would, and checks every token's record.
// A broken invariant or a walk that stops making progress aborts.
// Shared by the libFuzzer targets (fuzz_*.cpp, built by run-fuzz.sh) and the
// corpus replay test, which runs them without libFuzzer.

#pragma once

#include <cstddef>
#include <cstdint>

// Device table: options 0x1100, "DVC {" blocks read with the key helpers.
void TokFuzzDevTbl(const uint8_t* pb, size_t cb, const char* szScratch);
// Device list: options 0x1100, token by token, a line at each end of line.
void TokFuzzDevList(const uint8_t* pb, size_t cb, const char* szScratch);
// SVF: options 0x2400, 0x6400 between "(" and ")".
void TokFuzzSvf(const uint8_t* pb, size_t cb, const char* szScratch);
// Any option word and line length: byte 0 gives the options (bits 8-14),
// byte 1 the line length - 1; the rest is read as a file, and also scanned
// in place as one text from an exact-size copy.
void TokFuzzOptions(const uint8_t* pb, size_t cb, const char* szScratch);
