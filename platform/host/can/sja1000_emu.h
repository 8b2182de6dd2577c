// The host's stand-in for the SJA1000 CAN controller: PeliCAN registers and status bits,
// one transmit buffer, the 64-byte receive FIFO, the single acceptance filter (the dual
// filter mode lets everything through), error counters with error passive, bus-off and its
// recovery. Its bus side is a link (a
// transport) that takes the frame to send and hands in frames seen on the bus.
#pragma once

#include <cstdint>

#include "platform/host/can/can_wire_frame.h"

// What the controller tells its bus side.
class CanControllerLink {
public:
    virtual ~CanControllerLink() = default;
    // A transmission was requested: take the frame with pendingTx().
    virtual void txRequested() = 0;
    // The pending frame was withdrawn (abort, reset or bus-off) before it went out.
    virtual void txWithdrawn() {}
};

// Sees every frame the controller sent and every frame it saw on the bus.
class CanFrameTap {
public:
    virtual ~CanFrameTap() = default;
    virtual void frameSeen(const CanWireFrame& f, bool sent, uint64_t atNs) = 0;
};

class EmulatedSJA1000 {
public:
    static constexpr unsigned FifoBytes = 64;
    static constexpr uint32_t ClockHz = 12000000; // the board's controller clock
    static constexpr unsigned char PassiveLimit = 128;

    EmulatedSJA1000() { hardwareReset(); }

    // Power-on state: reset mode, BasicCAN layout until CDR selects PeliCAN.
    void hardwareReset();

    unsigned char read(unsigned reg);
    void write(unsigned reg, unsigned char value);

    // Bus side.
    void setLink(CanControllerLink* l) { link = l; }
    void setTap(CanFrameTap* t) { tap = t; }
    // The frame waiting for the bus, if a transmission is pending.
    bool pendingTx(CanWireFrame* out) const;
    void txStarted();
    void txCompleted(uint64_t atNs);
    // A frame another node sent, as this controller sees it on the bus.
    void frameFromBus(const CanWireFrame& f, uint64_t atNs);
    // Whether the receive FIFO has room for f now.
    bool hasRoomFor(const CanWireFrame& f) const;
    // A frame that reached the bus side but found no room on the way in (a transport's own
    // buffer was full): counts as a data overrun.
    void frameLost();
    // Brings time-driven work (bus-off recovery) up to now; returns the time of the next
    // such event or UINT64_MAX.
    uint64_t advance(uint64_t nowNs);
    bool operating() const;
    // Bit time set by BTR0/BTR1 with the board's clock.
    uint64_t bitTimeNs() const;

    // Error state, forced by tests or reported by a real bus.
    void setErrorCounters(unsigned tx, unsigned rx);
    void enterBusOff();
    // When true, bus-off recovery ends only through busOffRecovered() (the real bus behind a
    // socket decides); otherwise after 128 x 11 bit times.
    void setRecoveryByLink(bool on) { recoveryByLink = on; }
    void busOffRecovered();
    void forceDataOverrun() { setOverrun(); }
    // The next n writes that would change the reset mode bit are ignored, as by a controller
    // slow to obey.
    void ignoreModeWrites(unsigned n) { modeWritesToIgnore = n; }

    // Figures for tests.
    unsigned long framesAccepted = 0;
    unsigned long framesFiltered = 0;
    unsigned long framesOverrun = 0;
    unsigned long framesSent = 0;
    unsigned rxFifoFrames() const { return rmc; }
    bool busOff() const { return bs; }
    unsigned txErrorCount() const { return tec; }
    unsigned rxErrorCount() const { return rec; }

private:
    CanControllerLink* link = nullptr;
    CanFrameTap* tap = nullptr;

    unsigned char mod = 0, cdr = 0, ier = 0, ir = 0;
    unsigned char btr0 = 0, btr1 = 0, ocr = 0, ewlr = 96;
    unsigned char acr[4] = {}, amr[4] = {};
    unsigned char txbuf[13] = {};
    unsigned char fifo[FifoBytes] = {};
    unsigned rbsa = 0, used = 0, rmc = 0;
    unsigned tec = 0, rec = 0;
    bool tbs = true, tcs = true, dos = false, bs = false;
    bool txPending = false, txOnBus = false;
    bool recovering = false, recoveryByLink = false, linkRecovered = false;
    uint64_t recoveryEndsNs = 0;
    unsigned modeWritesToIgnore = 0;

    bool peliCAN() const { return (cdr & 0x80) != 0; }
    bool resetMode() const { return (mod & 0x01) != 0; }
    unsigned char status() const;
    bool accepts(const unsigned char* frame) const;
    unsigned frameBytesAt(unsigned offset) const;
    void setOverrun();
    void enterResetMode();
    void leaveResetMode();
    void finishRecovery();
    void withdrawTx();
    void command(unsigned char cmd);
    void raise(unsigned char bits) { ir |= bits & ier; }
};

// Register-level use of a controller in operating mode, as a node's CPU does it: loads f
// into the transmit buffer (transmission is then requested through CMR), and reads the frame
// at the head of the receive FIFO (without releasing it).
void sjaLoadTxFrame(EmulatedSJA1000& c, const CanWireFrame& f);
CanWireFrame sjaReadRxFrame(EmulatedSJA1000& c);
