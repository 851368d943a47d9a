// ftchip.cpp - the simulated FTDI chip: EEPROM, identity and channels.
//
// EEPROM layout (93C56, 128 words, as FTDI's high-speed parts use it): word 0
// channel types and drivers (A bits 2-0 type, 1 = 245 FIFO, bit 3 driver,
// B the same in the high byte; FT4232H: drivers in bits 3, 7, 11, 15; FT232H:
// bits 3-0 type, bit 4 driver), word 1 vendor id, word 2 product id, word 3
// release, word 4 power, word 5 options; bytes 0x0E/0x0F, 0x10/0x11,
// 0x12/0x13 address and length of the manufacturer, product and serial string
// descriptors (length byte, 0x03, UTF-16LE); byte 0x18 the EEPROM type; the
// strings from byte 0x1A; the user area from the end of the last string to
// byte 0xFE; word 127 the checksum (start 0xAAAA, per word: xor, rotate left
// by 1). A chip whose EEPROM fails the checksum comes up with FTDI's
// default identity and no serial number.

#include "ftchip.h"

#include <algorithm>

namespace sim {

namespace {

const char *SzDefaultDescription(FTTYPE ftt)
{
    switch (ftt) {
    case ftt2232h: return "Dual RS232-HS";
    case ftt4232h: return "Quad RS232-HS";
    default: return "Single RS245-HS";
    }
}

uint16_t PidDefault(FTTYPE ftt)
{
    return ftt == ftt4232h ? 0x6011 : ftt == ftt232h ? 0x6014 : 0x6010;
}

void PutByte(std::vector<uint16_t> &rgw, unsigned ib, uint8_t b)
{
    uint16_t &w = rgw[ib / 2];
    w = ib & 1 ? uint16_t((w & 0x00FF) | (b << 8)) : uint16_t((w & 0xFF00) | b);
}

uint8_t GetByte(const std::vector<uint16_t> &rgw, unsigned ib)
{
    return uint8_t(ib & 1 ? rgw[ib / 2] >> 8 : rgw[ib / 2]);
}

// Writes a string descriptor at ib; returns the byte after it.
unsigned IbPutString(std::vector<uint16_t> &rgw, unsigned ib, unsigned ibPtr, const std::string &sz)
{
    unsigned cb = 2 + 2 * unsigned(sz.size());
    PutByte(rgw, ibPtr, uint8_t(ib));
    PutByte(rgw, ibPtr + 1, uint8_t(cb));
    PutByte(rgw, ib, uint8_t(cb));
    PutByte(rgw, ib + 1, 0x03);
    for (size_t ich = 0; ich < sz.size(); ich++) {
        PutByte(rgw, ib + 2 + 2 * unsigned(ich), uint8_t(sz[ich]));
        PutByte(rgw, ib + 3 + 2 * unsigned(ich), 0);
    }
    return ib + cb;
}

std::string SzGetString(const std::vector<uint16_t> &rgw, unsigned ibPtr)
{
    unsigned ib = GetByte(rgw, ibPtr), cb = GetByte(rgw, ibPtr + 1);
    std::string sz;
    if (cb < 2 || ib + cb > FTCHIP::ibStringsEnd || GetByte(rgw, ib + 1) != 0x03)
        return sz;
    for (unsigned ich = 2; ich + 1 < cb; ich += 2)
        sz += char(GetByte(rgw, ib + ich));
    return sz;
}

} // namespace

// ---------------------------------------------------------------- FTCHAN

FTCHAN::FTCHAN(FTCHIP &chipIn, int ichanIn) : chip(chipIn), ichan(ichanIn), mpsse(this)
{
    fJtagWired = chip.cfg.ichanJtag == ichan;
    fFifoWired = std::find(chip.cfg.rgichanFifo.begin(), chip.cfg.rgichanFifo.end(), ichan) !=
                 chip.cfg.rgichanFifo.end();
}

bool FTCHAN::FClock(bool fTms, bool fTdi)
{
    if (fJtagWired && twowire.FOn())
        return twowire.FClock(chip.bd.chain, fTdi);
    return fJtagWired ? chip.bd.chain.FClock(fTms, fTdi) : true;
}

bool FTCHAN::FTdo()
{
    if (fJtagWired && twowire.FOn())
        return twowire.FTdo();
    return fJtagWired ? chip.bd.chain.FTdo() : true;
}

bool FTCHAN::FInput(int ipin)
{
    return (wInputs >> ipin) & 1;
}

void FTCHAN::SetInput(int ipin, bool f)
{
    wInputs = uint16_t(f ? wInputs | (1u << ipin) : wInputs & ~(1u << ipin));
}

void FTCHAN::PowerOn()
{
    mpsse.Reset();
    bitmode = mask = 0;
    idConnOpen = 0;
    latency = 16;
    rgbTx.clear();
    rgbPending.clear();
    stream = STREAM();
}

std::string FTCHAN::SzName() const
{
    return chip.cfg.ftt == ftt232h ? chip.szSerial : chip.szSerial + char('A' + ichan);
}

std::string FTCHAN::SzDescription() const
{
    return chip.cfg.ftt == ftt232h ? chip.szDescription : chip.szDescription + " " + char('A' + ichan);
}

uint32_t FTCHAN::Locid() const
{
    return (chip.cfg.locid ? chip.cfg.locid : 0x100u * unsigned(chip.slot) + 0x11) + unsigned(ichan);
}

bool FTCHAN::FFifo() const
{
    if (!fFifoWired)
        return false;
    if (bitmode == 0x40)
        return ichan == 0 && chip.cfg.ftt != ftt4232h;
    if (bitmode != 0)
        return false;
    // Reset mode: the channel is what the EEPROM made it; type 1 is the 245 FIFO.
    unsigned type = chip.cfg.ftt == ftt232h ? chip.word0 & 0x0F : (chip.word0 >> (8 * ichan)) & 0x07;
    return chip.cfg.ftt != ftt4232h && type == 1;
}

uint32_t FTCHAN::SetBitMode(uint8_t maskIn, uint8_t mode)
{
    static const uint8_t rgmode[] = { 0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40 };
    if (std::find(std::begin(rgmode), std::end(rgmode), mode) == std::end(rgmode))
        return 6;
    if (mode != bitmode)
        mpsse.Reset();
    bitmode = mode;
    mask = maskIn;
    return 0;
}

void FTCHAN::Write(const uint8_t *pb, size_t cb)
{
    cbWritten += cb;
    cwrite++;
    if (bitmode == 0x02) {
        bool fImmediate = false;
        size_t cbBefore = rgbPending.size();
        mpsse.Write(pb, cb, rgbPending, fImmediate);
        if (cbBefore == 0 && !rgbPending.empty())
            tPending = std::chrono::steady_clock::now();
        if (fImmediate || rgbPending.size() >= 512)
            Settle();
    } else if (FFifo()) {
        stream.Write(pb, cb);
    }
    // Other modes: the UART or the bit-bang pins take the bytes; nothing comes back.
}

void FTCHAN::Settle()
{
    rgbTx.insert(rgbTx.end(), rgbPending.begin(), rgbPending.end());
    rgbPending.clear();
}

size_t FTCHAN::CbReadable()
{
    if (chip.faults.fMute)
        return 0;
    if (!rgbPending.empty() &&
        std::chrono::steady_clock::now() - tPending >= std::chrono::milliseconds(latency))
        Settle();
    if (FFifo())
        return std::min<size_t>(stream.CbAvailable(), 0x100000);
    return rgbTx.size();
}

size_t FTCHAN::CbRead(uint8_t *pb, size_t cbMax)
{
    size_t cb = std::min(CbReadable(), cbMax);
    if (FFifo()) {
        cb = stream.Read(pb, cb);
    } else {
        std::copy(rgbTx.begin(), rgbTx.begin() + cb, pb);
        rgbTx.erase(rgbTx.begin(), rgbTx.begin() + cb);
    }
    cbRead += cb;
    cread++;
    return cb;
}

void FTCHAN::Purge(uint32_t maskPurge)
{
    if (maskPurge & 1) {
        rgbTx.clear();
        rgbPending.clear();
        stream.qLoop.clear();
    }
    if (maskPurge & 2)
        mpsse.DropPending();
}

// ---------------------------------------------------------------- FTCHIP

FTCHIP::FTCHIP(const FTDICFG &cfgIn, BOARD &bdIn, int slotIn) : cfg(cfgIn), bd(bdIn), slot(slotIn)
{
    BuildEeprom();
    for (int ichan = 0; ichan < CchanFtt(cfg.ftt); ichan++)
        rgpchan.push_back(std::make_unique<FTCHAN>(*this, ichan));
    PowerOn();
}

uint16_t FTCHIP::WChecksum(const std::vector<uint16_t> &rgw)
{
    uint16_t w = 0xAAAA;
    for (size_t iw = 0; iw + 1 < rgw.size(); iw++) {
        w ^= rgw[iw];
        w = uint16_t((w << 1) | (w >> 15));
    }
    return w;
}

bool FTCHIP::FEepromValid() const
{
    return rgwEe[0] != 0xFFFF && WChecksum(rgwEe) == rgwEe[cwEeprom - 1];
}

void FTCHIP::BuildEeprom()
{
    rgwEe.assign(cwEeprom, 0);
    uint16_t w0 = 0;
    if (cfg.word0 >= 0)
        w0 = uint16_t(cfg.word0);
    else
        for (int ichan : cfg.rgichanFifo)
            if (cfg.ftt == ftt232h)
                w0 = 0x0001;
            else if (cfg.ftt == ftt2232h && ichan < 2)
                w0 = uint16_t(w0 | (1u << (8 * ichan)));
    rgwEe[0] = w0;
    rgwEe[1] = bd.cfg.ident.vid == 0xFFF0 ? 0x0403 : bd.cfg.ident.vid;
    rgwEe[2] = bd.cfg.ident.vid == 0xFFF0 ? PidDefault(cfg.ftt) : bd.cfg.ident.pid;
    rgwEe[3] = cfg.ftt == ftt4232h ? 0x0800 : cfg.ftt == ftt232h ? 0x0900 : 0x0700;
    rgwEe[4] = 0x3280;
    rgwEe[5] = 0x0008;
    PutByte(rgwEe, 0x18, 0x56);
    unsigned ib = ibStrings;
    ib = IbPutString(rgwEe, ib, 0x0E, cfg.szManufacturer);
    ib = IbPutString(rgwEe, ib, 0x10, cfg.szDescription.empty() ? SzDefaultDescription(cfg.ftt) : cfg.szDescription);
    ib = IbPutString(rgwEe, ib, 0x12, bd.cfg.ident.szSerial);
    unsigned ibUa = ib;
    for (; ib < ibStringsEnd; ib++)
        PutByte(rgwEe, ib, 0);
    if (cfg.fUserArea) {
        // The maker's record: reserved u16 and u32, pdid, user name (17),
        // product name (29), the two capability words.
        auto putLe = [&](unsigned ibAt, uint32_t v) {
            for (unsigned i = 0; i < 4; i++)
                PutByte(rgwEe, ibAt + i, uint8_t(v >> (8 * i)));
        };
        putLe(ibUa + 6, bd.cfg.ident.pdid);
        const std::string &szUser = bd.cfg.ident.szUser, &szProduct = bd.cfg.ident.szProduct;
        for (size_t ich = 0; ich < szUser.size() && ich < 16; ich++)
            PutByte(rgwEe, ibUa + 10 + unsigned(ich), uint8_t(szUser[ich]));
        for (size_t ich = 0; ich < szProduct.size() && ich < 28; ich++)
            PutByte(rgwEe, ibUa + 27 + unsigned(ich), uint8_t(szProduct[ich]));
        putLe(ibUa + 56, bd.cfg.ident.dcapPub);
        putLe(ibUa + 60, bd.cfg.ident.dcapPriv);
    }
    rgwEe[cwEeprom - 1] = WChecksum(rgwEe);
}

void FTCHIP::DropHandles()
{
    epoch++;
    for (auto &pchan : rgpchan)
        pchan->idConnOpen = 0;
}

void FTCHIP::PowerOn()
{
    DropHandles();
    if (FEepromValid()) {
        word0 = rgwEe[0];
        vid = rgwEe[1];
        pid = rgwEe[2];
        szSerial = SzGetString(rgwEe, 0x12);
        szDescription = SzGetString(rgwEe, 0x10);
    } else {
        word0 = 0;
        vid = 0x0403;
        pid = PidDefault(cfg.ftt);
        szSerial.clear();
        szDescription = SzDefaultDescription(cfg.ftt);
    }
    for (auto &pchan : rgpchan)
        pchan->PowerOn();
}

void FTCHIP::Resume()
{
    for (auto &pchan : rgpchan)
        if (pchan->bitmode == 0x02 && pchan->mpsse.FWaiting()) {
            // A pin changed: a wait may go on (its answers stay pending).
            pchan->Write(nullptr, 0);
        }
}

} // namespace sim
