/*
 * chainfix.h - a chain object over the chain model, for the tests.
 */
#ifndef JTAGCHAIN_TESTS_CHAINFIX_H
#define JTAGCHAIN_TESTS_CHAINFIX_H

#include <memory>
#include <utility>
#include <vector>

#include "modelport.h"
#include "schain.h"
#include "tapmodel.h"

/* Status reports received, in order. */
struct STLOG {
    std::vector<std::pair<int32_t, int32_t>> rgrep;
    int cAnswerFalseAt = -1;   /* answer false to the report of this number */
};
extern thread_local STLOG *pstlogCur;
uint8_t BRISELCALL LogStatus(int32_t stc, int32_t lValue);

struct CHAINFIX {
    explicit CHAINFIX(const std::vector<TMDEVSPEC> &rgspec);
    ~CHAINFIX();
    /* Clock the model to a state from Test-Logic-Reset ("11111" first). */
    void ModelTo(const char *szTms);
    TAPMODEL model;
    MODELPORT port;
    SCHAIN schain;
    STLOG stlog;
    std::vector<uint32_t> rgtmsSlept;
};

#endif
