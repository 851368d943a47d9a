// bus.cpp - devices on the simulated bus and the transfers of the hosts.

#include "bus.h"
#include "net.h"
#include "../wire/usbwire.h"
#include "../ftdi/ftchip.h"

#include <algorithm>
#include <cstdio>

namespace sim {

using namespace usbwire;

// ---------------------------------------------------------------- frames

std::vector<uint8_t> RgbFrame(uint8_t type, uint32_t tag, const std::vector<uint8_t> &rgbPayload)
{
    std::vector<uint8_t> rgb(cbFrameHeader + rgbPayload.size());
    PutU32(&rgb[0], uint32_t(1 + 4 + rgbPayload.size()));
    rgb[4] = type;
    PutU32(&rgb[5], tag);
    std::copy(rgbPayload.begin(), rgbPayload.end(), rgb.begin() + cbFrameHeader);
    return rgb;
}

std::vector<uint8_t> RgbResult(uint32_t tag, uint32_t sts)
{
    std::vector<uint8_t> rgb(4);
    PutU32(rgb.data(), sts);
    return RgbFrame(msgResult, tag, rgb);
}

// ---------------------------------------------------------------- CONN

CONN::CONN(int sockIn, int idIn) : sock(sockIn), id(idIn)
{
    thWriter = std::thread(&CONN::WriterThread, this);
}

CONN::~CONN()
{
    StopWriter();
}

void CONN::Send(std::vector<uint8_t> rgbFrame)
{
    std::lock_guard<std::mutex> lock(mtxOut);
    qOut.push_back(std::move(rgbFrame));
    cvOut.notify_one();
}

void CONN::StopWriter()
{
    {
        std::lock_guard<std::mutex> lock(mtxOut);
        fStop = true;
        cvOut.notify_one();
    }
    if (thWriter.joinable())
        thWriter.join();
}

void CONN::WriterThread()
{
    std::unique_lock<std::mutex> lock(mtxOut);
    for (;;) {
        cvOut.wait(lock, [this] { return fStop || !qOut.empty(); });
        if (qOut.empty())
            return;         // stopping with nothing left to send
        // Everything queued goes out in one write: frames sent one by one
        // would wait for the host's acknowledgement of the first.
        std::vector<std::vector<uint8_t>> rgrgb(std::make_move_iterator(qOut.begin()),
                                                std::make_move_iterator(qOut.end()));
        qOut.clear();
        lock.unlock();
        bool fOk = FSendAllV(sock, rgrgb);
        lock.lock();
        if (!fOk) {
            qOut.clear();
            if (fStop)
                return;
        }
    }
}

// ---------------------------------------------------------------- DEVICE

DEVICE::DEVICE(const BOARDCFG &cfg, int slotIn) : bd(cfg), fw(bd), slot(slotIn), fPlugged(cfg.fPlugged)
{
    if (cfg.ftdi.ftt != fttNone)
        pftchip = std::make_unique<FTCHIP>(cfg.ftdi, bd, slot);
}

DEVICE::~DEVICE() = default;

std::string DEVICE::SzPath() const
{
    char sz[40];
    snprintf(sz, sizeof(sz), "ksim-1-%d.%u", slot, gen);
    return sz;
}

// ---------------------------------------------------------------- BUS

BUS::BUS(const std::vector<BOARDCFG> &rgcfg)
{
    int slot = 1;
    for (auto &cfg : rgcfg)
        rgpdev.push_back(std::make_unique<DEVICE>(cfg, slot++));
    thTimer = std::thread(&BUS::TimerThread, this);
}

BUS::~BUS()
{
    {
        std::lock_guard<std::mutex> lock(mtx);
        fStop = true;
        cvTimer.notify_all();
    }
    thTimer.join();
}

DEVICE *BUS::PdevByName(const std::string &szName)
{
    for (auto &pdev : rgpdev)
        if (pdev->bd.cfg.szName == szName)
            return pdev.get();
    return nullptr;
}

void BUS::AddConn(CONN *pconn)
{
    std::lock_guard<std::mutex> lock(mtx);
    mpconn[pconn->id] = pconn;
}

void BUS::RemoveConn(CONN *pconn)
{
    Close(pconn);
    std::lock_guard<std::mutex> lock(mtx);
    mpconn.erase(pconn->id);
}

std::vector<uint8_t> BUS::RgbEnum()
{
    std::lock_guard<std::mutex> lock(mtx);
    std::vector<uint8_t> rgb(8, 0);
    uint32_t cdev = 0;
    auto appendText = [&](const std::string &sz) {
        uint8_t rgbLen[2];
        PutU16(rgbLen, uint16_t(sz.size()));
        rgb.insert(rgb.end(), rgbLen, rgbLen + 2);
        rgb.insert(rgb.end(), sz.begin(), sz.end());
    };
    for (auto &pdev : rgpdev) {
        if (!pdev->FPresent() || pdev->pftchip || pdev->bd.cfg.net.FOn())
            continue;
        cdev++;
        appendText(pdev->SzPath());
        uint8_t rgbIds[4];
        PutU16(rgbIds, pdev->bd.ident.vid);
        PutU16(rgbIds + 2, pdev->bd.ident.pid);
        rgb.insert(rgb.end(), rgbIds, rgbIds + 4);
        appendText(pdev->bd.ident.szSerial);
    }
    PutU32(&rgb[0], stsOk);
    PutU32(&rgb[4], cdev);
    return rgb;
}

uint32_t BUS::StsNoDeviceL(CONN &conn) const
{
    return conn.fGone ? stsNoDevice : stsNotOpen;
}

uint32_t BUS::Open(CONN *pconn, const std::string &szPath)
{
    Close(pconn);
    std::lock_guard<std::mutex> lock(mtx);
    for (auto &pdev : rgpdev) {
        if (pdev->FPresent() && !pdev->pftchip && !pdev->bd.cfg.net.FOn() && pdev->SzPath() == szPath) {
            pconn->pdev = pdev.get();
            pconn->fGone = false;
            pdev->rgpconn.push_back(pconn);
            return stsOk;
        }
    }
    return stsNoDevice;
}

uint32_t BUS::Close(CONN *pconn)
{
    std::lock_guard<std::mutex> lock(mtx);
    CloseL(*pconn);
    return stsOk;
}

void BUS::CloseL(CONN &conn)
{
    for (uint8_t ep = 0; ep < cepMax; ep++)
        if (conn.rgxfer[ep].fPending)
            CompleteL(conn, ep, stsCancelled);
    DEVICE *pdev = conn.pdev;
    if (pdev) {
        if (pdev->pconnClaim == &conn)
            pdev->pconnClaim = nullptr;
        pdev->rgpconn.erase(std::remove(pdev->rgpconn.begin(), pdev->rgpconn.end(), &conn), pdev->rgpconn.end());
    }
    conn.pdev = nullptr;
    conn.fGone = false;
}

uint32_t BUS::Claim(CONN *pconn)
{
    std::lock_guard<std::mutex> lock(mtx);
    DEVICE *pdev = pconn->pdev;
    if (!pdev)
        return StsNoDeviceL(*pconn);
    if (pdev->fClaimElsewhere || (pdev->pconnClaim && pdev->pconnClaim != pconn))
        return stsBusy;
    pdev->pconnClaim = pconn;
    return stsOk;
}

uint32_t BUS::Release(CONN *pconn)
{
    std::lock_guard<std::mutex> lock(mtx);
    DEVICE *pdev = pconn->pdev;
    if (!pdev)
        return StsNoDeviceL(*pconn);
    if (pdev->pconnClaim == pconn)
        pdev->pconnClaim = nullptr;
    return stsOk;
}

void BUS::SetOwner(CONN *pconn, const uint8_t *pbOwner)
{
    std::lock_guard<std::mutex> lock(mtx);
    std::copy(pbOwner, pbOwner + cbOwner, pconn->rgbOwner);
}

uint32_t BUS::Claimer(CONN *pconn, uint8_t *pbOwner)
{
    std::lock_guard<std::mutex> lock(mtx);
    std::fill(pbOwner, pbOwner + cbOwner, 0);
    DEVICE *pdev = pconn->pdev;
    if (!pdev)
        return StsNoDeviceL(*pconn);
    if (pdev->pconnClaim)
        std::copy(pdev->pconnClaim->rgbOwner, pdev->pconnClaim->rgbOwner + cbOwner, pbOwner);
    return stsOk;
}

uint32_t BUS::OwnerEnded(CONN *pconn, const uint8_t *pbOwner)
{
    if (pbOwner[0] == ownerNone)
        return stsOk;
    std::lock_guard<std::mutex> lock(mtx);
    for (auto &idconn : mpconn) {
        CONN &conn = *idconn.second;
        if (&conn == pconn || !std::equal(pbOwner, pbOwner + cbOwner, conn.rgbOwner))
            continue;
        CloseL(conn);
        // Anything more it asks is answered as by an unplugged device; its
        // reader ends and the connection goes as any other.
        conn.fGone = true;
        ShutdownSock(conn.sock);
    }
    return stsOk;
}

uint32_t BUS::Control(CONN *pconn, uint8_t bm, uint8_t req, uint16_t wValue, uint16_t wIndex, const uint8_t *pbOut,
                      uint16_t wLength, std::vector<uint8_t> &rgbIn)
{
    std::lock_guard<std::mutex> lock(mtx);
    rgbIn.clear();
    DEVICE *pdev = pconn->pdev;
    if (!pdev)
        return StsNoDeviceL(*pconn);
    if (bm != bmVendorOut && bm != bmVendorIn)
        return stsStall;
    FWACT fwact = fwactNone;
    if (!pdev->fw.FVendorRequest(bm, req, wValue, wIndex, pbOut, wLength, rgbIn, fwact))
        return stsStall;
    if (fwact != fwactNone)
        RenumerateL(*pdev, fwact == fwactReset);
    else
        PumpL(*pdev);
    return stsOk;
}

void BUS::Submit(CONN *pconn, uint32_t tag, uint8_t ep, const uint8_t *pb, uint32_t cb, uint32_t tms)
{
    std::lock_guard<std::mutex> lock(mtx);
    auto completeNow = [&](uint32_t sts) {
        std::vector<uint8_t> rgb(9, 0);
        rgb[0] = ep;
        PutU32(&rgb[1], sts);
        pconn->Send(RgbFrame(msgComplete, tag, rgb));
    };
    DEVICE *pdev = pconn->pdev;
    if (ep >= cepMax || (pdev && pconn->rgxfer[ep].fPending)) {
        completeNow(stsBadRequest);
        return;
    }
    if (!pdev) {
        completeNow(StsNoDeviceL(*pconn));
        return;
    }
    if (pdev->pconnClaim != pconn) {
        completeNow(stsNotClaimed);
        return;
    }
    CONN::XFER &xfer = pconn->rgxfer[ep];
    xfer.fPending = true;
    xfer.tag = tag;
    xfer.cb = cb;
    xfer.cbDone = 0;
    if (FEpIn(ep))
        xfer.rgb.assign(cb, 0);
    else
        xfer.rgb.assign(pb, pb + cb);
    if (ep == epCmd) {
        CommandWriteL(*pdev, *pconn);
        return;
    }
    PumpL(*pdev);
    if (xfer.fPending && xfer.tag == tag && tms > 0) {
        int idConn = pconn->id;
        xfer.idTimer = ScheduleL(tms, [this, idConn, ep, tag] {
            auto it = mpconn.find(idConn);
            if (it != mpconn.end() && it->second->rgxfer[ep].fPending && it->second->rgxfer[ep].tag == tag)
                CompleteL(*it->second, ep, stsTimeout);
        });
    }
}

void BUS::CommandWriteL(DEVICE &dev, CONN &conn)
{
    CONN::XFER &xfer = conn.rgxfer[epCmd];
    FAULTS &faults = dev.fw.faults;
    if (faults.cPipeCmd > 0) {
        faults.cPipeCmd--;
        dev.fw.Log("FAULT pipe error on the command endpoint");
        CompleteL(conn, epCmd, stsStall);
        return;
    }
    if (xfer.cb > cbPktMax) {
        CompleteL(conn, epCmd, stsStall);
        return;
    }
    dev.fw.CommandPacket(xfer.rgb.data(), xfer.cb);
    xfer.cbDone = xfer.cb;
    CompleteL(conn, epCmd, stsOk);
    if (faults.cmdUnplug > 0 && --faults.cmdUnplug == 0) {
        faults.cmdUnplug = -1;
        dev.fw.Log("FAULT unplugged after a command packet");
        UnplugL(dev);
        return;
    }
    PumpL(dev);
}

uint32_t BUS::Cancel(CONN *pconn, uint8_t ep)
{
    std::lock_guard<std::mutex> lock(mtx);
    if (ep >= cepMax)
        return stsBadRequest;
    if (pconn->rgxfer[ep].fPending)
        CompleteL(*pconn, ep, stsCancelled);
    if (!pconn->pdev)
        return StsNoDeviceL(*pconn);
    return stsOk;
}

void BUS::CompleteL(CONN &conn, uint8_t ep, uint32_t sts)
{
    CONN::XFER &xfer = conn.rgxfer[ep];
    std::vector<uint8_t> rgb(9);
    rgb[0] = ep;
    PutU32(&rgb[1], sts);
    PutU32(&rgb[5], xfer.cbDone);
    if (FEpIn(ep))
        rgb.insert(rgb.end(), xfer.rgb.begin(), xfer.rgb.begin() + xfer.cbDone);
    uint32_t tag = xfer.tag;
    xfer = CONN::XFER();
    conn.Send(RgbFrame(msgComplete, tag, rgb));
}

bool BUS::FPumpXferL(DEVICE &dev, CONN &conn, uint8_t ep)
{
    CONN::XFER &xfer = conn.rgxfer[ep];
    FW &fw = dev.fw;
    switch (ep) {
    case epSts:
        if (fw.faults.cZlpSts > 0) {
            fw.faults.cZlpSts--;
            fw.Log("FAULT zero-length status read");
            CompleteL(conn, ep, stsOk);
            return true;
        }
        if (!fw.FStsReady())
            return false;
        {
            std::vector<uint8_t> rgbSts = fw.PopSts();
            xfer.cbDone = uint32_t(std::min<size_t>(rgbSts.size(), xfer.cb));
            std::copy(rgbSts.begin(), rgbSts.begin() + xfer.cbDone, xfer.rgb.begin());
        }
        CompleteL(conn, ep, stsOk);
        return true;
    case epDataOut: {
        size_t cbTaken = fw.DataOut(xfer.rgb.data() + xfer.cbDone, xfer.cb - xfer.cbDone);
        xfer.cbDone += uint32_t(cbTaken);
        if (xfer.cbDone == xfer.cb) {
            CompleteL(conn, ep, stsOk);
            return true;
        }
        return cbTaken > 0;
    }
    case epDataIn: {
        bool fShort = false;
        size_t cbGiven = fw.DataIn(xfer.rgb.data() + xfer.cbDone, xfer.cb - xfer.cbDone, fShort);
        xfer.cbDone += uint32_t(cbGiven);
        if (xfer.cbDone == xfer.cb || fShort) {
            CompleteL(conn, ep, stsOk);
            return true;
        }
        return cbGiven > 0;
    }
    }
    return false;
}

void BUS::PumpL(DEVICE &dev)
{
    // Move bytes until nothing moves: a data-out byte can make data-in bytes
    // (loopback, JTAG capture) and the end of a phase a final status.
    for (bool fProgress = true; fProgress;) {
        fProgress = false;
        std::vector<CONN *> rgpconn = dev.rgpconn;
        for (CONN *pconn : rgpconn)
            for (uint8_t ep = epSts; ep < cepMax; ep++)
                if (pconn->pdev == &dev && pconn->rgxfer[ep].fPending && FPumpXferL(dev, *pconn, ep))
                    fProgress = true;
    }
}

void BUS::DropConnsL(DEVICE &dev)
{
    for (CONN *pconn : dev.rgpconn) {
        for (uint8_t ep = 0; ep < cepMax; ep++)
            if (pconn->rgxfer[ep].fPending)
                CompleteL(*pconn, ep, stsNoDevice);
        pconn->pdev = nullptr;
        pconn->fGone = true;
    }
    dev.rgpconn.clear();
    dev.pconnClaim = nullptr;
}

void BUS::UnplugL(DEVICE &dev)
{
    DropConnsL(dev);
    if (dev.pftchip)
        dev.pftchip->DropHandles();
    dev.fPlugged = false;
    cvPresence.notify_all();
}

void BUS::PlugL(DEVICE &dev)
{
    if (dev.FPresent())
        return;
    dev.fPlugged = true;
    dev.fOnBus = true;
    dev.bd.PowerOn();
    dev.fw.PowerOn();
    dev.fw.ClearSts();
    if (dev.pftchip)
        dev.pftchip->PowerOn();
    cvPresence.notify_all();
}

void BUS::RenumerateL(DEVICE &dev, bool fReset)
{
    DropConnsL(dev);
    dev.fOnBus = false;
    if (fReset) {
        dev.bd.PowerOn();
        dev.fw.PowerOn();
        dev.fw.ClearSts();
    }
    dev.fw.Log(fReset ? "RESET left the bus" : "RENUMERATE left the bus");
    cvPresence.notify_all();
    if (dev.fw.faults.fRenumNever) {
        dev.fw.faults.fRenumNever = false;
        dev.fw.Log("FAULT renumeration does not come back");
        return;
    }
    unsigned genLeft = dev.gen;
    DEVICE *pdev = &dev;
    ScheduleL(dev.fw.faults.tmsRenum, [this, pdev, genLeft] { ComeBackL(*pdev, genLeft); });
}

void BUS::ComeBackL(DEVICE &dev, unsigned genLeft)
{
    if (dev.fOnBus || dev.gen != genLeft)
        return;             // plugged back by the control channel meanwhile
    if (!dev.fw.faults.szRenumSerial.empty()) {
        dev.bd.ident.szSerial = dev.fw.faults.szRenumSerial;
        dev.fw.faults.szRenumSerial.clear();
    }
    dev.gen++;
    dev.fOnBus = true;
    dev.fw.Log("back on the bus as " + dev.SzPath());
    cvPresence.notify_all();
}

uint64_t BUS::ScheduleL(unsigned tms, std::function<void()> fn)
{
    mptimer.emplace(CLOCK::now() + std::chrono::milliseconds(tms), std::move(fn));
    cvTimer.notify_all();
    return idTimerNext++;
}

void BUS::TimerThread()
{
    std::unique_lock<std::mutex> lock(mtx);
    while (!fStop) {
        if (mptimer.empty()) {
            cvTimer.wait(lock);
            continue;
        }
        auto it = mptimer.begin();
        if (CLOCK::now() < it->first) {
            cvTimer.wait_until(lock, it->first);
            continue;
        }
        std::function<void()> fn = std::move(it->second);
        mptimer.erase(it);
        fn();
    }
}

} // namespace sim
