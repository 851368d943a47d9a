/*
 * svfcpld.cpp - SVF files for the CoolRunner-II of the end-to-end boards.
 */
#include "svfcpld.h"

#include <sstream>

/* Hex of a bit vector as SVF writes it (most significant digit first), wrapped every 64 digits. */
std::string StrSvfHex(const std::vector<uint8_t> &rgbit)
{
    std::string str;
    size_t cdig = (rgbit.size() + 3) / 4;
    for (size_t idig = cdig; idig-- > 0;) {
        int nib = 0;
        for (int k = 0; k < 4; k++)
            if (idig * 4 + k < rgbit.size() && rgbit[idig * 4 + k])
                nib |= 1 << k;
        str += "0123456789abcdef"[nib];
        if (idig % 64 == 0 && idig != 0)
            str += "\r\n";
    }
    return str;
}

/* An iMPACT-style SVF erasing, programming and verifying the CPLD at the
 * TDI end of a chain whose other device (IR 8) sits nearer TDO: header
 * patterns for it, CRLF line ends, values wrapped over lines, RUNTEST in
 * clocks and in seconds. */
std::string StrSvfCpld(const CR2PART &part, const std::vector<std::vector<uint8_t>> &rgrow)
{
    auto Addr = [&](unsigned irow) {
        std::vector<uint8_t> rgbit(part.cbitAddr);
        unsigned gray = irow ^ (irow >> 1);
        for (unsigned i = 0; i < part.cbitAddr; i++)
            rgbit[i] = (gray >> (part.cbitAddr - 1 - i)) & 1;
        return rgbit;
    };
    std::ostringstream os;
    os << "// Created using a programming tool\r\n// Date: Thu Dec 10 12:00:00 2026\r\n\r\n"
          "TRST OFF;\r\nENDIR IDLE;\r\nENDDR IDLE;\r\nSTATE RESET;\r\nSTATE IDLE;\r\nFREQUENCY 1E6 HZ;\r\n"
          "HIR 8 TDI (ff) SMASK (ff) ;\r\nHDR 1 TDI (00) SMASK (01) ;\r\nTIR 0 ;\r\nTDR 0 ;\r\n"
          "//Loading device with 'idcode' instruction.\r\n"
          "SIR 8 TDI (01) SMASK (ff) ;\r\nSDR 32 TDI (00000000) SMASK (ffffffff) TDO (f6e5f093) MASK (0fff8fff) ;\r\n"
          "//Check for Read/Write Protect.\r\nSIR 8 TDI (ff) TDO (01) MASK (03) ;\r\n"
          "SIR 8 TDI (e8) ;\r\nENDIR IRPAUSE;\r\nSIR 8 TDI (ed) SMASK (ff) ;\r\nENDIR IDLE;\r\n"
          "STATE  IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;\r\nRUNTEST DRPAUSE 20 TCK;\r\n"
          "STATE  IDLE;\r\nRUNTEST IDLE 100000 TCK 1.00E-01 SEC;\r\n"
          "SIR 8 TDI (c0) ;\r\nRUNTEST 100 TCK;\r\nSIR 8 TDI (e8) ;\r\n"
          "// Programming.\r\nENDIR IRPAUSE;\r\nSIR 8 TDI (ea) ;\r\nENDIR IDLE;\r\n";
    for (unsigned irow = 0; irow < part.crow; irow++) {
        std::vector<uint8_t> rgbit = rgrow[irow];
        std::vector<uint8_t> rgbitAddr = Addr(irow);
        rgbit.insert(rgbit.end(), rgbitAddr.begin(), rgbitAddr.end());
        os << "SDR " << rgbit.size() << " TDI (" << StrSvfHex(rgbit) << ") ;\r\nRUNTEST 10000 TCK;\r\n";
    }
    os << "ENDIR IRPAUSE;\r\nSIR 8 TDI (f0) SMASK (ff) ;\r\n"
          "STATE  IREXIT2 IRUPDATE DRSELECT DRCAPTURE DREXIT1 DRUPDATE IDLE;\r\nRUNTEST 800 TCK;\r\nENDIR IDLE;\r\n"
          "SIR 8 TDI (c0) ;\r\nRUNTEST 100 TCK;\r\n"
          "SIR 8 TDI (e8) ;\r\n// Verification.\r\nENDIR IRPAUSE;\r\nSIR 8 TDI (ee) ;\r\nENDIR IDLE;\r\n";
    for (unsigned irow = 0; irow < part.crow; irow++) {
        os << "ENDDR DRPAUSE;\r\nSDR " << part.cbitAddr << " TDI (" << StrSvfHex(Addr(irow)) << ") ;\r\n"
           << "RUNTEST DRPAUSE 20 TCK;\r\nENDDR IDLE;\r\nRUNTEST IDLE 100 TCK;\r\n"
           << "SDR " << part.cbitRow << " TDI (" << StrSvfHex(std::vector<uint8_t>(part.cbitRow, 0)) << ") TDO ("
           << StrSvfHex(rgrow[irow]) << ") ;\r\n";
    }
    os << "SIR 8 TDI (c0) ;\r\nRUNTEST IDLE 100 TCK;\r\n"
          "//Check for Done bit.\r\nSIR 8 TDI (ff) TDO (05) MASK (07) ;\r\n"
          "HIR 0 ;\r\nHDR 0 ;\r\nSIR 16 TDI (ffff) ;\r\nSDR 2 TDI (00) SMASK (03) ;\r\n";
    return os.str();
}

