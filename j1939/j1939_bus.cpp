// The bus object: registration, transmit queues, the background pass and dispatch.
#include "j1939/j1939_bus.h"

#include <initializer_list>

#include "core/delayed_callback.h"
#include "core/framework.h"
#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "j1939/j1939_fault_mgr.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "j1939/tp_session.h"
#include "platform/platform.h"

namespace {
constexpr unsigned char BusErrorPriority = 2;
constexpr unsigned char BusErrorFaultType = 1;
constexpr uint8_t NameBytes = 8;

uint32_t after(uint32_t now, uint32_t ms) {
    return (now + ms) & MsClockMask;
}

bool isPDU2(uint32_t pgn) {
    return (pgn & 0xFF00) > 0xEFFF;
}
} // namespace

StringArgs CANbusErrorExpanderSingleton::getMsgTemplate(unsigned char& form, unsigned char,
                                                        unsigned long) {
    form = BusErrorPriority;
    StringArgs args;
    args.key = "CAN bus error";
    return args;
}

void CANbackgroundProcess() {
    CANbusMgr.backgroundProcess();
}

J1939bus::J1939bus(J1939module& local, bool ignoreClaims)
    : rxAddresses(GlobalAddress), ignoreAddrClaims(ignoreClaims), localModule(&local) {
    rxAddresses.set(local.address);
}

void J1939bus::start(uint32_t acceptanceCode, uint32_t acceptanceMask, bool full) {
    if (full) {
        state = 2;
        dumpCANregs("J1939bus::start full");
        return;
    }
    basicCANdriverInit(acceptanceCode, acceptanceMask);
    // The local module may have been given its address after the bus was built.
    if (!rxAddresses.test(localModule->address)) rxAddresses.set(localModule->address);
    checkForStaleModules(true);
    CANbackgroundProcessPtr = CANbackgroundProcess;
    state = 1;
    dumpCANregs("J1939bus::start partial");
}

void J1939bus::registerModule(J1939module* module) {
    module->registered = true;
    module->nextModule = modules;
    modules = module;
}

void J1939bus::registerMsg(J1939msg* msg, J1939module* src, J1939module* dst, bool active) {
    msg->assignModules(src, dst);
    if (msg->fields == nullptr) msg->initFields();
    if (!active) {
        if (msg->cfgAs(J1939cfgListed, 0xFD)) inactiveRxMsgs.add(msg);
        return;
    }
    bool placed = false;
    if (msg->cfgAs(J1939cfgListed, 0xFD)) {
        rxMsgs.add(msg);
        rxAddresses.set(msg->da);
        placed = true;
    }
    if (msg->cfgAs(J1939cfgListed | J1939cfgOnRequest | J1939cfgPeriodic, 0xFD))
        msg->delayedNotify(TimerEvent, msg->period / 2);
    if (msg->cfgAs(J1939cfgListed | J1939cfgTx | J1939cfgPeriodic, 0xF7))
        msg->delayedNotify(TimerEvent, 100);
    if (msg->cfgAs(J1939cfgListed | J1939cfgTx | J1939cfgOnRequest, 0xEF)) {
        requestMsgs.add(msg);
        placed = true;
    }
    if (!placed && (msg->config & J1939cfgListed)) txMsgs.add(msg);
}

void J1939bus::deregisterRxMsg(J1939msg* msg) {
    if (rxMsgs.remove(msg)) inactiveRxMsgs.add(msg);
}

void J1939bus::txMsg(J1939msg* msg) {
    J1939msgBuffer* b = msg->buffer;
    if (b == nullptr) return;
    if (b->length > 8) {
        startTPtx(msg);
        return;
    }
    uint8_t x = isPDU2(msg->pgn) ? 0 : static_cast<uint8_t>(b->da ^ msg->txDA);
    txCANpkt(PktQueueElement::alloc(b->first, msg, x, false));
}

void J1939bus::txTPpkt(PktQueueElement* element) {
    tpQueue.add(element, true);
    if (CANbackgroundProcessPtr != nullptr) CANbackgroundProcessPtr();
}

void J1939bus::txCANpkt(PktQueueElement* element) {
    canQueue.add(element, true);
    if (CANbackgroundProcessPtr != nullptr) CANbackgroundProcessPtr();
}

void J1939bus::processRxMsg(J1939msgBuffer* buffer, J1939msg* msg) {
    if (buffer->pgn == PGN_DM1) {
        processDM1_Rx(buffer, msg);
        return;
    }
    J1939module* src = msg->module;
    if (src == nullptr || !src->registered) {
        src = nullptr;
        for (J1939module* m = modules; m != nullptr; m = m->nextModule) {
            if (m->address == buffer->sa) {
                src = m;
                break;
            }
        }
    }
    if (src != nullptr && src->monitored) src->stillAlive();
    J1939module* savedModule = msg->module;
    J1939msgBuffer* savedBuffer = msg->buffer;
    msg->module = src;
    msg->buffer = buffer;
    msg->notify(MsgReceivedEvent, nullptr);
    msg->module = savedModule;
    msg->buffer = savedBuffer;
    realTimeDriverHook();
}

void J1939bus::updateMsgListForAddrClaimed(J1939msgList& list, J1939module* module) {
    for (J1939msg* m = list.head; m != nullptr; m = m->listNext)
        if (m->module == module) m->moduleAddrChanged();
}

void J1939bus::processAddrClaimRx(uint8_t sa, const uint8_t* data) {
    J1939NAME name(data);
    J1939module* m = modules;
    while (m != nullptr && !name.match(m->expectedNAME, m->nameMask))
        m = m->nextModule;
    if (m == nullptr) {
        if (addrClaimHandler != nullptr) addrClaimHandler->unknownModuleClaimedAddr(sa, &name);
        return;
    }
    bool changed = name != m->expectedNAME;
    if (changed) m->expectedNAME = name;
    if (sa != m->address) {
        m->address = sa;
        changed = true;
        // Messages follow the module before anyone is told.
        updateMsgListForAddrClaimed(rxMsgs, m);
        updateMsgListForAddrClaimed(requestMsgs, m);
        updateMsgListForAddrClaimed(txMsgs, m);
    }
    if (addrClaimHandler != nullptr && (changed || addrClaimHandler->reportEveryClaim))
        addrClaimHandler->moduleClaimedAddr(m);
}

J1939field* J1939bus::findFieldAssocWithSPN(uint32_t spn, J1939msg*& msgOut, int nLists) {
    J1939msgList* lists[2] = {&rxMsgs, &inactiveRxMsgs};
    for (int i = 0; i < nLists && i < 2; ++i) {
        for (J1939msg* m = lists[i]->head; m != nullptr; m = m->listNext) {
            if (J1939field* f = m->findFieldAssocWithSPN(spn)) {
                msgOut = m;
                return f;
            }
        }
    }
    return nullptr;
}

J1939field* J1939bus::findFieldAssocWithFault(uint32_t spn, uint8_t fmi, J1939msg*& msgOut) {
    for (J1939msgList* list : {&rxMsgs, &inactiveRxMsgs}) {
        for (J1939msg* m = list->head; m != nullptr; m = m->listNext) {
            for (J1939field* f = m->fields; f != nullptr; f = f->next) {
                if (f->defn->spn == spn && f->diagnosticMatch(fmi) != nullptr) {
                    msgOut = m;
                    return f;
                }
            }
        }
    }
    return nullptr;
}

void J1939bus::checkForStaleModules(bool force) {
    uint32_t now = getMsTime();
    for (J1939module* mod = modules; mod != nullptr; mod = mod->nextModule) {
        if (!mod->monitored || !mod->justBecameStale(now, force)) continue;
        for (J1939msg* m = rxMsgs.head; m != nullptr; m = m->listNext)
            if (m->sa == mod->address)
                for (J1939field* f = m->fields; f != nullptr; f = f->next)
                    f->setStale();
    }
}

J1939_TPsession* J1939bus::findSession(J1939_TPsession* list, uint8_t sa, uint8_t da) const {
    uint32_t key = J1939_TPsession::makeKey(sa, da);
    for (J1939_TPsession* s = list; s != nullptr; s = s->nextSession)
        if (s->key == key) return s;
    return nullptr;
}

void J1939bus::pushSession(J1939_TPsession*& list, J1939_TPsession* session) {
    session->nextSession = list;
    list = session;
}

void J1939bus::removeSession(J1939_TPsession*& list, J1939_TPsession* session) {
    for (J1939_TPsession** p = &list; *p != nullptr; p = &(*p)->nextSession) {
        if (*p == session) {
            *p = session->nextSession;
            break;
        }
    }
    delete session;
}

void J1939bus::forgetNotifiable(Notifiable* party) {
    // Packets not yet given to the driver are dropped; those in the driver still go.
    simpleQueue keep;
    while (PktQueueElement* e = static_cast<PktQueueElement*>(tpQueue.remove())) {
        if (e->notifiable == party)
            e->free();
        else
            keep.add(e, true);
    }
    tpQueue = keep;
    for (simpleQueue* q : {&canQueue, &txWaitQueue})
        for (simpleQueueElement* e = q->head; e != nullptr; e = e->next) {
            PktQueueElement* pe = static_cast<PktQueueElement*>(e);
            if (pe->notifiable == party) pe->notifiable = nullptr;
        }
}

void J1939bus::superviseHealth(uint32_t now) {
    bool ok = basicCANdriverBusOK();
    if (ok != busOK) {
        busOK = ok;
        if (!ok) {
            if (busErrorFault == nullptr && alarmReported != 1) {
                alarmReported = 1;
                busOffAlarmTimer = after(now, BusErrorReportDelayMs);
                checkForStaleModules(true);
            }
        } else {
            clearJ1939Fault(busErrorFault);
            alarmReported = 0;
            paceStaleChecker = after(now, StaleCheckPeriodMs);
        }
    }
    if (!ok) {
        if (alarmReported == 1 && isDue(now, busOffAlarmTimer) && state == 2) {
            dumpCANregs("J1939bus: CAN bus error detected");
            alarmReported = 2;
            reportJ1939Fault(busErrorFault, CANbusErrorFaultCode, &busErrorExpander, 0.0,
                             BusErrorFaultType);
        }
    } else if (isDue(now, paceStaleChecker)) {
        paceStaleChecker = after(now, StaleCheckPeriodMs);
        checkForStaleModules(false);
    }
}

void J1939bus::pumpTransmit() {
    while (basicCANdriverTxReady()) {
        simpleQueue* q = !tpQueue.empty() ? &tpQueue : &canQueue;
        PktQueueElement* e = static_cast<PktQueueElement*>(q->remove());
        if (e == nullptr) return;
        if (!basicCANdriverTxMsg(e->pkt, e->daXor)) {
            q->add(e, false);
            return;
        }
        txWaitQueue.add(e, true);
    }
}

void J1939bus::backgroundProcess() {
    if (alreadyInThisRoutine) return;
    alreadyInThisRoutine = true;
    uint32_t now = getMsTime();
    if (alarmReported == 3) {
        alarmReported = 0;
        paceStaleChecker = after(now, StaleCheckPeriodMs);
    }
    superviseHealth(now);
    pumpTransmit();
    basicCANdriverServiceTxFIFO();
    while (basicCANdriverGetTxDone() != nullptr) {
        PktQueueElement* e = static_cast<PktQueueElement*>(txWaitQueue.remove());
        if (e == nullptr) continue; // a frame someone else gave the driver
        if (e->notifiable != nullptr) e->notifiable->conditionalDelayedNotify(PktTransmittedEvent);
        e->free();
    }
    for (int i = 0; i < RxFramesPerPass; ++i) {
        CANframe* f = basicCANdriverGetRxMsg();
        if (f == nullptr) break;
        CANpkt* p = dynamic_cast<CANpkt*>(f);
        if (p == nullptr) {
            freeCANframe(f);
            continue;
        }
        rxPkt = p;
        // J1939 lives in 29-bit frames; anything else is not for the stack.
        if (p->extended) dispatch(p);
        if (rxPkt != nullptr) freeCANframe(rxPkt);
        rxPkt = nullptr;
    }
    alreadyInThisRoutine = false;
}

void J1939bus::processRequest(uint8_t sa, uint8_t da) {
    if (rxPkt->dlc < 3) return;
    uint32_t requested = rxPkt->getBytes(0, 3);
    J1939msg* m = requestMsgs.match(requested, sa, rxPkt->data);
    if (m == nullptr) return;
    m->transmit(da == GlobalAddress || requested == PGN_AddressClaimed ? GlobalAddress : sa);
}

void J1939bus::dispatch(CANpkt* pkt) {
    uint8_t priority, sa, da;
    uint32_t pgn;
    getIDcomponents(pkt->id, priority, pgn, sa, da);
    if (!rxAddresses.test(da)) return;
    switch (pgn) {
    case PGN_TP_DT:
        processTP_DT(sa, da);
        return;
    case PGN_Request:
        processRequest(sa, da);
        return;
    case PGN_TP_CM:
        processTP_CM(sa, da);
        return;
    case PGN_AddressClaimed:
        if (!ignoreAddrClaims && pkt->dlc >= NameBytes) processAddrClaimRx(sa, pkt->data);
        return;
    default: {
        J1939msg* m = rxMsgs.match(pgn, sa, pkt->data);
        if (m == nullptr) return;
        J1939msgBuffer buffer(pgn, sa, da, priority, pkt->dlc > 8 ? 8 : pkt->dlc, pkt, false);
        processRxMsg(&buffer, m);
        return;
    }
    }
}
