// A J1939 transport-protocol endpoint for simulated modules, written at the CAN-frame level
// and independent of the display's stack, so that each checks the other. It speaks BAM and
// RTS/CTS in both directions with the usual timeouts, and can misbehave on request.
#pragma once

#include <cstddef>
#include <cstdint>

struct PeerFrame {
    uint32_t id = 0; // 29-bit identifier
    uint8_t dlc = 8;
    uint8_t data[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
};

class PeerFrameSink {
public:
    virtual void sendFrame(const PeerFrame& f) = 0;
    virtual ~PeerFrameSink() = default;
};

// Misbehaviour on request. Sequence numbers count from 1; 0 switches a fault off.
struct TpPeerFaults {
    int window = 16;           // receiver: packets asked for per CTS (1..255)
    int holdCts = 0;           // receiver: CTS holds (count 0) sent before the first real CTS
    int dropDt = 0;            // sender: this TP.DT is not sent the first time
    int repeatDt = 0;          // sender: this TP.DT is sent twice
    int swapDt = 0;            // sender: this TP.DT and the next go out in reverse order
    int abortAfterPackets = 0; // either side: Abort after this many TP.DTs sent or received
    bool silent = false;       // sends nothing more; what runs ends unheard at its timeout
    bool noAck = false;        // receiver: every packet arrives but no EndOfMsgACK is sent
    uint32_t bamGapMs = 50;    // sender: time between BAM frames
};

enum class TpOutcome : uint8_t {
    Completed,     // sent and acknowledged, or received whole
    AbortedByPeer, // the other side sent an Abort
    AbortSent,     // this side gave up and sent an Abort
    TimedOut,      // this side gave up silently (BAM, or a sender whose Abort was refused)
    Dropped,       // a BAM reception out of sequence
};

struct TpTransfer {
    bool sending;
    uint8_t peer; // the other side's address
    uint32_t pgn;
    TpOutcome outcome;
    uint16_t length;
};

class TpPeer {
public:
    static constexpr size_t MaxMessage = 1785;
    static constexpr int MaxRxSessions = 4;
    static constexpr int MaxLog = 64;

    TpPeer(uint8_t address, PeerFrameSink* sink) : addr(address), out(sink) {}

    TpPeerFaults faults;
    uint8_t address() const { return addr; }
    void setAddress(uint8_t a) { addr = a; }

    // Takes every frame seen on the bus; frames of other PGNs are ignored.
    void onFrame(const PeerFrame& f, uint32_t nowMs);
    // One of this peer's frames has gone out completely. A sender waits for the answer from
    // the end of its RTS or of a window's last packet; without these calls, from queuing.
    void onSent(const PeerFrame& f, uint32_t nowMs);
    // Runs timeouts and BAM pacing.
    void tick(uint32_t nowMs);
    // Earliest time tick must be called again; false when nothing is pending.
    bool nextDeadline(uint32_t* ms) const;

    // Starts sending a message to da (255: BAM). False while a transmission runs or the
    // length is out of range (9..1785).
    bool send(uint8_t da, uint32_t pgn, const uint8_t* data, size_t length, uint32_t nowMs);
    bool sending() const { return tx.active; }

    // Completed receptions, newest last; the data stay until the log wraps.
    struct Message {
        uint8_t sa;
        uint32_t pgn;
        uint16_t length;
        uint8_t data[MaxMessage];
    };
    int receivedCount() const { return rxCount; }
    const Message& received(int i) const { return rxLog[i % MaxLog]; }
    int transferCount() const { return logCount; }
    const TpTransfer& transfer(int i) const { return log[i % MaxLog]; }
    // Frames of the protocol sent by this peer, by control byte, for tests.
    unsigned ctsSent = 0, abortsSent = 0, acksSent = 0, dtSent = 0;

private:
    enum class RxState : uint8_t { Idle, Rts, Bam };
    struct RxSession {
        RxState state = RxState::Idle;
        uint8_t sa = 0;
        uint32_t pgn = 0;
        uint16_t length = 0;
        int packets = 0;
        int nextSeq = 1;
        int windowLast = 0; // 0 while holding
        int maxPerCts = 255;
        int holdsLeft = 0;
        int dtCount = 0;
        uint32_t deadline = 0;
        uint8_t data[MaxMessage];
    };
    struct TxSession {
        bool active = false;
        bool bam = false;
        bool waitingCts = false;
        bool awaitingAck = false;
        uint8_t da = 0;
        uint32_t pgn = 0;
        uint16_t length = 0;
        int packets = 0;
        int next = 1;      // next sequence number to send
        int windowEnd = 0; // last sequence number of the current window
        int dtCount = 0;
        bool dropped = false, repeated = false, swapped = false;
        uint32_t deadline = 0;
        uint8_t data[MaxMessage];
    };

    uint8_t addr;
    PeerFrameSink* out;
    RxSession rx[MaxRxSessions];
    TxSession tx;
    Message rxLog[MaxLog];
    int rxCount = 0;
    TpTransfer log[MaxLog];
    int logCount = 0;

    void sendCm(uint8_t da, uint8_t control, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4,
                uint32_t pgn);
    void sendAbort(uint8_t da, uint8_t reason, uint32_t pgn);
    void sendDt(uint8_t da, int seq);
    void record(bool sending, uint8_t peer, uint32_t pgn, uint16_t length, TpOutcome o);
    RxSession* findRx(uint8_t sa, bool bam);
    RxSession* freeRx();
    void onCm(const PeerFrame& f, uint8_t sa, uint8_t da, uint32_t nowMs);
    void onDt(const PeerFrame& f, uint8_t sa, uint8_t da, uint32_t nowMs);
    void sendCts(RxSession& s, uint32_t nowMs);
    void finishRx(RxSession& s);
    void sendWindow(uint32_t nowMs);
    void endTx(TpOutcome o);
};
