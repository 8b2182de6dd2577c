// Transport protocol at the bus: TP.CM and TP.DT frames routed to their sessions, sessions
// made for RTS and BAM, and long messages handed to a transmit session.
#include "j1939/can_frame.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"
#include "j1939/tp_session.h"

namespace {
// A stand-in message for refusing an RTS that no receive message takes.
class J1939tmpMsgSingleton : public J1939msg {
public:
    J1939tmpMsgSingleton() : J1939msg(0, 0, 0, J1939cfgSrcSpecific) {}
    void init() override {}
};
J1939tmpMsgSingleton tmpMsg;

// A size the protocol can carry, in exactly the packets it needs.
bool plausibleTransfer(const CANpkt* cm) {
    uint32_t size = cm->getBytes(1, 2);
    return size > 8 && size <= TP_MaxMessageBytes && cm->data[3] == (size + 6) / 7;
}
} // namespace

void J1939bus::startTPtx(J1939msg* msg) {
    bool toOne = msg->txDA < GlobalAddress;
    J1939_TPsession*& list = toOne ? rtsTxSessions : bamTxSessions;
    J1939_TPsession* s = findSession(list, msg->sa, msg->txDA);
    if (s == nullptr) {
        if (toOne)
            s = new J1939RTS_TxSession(msg->sa, msg->txDA);
        else
            s = new J1939BAM_TxSession(msg->sa, GlobalAddress);
        pushSession(list, s);
    }
    s->startTx(msg);
}

void J1939bus::processTP_DT(uint8_t sa, uint8_t da) {
    J1939_TPsession* s = findSession(da == GlobalAddress ? bamRxSessions : rtsRxSessions, sa, da);
    if (s == nullptr) return;
    if (s->filterPending && rxPkt->data[0] == 1) {
        s->filterPending = false;
        // The RTS or BAM named only the PGN: the first data say which message it is.
        J1939msg* m = rxMsgs.match(s->msg->pgn, sa, rxPkt->data + 1);
        if (m == nullptr) {
            if (da != GlobalAddress) s->sendABORT();
            s->endSession(TPfailedEvent);
            return;
        }
        s->msg = m;
    }
    rxPkt = s->gotDT(rxPkt);
}

void J1939bus::processTP_CM(uint8_t sa, uint8_t da) {
    uint32_t pgn = rxPkt->getBytes(5, 3);
    switch (rxPkt->data[0]) {
    case TP_CTS:
    case TP_EndOfMsgACK: {
        J1939RTS_TxSession* s =
            static_cast<J1939RTS_TxSession*>(findSession(rtsTxSessions, da, sa));
        if (s == nullptr || s->msg == nullptr || s->msg->pgn != pgn) return;
        if (rxPkt->data[0] == TP_CTS)
            s->gotCTS(rxPkt);
        else
            s->gotACK(rxPkt);
        return;
    }
    case TP_RTS: {
        if (da == GlobalAddress) return; // a connection needs one receiver
        J1939msg* m = rxMsgs.match(pgn, sa, nullptr);
        if (m != nullptr && findSession(rtsRxSessions, sa, da) != nullptr) return;
        if (m != nullptr && plausibleTransfer(rxPkt)) {
            J1939RTS_RxSession* s = new J1939RTS_RxSession(m, sa, da);
            pushSession(rtsRxSessions, s);
            s->startRx(rxPkt);
            s->limitWindow(rxPkt->data[4]);
            s->sendCTS();
            return;
        }
        tmpMsg.pgn = pgn;
        J1939_TPsession* s = new J1939RTS_RxSession(&tmpMsg, sa, da);
        pushSession(rtsRxSessions, s);
        s->sendABORT();
        s->endSession(TPfailedEvent);
        return;
    }
    case TP_BAM: {
        if (da != GlobalAddress || !plausibleTransfer(rxPkt)) return;
        J1939msg* m = rxMsgs.match(pgn, sa, nullptr);
        if (m == nullptr) return;
        J1939BAM_RxSession* s =
            static_cast<J1939BAM_RxSession*>(findSession(bamRxSessions, sa, da));
        if (s != nullptr) {
            s->reassign(m);
        } else {
            s = new J1939BAM_RxSession(m, sa, da);
            pushSession(bamRxSessions, s);
        }
        s->startRx(rxPkt);
        return;
    }
    case TP_Abort: {
        J1939_TPsession* s = findSession(rtsRxSessions, sa, da);
        if (s == nullptr) s = findSession(rtsTxSessions, da, sa);
        if (s != nullptr) s->endSession(TPfailedEvent);
        return;
    }
    default:
        return;
    }
}
