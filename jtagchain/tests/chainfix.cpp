#include "chainfix.h"

thread_local STLOG *pstlogCur;

uint8_t BRISELCALL LogStatus(int32_t stc, int32_t lValue)
{
    STLOG *pstlog = pstlogCur;
    pstlog->rgrep.push_back({stc, lValue});
    return (int)pstlog->rgrep.size() - 1 == pstlog->cAnswerFalseAt ? 0 : 1;
}

namespace {
thread_local std::vector<uint32_t> *prgtmsSlept;
void RecordSleep(uint32_t tms) { prgtmsSlept->push_back(tms); }
}

CHAINFIX::CHAINFIX(const std::vector<TMDEVSPEC> &rgspec) : model(rgspec), port(&model)
{
    schain.FInit();
    schain.pjtport = &port;
    prgtmsSlept = &rgtmsSlept;
    schain.pfnSleepMs = RecordSleep;
    pstlogCur = &stlog;
    for (const TMDEVSPEC &spec : rgspec) {
        SCDVC *pscdvc = PscdvcNewFromTypeName(&schain, "MISC");
        pscdvc->cbitIr = spec.cbitIr;
        pscdvc->idcode = spec.idcode;
        schain.FAddDvc(pscdvc);
    }
}

CHAINFIX::~CHAINFIX()
{
    pstlogCur = nullptr;
}

void CHAINFIX::ModelTo(const char *szTms)
{
    for (const char *pch = "11111"; *pch; pch++)
        model.Clock(1, 0);
    for (const char *pch = szTms; *pch; pch++)
        model.Clock(*pch == '1', 0);
    model.strTms.clear();
}
