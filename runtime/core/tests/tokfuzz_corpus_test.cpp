// Replays the fuzz targets' seed corpus through the same harnesses, so every
// build (and the address-sanitizer tree) checks the inputs that once mattered.

#include "tokfuzz.h"
#include "toktest.h"

#include <fstream>
#include <iterator>
#include <memory>

namespace {

struct TARGET {
    const char* szName;
    void (*pfn)(const uint8_t*, size_t, const char*);
};

const TARGET rgtarget[] = {
    {"fuzz_tok_devtbl", TokFuzzDevTbl},
    {"fuzz_tok_devlist", TokFuzzDevList},
    {"fuzz_tok_svf", TokFuzzSvf},
    {"fuzz_tok_options", TokFuzzOptions},
};

class TokFuzzCorpus : public ::testing::TestWithParam<TARGET> {};

TEST_P(TokFuzzCorpus, ReplaysWithoutFault)
{
    const TARGET& t = GetParam();
    std::filesystem::path dir = std::filesystem::path(KOR_TOK_CORPUS_DIR) / t.szName;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    std::string scratch = (toktest::ScratchDir() / (std::string(t.szName) + ".in")).string();
    int cFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<char> rgb((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // An exact-size heap copy: a read past the end is caught.
        std::unique_ptr<uint8_t[]> pb(new uint8_t[rgb.size() + 1]);
        std::copy(rgb.begin(), rgb.end(), pb.get());
        t.pfn(pb.get(), rgb.size(), scratch.c_str());
        cFiles++;
    }
    EXPECT_GT(cFiles, 0);
    // Empty input too.
    t.pfn(nullptr, 0, scratch.c_str());
}

INSTANTIATE_TEST_SUITE_P(Tokenizer, TokFuzzCorpus, ::testing::ValuesIn(rgtarget),
                         [](const ::testing::TestParamInfo<TARGET>& info) { return std::string(info.param.szName); });

} // namespace
