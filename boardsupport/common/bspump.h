// Waiting on the window thread for a worker that may be sending to one of
// its windows: the messages sent to the thread are handled between short
// waits, nothing else (no input, no posted messages).
#ifndef BSPUMP_H
#define BSPUMP_H

void PumpSentMessages();

#endif
