// Transport-protocol endpoint of the simulated modules.
#include "modsim/tp_peer.h"

#include <cstring>

namespace {
constexpr uint32_t PgnTpCm = 0xEC00;
constexpr uint32_t PgnTpDt = 0xEB00;
constexpr uint8_t CtlRts = 0x10, CtlCts = 0x11, CtlAck = 0x13, CtlBam = 0x20, CtlAbort = 0xFF;
// Abort reasons: already busy, timeout, bad sequence, by request of the fault settings.
constexpr uint8_t ReasonBusy = 1, ReasonTimeout = 3, ReasonBadSequence = 7, ReasonRequested = 250;
// Protocol times in ms: receiver between packets, after a CTS, sender waiting, hold refresh.
constexpr uint32_t T1 = 750, T2 = 1250, T3 = 1250, T4 = 1050, HoldRefresh = 500;

bool passed(uint32_t now, uint32_t deadline) {
    return static_cast<int32_t>(now - deadline) >= 0;
}
uint32_t pgnOf(const uint8_t* d) {
    return d[5] | d[6] << 8 | static_cast<uint32_t>(d[7]) << 16;
}
} // namespace

void TpPeer::sendCm(uint8_t da, uint8_t control, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4,
                    uint32_t pgn) {
    if (faults.silent) return;
    PeerFrame f;
    f.id = 7u << 26 | (PgnTpCm | da) << 8 | addr;
    uint8_t d[8] = {control,
                    b1,
                    b2,
                    b3,
                    b4,
                    static_cast<uint8_t>(pgn),
                    static_cast<uint8_t>(pgn >> 8),
                    static_cast<uint8_t>(pgn >> 16)};
    memcpy(f.data, d, 8);
    if (control == CtlCts) ++ctsSent;
    if (control == CtlAbort) ++abortsSent;
    if (control == CtlAck) ++acksSent;
    out->sendFrame(f);
}

void TpPeer::sendAbort(uint8_t da, uint8_t reason, uint32_t pgn) {
    sendCm(da, CtlAbort, reason, 0xFF, 0xFF, 0xFF, pgn);
}

void TpPeer::sendDt(uint8_t da, int seq) {
    if (faults.silent) return;
    PeerFrame f;
    f.id = 7u << 26 | (PgnTpDt | da) << 8 | addr;
    f.data[0] = static_cast<uint8_t>(seq);
    size_t start = static_cast<size_t>(seq - 1) * 7;
    for (size_t i = 0; i < 7 && start + i < tx.length; ++i)
        f.data[1 + i] = tx.data[start + i];
    ++dtSent;
    out->sendFrame(f);
}

void TpPeer::record(bool sendingSide, uint8_t peer, uint32_t pgn, uint16_t length, TpOutcome o) {
    log[logCount % MaxLog] = {sendingSide, peer, pgn, o, length};
    ++logCount;
}

// A sender may run a broadcast and a connection to us at the same time: one of each.
TpPeer::RxSession* TpPeer::findRx(uint8_t sa, bool bam) {
    RxState kind = bam ? RxState::Bam : RxState::Rts;
    for (RxSession& s : rx)
        if (s.state == kind && s.sa == sa) return &s;
    return nullptr;
}

TpPeer::RxSession* TpPeer::freeRx() {
    for (RxSession& s : rx)
        if (s.state == RxState::Idle) return &s;
    return nullptr;
}

void TpPeer::onFrame(const PeerFrame& f, uint32_t nowMs) {
    if (faults.silent || f.dlc < 8) return;
    uint32_t pf = (f.id >> 16) & 0xFF;
    uint8_t da = static_cast<uint8_t>(f.id >> 8);
    uint8_t sa = static_cast<uint8_t>(f.id);
    if (sa == addr || (da != addr && da != 0xFF)) return;
    if (pf == (PgnTpCm >> 8))
        onCm(f, sa, da, nowMs);
    else if (pf == (PgnTpDt >> 8))
        onDt(f, sa, da, nowMs);
}

void TpPeer::onCm(const PeerFrame& f, uint8_t sa, uint8_t da, uint32_t nowMs) {
    const uint8_t* d = f.data;
    uint32_t pgn = pgnOf(d);
    uint16_t size = static_cast<uint16_t>(d[1] | d[2] << 8);
    switch (d[0]) {
    case CtlRts:
    case CtlBam: {
        bool bam = d[0] == CtlBam;
        if (bam != (da == 0xFF)) return;
        RxSession* s = findRx(sa, bam);
        if (s == nullptr) s = freeRx();
        if (s == nullptr) {
            if (!bam) sendAbort(sa, ReasonBusy, pgn);
            return;
        }
        // A new announcement from the same sender replaces its transfer of the same kind.
        uint8_t packets = d[3];
        if (size < 9 || size > MaxMessage || packets != (size + 6) / 7) {
            s->state = RxState::Idle;
            if (!bam) sendAbort(sa, ReasonBadSequence, pgn);
            return;
        }
        s->state = bam ? RxState::Bam : RxState::Rts;
        s->sa = sa;
        s->pgn = pgn;
        s->length = size;
        s->packets = packets;
        s->nextSeq = 1;
        s->maxPerCts = bam ? 255 : d[4];
        s->holdsLeft = faults.holdCts;
        s->dtCount = 0;
        s->deadline = nowMs + T1;
        memset(s->data, 0xFF, sizeof s->data);
        if (!bam) sendCts(*s, nowMs);
        return;
    }
    case CtlCts:
        if (!tx.active || tx.bam || sa != tx.da || pgn != tx.pgn || !tx.waitingCts) return;
        if (d[1] == 0) { // hold
            tx.deadline = nowMs + T4;
            return;
        }
        if (d[2] == 0 || d[2] > tx.packets) {
            sendAbort(tx.da, ReasonBadSequence, tx.pgn);
            endTx(TpOutcome::AbortSent);
            return;
        }
        tx.next = d[2];
        tx.windowEnd = d[2] + d[1] - 1 > tx.packets ? tx.packets : d[2] + d[1] - 1;
        tx.waitingCts = false;
        sendWindow(nowMs);
        return;
    case CtlAck:
        if (!tx.active || tx.bam || sa != tx.da || pgn != tx.pgn || !tx.awaitingAck) return;
        endTx(TpOutcome::Completed);
        return;
    case CtlAbort:
        if (tx.active && !tx.bam && sa == tx.da && pgn == tx.pgn) {
            endTx(TpOutcome::AbortedByPeer);
        } else if (RxSession* s = findRx(sa, false)) {
            if (s->pgn == pgn) {
                record(false, sa, pgn, s->length, TpOutcome::AbortedByPeer);
                s->state = RxState::Idle;
            }
        }
        return;
    default:
        return;
    }
}

void TpPeer::sendCts(RxSession& s, uint32_t nowMs) {
    if (s.holdsLeft > 0) {
        --s.holdsLeft;
        sendCm(s.sa, CtlCts, 0, 0xFF, 0xFF, 0xFF, s.pgn);
        s.windowLast = 0;
        s.deadline = nowMs + HoldRefresh;
        return;
    }
    int remaining = s.packets - s.nextSeq + 1;
    int count = faults.window < 1 ? 1 : faults.window;
    if (count > s.maxPerCts && s.maxPerCts != 0) count = s.maxPerCts;
    if (count > remaining) count = remaining;
    s.windowLast = s.nextSeq + count - 1;
    sendCm(s.sa, CtlCts, static_cast<uint8_t>(count), static_cast<uint8_t>(s.nextSeq), 0xFF, 0xFF,
           s.pgn);
    s.deadline = nowMs + T2;
}

void TpPeer::finishRx(RxSession& s) {
    if (s.state == RxState::Rts && !faults.noAck)
        sendCm(s.sa, CtlAck, static_cast<uint8_t>(s.length), static_cast<uint8_t>(s.length >> 8),
               static_cast<uint8_t>(s.packets), 0xFF, s.pgn);
    Message& m = rxLog[rxCount % MaxLog];
    m.sa = s.sa;
    m.pgn = s.pgn;
    m.length = s.length;
    memcpy(m.data, s.data, s.length);
    ++rxCount;
    record(false, s.sa, s.pgn, s.length, TpOutcome::Completed);
    s.state = RxState::Idle;
}

void TpPeer::onDt(const PeerFrame& f, uint8_t sa, uint8_t da, uint32_t nowMs) {
    RxSession* s = findRx(sa, da == 0xFF);
    if (s == nullptr) return;
    int seq = f.data[0];
    if (s->state == RxState::Rts && s->windowLast == 0) return; // nothing asked for (hold)
    if (seq != s->nextSeq) {
        if (s->state == RxState::Bam) {
            record(false, sa, s->pgn, s->length, TpOutcome::Dropped);
            s->state = RxState::Idle;
        } else if (seq == s->windowLast) {
            // The window is over with a packet missing: ask again from the first one missing.
            // Not before: a CTS while the sender is still sending breaks the protocol.
            sendCts(*s, nowMs);
        }
        return; // duplicates and strays are ignored
    }
    size_t start = static_cast<size_t>(seq - 1) * 7;
    for (size_t i = 0; i < 7 && start + i < s->length; ++i)
        s->data[start + i] = f.data[1 + i];
    ++s->nextSeq;
    ++s->dtCount;
    s->deadline = nowMs + T1;
    if (faults.abortAfterPackets > 0 && s->dtCount >= faults.abortAfterPackets &&
        s->nextSeq <= s->packets) {
        if (s->state == RxState::Rts) sendAbort(sa, ReasonRequested, s->pgn);
        record(false, sa, s->pgn, s->length, TpOutcome::AbortSent);
        s->state = RxState::Idle;
        return;
    }
    if (seq == s->packets) {
        finishRx(*s);
        return;
    }
    if (s->state == RxState::Rts && seq == s->windowLast) sendCts(*s, nowMs);
}

bool TpPeer::send(uint8_t da, uint32_t pgn, const uint8_t* data, size_t length, uint32_t nowMs) {
    if (tx.active || length < 9 || length > MaxMessage || faults.silent) return false;
    tx.active = true;
    tx.bam = da == 0xFF;
    tx.da = da;
    tx.pgn = pgn;
    tx.length = static_cast<uint16_t>(length);
    tx.packets = static_cast<int>((length + 6) / 7);
    tx.next = 1;
    tx.windowEnd = tx.packets;
    tx.dtCount = 0;
    tx.dropped = tx.repeated = tx.swapped = false;
    tx.awaitingAck = false;
    memcpy(tx.data, data, length);
    if (tx.bam) {
        tx.waitingCts = false;
        sendCm(0xFF, CtlBam, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
               static_cast<uint8_t>(tx.packets), 0xFF, pgn);
        tx.deadline = nowMs + faults.bamGapMs;
    } else {
        tx.waitingCts = true;
        sendCm(da, CtlRts, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
               static_cast<uint8_t>(tx.packets), 0xFF, pgn);
        tx.deadline = nowMs + T3;
    }
    return true;
}

// Sends the packets of the current window (RTS/CTS all at once; BAM one per call), with
// the faults asked for.
void TpPeer::sendWindow(uint32_t nowMs) {
    while (tx.active && tx.next <= tx.windowEnd) {
        int seq = tx.next++;
        ++tx.dtCount;
        if (faults.swapDt == seq && !tx.swapped && seq < tx.windowEnd) {
            tx.swapped = true;
            sendDt(tx.da, seq + 1);
            sendDt(tx.da, seq);
            ++tx.next;
        } else if (faults.dropDt == seq && !tx.dropped) {
            tx.dropped = true;
        } else {
            sendDt(tx.da, seq);
            if (faults.repeatDt == seq && !tx.repeated) {
                tx.repeated = true;
                sendDt(tx.da, seq);
            }
        }
        if (faults.abortAfterPackets > 0 && tx.dtCount >= faults.abortAfterPackets &&
            tx.next <= tx.packets) {
            if (!tx.bam) sendAbort(tx.da, ReasonRequested, tx.pgn);
            endTx(TpOutcome::AbortSent);
            return;
        }
        if (tx.bam) {
            if (tx.next > tx.packets) {
                endTx(TpOutcome::Completed);
                return;
            }
            tx.deadline = nowMs + faults.bamGapMs;
            return;
        }
    }
    if (!tx.active || tx.bam) return;
    // After every window the receiver may ask again with a CTS, even once all was sent.
    tx.awaitingAck = tx.next > tx.packets;
    tx.waitingCts = true;
    tx.deadline = nowMs + T3;
}

void TpPeer::onSent(const PeerFrame& f, uint32_t nowMs) {
    if (!tx.active || tx.bam || !tx.waitingCts || static_cast<uint8_t>(f.id) != addr) return;
    uint32_t pf = (f.id >> 16) & 0xFF;
    bool rts = pf == (PgnTpCm >> 8) && f.data[0] == CtlRts;
    bool windowEnd = pf == (PgnTpDt >> 8) && f.data[0] == tx.windowEnd;
    if (rts || windowEnd) tx.deadline = nowMs + T3;
}

void TpPeer::endTx(TpOutcome o) {
    record(true, tx.da, tx.pgn, tx.length, o);
    tx.active = false;
}

void TpPeer::tick(uint32_t nowMs) {
    if (faults.silent) { // vanished: what was running ends unheard when it times out
        if (tx.active && passed(nowMs, tx.deadline)) endTx(TpOutcome::TimedOut);
        for (RxSession& s : rx) {
            if (s.state == RxState::Idle || !passed(nowMs, s.deadline)) continue;
            record(false, s.sa, s.pgn, s.length, TpOutcome::TimedOut);
            s.state = RxState::Idle;
        }
        return;
    }
    if (tx.active && passed(nowMs, tx.deadline)) {
        if (tx.bam) {
            sendWindow(nowMs);
        } else {
            sendAbort(tx.da, ReasonTimeout, tx.pgn);
            endTx(TpOutcome::AbortSent);
        }
    }
    for (RxSession& s : rx) {
        if (s.state == RxState::Idle || !passed(nowMs, s.deadline)) continue;
        if (s.state == RxState::Rts && s.windowLast == 0) {
            sendCts(s, nowMs); // refresh the hold, or the real CTS once the holds are used up
            continue;
        }
        if (s.state == RxState::Rts) {
            sendAbort(s.sa, ReasonTimeout, s.pgn);
            record(false, s.sa, s.pgn, s.length, TpOutcome::AbortSent);
        } else {
            record(false, s.sa, s.pgn, s.length, TpOutcome::TimedOut);
        }
        s.state = RxState::Idle;
    }
}

bool TpPeer::nextDeadline(uint32_t* ms) const {
    bool any = false;
    uint32_t best = 0;
    auto consider = [&](uint32_t d) {
        if (!any || static_cast<int32_t>(d - best) < 0) best = d;
        any = true;
    };
    if (tx.active) consider(tx.deadline);
    for (const RxSession& s : rx)
        if (s.state != RxState::Idle) consider(s.deadline);
    if (any) *ms = best;
    return any;
}
