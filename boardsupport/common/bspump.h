// Waiting on a view's window thread: the messages other threads send to
// this thread's windows are served meanwhile (posted input stays queued), so
// a worker that is sending to the page cannot deadlock the wait.
#ifndef BSPUMP_H
#define BSPUMP_H

void PumpSentMessages();

#endif
