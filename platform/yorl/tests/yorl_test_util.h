/* yorl_test_util.h - helpers shared by the Yorl test programs. */
#ifndef YORL_TEST_UTIL_H
#define YORL_TEST_UTIL_H

#include "yorl.h"

#include <atomic>
#include <string>

/* Gives this test program (and its children) a namespace of its own. */
void YorlTestNamespace();

/* A name unique to this process and call, for named objects. */
std::string SzYorlTestName(const char *szTag);

/* A small shared segment for hand-shakes between a test and its children:
 * 16 words, each used as a flag or a value. */
class SYNCSEG {
public:
    explicit SYNCSEG(const std::string &szName);
    ~SYNCSEG();
    bool FOk() const { return prgw != nullptr; }
    std::atomic<uint32_t> &operator[](int i) { return prgw[i]; }
    /* Waits until word i equals w; false after tms. */
    bool FWaitFor(int i, uint32_t w, uint32_t tms);

private:
    ABSSHM *pshm;
    std::atomic<uint32_t> *prgw;
};



#include <memory>

/* Factory objects that go back to the factory (after Term) by themselves. */
template <class T, bool (ABSFACT::*pfnRls)(T *)>
struct YTDEL {
    void operator()(T *p) const
    {
        p->Term();
        (pabsfact->*pfnRls)(p);
    }
};
typedef std::unique_ptr<ABSMTX, YTDEL<ABSMTX, &ABSFACT::RlsABSMTX>> UPMTX;
/* Either kind of named mutex, each given back to its own Rls slot. */
struct YTNMTXDEL {
    void operator()(ABSNMTX *p) const
    {
        p->Term();
        if (ABSNMTX2 *p2 = dynamic_cast<ABSNMTX2 *>(p))
            pabsfact->RlsABSNMTX2(p2);
        else
            pabsfact->RlsABSNMTX(p);
    }
};
typedef std::unique_ptr<ABSNMTX, YTNMTXDEL> UPNMTX;
typedef std::unique_ptr<ABSNMTX2, YTDEL<ABSNMTX2, &ABSFACT::RlsABSNMTX2>> UPNMTX2;
typedef std::unique_ptr<ABSSEM, YTDEL<ABSSEM, &ABSFACT::RlsABSSEM>> UPSEM;
typedef std::unique_ptr<ABSSHM, YTDEL<ABSSHM, &ABSFACT::RlsABSSHM>> UPSHM;
typedef std::unique_ptr<ABSTHD, YTDEL<ABSTHD, &ABSFACT::RlsABSTHD>> UPTHD;
typedef std::unique_ptr<ABSDLL, YTDEL<ABSDLL, &ABSFACT::RlsABSDLL>> UPDLL;
typedef std::unique_ptr<ABSDIR, YTDEL<ABSDIR, &ABSFACT::RlsABSDIR>> UPDIR;

/* A named mutex of either kind (ABSNMTX2 when f2), created on szName. */
UPNMTX PnmtxOpen(const std::string &szName, bool fOwned, bool f2 = false);
#endif /* YORL_TEST_UTIL_H */
