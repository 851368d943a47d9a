#include "cfgstrm.h"

uint16_t CrcUpdate(uint16_t crc, uint32_t w, int cbitWord, int reg, int cbitReg)
{
    uint64_t val = ((uint64_t)(uint32_t)reg << cbitWord) | (cbitWord == 32 ? w : (w & 0xFFFF));
    for (int k = 0; k < cbitWord + cbitReg; k++) {
        int bit = (int)((val >> k) & 1);
        int msb = (crc >> 15) & 1;
        crc = (uint16_t)(crc << 1);
        if (bit ^ msb)
            crc ^= 0x8005;
    }
    return crc;
}

void CFGSTRM::Word(uint32_t w)
{
    if (cbitWord == 32) {
        rgb.push_back((uint8_t)(w >> 24));
        rgb.push_back((uint8_t)(w >> 16));
    }
    rgb.push_back((uint8_t)(w >> 8));
    rgb.push_back((uint8_t)w);
}

void CFGSTRM::Dummy(int cword)
{
    for (int i = 0; i < cword; i++)
        Word(cbitWord == 32 ? 0xFFFFFFFFu : 0xFFFFu);
}

void CFGSTRM::Sync()
{
    if (cbitWord == 32) {
        Word(0xAA995566u);
    } else {
        Word(0xAA99);
        Word(0x5566);
    }
}

void CFGSTRM::Noop(int cword)
{
    for (int i = 0; i < cword; i++)
        Word(cbitWord == 32 ? 0x20000000u : 0x2000u);
}

void CFGSTRM::Feed(int reg, uint32_t w)
{
    crc = CrcUpdate(crc, w, cbitWord, reg, cbitWord == 32 ? 5 : 6);
}

void CFGSTRM::Write(int reg, const std::vector<uint32_t> &rgw)
{
    if (cbitWord == 32)
        Word(0x30000000u | ((uint32_t)reg << 13) | (uint32_t)rgw.size());
    else
        Word(0x3000u | ((uint32_t)reg << 5) | (uint32_t)rgw.size());
    for (uint32_t w : rgw) {
        Word(w);
        Feed(reg, w);
    }
}

void CFGSTRM::WriteLong(int reg, const std::vector<uint32_t> &rgw)
{
    if (cbitWord == 32) {
        Word(0x30000000u | ((uint32_t)reg << 13));
        Word(0x50000000u | (uint32_t)rgw.size());
    } else {
        Word(0x5000u | ((uint32_t)reg << 5));
        Word((uint32_t)rgw.size() >> 16);
        Word((uint32_t)rgw.size() & 0xFFFF);
    }
    for (uint32_t w : rgw) {
        Word(w);
        Feed(reg, w);
    }
}

void CFGSTRM::WriteCrc(int regCrc)
{
    uint16_t crcNow = crc;
    if (cbitWord == 32)
        Word(0x30000000u | ((uint32_t)regCrc << 13) | 1);
    else
        Word(0x3000u | ((uint32_t)regCrc << 5) | 1);
    Word(crcNow);
    crc = 0;
}
