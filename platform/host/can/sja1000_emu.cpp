// The emulated SJA1000: register file, status, receive FIFO memory, acceptance filter and
// error state. Only PeliCAN mode carries frames; the power-on BasicCAN layout is emulated
// as far as a probe of the CAN window sees it.
#include "platform/host/can/sja1000_emu.h"

#include <cstring>

#include "platform/can_regs.h"
#include "platform/host/host_clock.h"

namespace {
constexpr unsigned char BasicCAN_ResetControl = 0x21; // control register read in reset mode
constexpr unsigned char BasicCAN_RunControl = 0x20;
// Bits of CDR that can change outside reset mode: clock divider, clock off, RXINTEN.
constexpr unsigned char CDR_AlwaysWritable = 0x2F;
constexpr unsigned char CDR_ResetWritable = 0xEF;
constexpr unsigned BusOffTxCount = 127;
constexpr unsigned RecoverySequences = 128;
constexpr unsigned RecoverySequenceBits = 11;
constexpr unsigned RecPassiveResume = 119; // a receive count above 127 drops to 119..127
} // namespace

void EmulatedSJA1000::hardwareReset() {
    withdrawTx();
    mod = SJA_MOD_RM;
    cdr = 0;
    ier = ir = 0;
    btr0 = btr1 = ocr = 0;
    ewlr = 96;
    memset(acr, 0, sizeof acr);
    memset(amr, 0xFF, sizeof amr);
    memset(txbuf, 0, sizeof txbuf);
    memset(fifo, 0, sizeof fifo);
    rbsa = used = rmc = 0;
    tec = rec = 0;
    tbs = tcs = true;
    dos = bs = false;
    txPending = txOnBus = false;
    recovering = linkRecovered = false;
}

bool EmulatedSJA1000::operating() const {
    return peliCAN() && !resetMode() && !bs;
}

unsigned char EmulatedSJA1000::status() const {
    unsigned char s = 0;
    if (rmc > 0) s |= SJA_SR_RBS;
    if (dos) s |= SJA_SR_DOS;
    if (tbs) s |= SJA_SR_TBS;
    if (tcs) s |= SJA_SR_TCS;
    if (txOnBus && txPending) s |= SJA_SR_TS;
    if (bs || tec >= ewlr || rec >= ewlr) s |= SJA_SR_ES;
    if (bs) s |= SJA_SR_BS;
    return s;
}

unsigned char EmulatedSJA1000::read(unsigned reg) {
    if (reg >= SJA_WINDOW) return 0xFF;
    if (reg >= SJA_RXFIFO && reg < SJA_TXBUF) return fifo[reg - SJA_RXFIFO];
    if (!peliCAN()) {
        if (reg == SJA_MOD) return resetMode() ? BasicCAN_ResetControl : BasicCAN_RunControl;
        if (reg == SJA_CDR) return cdr;
        return 0xFF;
    }
    switch (reg) {
    case SJA_MOD:
        return mod & 0x1F;
    case SJA_CMR:
        return 0xFF;
    case SJA_SR:
        return status();
    case SJA_IR: {
        unsigned char v = ir;
        if (rmc > 0) v |= ier & SJA_IR_RI;
        ir = 0;
        return v;
    }
    case SJA_IER:
        return ier;
    case SJA_BTR0:
        return btr0;
    case SJA_BTR1:
        return btr1;
    case SJA_OCR:
        return ocr;
    case SJA_EWLR:
        return ewlr;
    case SJA_RXERR:
        return static_cast<unsigned char>(rec);
    case SJA_TXERR:
        return static_cast<unsigned char>(tec);
    case SJA_RMC:
        return static_cast<unsigned char>(rmc);
    case SJA_RBSA:
        return static_cast<unsigned char>(rbsa);
    case SJA_CDR:
        return cdr;
    default:
        break;
    }
    if (reg >= SJA_FRAME && reg < SJA_FRAME + 13) {
        unsigned i = reg - SJA_FRAME;
        if (resetMode()) return i < 4 ? acr[i] : (i < 8 ? amr[i - 4] : 0);
        // The receive buffer window shows the frame at the head of the FIFO.
        return fifo[(rbsa + i) % FifoBytes];
    }
    if (reg >= SJA_TXBUF && reg < SJA_TXBUF + 13) return txbuf[reg - SJA_TXBUF];
    return 0;
}

void EmulatedSJA1000::write(unsigned reg, unsigned char v) {
    if (reg >= SJA_WINDOW) return;
    if (reg >= SJA_RXFIFO && reg < SJA_TXBUF) {
        if (resetMode()) fifo[reg - SJA_RXFIFO] = v;
        return;
    }
    if (reg == SJA_CDR) {
        unsigned char m = resetMode() ? CDR_ResetWritable : CDR_AlwaysWritable;
        cdr = static_cast<unsigned char>((cdr & ~m) | (v & m));
        return;
    }
    if (!peliCAN()) {
        if (reg == SJA_MOD) {
            if (v & SJA_MOD_RM)
                enterResetMode();
            else
                mod &= static_cast<unsigned char>(~SJA_MOD_RM);
        }
        return;
    }
    if (reg == SJA_MOD) {
        if (((v ^ mod) & SJA_MOD_RM) && modeWritesToIgnore > 0) {
            --modeWritesToIgnore;
            return;
        }
        if (resetMode()) {
            mod = v & 0x1F;
            if (!(v & SJA_MOD_RM)) leaveResetMode();
        } else if (v & SJA_MOD_RM) {
            enterResetMode();
        }
        return;
    }
    if (reg == SJA_CMR) {
        if (!resetMode()) command(v);
        return;
    }
    if (reg == SJA_IER) {
        ier = v;
        return;
    }
    if (reg >= SJA_FRAME && reg < SJA_FRAME + 13) {
        unsigned i = reg - SJA_FRAME;
        if (resetMode()) {
            if (i < 4)
                acr[i] = v;
            else if (i < 8)
                amr[i - 4] = v;
        } else if (tbs) {
            txbuf[i] = v; // locked while a transmission is pending
        }
        return;
    }
    if (!resetMode()) return; // the rest is configuration
    switch (reg) {
    case SJA_BTR0:
        btr0 = v;
        break;
    case SJA_BTR1:
        btr1 = v;
        break;
    case SJA_OCR:
        ocr = v;
        break;
    case SJA_EWLR:
        ewlr = v;
        break;
    case SJA_RXERR:
        rec = v;
        break;
    case SJA_TXERR:
        tec = v;
        if (v == 255) enterBusOff(); // the chip's way of forcing bus-off
        break;
    case SJA_RBSA:
        rbsa = v % FifoBytes;
        break;
    default:
        break;
    }
}

void EmulatedSJA1000::command(unsigned char cmd) {
    if (cmd & SJA_CMR_RRB) {
        if (rmc > 0) {
            unsigned n = frameBytesAt(rbsa);
            rbsa = (rbsa + n) % FifoBytes;
            used -= n;
            --rmc;
        }
    }
    if (cmd & SJA_CMR_CDO) dos = false;
    if (cmd & (SJA_CMR_TR | SJA_CMR_SRR)) {
        if (tbs && !bs) {
            tbs = false;
            tcs = false;
            txPending = true;
            txOnBus = false;
            if (link != nullptr) link->txRequested();
        }
    } else if (cmd & SJA_CMR_AT) {
        // A frame already on the bus finishes; one still waiting is withdrawn.
        if (txPending && !txOnBus) {
            withdrawTx();
            tbs = true;
        }
    }
}

unsigned EmulatedSJA1000::frameBytesAt(unsigned offset) const {
    unsigned char info = fifo[offset % FifoBytes];
    unsigned n = (info & SJA_FI_FF) ? 5 : 3;
    if (!(info & SJA_FI_RTR)) n += (info & 0x0F) > 8 ? 8 : (info & 0x0F);
    return n;
}

void EmulatedSJA1000::withdrawTx() {
    if (!txPending) return;
    txPending = false;
    if (!txOnBus && link != nullptr) link->txWithdrawn();
}

void EmulatedSJA1000::enterResetMode() {
    mod |= SJA_MOD_RM;
    withdrawTx();
    tbs = true;
    rbsa = used = rmc = 0;
    dos = false;
}

void EmulatedSJA1000::leaveResetMode() {
    if (!bs) return;
    // Bus-off recovery: 128 sequences of 11 recessive bits, or the real bus's restart.
    recovering = true;
    recoveryEndsNs = hostClockNowNs() + RecoverySequences * RecoverySequenceBits * bitTimeNs();
    if (recoveryByLink && linkRecovered) finishRecovery();
}

void EmulatedSJA1000::finishRecovery() {
    bs = false;
    recovering = false;
    linkRecovered = false;
    tec = rec = 0;
}

uint64_t EmulatedSJA1000::advance(uint64_t nowNs) {
    if (!recovering || recoveryByLink) return UINT64_MAX;
    if (nowNs >= recoveryEndsNs) {
        finishRecovery();
        return UINT64_MAX;
    }
    return recoveryEndsNs;
}

uint64_t EmulatedSJA1000::bitTimeNs() const {
    uint64_t brp = (btr0 & 0x3F) + 1u;
    uint64_t quanta = 3u + (btr1 & 0x0F) + ((btr1 >> 4) & 0x07);
    return 2 * brp * quanta * 1000000000u / ClockHz;
}

bool EmulatedSJA1000::pendingTx(CanWireFrame* out) const {
    if (!txPending || !operating()) return false;
    unsigned char info = txbuf[0];
    out->extended = (info & SJA_FI_FF) != 0;
    out->rtr = (info & SJA_FI_RTR) != 0;
    out->dlc = info & 0x0F;
    unsigned d;
    if (out->extended) {
        out->id = static_cast<uint32_t>(txbuf[1]) << 21 | static_cast<uint32_t>(txbuf[2]) << 13 |
                  static_cast<uint32_t>(txbuf[3]) << 5 | txbuf[4] >> 3;
        d = 5;
    } else {
        out->id = static_cast<uint32_t>(txbuf[1]) << 3 | txbuf[2] >> 5;
        d = 3;
    }
    memset(out->data, 0, sizeof out->data);
    for (unsigned i = 0; i < out->dataBytes(); ++i)
        out->data[i] = txbuf[d + i];
    return true;
}

void EmulatedSJA1000::txStarted() {
    if (txPending) txOnBus = true;
}

void EmulatedSJA1000::txCompleted(uint64_t atNs) {
    CanWireFrame f;
    bool mine = pendingTx(&f);
    txOnBus = false;
    if (!mine) return; // withdrawn by a reset while it was on the bus
    txPending = false;
    tbs = tcs = true;
    if (tec > 0) --tec;
    ++framesSent;
    raise(SJA_IR_TI);
    if (tap != nullptr) tap->frameSeen(f, true, atNs);
}

bool EmulatedSJA1000::accepts(const unsigned char* frame) const {
    if (!(mod & SJA_MOD_AFM)) return true;
    unsigned char info = frame[0];
    bool rtr = (info & SJA_FI_RTR) != 0;
    unsigned char b[4];
    unsigned char careMask[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    if (info & SJA_FI_FF) {
        b[0] = frame[1];
        b[1] = frame[2];
        b[2] = frame[3];
        b[3] = static_cast<unsigned char>((frame[4] & 0xF8) | (rtr ? 0x04 : 0));
        careMask[3] = 0xFC; // the two lowest bits are unused
    } else {
        unsigned n = rtr ? 0 : ((info & 0x0F) > 8 ? 8 : (info & 0x0F));
        b[0] = frame[1];
        b[1] = static_cast<unsigned char>((frame[2] & 0xE0) | (rtr ? 0x10 : 0));
        careMask[1] = 0xF0;
        b[2] = n > 0 ? frame[3] : 0;
        b[3] = n > 1 ? frame[4] : 0;
        if (n < 1) careMask[2] = 0; // absent data bytes do not take part
        if (n < 2) careMask[3] = 0;
    }
    for (int i = 0; i < 4; ++i)
        if ((b[i] ^ acr[i]) & ~amr[i] & careMask[i]) return false;
    return true;
}

void EmulatedSJA1000::frameFromBus(const CanWireFrame& f, uint64_t atNs) {
    if (tap != nullptr) tap->frameSeen(f, false, atNs);
    if (!operating()) return;
    // A frame received without error lowers the receive error count.
    if (rec > 127)
        rec = RecPassiveResume;
    else if (rec > 0)
        --rec;
    unsigned char image[13];
    unsigned n = 0;
    image[n++] = static_cast<unsigned char>((f.extended ? SJA_FI_FF : 0) |
                                            (f.rtr ? SJA_FI_RTR : 0) | (f.dlc & 0x0F));
    if (f.extended) {
        image[n++] = static_cast<unsigned char>(f.id >> 21);
        image[n++] = static_cast<unsigned char>(f.id >> 13);
        image[n++] = static_cast<unsigned char>(f.id >> 5);
        image[n++] = static_cast<unsigned char>((f.id << 3) & 0xF8);
    } else {
        image[n++] = static_cast<unsigned char>(f.id >> 3);
        image[n++] = static_cast<unsigned char>((f.id << 5) & 0xE0);
    }
    for (unsigned i = 0; i < f.dataBytes(); ++i)
        image[n++] = f.data[i];
    if (!accepts(image)) {
        ++framesFiltered;
        return;
    }
    if (FifoBytes - used < n) {
        setOverrun();
        return;
    }
    for (unsigned i = 0; i < n; ++i)
        fifo[(rbsa + used + i) % FifoBytes] = image[i];
    used += n;
    ++rmc;
    ++framesAccepted;
    raise(SJA_IR_RI);
}

bool EmulatedSJA1000::hasRoomFor(const CanWireFrame& f) const {
    unsigned n = (f.extended ? 5 : 3) + f.dataBytes();
    return FifoBytes - used >= n;
}

void EmulatedSJA1000::setOverrun() {
    dos = true;
    ++framesOverrun;
    raise(SJA_IR_DOI);
}

void EmulatedSJA1000::frameLost() {
    if (operating()) setOverrun();
}

void EmulatedSJA1000::setErrorCounters(unsigned tx, unsigned rx) {
    if (tx > 255) {
        enterBusOff();
        return;
    }
    tec = tx;
    rec = rx > 255 ? 255 : rx;
}

void EmulatedSJA1000::enterBusOff() {
    bs = true;
    tec = BusOffTxCount;
    rec = 0;
    recovering = false;
    linkRecovered = false;
    enterResetMode();
}

void EmulatedSJA1000::busOffRecovered() {
    if (!bs) return;
    if (recovering)
        finishRecovery();
    else
        linkRecovered = true; // ends as soon as the driver leaves reset mode
}

void sjaLoadTxFrame(EmulatedSJA1000& c, const CanWireFrame& f) {
    c.write(SJA_FRAME, static_cast<unsigned char>((f.extended ? SJA_FI_FF : 0) |
                                                  (f.rtr ? SJA_FI_RTR : 0) | f.dlc));
    unsigned d;
    if (f.extended) {
        c.write(17, static_cast<unsigned char>(f.id >> 21));
        c.write(18, static_cast<unsigned char>(f.id >> 13));
        c.write(19, static_cast<unsigned char>(f.id >> 5));
        c.write(20, static_cast<unsigned char>(f.id << 3));
        d = 21;
    } else {
        c.write(17, static_cast<unsigned char>(f.id >> 3));
        c.write(18, static_cast<unsigned char>(f.id << 5));
        d = 19;
    }
    for (unsigned i = 0; i < f.dataBytes(); ++i)
        c.write(d + i, f.data[i]);
}

CanWireFrame sjaReadRxFrame(EmulatedSJA1000& c) {
    CanWireFrame f;
    unsigned char info = c.read(SJA_FRAME);
    f.extended = (info & SJA_FI_FF) != 0;
    f.rtr = (info & SJA_FI_RTR) != 0;
    f.dlc = info & 0x0F;
    unsigned d;
    if (f.extended) {
        f.id = static_cast<uint32_t>(c.read(17)) << 21 | static_cast<uint32_t>(c.read(18)) << 13 |
               static_cast<uint32_t>(c.read(19)) << 5 | c.read(20) >> 3;
        d = 21;
    } else {
        f.id = static_cast<uint32_t>(c.read(17)) << 3 | c.read(18) >> 5;
        d = 19;
    }
    for (unsigned i = 0; i < f.dataBytes(); ++i)
        f.data[i] = c.read(d + i);
    return f;
}
