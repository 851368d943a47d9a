/* dnsmsg.cpp - building a DNS query and reading a DNS response safely. */
#include "dnsmsg.h"

namespace {
const size_t cbHeader = 12;
const size_t cchNameMax = 255;
const uint16_t dnsclassIN = 1;

uint16_t U16(const uint8_t *pb) { return (uint16_t)((pb[0] << 8) | pb[1]); }

void PutU16(std::vector<uint8_t> *pvb, uint16_t w)
{
    pvb->push_back((uint8_t)(w >> 8));
    pvb->push_back((uint8_t)w);
}

/* Reads the name at *pib; *pib moves behind it in the message (behind the
 * first pointer when compressed). Every pointer must lead to an earlier
 * byte than the label that holds it, so that a chain always ends. */
bool FReadName(const uint8_t *pb, size_t cb, size_t *pib, std::string *psz)
{
    size_t ib = *pib;
    size_t ibEnd = 0;
    size_t cbWire = 1;   /* the final zero length */
    int cjump = 0;
    psz->clear();
    for (;;) {
        if (ib >= cb)
            return false;
        uint8_t bLen = pb[ib];
        if ((bLen & 0xC0) == 0xC0) {
            if (ib + 2 > cb)
                return false;
            size_t ibTo = ((size_t)(bLen & 0x3F) << 8) | pb[ib + 1];
            if (ibTo >= ib || ++cjump > (int)cchNameMax / 2)
                return false;
            if (ibEnd == 0)
                ibEnd = ib + 2;
            ib = ibTo;
            continue;
        }
        if ((bLen & 0xC0) != 0)
            return false;
        if (bLen == 0) {
            *pib = ibEnd != 0 ? ibEnd : ib + 1;
            return true;
        }
        if (ib + 1 + bLen > cb)
            return false;
        cbWire += 1 + (size_t)bLen;
        if (cbWire > cchNameMax)
            return false;
        if (!psz->empty())
            psz->push_back('.');
        psz->append((const char *)pb + ib + 1, bLen);
        ib += 1 + (size_t)bLen;
    }
}

bool FReadRR(const uint8_t *pb, size_t cb, size_t *pib, DNSRR *prr)
{
    if (!FReadName(pb, cb, pib, &prr->szOwner))
        return false;
    size_t ib = *pib;
    if (ib + 10 > cb)
        return false;
    prr->type = U16(pb + ib);
    size_t cbData = U16(pb + ib + 8);
    size_t ibData = ib + 10;
    if (ibData + cbData > cb)
        return false;
    size_t ibDataEnd = ibData + cbData;
    *pib = ibDataEnd;
    switch (prr->type) {
    case dnstypeA:
        if (cbData != 4)
            return false;
        prr->ipv4 = (uint32_t)pb[ibData] | ((uint32_t)pb[ibData + 1] << 8) | ((uint32_t)pb[ibData + 2] << 16) |
                    ((uint32_t)pb[ibData + 3] << 24);
        return true;
    case dnstypePTR: {
        size_t ibName = ibData;
        return FReadName(pb, ibDataEnd, &ibName, &prr->szTarget) && ibName == ibDataEnd;
    }
    case dnstypeSRV: {
        if (cbData < 7)
            return false;
        prr->port = U16(pb + ibData + 4);
        size_t ibName = ibData + 6;
        return FReadName(pb, ibDataEnd, &ibName, &prr->szTarget) && ibName == ibDataEnd;
    }
    case dnstypeTXT:
        for (size_t ibStr = ibData; ibStr < ibDataEnd;) {
            size_t cch = pb[ibStr];
            if (ibStr + 1 + cch > ibDataEnd)
                return false;
            prr->vszTxt.push_back(std::string((const char *)pb + ibStr + 1, cch));
            ibStr += 1 + cch;
        }
        return true;
    default:
        return true;
    }
}
} // namespace

std::vector<uint8_t> RgbDnsQuery(const std::string &szName, uint16_t type)
{
    std::vector<uint8_t> vb(cbHeader, 0);
    vb[5] = 1;   /* one question */
    size_t ich = 0;
    while (ich < szName.size()) {
        size_t ichDot = szName.find('.', ich);
        if (ichDot == std::string::npos)
            ichDot = szName.size();
        size_t cch = ichDot - ich;
        if (cch > 63)
            cch = 63;
        vb.push_back((uint8_t)cch);
        vb.insert(vb.end(), szName.begin() + (std::ptrdiff_t)ich, szName.begin() + (std::ptrdiff_t)(ich + cch));
        ich = ichDot + 1;
    }
    vb.push_back(0);
    PutU16(&vb, type);
    PutU16(&vb, 0x8000 | dnsclassIN);   /* unicast answer wanted */
    return vb;
}

bool FDnsParseResponse(const uint8_t *pb, size_t cb, std::vector<DNSRR> *pvrr)
{
    pvrr->clear();
    if (pb == NULL || cb < cbHeader || (pb[2] & 0x80) == 0 || (pb[2] & 0x78) != 0)
        return false;
    size_t cqd = U16(pb + 4);
    size_t crr = (size_t)U16(pb + 6) + U16(pb + 8) + U16(pb + 10);
    size_t ib = cbHeader;
    std::string szName;
    for (size_t iqd = 0; iqd < cqd; iqd++) {
        if (!FReadName(pb, cb, &ib, &szName) || ib + 4 > cb)
            return false;
        ib += 4;
    }
    std::vector<DNSRR> vrr;
    for (size_t irr = 0; irr < crr; irr++) {
        DNSRR rr;
        if (!FReadRR(pb, cb, &ib, &rr))
            return false;
        vrr.push_back(rr);
    }
    pvrr->swap(vrr);
    return true;
}

bool FDnsSameName(const std::string &sz1, const std::string &sz2)
{
    if (sz1.size() != sz2.size())
        return false;
    for (size_t i = 0; i < sz1.size(); i++) {
        char ch1 = sz1[i], ch2 = sz2[i];
        if (ch1 >= 'A' && ch1 <= 'Z')
            ch1 = (char)(ch1 - 'A' + 'a');
        if (ch2 >= 'A' && ch2 <= 'Z')
            ch2 = (char)(ch2 - 'A' + 'a');
        if (ch1 != ch2)
            return false;
    }
    return true;
}
