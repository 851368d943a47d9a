#include "cfgstrm.h"

uint32_t CrcNext(uint32_t crc, int cbitWord, int reg, uint32_t w)
{
    if (cbitWord == 16) {
        uint32_t crcShifted = (crc << 1) & 0x3FFFFFu;
        if (crc & 0x200000u)
            crcShifted ^= 0x009081u;
        return crcShifted ^ (((uint32_t)reg & 0x3F) << 16) ^ (w & 0xFFFF);
    }
    uint64_t bits = ((uint64_t)((uint32_t)reg & 0x1F) << 32) | w;
    for (int k = 0; k < 37; k++, bits >>= 1)
        crc = ((crc ^ (uint32_t)bits) & 1) ? (crc >> 1) ^ 0xA001u : crc >> 1;
    return crc;
}

void CFGSTRM::Word(uint32_t w)
{
    if (fmt.cbitWord == 32) {
        rgb.push_back((uint8_t)(w >> 24));
        rgb.push_back((uint8_t)(w >> 16));
    }
    rgb.push_back((uint8_t)(w >> 8));
    rgb.push_back((uint8_t)w);
}

void CFGSTRM::Dummy(int cword)
{
    for (int i = 0; i < cword; i++)
        Word(fmt.cbitWord == 32 ? 0xFFFFFFFFu : 0xFFFFu);
}

void CFGSTRM::Sync()
{
    if (fmt.cbitWord == 32) {
        Word(0xAA995566u);
        return;
    }
    Word(0xAA99);
    if (fmt.cbitSync == 32)
        Word(0x5566);
}

void CFGSTRM::Noop(int cword)
{
    for (int i = 0; i < cword; i++)
        Word(fmt.cbitWord == 32 ? 0x20000000u : 0x2000u);
}

void CFGSTRM::Data(int reg, const std::vector<uint32_t> &rgw)
{
    for (uint32_t w : rgw) {
        Word(w);
        crc = CrcNext(crc, fmt.cbitWord, reg, w);
        if (reg == fmt.regCmd && w == cmdRcrcStrm)
            crc = 0;
    }
    if (reg != fmt.regFdri || rgw.empty() || fmt.cwordAutoCrc == 0)
        return;
    if (fmt.cwordAutoCrc == 1) {
        Word(crc);
    } else {
        Word(crc >> 16);
        Word(crc & 0xFFFF);
    }
    Check();
}

void CFGSTRM::Check()
{
    if (fmt.cbitWord == 32)
        crc = 0;
}

void CFGSTRM::Write(int reg, const std::vector<uint32_t> &rgw)
{
    if (fmt.cbitWord == 32)
        Word(0x30000000u | ((uint32_t)reg << 13) | (uint32_t)rgw.size());
    else
        Word(0x3000u | ((uint32_t)reg << 5) | (uint32_t)rgw.size());
    Data(reg, rgw);
}

void CFGSTRM::WriteLong(int reg, const std::vector<uint32_t> &rgw)
{
    if (fmt.cbitWord == 32) {
        Word(0x30000000u | ((uint32_t)reg << 13));
        Word(0x50000000u | (uint32_t)rgw.size());
    } else {
        Word(0x5000u | ((uint32_t)reg << 5));
        Word((uint32_t)rgw.size() >> 16);
        Word((uint32_t)rgw.size() & 0xFFFF);
    }
    Data(reg, rgw);
}

void CFGSTRM::WriteCrc()
{
    if (fmt.cbitWord == 32) {
        Word(0x30000000u | ((uint32_t)fmt.regCrc << 13) | 1);
        Word(crc);
    } else {
        Word(0x3000u | ((uint32_t)fmt.regCrc << 5) | 2);
        Word(crc >> 16);
        Word(crc & 0xFFFF);
    }
    Check();
}
