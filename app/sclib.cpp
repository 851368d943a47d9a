// SCLIB: opening and closing the scan-chain library.

#include "sclib.h"

#include "brisel.h"

SCLIB::SCLIB() : fOpen(FALSE) {}

SCLIB::~SCLIB()
{
    if (fOpen) {
        uint32_t erc = 0;
        BriselTerm(&erc);
    }
}

BOOL SCLIB::FInit()
{
    uint32_t erc = 0;
    if (!BriselInit(&erc))
        return FALSE;
    fOpen = TRUE;
    BriselSetMode(scmodeProgram, &erc);
    return TRUE;
}

void SCLIB::Term() {}
