// sparsemem.h - a large, mostly empty memory (FX3 RAM, EEPROM, SPI flash).

#ifndef KOR_SIM_SPARSEMEM_H
#define KOR_SIM_SPARSEMEM_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace sim {

class SPARSEMEM {
public:
    explicit SPARSEMEM(uint8_t bFillIn = 0xFF) : bFill(bFillIn) {}

    void Write(uint32_t addr, const uint8_t *pb, size_t cb);
    void Read(uint32_t addr, uint8_t *pb, size_t cb) const;
    std::vector<uint8_t> Read(uint32_t addr, size_t cb) const;
    void Fill(uint32_t addr, size_t cb, uint8_t b);
    void Clear() { mppage.clear(); }
    bool FEmpty() const { return mppage.empty(); }
    // Calls fn(addr, pb, cb) for every page that was written, in address order.
    template <class FN> void ForEachPage(FN fn) const
    {
        for (auto &kv : mppage)
            fn(kv.first * cbPage, kv.second.data(), kv.second.size());
    }

    static constexpr uint32_t cbPage = 4096;

private:
    std::map<uint32_t, std::vector<uint8_t>> mppage;
    uint8_t bFill;
};

} // namespace sim

#endif
