/*
 * yorl.h - operating-system abstraction library.
 *
 * Every OS object the runtime, the FTDI firmware library and the scan-chain
 * library use comes from the factory `pabsfact` and goes back to it; process
 * wide services come from the utility object `pabsutil`. Both are exported
 * variables of one shared library per build, so every module of a process
 * sees the same per-thread last error.
 *
 * Conventions for every operation below:
 *  - A `bool` result is the success flag. After a failure the reason is the
 *    calling thread's last error (`pabsutil->GetLastErc()`), one of the
 *    erc codes below; a success leaves the last error as it was.
 *  - Virtual operations are declared in their fixed slot order; the slot
 *    number of each is given in its comment. Callers rely on the order, so
 *    new operations go at the end of a class, never in between.
 *  - Objects are handed out by `ABSFACT::Inst...` and must be given back to
 *    the matching `ABSFACT::Rls...`; never delete them directly.
 *  - Time-outs are milliseconds; `tmsInfinite` (all bits set) waits without
 *    limit and 0 only tries.
 *
 * Environment variables, read by the library:
 *  - YORL_DATADIR, YORL_FWDIR: the data and firmware directories (a missing
 *    trailing separator is added); YORL_DEVTBL: the device-table file.
 *    Read at every call. Without them: the installed layout (Linux
 *    /usr/local/share/korvanel/{data,firmware}/ and ~/.korvanel/dvctbl.txt;
 *    Windows "data\" and "firmware\" beside yorl.dll and
 *    %APPDATA%\Korvanel\dvctbl.txt).
 *  - YORL_NAMESPACE: named mutexes and segments of processes with the same
 *    value are apart from those of every other value; empty or unset is the
 *    machine's namespace. Read at every Create.
 *  - Read once at start-up, for tests: YORL_FAULT ("Slot=N,..."; the N-th
 *    call, from 1, of a factory slot such as "InstABSSHM" hands out none, of
 *    an operation such as "ABSNMTX.Create", "ABSNMTX2.Lock", "ABSSHM.Create"
 *    fails with 1); YORL_NOFACTORY=1 and YORL_NOUTIL=1 leave pabsfact and
 *    pabsutil NULL; YORL_TICK_OFFSET, a decimal added to the tick modulo
 *    2^32.
 */
#ifndef YORL_H
#define YORL_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(YORL_BUILD)
#    define YORLAPI __declspec(dllexport)
#  else
#    define YORLAPI __declspec(dllimport)
#  endif
#else
#  define YORLAPI __attribute__((visibility("default")))
#endif

/* Last-error codes of the abstraction layer. */
enum {
    ercAbsNone = 0,
    ercAbsFailed = 1,            /* OS call failed for a reason not listed below */
    ercAbsInvalidParameter = 2,  /* missing or malformed argument */
    ercAbsNotFound = 3,          /* library, entry point, directory or file missing */
    ercAbsOutOfMemory = 4,
    ercAbsSizeMismatch = 5,      /* shared segment exists with another size */
    ercAbsTimeout = 13,          /* wait timed out, or named object already exists */
    ercAbsNotInit = 16,          /* object used before Create or after Term */
    ercAbsNotOwner = 17,         /* unlock by a thread that does not own the mutex */
    ercAbsUsbDeviceGone = 22,
    ercAbsUsbDeviceGone2 = 23,
    ercAbsIoCancelled = 25,      /* pending I/O was cancelled */
    ercAbsClaimFailed = 26,      /* USB interface claim failed */
    ercAbsPipeError = 28,        /* USB pipe error (stall) */
    ercAbsIoTimeout = 29,        /* send or receive time-out */
    ercAbsAbandoned = 33,        /* mutex obtained, previous owner ended holding it */
    ercAbsHostUnreachable = 37,
    ercAbsConnectTimeout = 38,   /* connect or TLS hand-shake time-out */
    ercAbsTlsVerify = 39,        /* the peer's certificate did not verify */
};

static const uint32_t tmsInfinite = 0xFFFFFFFFu;

/* Longest path the utility object hands out, including the terminating NUL. */
enum { cchAbsPathMax = 264 };

/* Entry point of a thread created by ABSTHD::Create. */
typedef uint32_t (*PFNABSTHD)(void *pvArg);

/* Module handle of a dynamic library. */
typedef void *HABSMOD;

/*
 * ABSMTX - mutex private to the process. Recursive for its owner thread.
 */
class YORLAPI ABSMTX {
public:
    virtual ~ABSMTX();                       /* slot 0 */
    /* slot 1: prepare the object; allowed again on an initialised object. */
    virtual bool Init();
    /* slot 2: release the OS mutex; the object may be Init'ed again. */
    virtual bool Term();
    /* slot 3: create the mutex; fOwned makes the calling thread its owner. */
    virtual bool Create(bool fOwned);
    /* slot 4: wait up to tms for ownership; fails with 13 on time-out. */
    virtual bool Lock(uint32_t tms);
    /* slot 5: release one level of ownership; 17 when not the owner. */
    virtual bool Unlock();
protected:
    ABSMTX();
private:
    ABSMTX(const ABSMTX &);
    ABSMTX &operator=(const ABSMTX &);
    friend class ABSFACT;
    void *pvImpl;
};

/*
 * ABSNMTX - mutex shared by name between all processes of the machine.
 *
 * A name exists while at least one process holds an object created with it;
 * a name created again after every holder went away is a new mutex.
 * Ownership belongs to a thread and is recursive. When the owner thread or
 * process ends while holding it, the next Lock obtains it (and succeeds).
 * The object serves Lock and Unlock after Create whether or not Init ran.
 */
class YORLAPI ABSNMTX {
public:
    virtual ~ABSNMTX();                      /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    /* slot 2: close this process's reference; ownership held by the calling
     * thread is released (Lock and Unlock fail with 16 until the next Create). */
    virtual bool Term();
    /*
     * slot 3: open or create the mutex szName. With fOwned the name must not
     * exist yet: the call then fails with 13, grants no ownership, and the
     * object stays bound to the existing mutex for Lock and Unlock. Without
     * fOwned the call succeeds whether or not the name exists.
     */
    virtual bool Create(const char *szName, bool fOwned);
    /* slot 4: wait up to tms; 13 on time-out. */
    virtual bool Lock(uint32_t tms);
    /* slot 5: release one level of ownership; 17 when not the owner. */
    virtual bool Unlock();
protected:
    ABSNMTX();
    bool fReportAbandon;                     /* ABSNMTX2 behaviour */
private:
    ABSNMTX(const ABSNMTX &);
    ABSNMTX &operator=(const ABSNMTX &);
    friend class ABSFACT;
    void *pvImpl;
};

/*
 * ABSNMTX2 - named mutex as ABSNMTX, with the abandonment reported: Lock
 * fails with 33 while granting ownership when the previous owner thread or
 * process ended holding it. Lock and Unlock before Create or after Term
 * fail with 16.
 */
class YORLAPI ABSNMTX2 : public ABSNMTX {
public:
    virtual ~ABSNMTX2();
protected:
    ABSNMTX2();
    friend class ABSFACT;
};

/*
 * ABSSEM - counting semaphore private to the process.
 */
class YORLAPI ABSSEM {
public:
    virtual ~ABSSEM();                       /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    virtual bool Term();                     /* slot 2 */
    /* slot 3: initial count cInit; cMax 0 means no upper limit. */
    virtual bool Create(int32_t cInit, int32_t cMax);
    /* slot 4: add c (> 0) to the count; fails with 2 beyond cMax. */
    virtual bool Release(int32_t c);
    /* slot 5: take one count, waiting up to tms; 13 on time-out. */
    virtual bool Wait(uint32_t tms);
protected:
    ABSSEM();
private:
    ABSSEM(const ABSSEM &);
    ABSSEM &operator=(const ABSSEM &);
    friend class ABSFACT;
    void *pvImpl;
};

/*
 * ABSSHM - shared-memory segment by name. Every process that creates the
 * same name sees the same bytes; a segment created while no process holds
 * it starts zero-filled. The size of a name is fixed while it exists.
 * Segments and named mutexes share one name space on Windows: give them
 * distinct names.
 */
class YORLAPI ABSSHM {
public:
    virtual ~ABSSHM();                       /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    /* slot 2: unmap this process's view; the address becomes invalid. */
    virtual bool Term();
    /*
     * slot 3: map segment szName of cb bytes and store its address in *ppv.
     * The address stays valid until Term (or the object's next Create).
     * Fails with 5 when the segment exists with another size.
     */
    virtual bool Create(const char *szName, void **ppv, uint32_t cb);
protected:
    ABSSHM();
private:
    ABSSHM(const ABSSHM &);
    ABSSHM &operator=(const ABSSHM &);
    friend class ABSFACT;
    void *pvImpl;
};

/*
 * ABSTHD - thread. Term releases the object's hold on the thread and leaves
 * the thread running on to its end; so does Init or Create on an object that
 * still holds a thread.
 */
class YORLAPI ABSTHD {
public:
    virtual ~ABSTHD();                       /* slot 0 */
    virtual bool Init();                     /* slot 1; allowed again */
    virtual bool Term();                     /* slot 2; detaches */
    /* slot 3: start pfn(pvArg); fFlags must be 0. */
    virtual bool Create(PFNABSTHD pfn, void *pvArg, uint32_t fFlags);
    /* slot 4: true while the thread has not returned from its entry. */
    virtual bool FRunning();
    /* slot 5: wait, without limit, for the thread's end; 16 with no thread
     * (none created, or let go by Term or Init). */
    virtual bool WaitExit();
protected:
    ABSTHD();
private:
    ABSTHD(const ABSTHD &);
    ABSTHD &operator=(const ABSTHD &);
    friend class ABSFACT;
    void *pvImpl;
};

/*
 * ABSDLL - dynamic library. Load takes a bare name ("ftd2xx", decorated as
 * the platform does) or a path, used as given.
 */
class YORLAPI ABSDLL {
public:
    virtual ~ABSDLL();                       /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    virtual bool Term();                     /* slot 2 */
    /* slot 3: load szName; 3 when it cannot be found or loaded. */
    virtual bool Load(const char *szName, HABSMOD *phmod);
    /* slot 4: unload a module from Load. */
    virtual bool Free(HABSMOD hmod);
    /* slot 5: address of export szProc; 3 when missing. */
    virtual bool GetProc(HABSMOD hmod, const char *szProc, void **ppfn);
protected:
    ABSDLL();
private:
    ABSDLL(const ABSDLL &);
    ABSDLL &operator=(const ABSDLL &);
    friend class ABSFACT;
    void *pvImpl;
};

/*
 * ABSDIR - directory listing with a wildcard pattern ('*' and '?').
 * Names come without their directory. Names match without regard to ASCII
 * case on every platform, as on Windows ("*.img" lists "A.IMG" and "b.img").
 */
class YORLAPI ABSDIR {
public:
    virtual ~ABSDIR();                       /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    virtual bool Term();                     /* slot 2 */
    /* slot 3: start listing szDir (with or without trailing separator). */
    virtual bool OpenDir(const char *szDir, const char *szPattern);
    /* slot 4: next matching name; an empty name (and success) at the end.
     * A name longer than cchName fails with 2 and is handed out next time. */
    virtual bool GetNextFileName(char *szName, uint32_t cchName);
    /* slot 5: end the listing. */
    virtual bool CloseDir();
protected:
    ABSDIR();
private:
    ABSDIR(const ABSDIR &);
    ABSDIR &operator=(const ABSDIR &);
    friend class ABSFACT;
    void *pvImpl;
};

/*
 * ABSUSB - a USB device with the maker's firmware, reached through its
 * default control pipe. Enumerate takes a snapshot of the attached devices;
 * an index below its count names a device path that Connect accepts. A
 * device that left the bus fails with 22; a refused request (stall) with 28.
 *
 * Devices come from the simulator when KOR_SIM ("127.0.0.1:PORT") is set,
 * otherwise (Linux, when built with libusb) from the machine's USB with the
 * vendor id YORL_USB_VID (hexadecimal; 0xFFF0 when unset).
 */
class YORLAPI ABSUSB {
public:
    virtual ~ABSUSB();                       /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    virtual bool Term();                     /* slot 2 */
    /* slot 3: list the attached devices; their number into *pcdvc. */
    virtual bool Enumerate(uint32_t *pcdvc);
    /* slot 4: device path of entry idvc of the last Enumerate (2 beyond it). */
    virtual bool GetSzDevPathByIdx(uint32_t idvc, char *szPath, uint32_t cchPath);
    /* slot 5: open the device at szPath (22 when it is not there). */
    virtual bool Connect(const char *szPath);
    /* slot 6: path of the connected device; 16 when not connected. */
    virtual bool GetSzDevPath(char *szPath, uint32_t cchPath);
    /* slot 7: close the device; succeeds when not connected. */
    virtual bool Disconnect();
    /*
     * slot 8: vendor request on the default pipe: fIn device to host,
     * wLength bytes at pb (NULL when 0); the bytes moved into *pcb (may be
     * NULL). Fails with 28 when the device refuses the request.
     */
    virtual bool VendorRequest(bool fIn, uint8_t bRequest, uint16_t wValue, uint16_t wIndex, uint16_t wLength,
                               void *pb, uint32_t *pcb, uint32_t tms);
protected:
    ABSUSB();
private:
    ABSUSB(const ABSUSB &);
    ABSUSB &operator=(const ABSUSB &);
    friend class ABSFACT;
    void *pvImpl;
};

/* Endpoints of ABSUSBTP. */
enum {
    endpCmd = 0,                 /* out: command packets */
    endpSts = 1,                 /* in: status packets */
    endpDataOut = 2,             /* out: data phase, host to device */
    endpDataIn = 3,              /* in: data phase, device to host */
    cendpMax = 4,
};

/*
 * ABSUSBTP - the four bulk endpoints of a connected device. A transfer is
 * started (at most one per endpoint), waited for and then collected with
 * GetEpResult; a started transfer that is not collected must be cancelled.
 * Buffers stay the caller's and must stay valid until the transfer is
 * collected or cancelled. Transfers need the interface claimed (26 when
 * another host holds it). Collecting a failed transfer gives 28 (pipe
 * error), 22 (device gone), 25 (cancelled) or 29 (time-out), with the bytes
 * moved before the failure in *pcb.
 */
class YORLAPI ABSUSBTP {
public:
    virtual ~ABSUSBTP();                     /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    virtual bool Term();                     /* slot 2 */
    virtual bool Connect(const char *szPath);            /* slot 3 */
    /* slot 4: cancels pending transfers (25 when there were some). */
    virtual bool Disconnect();
    virtual bool Claim();                                /* slot 5 */
    virtual bool Release();                              /* slot 6 */
    virtual bool StartRead(uint8_t endp, void *pb, uint32_t cb);         /* slot 7 */
    virtual bool StartWrite(uint8_t endp, const void *pb, uint32_t cb);  /* slot 8 */
    /* slot 9: wait up to tms for the endpoint's transfer; 13 on time-out. */
    virtual bool WaitEp(uint8_t endp, uint32_t tms);
    /* slot 10: collect a completed transfer; bytes moved into *pcb. */
    virtual bool GetEpResult(uint8_t endp, uint32_t *pcb);
    /* slot 11: cancel the endpoint's transfer (nothing pending: success). */
    virtual bool CancelEp(uint8_t endp);
    /* slot 12: cancel and clear a halt of the endpoint. */
    virtual bool ResetEp(uint8_t endp);
    /* slot 13: wait up to tms until one of the cendp endpoints of rgendp has
     * completed; that endpoint into *pendpDone; 13 on time-out. */
    virtual bool WaitAnyEp(const uint8_t *rgendp, uint8_t *pendpDone, uint32_t cendp, uint32_t tms);
protected:
    ABSUSBTP();
private:
    ABSUSBTP(const ABSUSBTP &);
    ABSUSBTP &operator=(const ABSUSBTP &);
    friend class ABSFACT;
    void *pvImpl;
};

class ABSTCPIP;

/*
 * ABSXFER - one connection's share of a transfer pass (ABSTCPIP::
 * PrepareTransfer, ABSTCPIP::WaitTransfers): what is still to be received
 * and sent, and what the last pass moved.
 */
struct ABSXFER {
    ABSTCPIP *ptcpip;          /* the connection, set by PrepareTransfer */
    void *pbRcv;               /* room for the bytes still to be received */
    uint32_t cbRcv;
    const void *pbSnd;         /* the bytes still to be sent */
    uint32_t cbSnd;
    uint32_t cbRcvd;           /* out: received in the last pass */
    uint32_t cbSent;           /* out: sent in the last pass */
};

/* Socket option levels and names as ABSTCPIP and ABSUDP take them: the
 * Windows Sockets values on every platform. */
enum {
    absSolSocket = 0xFFFF,
    absSoBroadcast = 0x20,
    absSoReuseAddr = 0x4,
    absIpprotoTcp = 6,
    absTcpNodelay = 1,
};

/*
 * ABSTCPIP - a TCP connection to an IPv4 address, optionally running TLS
 * (client side). Connect fails with 37 when the host cannot be reached,
 * 38 on time-out; a refused connection fails with 1. Send and Recv move
 * exactly cb bytes within tms or fail (29 on time-out, 1 when the peer
 * closed or reset the connection), with the bytes moved before the
 * failure in *pcb. A Recv time-out of 0 waits up to 10000 ms.
 *
 * TLS: StartTLS runs the client hand-shake on the connected socket (38 on
 * time-out, 1 when refused). The peer's certificate is checked only when
 * YORL_TLS_CAFILE names a file of trusted certificates (PEM); a
 * certificate that does not verify then fails with 39 (Linux: OpenSSL;
 * the Windows builds: see README).
 */
class YORLAPI ABSTCPIP {
public:
    virtual ~ABSTCPIP();                     /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    /* slot 2: closes the connection; the object may be Init'ed again. */
    virtual bool Term();
    /* slot 3: connect to ipv4 (network byte order) and port (host order). */
    virtual bool Connect(uint32_t ipv4, uint16_t port, uint32_t tms);
    virtual bool Send(const void *pb, uint32_t cb, uint32_t *pcbSent, uint32_t tms);  /* slot 4 */
    virtual bool Recv(void *pb, uint32_t cb, uint32_t *pcbRcvd, uint32_t tms);        /* slot 5 */
    /* slot 6: level and option in the values above (absIpprotoTcp, ...). */
    virtual bool SetSockOpt(int32_t level, int32_t opt, const void *pv, uint32_t cb);
    virtual bool StartTLS(uint32_t tms);     /* slot 7 */
    virtual bool IsSecure();                 /* slot 8 */
    /* slot 9: arm *pxfer for this connection with what remains to move. */
    virtual bool PrepareTransfer(ABSXFER *pxfer, void *pbRcv, uint32_t cbRcv, const void *pbSnd, uint32_t cbSnd);
    /*
     * slot 10: one pass on one or two connections (pxfer2 may be NULL):
     * waits up to tms and moves what it can, until every armed direction is
     * done or the time is up. The counts moved go into cbRcvd and cbSent.
     * Fails with 29 when nothing moved, with 1 when a connection broke
     * (the counts then still tell what moved).
     */
    virtual bool WaitTransfers(ABSXFER *pxfer1, ABSXFER *pxfer2, uint32_t tms);
    /* slot 11: close; succeeds when not connected. */
    virtual bool Close();
protected:
    ABSTCPIP();
private:
    ABSTCPIP(const ABSTCPIP &);
    ABSTCPIP &operator=(const ABSTCPIP &);
    friend class ABSFACT;
    void *pvImpl;
};

/* A network interface of ABSUDP's list. */
struct ABSNETIF {
    uint32_t fUse;             /* nonzero: up, IPv4, broadcast-capable or loopback */
    uint32_t ipv4;             /* address, network byte order */
    uint32_t ipv4Bcast;        /* broadcast address, network byte order */
    char szName[64];
};

static_assert(sizeof(ABSNETIF) == 76, "ABSNETIF");

/*
 * ABSUDP - a UDP socket. SendTo and RecvFrom take IPv4 addresses in
 * network byte order and ports in host order; RecvFrom waits up to tms
 * (13 on time-out) and reports a datagram's true length in *pcb even when
 * it was longer than cb (only cb bytes are stored). The interface list is
 * a snapshot taken by CreateIfList. Test hook, read at every SendTo:
 * YORL_UDPPORTMAP "FROM=TO[,...]" sends what is meant for port FROM to TO.
 */
class YORLAPI ABSUDP {
public:
    virtual ~ABSUDP();                       /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    virtual bool Term();                     /* slot 2 */
    virtual bool CreateSocket();             /* slot 3 */
    virtual bool SetSockOpt(int32_t level, int32_t opt, const void *pv, uint32_t cb);  /* slot 4 */
    /* slot 5: bind to ipv4:port (0: any). */
    virtual bool Bind(uint32_t ipv4, uint16_t port);
    virtual bool SendTo(uint32_t ipv4, uint16_t port, const void *pb, uint32_t cb, uint32_t tms);  /* slot 6 */
    virtual bool RecvFrom(void *pb, uint32_t cb, uint32_t *pcb, uint32_t *pipv4, uint16_t *pport,
                          uint32_t tms);    /* slot 7 */
    virtual bool CreateIfList(uint32_t *pcif);                /* slot 8 */
    virtual bool GetIf(uint32_t iif, ABSNETIF *pnetif);       /* slot 9 */
    virtual bool FreeIfList();                                /* slot 10 */
    virtual bool Close();                                     /* slot 11 */
protected:
    ABSUDP();
private:
    ABSUDP(const ABSUDP &);
    ABSUDP &operator=(const ABSUDP &);
    friend class ABSFACT;
    void *pvImpl;
};

/*
 * ASERVICEINFO - one service that a DNS-SD browse found: the IPv4 address
 * text of its host, its port and its TXT record. Owned by the browser; valid
 * until the browser is closed.
 */
class YORLAPI ASERVICEINFO {
public:
    virtual ~ASERVICEINFO();                 /* slot 0 */
    /* slot 1: dotted IPv4 text, NULL when the service has none. */
    virtual const char *GetIpv4();
    virtual uint16_t GetPort();              /* slot 2 */
    /* slot 3: szKey NULL: whether the service has a TXT record. Otherwise
     * whether the key is present (letter case as written); its value, or ""
     * for a key without one, goes into *pszValue. */
    virtual bool GetTxtRecord(const char *szKey, const char **pszValue);
protected:
    ASERVICEINFO();
private:
    ASERVICEINFO(const ASERVICEINFO &);
    ASERVICEINFO &operator=(const ASERVICEINFO &);
    friend class ABSMDNSSD;
    void *pvImpl;
};

/*
 * ABSMDNSSD - a DNS-SD browser over multicast DNS. StartBrowse asks for a
 * service type ("_name._tcp"; ".local" is added) on the multicast group and
 * on the broadcast address of every interface of the list that ABSUDP uses;
 * GetService collects the answers that have arrived by then and gives the
 * service at index i (NULL, last error 13, when there is none yet). Test
 * hook: YORL_UDPPORTMAP maps the port 5353 as for ABSUDP::SendTo.
 */
class YORLAPI ABSMDNSSD {
public:
    virtual ~ABSMDNSSD();                    /* slot 0 */
    virtual bool Init();                     /* slot 1 */
    virtual bool Term();                     /* slot 2 */
    virtual bool StartBrowse(const char *szType);           /* slot 3 */
    virtual bool StopBrowse();                              /* slot 4 */
    virtual ASERVICEINFO *GetService(uint32_t i);           /* slot 5 */
    /* slot 6: stops browsing and forgets the services found. */
    virtual bool Close();
protected:
    ABSMDNSSD();
private:
    ABSMDNSSD(const ABSMDNSSD &);
    ABSMDNSSD &operator=(const ABSMDNSSD &);
    friend class ABSFACT;
    void *pvImpl;
};

/* Objects that the factory does not hand out yet. */
class ABSRSV;

/*
 * ABSFACT - the factory. Each Inst slot hands out a new object, or NULL on
 * failure (last error set); the Rls slot after it takes the object back and
 * fails for NULL.
 */
class YORLAPI ABSFACT {
public:
    virtual ~ABSFACT();                          /* slot 0 */
    virtual bool Init();                         /* slot 1 */
    virtual bool Term();                         /* slot 2 */
    virtual ABSDIR *InstABSDIR();                /* slot 3 */
    virtual bool RlsABSDIR(ABSDIR *p);           /* slot 4 */
    virtual ABSDLL *InstABSDLL();                /* slot 5 */
    virtual bool RlsABSDLL(ABSDLL *p);           /* slot 6 */
    virtual ABSMTX *InstABSMTX();                /* slot 7 */
    virtual bool RlsABSMTX(ABSMTX *p);           /* slot 8 */
    virtual ABSNMTX *InstABSNMTX();              /* slot 9 */
    virtual bool RlsABSNMTX(ABSNMTX *p);         /* slot 10 */
    virtual ABSRSV *InstABSRSV();                /* slot 11: unused kind, hands out none */
    virtual bool RlsABSRSV(ABSRSV *p);           /* slot 12 */
    virtual ABSSEM *InstABSSEM();                /* slot 13 */
    virtual bool RlsABSSEM(ABSSEM *p);           /* slot 14 */
    virtual ABSSHM *InstABSSHM();                /* slot 15 */
    virtual bool RlsABSSHM(ABSSHM *p);           /* slot 16 */
    virtual ABSTHD *InstABSTHD();                /* slot 17 */
    virtual bool RlsABSTHD(ABSTHD *p);           /* slot 18 */
    virtual ABSUSB *InstABSUSB();                /* slot 19 */
    virtual bool RlsABSUSB(ABSUSB *p);           /* slot 20 */
    virtual ABSUSBTP *InstABSUSBTP();            /* slot 21 */
    virtual bool RlsABSUSBTP(ABSUSBTP *p);       /* slot 22 */
    virtual ABSNMTX2 *InstABSNMTX2();            /* slot 23 */
    virtual bool RlsABSNMTX2(ABSNMTX2 *p);       /* slot 24 */
    virtual ABSTCPIP *InstABSTCPIP();            /* slot 25 */
    virtual bool RlsABSTCPIP(ABSTCPIP *p);       /* slot 26 */
    virtual ABSUDP *InstABSUDP();                /* slot 27 */
    virtual bool RlsABSUDP(ABSUDP *p);           /* slot 28 */
    virtual ABSMDNSSD *InstABSMDNSSD();          /* slot 29 */
    virtual bool RlsABSMDNSSD(ABSMDNSSD *p);     /* slot 30 */
};

/*
 * ABSPRCID - a process's identity that stays true after the process ended:
 * its id and its start time (in the system's own unit). Ids are reused, the
 * pair is not. Shared tables keep it to tell which of their holders are
 * gone; the layout is the same in every build.
 */
struct ABSPRCID {
    uint32_t idProcess;            /* 0: no process */
    uint32_t tStartLo;             /* start time, low and high 32 bits */
    uint32_t tStartHi;
};

static_assert(sizeof(ABSPRCID) == 12, "ABSPRCID");

/*
 * ABSUTIL - process-wide services.
 *
 * The last error is one value per thread, shared by every module of the
 * process. The tick is a machine-wide monotonic millisecond count cut to 32
 * bits; differences are taken modulo 2^32. Directories end with a path
 * separator, so callers append file names directly.
 */
class YORLAPI ABSUTIL {
public:
    virtual ~ABSUTIL();                                  /* slot 0 */
    virtual bool Init();                                 /* slot 1 */
    virtual bool Term();                                 /* slot 2 */
    virtual uint32_t GetIdProcess();                     /* slot 3 */
    virtual uint32_t GetIdThread();                      /* slot 4 */
    /* slot 5: firmware directory into szPath (cchPath characters). */
    virtual bool FGetFirmwareDir(char *szPath, uint32_t cchPath);
    /* slot 6: shared data directory. */
    virtual bool FGetDataDir(char *szPath, uint32_t cchPath);
    /* slot 7: full path of the device-table file. */
    virtual bool FGetDevTblPath(char *szPath, uint32_t cchPath);
    virtual bool FReserved8();                           /* slot 8: fails */
    virtual uint32_t GetLastErc();                       /* slot 9 */
    virtual bool FReserved10();                          /* slot 10: fails */
    virtual bool FReserved11();                          /* slot 11: fails */
    virtual uint32_t GetTickMs();                        /* slot 12 */
    virtual void SetLastErc(uint32_t erc);               /* slot 13 */
    virtual void SleepMs(uint32_t tms);                  /* slot 14 */
    /* slot 15: the calling process's identity into *pprcid. */
    virtual bool FGetPrcid(ABSPRCID *pprcid);
    /* slot 16: true only when the process *pprcid is known to have ended
     * (gone, a zombie, or its id now names a later process); a process that
     * cannot be looked at counts as running. */
    virtual bool FPrcidEnded(const ABSPRCID *pprcid);
};

extern "C" {
/* NULL when the library could not set itself up. */
extern YORLAPI ABSFACT *pabsfact;
extern YORLAPI ABSUTIL *pabsutil;
}

#endif /* YORL_H */
