/*
 * ksimproc.h - korsim as a child process of a test program that starts the
 * simulator itself (Linux): the simulator dies with the test process, also
 * when that one crashes, so that no simulator outlives its test.
 */
#ifndef KOR_KSIMPROC_H
#define KOR_KSIMPROC_H

#include <stdint.h>

#include <string>
#include <vector>

class KSIMPROC {
public:
    KSIMPROC() = default;
    ~KSIMPROC();
    KSIMPROC(const KSIMPROC &) = delete;
    KSIMPROC &operator=(const KSIMPROC &) = delete;

    /* Starts szPath with the arguments vszArg; false where this platform
     * cannot run the simulator (Windows) or the start failed. */
    bool FStart(const std::string &szPath, const std::vector<std::string> &vszArg);
    /* Waits up to tms ms for the end; true once it has ended (code in *pcode). */
    bool FWait(uint32_t tms, int *pcode = nullptr);
    /* Ends it at once and reaps it. */
    void Kill();
    bool FRunning() const { return pid > 0; }

private:
    long pid = -1;
};

#endif
