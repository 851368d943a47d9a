// Serving sent messages while the window thread waits (bspump.h).

#include "bspump.h"

#include <windows.h>

void PumpSentMessages()
{
    MSG msg;
    // Peeking for sent messages only runs their window procedures.
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}
