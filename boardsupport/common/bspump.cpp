// Sent messages handled while the window thread waits (bspump.h).

#include "bspump.h"

#include <windows.h>

void PumpSentMessages()
{
    MSG msg;
    // Peeking handles the messages other threads send to this one.
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}
