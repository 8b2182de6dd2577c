// The display's transport protocol against the simulated modules' endpoint, which was
// written apart from it at the CAN-frame level: both directions, BAM and RTS/CTS, lengths
// 9 to 1785, the peer's receive windows, and faults on either side (the peer's own fault
// settings; the display's frames dropped, repeated or swapped on their way to the peer).
// Every transfer must arrive intact or end as the protocol says on both sides, at the
// protocol's times, in bounded virtual time, with every pool back to its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "flashloader/display_module.h"
#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "j1939/tp_session.h"
#include "modsim/tp_peer_node.h"
#include "tests/support/j1939_test_bus.h"
#include "tests/support/virtual_time.h"

namespace {
constexpr uint8_t Me = ServiceToolSA;
constexpr uint8_t Mod = 0x25;
constexpr uint32_t PropA = 0xEF00; // to one node: RTS/CTS
constexpr uint32_t Bcast = 0xFF20; // to all: BAM
constexpr uint8_t DT = PGN_TP_DT >> 8, CM = PGN_TP_CM >> 8;

enum Dir { DisplayRts, DisplayBam, PeerRts, PeerBam };
const char* const DirNames[] = {"DisplayRts", "DisplayBam", "PeerRts", "PeerBam"};

// What happens to one of the display's frames on its way to the peer.
// Swap delivers it after the display's next frame. The frame is the nth whose PF is pf
// (DT or CM) and whose first byte is byte0 (sequence number or control byte).
struct LinkFault {
    enum Action { None, Drop, Repeat, Swap } action = None;
    uint8_t pf = 0;
    uint8_t byte0 = 0;
    int nth = 1;
};

// The peer behind that link; it can also fall silent after sending some frames.
class LinkedPeer : public TpPeerNode {
public:
    LinkFault link;
    int silentAfterSent = 0;
    LinkedPeer() : TpPeerNode(Mod) {}

    void onRx(const CanWireFrame& f, uint64_t atNs) override {
        bool hit = link.action != LinkFault::None && ((f.id >> 16) & 0xFF) == link.pf &&
                   f.data[0] == link.byte0 && ++matched == link.nth;
        if (held) {
            held = false;
            TpPeerNode::onRx(f, atNs);
            TpPeerNode::onRx(heldFrame, atNs);
            return;
        }
        if (hit && link.action == LinkFault::Drop) return;
        if (hit && link.action == LinkFault::Swap) {
            heldFrame = f;
            held = true;
            return;
        }
        TpPeerNode::onRx(f, atNs);
        if (hit) TpPeerNode::onRx(f, atNs); // repeated
    }
    void sendFrame(const PeerFrame& f) override {
        TpPeerNode::sendFrame(f);
        if (++sent == silentAfterSent) peer.faults.silent = true;
    }

private:
    int matched = 0, sent = 0;
    bool held = false;
    CanWireFrame heldFrame;
};

enum Side { ByDisplay = 1, ByPeer = 2, ByEither = 3 };
// A silence on the bus longer than any pacing, and who broke it.
struct Pause {
    Side by;
    int ms;
};

constexpr uint8_t NoRecord = 0x80;
constexpr uint8_t is(TpOutcome o) {
    return static_cast<uint8_t>(1u << static_cast<unsigned>(o));
}

struct Case {
    std::string name;
    Dir dir;
    uint16_t length;
    int window = 16;
    TpPeerFaults peerFaults;
    int silentAfterSent = 0;
    LinkFault link;
    uint32_t peerPgn = 0;     // the peer sends this PGN instead of the display's message's
    int filterFirstByte = -1; // the display's message takes only data starting with this
    // Expected: the receiver has the message intact (else nothing); the display as sender
    // is told this; the peer's record of the transfer is one of these; who sent an Abort;
    // the long pauses on the bus in order.
    bool delivered = true;
    NotificationEvent displayEnd = TPtxAckedEvent;
    uint8_t peerEnd = is(TpOutcome::Completed);
    int aborts = 0;
    std::vector<Pause> pauses;
    int ctsAsked = 0;    // CTS frames with packets asked for (0: the windows of a clean run)
    int heldPackets = 0; // a broadcast cut short: packets the display holds meanwhile
};

std::ostream& operator<<(std::ostream& o, const Case& c) {
    return o << c.name;
}

bool isSender(Dir d) {
    return d == DisplayRts || d == DisplayBam;
}
bool isBam(Dir d) {
    return d == DisplayBam || d == PeerBam;
}
uint8_t byteAt(uint32_t i, uint32_t length) {
    return static_cast<uint8_t>(i * 7 + i / 251 + length); // no short period
}
bool isControl(const CanWireFrame& f, uint8_t control) {
    return pgnOf(f) == PGN_TP_CM && f.data[0] == control;
}
unsigned sessionsInUse() {
    return J1939BAM_TxSession::pool.blocksInUse() + J1939BAM_RxSession::pool.blocksInUse() +
           J1939RTS_TxSession::pool.blocksInUse() + J1939RTS_RxSession::pool.blocksInUse();
}

class TpInterop : public ::testing::TestWithParam<Case> {
protected:
    J1939TestBus j;  // its recording node sees every frame on the bus, with its end time
    LinkedPeer node; // the peer
    const Case& c = GetParam();
    const bool tx = isSender(c.dir);
    // The display's message: sent, or received from any source.
    TestMsg msg{isBam(c.dir) ? Bcast : PropA, 6, tx ? c.length : 0u,
                J1939cfgListed | (tx ? J1939msgConfiguration{J1939cfgTx} : 0u) |
                    (c.filterFirstByte >= 0 ? J1939msgConfiguration{J1939cfgFiltered} : 0u)};
    std::vector<uint8_t> data;
    unsigned pktsAtStart = 0;
    size_t traceFrom = 0;

    // Sets the case up and starts the transfer.
    void start() {
        if (tx)
            CANbusMgr.registerMsg(&msg, &Display, isBam(c.dir) ? &AllModules : &Module_na);
        else
            CANbusMgr.registerMsg(&msg, &Module_na, &Display);
        data.resize(c.length);
        for (uint32_t i = 0; i < c.length; ++i)
            data[i] = byteAt(i, c.length);
        if (tx) msg.buffer->copyInBytes(data.data(), 0, c.length);
        EXPECT_TRUE(node.join(j.bus));
        node.peer.faults = c.peerFaults;
        node.peer.faults.window = c.window;
        node.silentAfterSent = c.silentAfterSent;
        node.link = c.link;
        msg.acceptFirstByte = c.filterFirstByte;
        j.runFor(5);
        pktsAtStart = CANpkt::pool.blocksInUse();
        traceFrom = j.peer.received.size();

        if (c.dir == DisplayRts) msg.transmit(Mod);
        if (c.dir == DisplayBam) msg.transmit(OwnDA);
        if (!tx) {
            uint8_t da = c.dir == PeerRts ? Me : 0xFF;
            uint32_t pgn = c.peerPgn != 0 ? c.peerPgn : msg.pgn;
            EXPECT_TRUE(node.peer.send(da, pgn, data.data(), c.length, nowMs()));
        }
    }
    // Runs until both sides are idle; false if they are not within maxMs.
    bool settle(uint32_t maxMs = 60000) {
        return j.runUntil([&] { return displayIdle() && peerIdle(); }, maxMs);
    }
    bool displayIdle() const {
        return CANbusMgr.rtsTxSessions == nullptr && CANbusMgr.rtsRxSessions == nullptr &&
               CANbusMgr.bamTxSessions == nullptr && CANbusMgr.bamRxSessions == nullptr &&
               CANbusMgr.tpQueue.empty() && CANbusMgr.txWaitQueue.empty() && !msg.txBusy;
    }
    bool peerIdle() const {
        uint32_t due;
        return !node.peer.sending() && !node.peer.nextDeadline(&due) && node.queued() == 0 &&
               j.bus->nextEventNs() == SimCanBus::Never; // nothing waits in a controller either
    }
    std::vector<CanWireFrame> trace() const { return j.sentFrom(traceFrom); }
    double endMs(size_t i) const { return j.peer.receivedAt[traceFrom + i] / 1e6; }
    // Index in the trace of the first frame for which pred holds, or -1.
    template <class P> int first(P pred) const {
        std::vector<CanWireFrame> t = trace();
        for (size_t i = 0; i < t.size(); ++i)
            if (pred(t[i])) return static_cast<int>(i);
        return -1;
    }
    int count(uint8_t sa, uint8_t control) const {
        int n = 0;
        for (const CanWireFrame& f : trace())
            n += saOf(f) == sa && isControl(f, control) ? 1 : 0;
        return n;
    }
    bool receivedIntact() const {
        if (tx)
            return node.peer.receivedCount() == 1 && node.peer.received(0).length == data.size() &&
                   std::equal(data.begin(), data.end(), node.peer.received(0).data);
        return msg.receivedData.size() == 1 && msg.receivedData[0] == data &&
               msg.receivedFrom[0] == Mod;
    }
    void expectPools() const {
        EXPECT_EQ(sessionsInUse(), 0u);
        EXPECT_EQ(CANpkt::pool.blocksInUse(), pktsAtStart);
        EXPECT_EQ(PktQueueElement::pool.blocksInUse(), 0u);
        EXPECT_EQ(node.framesLost, 0u);
    }
    // The windows a receiver asks for when nothing goes wrong.
    static std::vector<std::pair<int, int>> windows(int packets, int window) {
        std::vector<std::pair<int, int>> w;
        for (int next = 1; next <= packets; next += window)
            w.push_back({std::min(window, packets - next + 1), next});
        return w;
    }
    void check();
    void TearDown() override {
        if (!HasFailure() && getenv("TP_TRACE") == nullptr) return; // the bus trace
        std::vector<CanWireFrame> t = trace();
        for (size_t i = 0; i < t.size(); ++i)
            printf("%10.3f %02X->%02X %04X %02X %02X %02X %02X\n", endMs(i), saOf(t[i]), daOf(t[i]),
                   static_cast<unsigned>(pgnOf(t[i])), t[i].data[0], t[i].data[1], t[i].data[2],
                   t[i].data[3]);
    }
};

void TpInterop::check() {
    std::vector<CanWireFrame> t = trace();
    int packets = (c.length + 6) / 7;
    // Nothing more happens once both sides are idle.
    size_t frames = t.size();
    j.runFor(3000);
    EXPECT_EQ(trace().size(), frames) << "frames after both sides ended";
    EXPECT_TRUE(displayIdle());
    EXPECT_TRUE(peerIdle());
    expectPools();

    EXPECT_EQ(receivedIntact(), c.delivered);
    if (!c.delivered) {
        EXPECT_EQ(node.peer.receivedCount(), 0);
        EXPECT_TRUE(msg.receivedData.empty());
    }
    // The peer keeps one record per transfer it took part in.
    int records = node.peer.transferCount();
    EXPECT_LE(records, 1);
    uint8_t peerEnd = records == 0 ? NoRecord : is(node.peer.transfer(0).outcome);
    EXPECT_NE(peerEnd & c.peerEnd, 0) << "peer ended with " << static_cast<int>(peerEnd);
    if (records == 1) {
        EXPECT_EQ(node.peer.transfer(0).sending, !isSender(c.dir));
        EXPECT_EQ(node.peer.transfer(0).length, c.length);
    }

    // Aborts: who sent one; the sides that did sent exactly one.
    int displayAborts = count(Me, TP_Abort), peerAborts = count(Mod, TP_Abort);
    if (c.aborts == ByEither) {
        EXPECT_GE(displayAborts + peerAborts, 1);
        EXPECT_LE(displayAborts, 1);
        EXPECT_LE(peerAborts, 1);
    } else {
        EXPECT_EQ(displayAborts, (c.aborts & ByDisplay) ? 1 : 0);
        EXPECT_EQ(peerAborts, (c.aborts & ByPeer) ? 1 : 0);
    }
    int firstAbort = first([](const CanWireFrame& f) { return isControl(f, TP_Abort); });

    // The display as sender is told once, when the frame that decides it has gone: the
    // ACK, the first Abort, or (BAM) the last packet.
    if (isSender(c.dir)) {
        ASSERT_EQ(msg.events.size(), 1u);
        EXPECT_EQ(msg.events[0], c.displayEnd);
        int decisive =
            isBam(c.dir) ? static_cast<int>(t.size()) - 1
            : firstAbort >= 0
                ? firstAbort
                : first([](const CanWireFrame& f) { return isControl(f, TP_EndOfMsgACK); });
        ASSERT_GE(decisive, 0);
        EXPECT_NEAR(msg.eventAtMs[0], endMs(static_cast<size_t>(decisive)), 1.0);
    } else if (c.delivered) {
        ASSERT_EQ(msg.eventAtMs.size(), 1u);
        // On the arrival of a last packet (the one that completed it).
        bool onLast = false;
        for (size_t i = 0; i < t.size(); ++i)
            onLast |= saOf(t[i]) == Mod && pgnOf(t[i]) == PGN_TP_DT && t[i].data[0] == packets &&
                      std::fabs(msg.eventAtMs[0] - endMs(i)) < 1.0;
        EXPECT_TRUE(onLast) << "delivered at " << msg.eventAtMs[0];
    }

    // Timeouts at the protocol's times: every pause longer than pacing, and who ended it.
    std::vector<Pause> pauses;
    for (size_t i = 1; i < t.size(); ++i) {
        double gap = endMs(i) - endMs(i - 1);
        if (gap > 150)
            pauses.push_back({saOf(t[i]) == Me ? ByDisplay : ByPeer, static_cast<int>(gap)});
    }
    ASSERT_EQ(pauses.size(), c.pauses.size());
    for (size_t i = 0; i < pauses.size(); ++i) {
        EXPECT_NE(pauses[i].by & c.pauses[i].by, 0) << "pause " << i;
        EXPECT_NEAR(pauses[i].ms, c.pauses[i].ms, 3) << "pause " << i;
    }

    // The sender's side: BAM paced (the display 100 ms after each transmit-done), RTS/CTS
    // windows as the receiver asked.
    uint8_t sender = isSender(c.dir) ? Me : Mod, receiver = isSender(c.dir) ? Mod : Me;
    if (c.dir == DisplayBam) {
        ASSERT_EQ(static_cast<int>(t.size()), packets + 1);
        for (size_t i = 1; i < t.size(); ++i)
            EXPECT_NEAR(endMs(i) - endMs(i - 1), 100.5, 1.0) << "packet " << i;
    }
    if (!isBam(c.dir)) {
        std::vector<std::pair<int, int>> asked;
        for (const CanWireFrame& f : t)
            if (saOf(f) == receiver && isControl(f, TP_CTS) && f.data[1] > 0)
                asked.push_back({f.data[1], f.data[2]});
        // The display asks for at most 16 packets at a time.
        int window = c.dir == DisplayRts ? c.window : 16;
        std::vector<std::pair<int, int>> clean = windows(packets, window);
        if (c.ctsAsked > 0) {
            EXPECT_EQ(asked.size(), static_cast<size_t>(c.ctsAsked));
        } else if (c.delivered) {
            EXPECT_EQ(asked, clean);
        }
    }
    int dts = 0;
    for (const CanWireFrame& f : t)
        dts += saOf(f) == sender && pgnOf(f) == PGN_TP_DT ? 1 : 0;
    bool clean = c.peerFaults.dropDt == 0 && c.peerFaults.repeatDt == 0 &&
                 c.peerFaults.swapDt == 0 && c.link.action == LinkFault::None &&
                 c.silentAfterSent == 0 && c.ctsAsked == 0;
    if (clean && c.delivered) {
        EXPECT_EQ(dts, packets) << "packets sent once each";
    }
}

// --- Every direction, length and window without faults ---

std::vector<Case> cleanCases() {
    std::vector<Case> v;
    for (uint16_t len : {9, 14, 15, 16, 23, 100, 255, 256, 1000, 1785}) {
        for (Dir d : {DisplayRts, DisplayBam, PeerRts, PeerBam}) {
            for (int w : {1, 2, 16, 255}) {
                if (d != DisplayRts && w != 16) continue;
                Case c;
                c.name = std::string(DirNames[d]) + "_" + std::to_string(len) +
                         (d == DisplayRts ? "_w" + std::to_string(w) : "");
                c.dir = d;
                c.length = len;
                c.window = w;
                v.push_back(c);
            }
        }
    }
    return v;
}

class TpInteropClean : public TpInterop {};

TEST_P(TpInteropClean, ArrivesIntactOnBothSides) {
    start();
    ASSERT_TRUE(settle()) << "still busy";
    check();
}

INSTANTIATE_TEST_SUITE_P(All, TpInteropClean, ::testing::ValuesIn(cleanCases()),
                         [](const ::testing::TestParamInfo<Case>& i) { return i.param.name; });

// --- Faults ---

Case make(const char* name, Dir d, uint16_t len, int window = 16) {
    Case c;
    c.name = std::string(DirNames[d]) + "_" + name;
    c.dir = d;
    c.length = len;
    c.window = window;
    return c;
}
template <class T> TpPeerFaults faults(T TpPeerFaults::*field, T value) {
    TpPeerFaults f;
    f.*field = value;
    return f;
}
LinkFault link(LinkFault::Action a, uint8_t pf, uint8_t byte0, int nth = 1) {
    LinkFault l;
    l.action = a;
    l.pf = pf;
    l.byte0 = byte0;
    l.nth = nth;
    return l;
}
// The transfer fails: the display is told so, the receiver has nothing.
Case fails(Case c, uint8_t peerEnd, int aborts, std::vector<Pause> pauses) {
    c.delivered = false;
    c.displayEnd = TPfailedEvent;
    c.peerEnd = peerEnd;
    c.aborts = aborts;
    c.pauses = std::move(pauses);
    return c;
}
Case with(Case c, TpPeerFaults f, int silentAfterSent = 0) {
    c.peerFaults = f;
    c.silentAfterSent = silentAfterSent;
    return c;
}
Case with(Case c, LinkFault l) {
    c.link = l;
    return c;
}
// Packets are asked for again: the receiver sends this many CTS in all.
Case retried(Case c, int ctsAsked) {
    c.ctsAsked = ctsAsked;
    return c;
}
// A broadcast that goes astray: the display has sent it, the receiver has nothing.
Case lost(Case c, uint8_t peerEnd) {
    c.delivered = false;
    c.peerEnd = peerEnd;
    return c;
}

std::vector<Case> faultCases() {
    using F = TpPeerFaults;
    using L = LinkFault;
    const uint8_t completed = is(TpOutcome::Completed), abortSent = is(TpOutcome::AbortSent),
                  aborted = is(TpOutcome::AbortedByPeer), timedOut = is(TpOutcome::TimedOut),
                  dropped = is(TpOutcome::Dropped);
    std::vector<Case> v;
    // The display sends with RTS/CTS; the peer misbehaves as receiver.
    Case holds = with(make("PeerHoldsTwice", DisplayRts, 100), faults(&F::holdCts, 2));
    holds.pauses = {{ByPeer, 500}, {ByPeer, 500}};
    v.push_back(holds);
    v.push_back(
        fails(with(make("PeerHoldsThenVanishes", DisplayRts, 100), faults(&F::holdCts, 5), 1),
              timedOut, ByDisplay, {{ByDisplay, 1050}}));
    v.push_back(fails(with(make("PeerSilent", DisplayRts, 100), faults(&F::silent, true)), NoRecord,
                      ByDisplay, {{ByDisplay, 1250}}));
    v.push_back(fails(with(make("PeerVanishesAfterFirstCts", DisplayRts, 100, 2), F(), 1), timedOut,
                      ByDisplay, {{ByDisplay, 1250}}));
    v.push_back(
        fails(with(make("PeerAbortsAfter3", DisplayRts, 100), faults(&F::abortAfterPackets, 3)),
              abortSent, ByPeer, {}));
    v.push_back(fails(with(make("PeerAbortsAfter40W255", DisplayRts, 1785, 255),
                           faults(&F::abortAfterPackets, 40)),
                      abortSent, ByPeer, {}));
    Case noAckCase = fails(with(make("PeerNeverAcks", DisplayRts, 255), faults(&F::noAck, true)),
                           completed, ByDisplay, {{ByDisplay, 1250}});
    noAckCase.delivered = true; // the peer has every byte; the display cannot know it
    v.push_back(noAckCase);
    // The display's frames lost, repeated or swapped on the way.
    v.push_back(retried(with(make("LostDt5", DisplayRts, 100), link(L::Drop, DT, 5)), 2));
    v.push_back(retried(with(make("LostDt3W2", DisplayRts, 23, 2), link(L::Drop, DT, 3)), 3));
    v.push_back(
        retried(with(make("LostDt100W255", DisplayRts, 1785, 255), link(L::Drop, DT, 100)), 2));
    v.push_back(fails(with(make("LostDtEndingWindow", DisplayRts, 100, 2), link(L::Drop, DT, 4)),
                      abortSent, ByPeer, {{ByPeer, 750}}));
    v.push_back(fails(with(make("LostLastDt", DisplayRts, 100), link(L::Drop, DT, 15)), abortSent,
                      ByPeer, {{ByPeer, 750}}));
    v.push_back(with(make("RepeatedDt5", DisplayRts, 100), link(L::Repeat, DT, 5)));
    v.push_back(with(make("RepeatedDt2W1", DisplayRts, 23, 1), link(L::Repeat, DT, 2)));
    v.push_back(with(make("RepeatedLastDt", DisplayRts, 100), link(L::Repeat, DT, 15)));
    v.push_back(retried(with(make("SwappedDt5", DisplayRts, 100), link(L::Swap, DT, 5)), 2));
    v.push_back(
        retried(with(make("SwappedDt100W255", DisplayRts, 1785, 255), link(L::Swap, DT, 100)), 2));
    v.push_back(retried(with(make("SwappedLastTwo", DisplayRts, 100), link(L::Swap, DT, 14)), 2));
    // A window of one: the lost packet leaves both waiting, and both give up at once.
    v.push_back(fails(with(make("LostDt2W1", DisplayRts, 23, 1), link(L::Drop, DT, 2)),
                      abortSent | aborted, ByEither, {{ByEither, 1250}}));
    v.push_back(fails(with(make("LostRts", DisplayRts, 100), link(L::Drop, CM, TP_RTS)), NoRecord,
                      ByDisplay, {{ByDisplay, 1250}}));

    // The display broadcasts; the peer listens badly or the packets go astray.
    v.push_back(
        lost(with(make("PeerStopsListening", DisplayBam, 100), faults(&F::abortAfterPackets, 2)),
             abortSent));
    v.push_back(
        lost(with(make("PeerSilent", DisplayBam, 100), faults(&F::silent, true)), NoRecord));
    v.push_back(lost(with(make("LostDt3", DisplayBam, 100), link(L::Drop, DT, 3)), dropped));
    v.push_back(lost(with(make("RepeatedDt3", DisplayBam, 100), link(L::Repeat, DT, 3)), dropped));
    v.push_back(lost(with(make("SwappedDt3", DisplayBam, 100), link(L::Swap, DT, 3)), dropped));
    v.push_back(lost(with(make("LostLastDt", DisplayBam, 100), link(L::Drop, DT, 15)), timedOut));
    v.push_back(
        lost(with(make("LostAnnouncement", DisplayBam, 100), link(L::Drop, CM, TP_BAM)), NoRecord));

    // The peer sends with RTS/CTS and misbehaves; the display receives.
    v.push_back(retried(with(make("LostDt5", PeerRts, 100), faults(&F::dropDt, 5)), 2));
    Case lostEnd =
        retried(with(make("LostDtEndingWindow", PeerRts, 255), faults(&F::dropDt, 16)), 3);
    lostEnd.pauses = {{ByDisplay, 750}};
    v.push_back(lostEnd);
    Case lostLast = retried(with(make("LostLastDt", PeerRts, 100), faults(&F::dropDt, 15)), 2);
    lostLast.pauses = {{ByDisplay, 750}};
    v.push_back(lostLast);
    v.push_back(with(make("RepeatedDt5", PeerRts, 100), faults(&F::repeatDt, 5)));
    v.push_back(with(make("RepeatedLastDt", PeerRts, 100), faults(&F::repeatDt, 15)));
    v.push_back(retried(with(make("SwappedDt5", PeerRts, 100), faults(&F::swapDt, 5)), 2));
    v.push_back(
        retried(with(make("SwappedDtEndingWindow", PeerRts, 255), faults(&F::swapDt, 15)), 3));
    v.push_back(retried(with(make("SwappedLastTwo", PeerRts, 100), faults(&F::swapDt, 14)), 2));
    v.push_back(
        fails(with(make("PeerAbortsAfter3", PeerRts, 100), faults(&F::abortAfterPackets, 3)),
              abortSent, ByPeer, {}));
    v.push_back(
        fails(with(make("PeerAbortsAfter20", PeerRts, 1785), faults(&F::abortAfterPackets, 20)),
              abortSent, ByPeer, {}));
    v.push_back(fails(with(make("PeerVanishesAfterRts", PeerRts, 100), F(), 1), timedOut, ByDisplay,
                      {{ByDisplay, 1250}}));
    v.push_back(fails(with(make("PeerVanishesMidWindow", PeerRts, 100), F(), 5), timedOut,
                      ByDisplay, {{ByDisplay, 750}, {ByDisplay, 1250}}));
    // What the display does not take: an unknown PGN is refused, a filter refuses at the first
    // packet (an Abort in the middle of the peer's window).
    Case unknown = fails(make("UnknownPgn", PeerRts, 100), aborted, ByDisplay, {});
    unknown.peerPgn = 0xEE00 - 0x100;
    v.push_back(unknown);
    Case accepted = make("FilterAccepts", PeerRts, 100);
    accepted.filterFirstByte = byteAt(0, 100);
    v.push_back(accepted);
    Case refused = fails(make("FilterRefuses", PeerRts, 100), aborted, ByDisplay, {});
    refused.filterFirstByte = byteAt(0, 100) + 1;
    v.push_back(refused);
    // The display's CTS and ACK lost or repeated on the way.
    v.push_back(fails(with(make("LostCts", PeerRts, 100), link(L::Drop, CM, TP_CTS)),
                      abortSent | aborted, ByEither, {{ByEither, 1250}}));
    v.push_back(fails(with(make("LostSecondCts", PeerRts, 255), link(L::Drop, CM, TP_CTS, 2)),
                      abortSent | aborted, ByEither, {{ByEither, 1250}}));
    Case lostAck = with(make("LostAck", PeerRts, 255), link(L::Drop, CM, TP_EndOfMsgACK));
    lostAck.peerEnd = abortSent; // the display has the message; the peer cannot know it
    lostAck.aborts = ByPeer;
    lostAck.pauses = {{ByPeer, 1250}};
    v.push_back(lostAck);
    v.push_back(with(make("RepeatedCts", PeerRts, 100), link(L::Repeat, CM, TP_CTS)));
    v.push_back(with(make("RepeatedAck", PeerRts, 100), link(L::Repeat, CM, TP_EndOfMsgACK)));

    // The peer broadcasts out of sequence: the display drops the message silently.
    v.push_back(lost(with(make("LostDt3", PeerBam, 100), faults(&F::dropDt, 3)), completed));
    v.push_back(lost(with(make("RepeatedDt3", PeerBam, 100), faults(&F::repeatDt, 3)), completed));
    v.push_back(lost(with(make("SwappedDt3", PeerBam, 100), faults(&F::swapDt, 3)), completed));
    Case bamUnknown = lost(make("UnknownPgn", PeerBam, 100), completed);
    bamUnknown.peerPgn = Bcast + 1;
    v.push_back(bamUnknown);
    Case bamRefused = lost(make("FilterRefuses", PeerBam, 100), completed);
    bamRefused.filterFirstByte = byteAt(0, 100) + 1;
    v.push_back(bamRefused);
    return v;
}

class TpInteropFault : public TpInterop {};

TEST_P(TpInteropFault, EndsAsTheProtocolSaysOnBothSides) {
    start();
    ASSERT_TRUE(settle()) << "still busy";
    check();
}

INSTANTIATE_TEST_SUITE_P(All, TpInteropFault, ::testing::ValuesIn(faultCases()),
                         [](const ::testing::TestParamInfo<Case>& i) { return i.param.name; });

// --- A broadcast cut short ---

// The display's broadcast reception has no timer: a broadcast that stops in the middle
// leaves its session holding what came, one per sender, until the sender's next broadcast
// starts over in it (or a stray packet ends it).
class TpInteropBamCut : public TpInterop {};

TEST_P(TpInteropBamCut, WaitsForTheSendersNextBroadcast) {
    start();
    ASSERT_TRUE(j.runUntil([&] { return peerIdle(); }, 60000));
    j.runFor(3000);
    ASSERT_NE(CANbusMgr.bamRxSessions, nullptr);
    EXPECT_EQ(CANbusMgr.bamRxSessions->nextSession, nullptr);
    EXPECT_EQ(CANbusMgr.bamRxSessions->key, J1939_TPsession::makeKey(Mod, 255));
    EXPECT_EQ(sessionsInUse(), 1u);
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pktsAtStart + c.heldPackets);
    EXPECT_TRUE(msg.events.empty());
    ASSERT_EQ(node.peer.transferCount(), 1);
    EXPECT_NE(is(node.peer.transfer(0).outcome) & c.peerEnd, 0);

    node.peer.faults = TpPeerFaults();
    node.silentAfterSent = 0;
    ASSERT_TRUE(node.peer.send(0xFF, Bcast, data.data(), c.length, nowMs()));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(receivedIntact());
    EXPECT_EQ(node.peer.transfer(1).outcome, TpOutcome::Completed);
    expectPools();
}

std::vector<Case> cutCases() {
    Case stops =
        with(make("PeerStopsAfter5", PeerBam, 100), faults(&TpPeerFaults::abortAfterPackets, 5));
    stops.peerEnd = is(TpOutcome::AbortSent);
    stops.heldPackets = 5;
    Case vanishes = with(make("PeerVanishesAfter5", PeerBam, 1785), TpPeerFaults(), 6);
    vanishes.peerEnd = is(TpOutcome::TimedOut);
    vanishes.heldPackets = 5;
    Case lastLost = with(make("LastDtLost", PeerBam, 100), faults(&TpPeerFaults::dropDt, 15));
    lastLost.heldPackets = 14;
    return {stops, vanishes, lastLost};
}

INSTANTIATE_TEST_SUITE_P(All, TpInteropBamCut, ::testing::ValuesIn(cutCases()),
                         [](const ::testing::TestParamInfo<Case>& i) { return i.param.name; });

// --- Several transfers at once ---

// Both directions at the same time, a broadcast among them, and two messages queued to the
// peer in one session: each arrives intact, in order, and everything ends.
TEST(TpInteropTogether, TransfersBothWaysAtOnce) {
    J1939TestBus j;
    TpPeerNode node(Mod);
    ASSERT_TRUE(node.join(j.bus));
    node.peer.faults.window = 2;
    TestMsg first(PropA, 6, 1785, J1939cfgListed | J1939cfgTx);
    TestMsg second(PropA, 6, 40, J1939cfgListed | J1939cfgTx);
    TestMsg bam(Bcast, 6, 300, J1939cfgListed | J1939cfgTx);
    TestMsg in(PropA, 0, 0, J1939cfgListed);
    CANbusMgr.registerMsg(&first, &Display, &Module_na);
    CANbusMgr.registerMsg(&second, &Display, &Module_na);
    CANbusMgr.registerMsg(&bam, &Display, &AllModules);
    CANbusMgr.registerMsg(&in, &Module_na, &Display);
    for (TestMsg* m : {&first, &second, &bam})
        for (uint32_t i = 0; i < m->buffer->length; ++i)
            m->buffer->setBytes(byteAt(i, m->buffer->length), i, 1);
    std::vector<uint8_t> back(1000);
    for (uint32_t i = 0; i < back.size(); ++i)
        back[i] = byteAt(i, 1);
    j.runFor(5);
    unsigned pkts = CANpkt::pool.blocksInUse();

    first.transmit(Mod);
    second.transmit(Mod); // waits for the first in the same session
    bam.transmit(OwnDA);
    ASSERT_TRUE(node.peer.send(Me, PropA, back.data(), back.size(), nowMs()));
    ASSERT_TRUE(j.runUntil(
        [&] {
            return !first.txBusy && !second.txBusy && !bam.txBusy && !node.peer.sending() &&
                   sessionsInUse() == 0;
        },
        60000));
    j.runFor(3000);

    EXPECT_EQ(first.events, std::vector<NotificationEvent>{TPtxAckedEvent});
    EXPECT_EQ(second.events, std::vector<NotificationEvent>{TPtxAckedEvent});
    EXPECT_EQ(bam.events, std::vector<NotificationEvent>{TPtxAckedEvent});
    EXPECT_LT(first.eventAtMs[0], second.eventAtMs[0]);
    // The peer got the broadcast and both messages, the long one first.
    ASSERT_EQ(node.peer.receivedCount(), 3);
    int order[2] = {-1, -1};
    for (int k = 0; k < 3; ++k) {
        const TpPeer::Message& got = node.peer.received(k);
        for (uint32_t i = 0; i < got.length; ++i)
            ASSERT_EQ(got.data[i], byteAt(i, got.length)) << "message " << k << " byte " << i;
        if (got.pgn == PropA) order[order[0] < 0 ? 0 : 1] = got.length;
    }
    EXPECT_EQ(order[0], 1785);
    EXPECT_EQ(order[1], 40);
    ASSERT_EQ(in.receivedData.size(), 1u);
    EXPECT_EQ(in.receivedData[0], back);
    EXPECT_EQ(node.peer.abortsSent, 0u);
    EXPECT_EQ(sessionsInUse(), 0u);
    EXPECT_EQ(CANbusMgr.rtsTxSessions, nullptr);
    EXPECT_EQ(CANbusMgr.bamTxSessions, nullptr);
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pkts);
    EXPECT_EQ(PktQueueElement::pool.blocksInUse(), 0u);
    uint32_t due;
    EXPECT_FALSE(node.peer.nextDeadline(&due));
}
} // namespace
