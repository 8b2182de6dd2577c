// Transport-protocol sessions: one per (sender, receiver) pair and direction, kept in the
// bus's four session lists. A transmit session sends a message's pre-built TP.DT chain as
// it is (several messages to one destination wait in its queue); a receive session keeps
// the received TP.DT frames themselves as the message and hands them to the bus.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "j1939/j1939_msg_buffer.h"
#include "core/free_list_pool.h"
#include "j1939/simple_queue.h"

class CANpkt;
class J1939msg;

// Protocol times (ms).
constexpr uint32_t TP_BAMpacketGapMs = 100;     // after each transmit-done of a BAM frame
constexpr uint32_t TP_ResponseTimeoutMs = 1250; // CTS or ACK awaited; TP.DT after a CTS
constexpr uint32_t TP_HoldTimeoutMs = 1050;     // after a CTS that holds the connection
constexpr uint32_t TP_PacketGapMs = 750;        // receiver: gap inside a window
constexpr unsigned TP_MaxPacketsPerCTS = 16;
constexpr uint32_t TP_MaxMessageBytes = 1785;

class J1939_TPsession {
public:
    uint32_t key;      // sender in bits 0..7, receiver in bits 8..15
    uint8_t daXor = 0; // transmit: message da XOR session da, for every TP.DT
    J1939_TPsession* nextSession = nullptr;
    simpleQueue msgQueue; // transmit: waiting messages; the head is in progress
    J1939msg* msg;        // the message being transferred (transmit: 0 between messages)
    J1939msgBuffer rxBuffer;
    CANpkt* rxLast = nullptr;
    uint8_t totalPackets = 0;
    uint8_t nextSeq = 1;
    uint8_t windowFirst = 0, windowLast = 0;
    bool filterPending = false;

    J1939_TPsession(J1939msg* msg, uint8_t sa, uint8_t da);
    J1939_TPsession(const J1939_TPsession&) = delete;
    J1939_TPsession& operator=(const J1939_TPsession&) = delete;
    virtual ~J1939_TPsession();

    virtual void startTx(J1939msg*) {}
    // Returns pkt when the session did not keep it.
    virtual CANpkt* gotDT(CANpkt* pkt) { return pkt; }
    virtual void endSession(NotificationEvent) {}

    static uint32_t makeKey(uint8_t sa, uint8_t da) { return sa | static_cast<uint32_t>(da) << 8; }
    uint8_t keySA() const { return static_cast<uint8_t>(key); }
    uint8_t keyDA() const { return static_cast<uint8_t>(key >> 8); }

    // Receive: size and packets from the RTS or BAM; the chain starts empty.
    void startRx(const CANpkt* pkt);
    // A TP.CM for msg's PGN between the session's ends, in an element that owns it.
    PktQueueElement* buildTPqElem(uint8_t control, uint32_t sizeOrNext, uint32_t count,
                                  Notifiable* notifiable);
    void sendABORT();
    void clearMsgBuffer();

protected:
    // Queues msg (if given); when no transfer runs, starts the head of the queue and returns
    // its first TP.CM.
    PktQueueElement* _startTx(J1939msg* msg, uint8_t control, Notifiable* notifiable);
    // The transfer of msg ended with event: tell it, then go on with the queue or end the
    // session (which deletes it).
    void endTxSession(J1939_TPsession*& list, NotificationEvent event, Notifiable* notifier);
    void appendRx(CANpkt* pkt);
    // Pending timers and queued packets of notifier are of no use any more.
    static void releaseNotifier(Notifiable* notifier);
};

// Forwards the sub-object's notifications to its session.
template <class Session, class Base> class TPsessionNotifier : public Base {
public:
    explicit TPsessionNotifier(Session* s) : session(s) {}
    void notify(NotificationEvent event, Data*) override { session->onEvent(event); }

private:
    Session* session;
};

class J1939BAM_TxSession : public J1939_TPsession {
public:
    CANpkt* nextPkt = nullptr;
    TPsessionNotifier<J1939BAM_TxSession, NotifiableWithOptionalDelay> note{this};

    J1939BAM_TxSession(uint8_t sa, uint8_t da) : J1939_TPsession(nullptr, sa, da) {}
    ~J1939BAM_TxSession() override { releaseNotifier(&note); }
    void startTx(J1939msg* msg) override;
    void onEvent(NotificationEvent event);

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;
};

class J1939BAM_RxSession : public J1939_TPsession {
public:
    using J1939_TPsession::J1939_TPsession;
    // A new BAM from the same sender: the session starts over for msg.
    void reassign(J1939msg* msg);
    CANpkt* gotDT(CANpkt* pkt) override;
    void endSession(NotificationEvent event) override;

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;
};

class J1939RTS_TxSession : public J1939_TPsession {
public:
    CANpkt* nextPkt = nullptr; // next packet to send; 0 once every packet has gone
    bool waitingForCTS = false;
    TPsessionNotifier<J1939RTS_TxSession, Notifiable> note{this};

    J1939RTS_TxSession(uint8_t sa, uint8_t da) : J1939_TPsession(nullptr, sa, da) {}
    ~J1939RTS_TxSession() override { releaseNotifier(&note); }
    void startTx(J1939msg* msg) override;
    void gotCTS(const CANpkt* pkt);
    void gotACK(const CANpkt* pkt);
    void endSession(NotificationEvent event) override;
    void onEvent(NotificationEvent event);

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;

private:
    void arm(uint32_t ms);
};

class J1939RTS_RxSession : public J1939_TPsession {
public:
    bool dtSinceCTS = false;
    uint8_t maxPerCTS = TP_MaxPacketsPerCTS;
    TPsessionNotifier<J1939RTS_RxSession, Notifiable> note{this};

    using J1939_TPsession::J1939_TPsession;
    ~J1939RTS_RxSession() override { releaseNotifier(&note); }
    // The RTS's own limit of packets per CTS (byte 4), when it is below ours.
    void limitWindow(uint8_t rtsMaxPackets);
    void sendCTS();
    void sendACK();
    CANpkt* gotDT(CANpkt* pkt) override;
    void endSession(NotificationEvent event) override;
    void onEvent(NotificationEvent event);

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;

private:
    void arm(uint32_t ms);
};
