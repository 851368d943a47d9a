#include "scdvc.h"

#include <new>
#include <string.h>

#include "bitfile.h"
#include "sztext.h"

namespace {

const char *const rgszOpFpga[SCFPGA::cop] = {
    "BYPASS", "IDCODE", "CFG_IN", "JSTART", "CFG_OUT", "JPROGRAM", "JSHUTDOWN",
};
const char *const rgszOpCpld[SCCPLD::cop] = {
    "BYPASS", "IDCODE", "ISC_ENABLE", "ISC_DISABLE", "ISC_ERASE", "ISC_INIT", "ISC_READ", "ISC_PROGRAM",
};
const char *const rgszOpProm[SCPROM::cop] = {
    "BYPASS", "IDCODE", "ISPEN", "FPGM", "FADDR", "FVFY0", "FVFY1", "FVFY3", "FVFY6", "FERASE", "SERASE",
    "FDATA0", "FDATA3", "FBLANK0", "FBLANK3", "FBLANK6", "CONFIG", "NORMRST", "ISC_ERASE", "ISC_PROGRAM",
    "ISC_DATA_SHIFT", "ISC_ADDRESS_SHIFT", "XSC_UNLOCK", "XSC_DATA_BTC", "XSC_DATA_SUCR", "XSC_DATA_CCB",
    "XSC_DATA_DONE",
};

/* File-dialog filter lists: texts with their NULs, and the buffer size asked for. */
struct FILTER {
    const char *rgch;
    int32_t cbFilter;
};
const FILTER filterFpga = {"FPGA Config Files (*.bit; *.svf)\0*.bit; *.svf\0", 49};
const FILTER filterNone = {"\0", 2};
const FILTER filterXcfs = {"XCFS Config Files (*.mcs; *.bit; *.svf)\0*.mcs; *.bit; *.svf\0", 73};
const FILTER filterXc2c = {"XC2C Config Files (*.jed; *.svf)\0*.jed; *.svf\0", 49};
const FILTER filterSvf = {"SVF Files (*.svf)\0*.svf\0", 25};

JTDVC *PjtdvcNew(int32_t idbmpNormal, int32_t idbmpHighlight, int32_t idbmpDisabled)
{
    JTDVC *pjtdvc = new (std::nothrow) JTDVC;
    if (pjtdvc == nullptr)
        return nullptr;
    memset(pjtdvc, 0, sizeof(*pjtdvc));
    pjtdvc->cbFilter = filterNone.cbFilter;
    pjtdvc->szFilter = const_cast<char *>(filterNone.rgch);
    pjtdvc->idbmpNormal = idbmpNormal;
    pjtdvc->idbmpHighlight = idbmpHighlight;
    pjtdvc->idbmpDisabled = idbmpDisabled;
    pjtdvc->idbmpFrame = idbmpFrame;
    return pjtdvc;
}

} // namespace

SCDVC::SCDVC(SCHAIN *pschainOwner, int32_t dvctNew)
    : cbitIr(0), idcode(0), dvct(dvctNew), pjtdvc(nullptr), pschain(pschainOwner), alg(0), iwordScan(-1)
{
    szPath[0] = '\0';
}

SCDVC::~SCDVC()
{
    delete pjtdvc;
}

void SCDVC::SetJtdvc(JTDVC *pjtdvcNew)
{
    delete pjtdvc;
    pjtdvc = pjtdvcNew;
}

uint32_t *SCDVC::POpFromName(const char *szName)
{
    const char *const *rgsz = RgszOp();
    for (int iop = 0; iop < Cop(); iop++)
        if (SzCompareNoCase(rgsz[iop], szName) == 0)
            return &RgOp()[iop];
    return nullptr;
}

SCFPGA::SCFPGA(SCHAIN *pschainOwner) : SCDVC(pschainOwner, dvctFpga), pbitfile(nullptr)
{
    memset(rgop, 0, sizeof(rgop));
}

SCFPGA::~SCFPGA()
{
    ReleaseBitfile(pbitfile);
}

const char *const *SCFPGA::RgszOp() const { return rgszOpFpga; }

void SCFPGA::SetBitfile(BITFILE *pbitfileNew)
{
    ReleaseBitfile(pbitfile);
    pbitfile = pbitfileNew;
}

SCCPLD::SCCPLD(SCHAIN *pschainOwner) : SCDVC(pschainOwner, dvctCpld)
{
    memset(rgop, 0, sizeof(rgop));
}

const char *const *SCCPLD::RgszOp() const { return rgszOpCpld; }

SCPROM::SCPROM(SCHAIN *pschainOwner) : SCDVC(pschainOwner, dvctProm), pbitfile(nullptr)
{
    memset(rgop, 0, sizeof(rgop));
}

SCPROM::~SCPROM()
{
    ReleaseBitfile(pbitfile);
}

const char *const *SCPROM::RgszOp() const { return rgszOpProm; }

void SCPROM::SetBitfile(BITFILE *pbitfileNew)
{
    ReleaseBitfile(pbitfile);
    pbitfile = pbitfileNew;
}

SCDVC *PscdvcNewFromTypeName(SCHAIN *pschain, const char *szType)
{
    SCDVC *pscdvc;
    JTDVC *pjtdvc;
    if (SzCompareNoCase(szType, "FPGA") == 0) {
        pscdvc = new (std::nothrow) SCFPGA(pschain);
        pjtdvc = PjtdvcNew(idbmpFpgaNormal, idbmpFpgaHighlight, idbmpFpgaDisabled);
    } else if (SzCompareNoCase(szType, "CPLD") == 0) {
        pscdvc = new (std::nothrow) SCCPLD(pschain);
        pjtdvc = PjtdvcNew(idbmpCpldNormal, idbmpCpldHighlight, idbmpCpldDisabled);
    } else if (SzCompareNoCase(szType, "PROM") == 0) {
        pscdvc = new (std::nothrow) SCPROM(pschain);
        pjtdvc = PjtdvcNew(idbmpPromNormal, idbmpPromHighlight, idbmpPromDisabled);
    } else if (SzCompareNoCase(szType, "MISC") == 0) {
        pscdvc = new (std::nothrow) SCDVC(pschain, dvctMisc);
        pjtdvc = PjtdvcNew(idbmpMisc, idbmpMisc, idbmpMisc);
    } else if (SzCompareNoCase(szType, "UNKNOWN") == 0) {
        pscdvc = new (std::nothrow) SCDVC(pschain, dvctUnknown);
        pjtdvc = PjtdvcNew(idbmpUnknown, idbmpUnknown, idbmpUnknown);
    } else {
        return nullptr;
    }
    if (pscdvc == nullptr || pjtdvc == nullptr) {
        delete pscdvc;
        delete pjtdvc;
        return nullptr;
    }
    pscdvc->SetJtdvc(pjtdvc);
    return pscdvc;
}

SCDVC *PscdvcNewUnknown(SCHAIN *pschain)
{
    SCDVC *pscdvc = PscdvcNewFromTypeName(pschain, "UNKNOWN");
    if (pscdvc != nullptr)
        SzCopyBounded(pscdvc->pjtdvc->szName, "UNKNOWN", cchJtdvcName);
    return pscdvc;
}

int FileTypeFromPath(const char *szPath)
{
    if (szPath == nullptr)
        return cftNone;
    /* The last non-empty piece between dots. */
    const char *pchEnd = szPath + strlen(szPath);
    while (pchEnd > szPath && pchEnd[-1] == '.')
        pchEnd--;
    if (pchEnd == szPath)
        return cftNone;
    const char *pchStart = pchEnd;
    while (pchStart > szPath && pchStart[-1] != '.')
        pchStart--;
    size_t cch = (size_t)(pchEnd - pchStart);
    static const char *const rgszExt[] = {"bit", "svf", "jed", "mcs", "bin"};
    for (int cft = 0; cft < 5; cft++)
        if (strlen(rgszExt[cft]) == cch && memcmp(rgszExt[cft], pchStart, cch) == 0)
            return cft;
    return cftNone;
}

void SetJtdvcFilter(SCDVC *pscdvc)
{
    const FILTER *pfilter;
    const char *szName = pscdvc->pjtdvc->szName;
    if (pscdvc->dvct == dvctFpga)
        pfilter = &filterFpga;
    else if (pscdvc->dvct == dvctUnknown)
        pfilter = &filterNone;
    else if (pscdvc->dvct == dvctProm && (SzCompareNoCase(szName, "XCF01S") == 0 ||
                                          SzCompareNoCase(szName, "XCF02S") == 0 ||
                                          SzCompareNoCase(szName, "XCF04S") == 0))
        pfilter = &filterXcfs;
    else if (pscdvc->dvct == dvctCpld && SzPrefixNoCase(szName, "XC2C"))
        pfilter = &filterXc2c;
    else if (pscdvc->dvct == dvctMisc)
        pfilter = &filterNone;
    else
        pfilter = &filterSvf;
    pscdvc->pjtdvc->szFilter = const_cast<char *>(pfilter->rgch);
    pscdvc->pjtdvc->cbFilter = pfilter->cbFilter;
}
