// The J1939 network object: registered messages in lists, known modules, transport
// sessions and transmit queues. Pumped once per main-loop pass through
// CANbackgroundProcess: it watches the controller's health, feeds the driver (transport
// packets first), reports transmitted frames to their senders and dispatches up to four
// received frames by PGN.
#pragma once

#include <cstdint>

#include "j1939/bit_set.h"
#include "j1939/j1939_active_faults.h"
#include "j1939/j1939_msg.h"
#include "j1939/simple_queue.h"
#include "text/template_expander.h"

class CANpkt;
class FaultObj;
class J1939AddrClaimHandler;
class J1939NAME;
class J1939_TPsession;
class J1939field;
class J1939module;
class J1939msgBuffer;
class J1939msgDM1_Rx;

// The template of the bus fault.
class CANbusErrorExpanderSingleton : public TemplateExpander {
public:
    StringArgs getMsgTemplate(unsigned char& form, unsigned char which,
                              unsigned long context) override;
};

// Received frames dispatched in one pass, at most.
constexpr int RxFramesPerPass = 4;
// Fault code of a CAN bus that stays unhealthy.
constexpr uint32_t CANbusErrorFaultCode = 0xFE;
// How long the bus must stay bad before the fault is reported, and the stale check pace.
constexpr uint32_t BusErrorReportDelayMs = 3000;
constexpr uint32_t StaleCheckPeriodMs = 500;

class J1939bus {
public:
    BitSet256 rxAddresses; // destinations accepted
    J1939msgList rxMsgs;
    J1939msgList inactiveRxMsgs;
    J1939msgList requestMsgs; // transmitted on Request
    J1939msgList txMsgs;
    J1939_TPsession* bamTxSessions = nullptr;
    J1939_TPsession* bamRxSessions = nullptr;
    J1939_TPsession* rtsTxSessions = nullptr;
    J1939_TPsession* rtsRxSessions = nullptr;
    simpleQueue tpQueue;     // TP.CM and TP.DT packets waiting for the driver
    simpleQueue canQueue;    // single frames waiting for the driver
    simpleQueue txWaitQueue; // handed to the driver, waiting for transmit-done
    CANpkt* rxPkt = nullptr; // frame being dispatched; a handler that keeps it sets it to 0
    J1939ActiveFaultList activeFaults; // DM1 faults of the nodes followed
    J1939module* modules = nullptr;
    bool ignoreAddrClaims;
    bool simulated = false;
    bool busOK = true;
    int state = 0; // 0 not started, 1 started partly, 2 started fully
    CANbusErrorExpanderSingleton busErrorExpander;
    FaultObj* busErrorFault = nullptr;
    J1939AddrClaimHandler* addrClaimHandler = nullptr;
    J1939module* localModule;
    J1939_SPNmapping* spnMappings = nullptr;

    J1939bus(J1939module& localModule, bool ignoreAddrClaims);
    J1939bus(const J1939bus&) = delete;
    J1939bus& operator=(const J1939bus&) = delete;

    // full false: driver started with this acceptance filter, modules stale, pump
    // installed; full true: bus faults from now on are reported.
    void start(uint32_t acceptanceCode, uint32_t acceptanceMask, bool full);
    void registerModule(J1939module* module);
    void registerMsg(J1939msg* msg, J1939module* src, J1939module* dst, bool active = true);
    void deregisterRxMsg(J1939msg* msg);
    void registerAddrClaimHandler(J1939AddrClaimHandler* handler) { addrClaimHandler = handler; }
    // DTCs of SPN from are taken as SPN to (set-up time: it allocates).
    void registerSPNmapping(uint32_t from, uint32_t to);
    J1939ActiveFaultNode* findActiveFault(GenericData* data, J1939ActiveFaultNode* after) const {
        return activeFaults.findActiveFault(data, after);
    }

    // Sends the message's buffer to its txDA: one frame, or a transport session.
    void txMsg(J1939msg* msg);
    // Queue, and let the packet leave at once if the driver has room.
    void txTPpkt(PktQueueElement* element);
    void txCANpkt(PktQueueElement* element);
    // A complete received message, told to msg with MsgReceivedEvent.
    void processRxMsg(J1939msgBuffer* buffer, J1939msg* msg);
    void processAddrClaimRx(uint8_t sa, const uint8_t* data);

    // Searches the first nLists receive lists (1: active, 2: also inactive).
    J1939field* findFieldAssocWithSPN(uint32_t spn, J1939msg*& msgOut, int nLists);
    J1939field* findFieldAssocWithFault(uint32_t spn, uint8_t fmi, J1939msg*& msgOut);
    void checkForStaleModules(bool force);

    // Transport sessions: lists keyed by (sender, receiver).
    J1939_TPsession* findSession(J1939_TPsession* list, uint8_t sa, uint8_t da) const;
    void pushSession(J1939_TPsession*& list, J1939_TPsession* session);
    // Unlinks the session and deletes it.
    void removeSession(J1939_TPsession*& list, J1939_TPsession* session);
    // Queued and in-flight packets stop reporting to party (it is going away).
    void forgetNotifiable(Notifiable* party);

    void backgroundProcess();

private:
    bool alreadyInThisRoutine = false;
    int alarmReported = 3; // 0 idle, 1 bus error timer running, 2 reported, 3 first run
    uint32_t paceStaleChecker = 0;
    uint32_t busOffAlarmTimer = 0;

    void sendSoon();
    void superviseHealth(uint32_t now);
    void pumpTransmit();
    void dispatch(CANpkt* pkt);
    void processRequest(uint8_t sa, uint8_t da);
    // Transport protocol (the frames and the sessions they drive).
    void processTP_DT(uint8_t sa, uint8_t da);
    void processTP_CM(uint8_t sa, uint8_t da);
    void startTPtx(J1939msg* msg);
    // A DM1 from the node msg follows: lamps, faults reported and cleared, time-out armed.
    void processDM1_Rx(J1939msgBuffer* buffer, J1939msg* msg);
    void updateMsgListForAddrClaimed(J1939msgList& list, J1939module* module);
};

// The network object, built by the application with its own module.
extern J1939bus CANbusMgr;
// What the main loop calls through CANbackgroundProcessPtr once the bus has started.
void CANbackgroundProcess();
