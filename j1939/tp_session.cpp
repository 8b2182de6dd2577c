// Transport-protocol sessions: BAM and RTS/CTS, both directions.
#include "j1939/tp_session.h"

#include "j1939/can_frame.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_msg.h"

FreeListPool J1939BAM_TxSession::pool(sizeof(J1939BAM_TxSession));
FreeListPool J1939BAM_RxSession::pool(sizeof(J1939BAM_RxSession));
FreeListPool J1939RTS_TxSession::pool(sizeof(J1939RTS_TxSession));
FreeListPool J1939RTS_RxSession::pool(sizeof(J1939RTS_RxSession));

namespace {
constexpr uint32_t AbortSize = 0xFFFF;
constexpr uint32_t AbortCount = 0xFF;

J1939msg* msgOf(simpleQueueElement* e) {
    return static_cast<J1939msg*>(e);
}

void cancelTimers(Notifiable* n) {
    while (n->cancelDelayedNotify(AnyEvent)) {
    }
}
} // namespace

J1939_TPsession::J1939_TPsession(J1939msg* m, uint8_t sa, uint8_t da)
    : key(makeKey(sa, da)), msg(m),
      rxBuffer(m != nullptr ? m->pgn : 0, sa, da, 0, 0, nullptr, false) {}

J1939_TPsession::~J1939_TPsession() {
    clearMsgBuffer();
}

void J1939_TPsession::startRx(const CANpkt* pkt) {
    clearMsgBuffer();
    rxBuffer.length = pkt->getBytes(1, 2);
    totalPackets = pkt->data[3];
    nextSeq = 1;
    filterPending = msg != nullptr && (msg->config & J1939cfgFiltered) != 0;
}

PktQueueElement* J1939_TPsession::buildTPqElem(uint8_t control, uint32_t sizeOrNext, uint32_t count,
                                               Notifiable* notifiable) {
    bool tx = msg != nullptr && (msg->config & J1939cfgTx) != 0;
    uint8_t from = tx ? keySA() : keyDA(), to = tx ? keyDA() : keySA();
    CANpkt* p = buildTPpkt(control, sizeOrNext, count, msg != nullptr ? msg->pgn : 0, from, to);
    return PktQueueElement::alloc(p, notifiable, 0, true);
}

void J1939_TPsession::sendABORT() {
    CANbusMgr.txTPpkt(buildTPqElem(TP_Abort, AbortSize, AbortCount, nullptr));
}

void J1939_TPsession::clearMsgBuffer() {
    CANpkt* p = rxBuffer.first;
    while (p != nullptr) {
        CANpkt* n = p->next;
        delete p;
        p = n;
    }
    rxBuffer.first = nullptr;
    rxLast = nullptr;
}

void J1939_TPsession::appendRx(CANpkt* pkt) {
    pkt->next = nullptr;
    if (rxLast != nullptr)
        rxLast->next = pkt;
    else
        rxBuffer.first = pkt;
    rxLast = pkt;
}

void J1939_TPsession::releaseNotifier(Notifiable* notifier) {
    cancelTimers(notifier);
    CANbusMgr.forgetNotifiable(notifier);
}

PktQueueElement* J1939_TPsession::_startTx(J1939msg* m, uint8_t control, Notifiable* notifiable) {
    if (m != nullptr) {
        bool queued = false;
        for (simpleQueueElement* e = msgQueue.head; e != nullptr && !queued; e = e->next)
            queued = e == m;
        if (!queued) msgQueue.add(m, true);
    }
    if (msg != nullptr || msgQueue.empty()) return nullptr; // the message waits its turn
    msg = msgOf(msgQueue.head);
    J1939msgBuffer* b = msg->buffer;
    totalPackets = static_cast<uint8_t>((b->length + 6) / 7);
    daXor = static_cast<uint8_t>(b->da ^ keyDA());
    return buildTPqElem(control, b->length, totalPackets, notifiable);
}

void J1939_TPsession::endTxSession(J1939_TPsession*& list, NotificationEvent event,
                                   Notifiable* notifier) {
    releaseNotifier(notifier);
    J1939msg* m = msg;
    msg = nullptr;
    bool again = m->retxPending;
    m->retxPending = false;
    if (!again) msgQueue.remove(); // m is the head
    m->notify(event, nullptr);
    // A repeat asked for during the transfer re-sends the same buffer from the head.
    if (again) m->txBusy = true;
    if (msg != nullptr) return; // the message's handler already started the next one
    if (!msgQueue.empty())
        startTx(nullptr);
    else
        CANbusMgr.removeSession(list, this);
}

// BAM transmit: TP.CM, then one TP.DT 100 ms after each transmit-done.

void J1939BAM_TxSession::startTx(J1939msg* m) {
    PktQueueElement* cm = _startTx(m, TP_BAM, &note);
    if (cm == nullptr) return;
    nextPkt = msg->buffer->first;
    note.delay = TP_BAMpacketGapMs;
    CANbusMgr.txTPpkt(cm);
}

void J1939BAM_TxSession::onEvent(NotificationEvent) {
    if (msg == nullptr) return;
    if (nextPkt == nullptr) {
        endTxSession(CANbusMgr.bamTxSessions, TPtxAckedEvent, &note);
        return;
    }
    CANpkt* p = nextPkt;
    nextPkt = p->next;
    if (nextPkt == nullptr) note.delay = 0; // completion as soon as the last one has gone
    CANbusMgr.txTPpkt(PktQueueElement::alloc(p, &note, daXor, false));
}

// BAM receive.

void J1939BAM_RxSession::reassign(J1939msg* m) {
    msg = m;
    rxBuffer.pgn = m->pgn;
    rxBuffer.id = buildIDfromPGN(0, m->pgn, keySA(), keyDA());
    clearMsgBuffer();
}

CANpkt* J1939BAM_RxSession::gotDT(CANpkt* pkt) {
    if (pkt->data[0] != nextSeq) {
        endSession(TPfailedEvent); // dropped silently
        return pkt;
    }
    appendRx(pkt);
    ++nextSeq;
    if (pkt->data[0] == totalPackets) {
        CANbusMgr.processRxMsg(&rxBuffer, msg);
        endSession(TPfailedEvent);
    }
    return nullptr;
}

void J1939BAM_RxSession::endSession(NotificationEvent) {
    clearMsgBuffer();
    CANbusMgr.removeSession(CANbusMgr.bamRxSessions, this);
}

// RTS/CTS transmit.

void J1939RTS_TxSession::arm(uint32_t ms) {
    cancelTimers(&note);
    note.delayedNotify(TimerEvent, ms);
}

void J1939RTS_TxSession::startTx(J1939msg* m) {
    PktQueueElement* rts = _startTx(m, TP_RTS, nullptr);
    if (rts == nullptr) return;
    // Nothing has been sent: an EndOfMsgACK before the data is not an acknowledgement.
    nextPkt = msg->buffer->first;
    windowLast = 0;
    waitingForCTS = true;
    arm(TP_ResponseTimeoutMs);
    CANbusMgr.txTPpkt(rts);
}

void J1939RTS_TxSession::gotCTS(const CANpkt* pkt) {
    if (!waitingForCTS || msg == nullptr) return;
    cancelTimers(&note);
    unsigned count = pkt->data[1];
    if (count == 0) {
        arm(TP_HoldTimeoutMs);
        return;
    }
    waitingForCTS = false;
    unsigned next = pkt->data[2];
    if (next > totalPackets) {
        next = totalPackets;
        count = 1;
    } else if (next + count - 1 > totalPackets) {
        count = totalPackets - next + 1;
    }
    CANpkt* p = msg->buffer->first;
    while (p != nullptr && p->data[0] != next)
        p = p->next;
    if (p == nullptr) {
        endSession(TPfailedEvent);
        return;
    }
    nextPkt = p;
    windowLast = static_cast<uint8_t>(count);
    onEvent(PktTransmittedEvent);
}

void J1939RTS_TxSession::gotACK(const CANpkt* pkt) {
    if (msg == nullptr || nextPkt != nullptr) return;
    if (pkt->getBytes(1, 2) == msg->buffer->length && pkt->data[3] == totalPackets &&
        pkt->getBytes(5, 3) == msg->pgn)
        endSession(TPtxAckedEvent);
}

void J1939RTS_TxSession::endSession(NotificationEvent event) {
    cancelTimers(&note);
    waitingForCTS = false;
    endTxSession(CANbusMgr.rtsTxSessions, event, &note);
}

void J1939RTS_TxSession::onEvent(NotificationEvent event) {
    if (msg == nullptr) return;
    if (event == TimerEvent) {
        sendABORT();
        endSession(TPfailedEvent);
        return;
    }
    if (event != PktTransmittedEvent) return;
    if (windowLast > 0 && nextPkt != nullptr) {
        CANpkt* p = nextPkt;
        nextPkt = p->next;
        --windowLast;
        CANbusMgr.txTPpkt(PktQueueElement::alloc(p, &note, daXor, false));
    } else if (!waitingForCTS) {
        windowLast = 0;
        waitingForCTS = true;
        arm(TP_ResponseTimeoutMs);
    }
}

// RTS/CTS receive.

void J1939RTS_RxSession::arm(uint32_t ms) {
    cancelTimers(&note);
    note.delayedNotify(TimerEvent, ms);
}

void J1939RTS_RxSession::limitWindow(uint8_t rtsMaxPackets) {
    if (rtsMaxPackets != 0 && rtsMaxPackets < maxPerCTS) maxPerCTS = rtsMaxPackets;
}

void J1939RTS_RxSession::sendCTS() {
    windowFirst = nextSeq;
    unsigned last = nextSeq + maxPerCTS - 1u;
    windowLast = static_cast<uint8_t>(last < totalPackets ? last : totalPackets);
    dtSinceCTS = false;
    arm(TP_ResponseTimeoutMs);
    CANbusMgr.txTPpkt(buildTPqElem(TP_CTS, windowFirst, windowLast - windowFirst + 1u, nullptr));
}

void J1939RTS_RxSession::sendACK() {
    CANbusMgr.txTPpkt(buildTPqElem(TP_EndOfMsgACK, rxBuffer.length, totalPackets, nullptr));
}

CANpkt* J1939RTS_RxSession::gotDT(CANpkt* pkt) {
    cancelTimers(&note);
    dtSinceCTS = true;
    uint8_t seq = pkt->data[0];
    CANpkt* notKept = pkt;
    if (seq == nextSeq) {
        appendRx(pkt);
        notKept = nullptr;
        ++nextSeq;
        if (seq == totalPackets) {
            sendACK();
            CANbusMgr.processRxMsg(&rxBuffer, msg);
            endSession(TPfailedEvent);
            return nullptr;
        }
    }
    if (seq == windowLast)
        sendCTS(); // from the next packet still missing
    else
        arm(TP_PacketGapMs);
    return notKept;
}

void J1939RTS_RxSession::endSession(NotificationEvent) {
    cancelTimers(&note);
    clearMsgBuffer();
    CANbusMgr.removeSession(CANbusMgr.rtsRxSessions, this);
}

void J1939RTS_RxSession::onEvent(NotificationEvent event) {
    if (event != TimerEvent) return;
    if (dtSinceCTS) {
        sendCTS();
    } else {
        sendABORT();
        endSession(TPfailedEvent);
    }
}
