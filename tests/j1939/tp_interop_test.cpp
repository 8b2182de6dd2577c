// The display's transport protocol against the simulated modules' endpoint, written apart
// from it: both directions, BAM and RTS/CTS, lengths 9 to 1785, the peer's windows, faults
// on either side. Every transfer arrives intact or ends as the protocol says on both sides,
// at the protocol's times, with every pool back to its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "modsim/tp_peer_node.h"
#include "tests/j1939/tp_test_frames.h"
#include "tests/support/virtual_time.h"

namespace {
constexpr uint8_t Mod = 0x25;
constexpr uint8_t DT = PGN_TP_DT >> 8, CM = PGN_TP_CM >> 8;

enum Dir { DisplayRts, DisplayBam, PeerRts, PeerBam };
const char* const DirNames[] = {"DisplayRts", "DisplayBam", "PeerRts", "PeerBam"};
bool isSender(Dir d) {
    return d == DisplayRts || d == DisplayBam;
}
bool isBam(Dir d) {
    return d == DisplayBam || d == PeerBam;
}

// One of the display's frames lost on its way to the peer: the nth whose PF is pf (DT or
// CM) and whose first byte is byte0 (sequence number or control byte).
struct LinkFault {
    uint8_t pf = 0;
    uint8_t byte0 = 0;
    int nth = 0; // 0: none
};

// The peer behind that link; it can also fall silent after sending some frames.
class LinkedPeer : public TpPeerNode {
public:
    LinkFault lost;
    int silentAfterSent = 0;
    LinkedPeer() : TpPeerNode(Mod) {}

    void onRx(const CanWireFrame& f, uint64_t atNs) override {
        if (((f.id >> 16) & 0xFF) == lost.pf && f.data[0] == lost.byte0 && ++matched == lost.nth)
            return;
        TpPeerNode::onRx(f, atNs);
    }
    void sendFrame(const PeerFrame& f) override {
        TpPeerNode::sendFrame(f);
        if (++sent == silentAfterSent) peer.faults.silent = true;
    }

private:
    int matched = 0, sent = 0;
};

enum Side { ByDisplay = 1, ByPeer = 2 };
// A silence on the bus longer than any pacing, and who broke it.
struct Pause {
    Side by;
    int ms;
};

constexpr uint8_t NoRecord = 0x80;
constexpr uint8_t is(TpOutcome o) {
    return static_cast<uint8_t>(1u << static_cast<unsigned>(o));
}
constexpr uint8_t Completed = is(TpOutcome::Completed), AbortSent = is(TpOutcome::AbortSent),
                  TimedOut = is(TpOutcome::TimedOut);

struct Case {
    std::string name;
    Dir dir;
    uint16_t length;
    int window = 16;
    TpPeerFaults peerFaults;
    int silentAfterSent = 0;
    LinkFault link;
    // Expected: the receiver has the message intact (else nothing); the display as sender
    // is told this; the peer's record of the transfer is one of these; who sent an Abort;
    // the long pauses on the bus in order.
    bool delivered = true;
    NotificationEvent displayEnd = TPtxAckedEvent;
    uint8_t peerEnd = Completed;
    int aborts = 0;
    std::vector<Pause> pauses;
    int ctsAsked = 0; // CTS frames with packets asked for (0: the windows of a clean run)

    Case(const std::string& n, Dir d, uint16_t len, int w = 16)
        : name(std::string(DirNames[d]) + "_" + n), dir(d), length(len), window(w) {}
    // Builders for the tables below, applied to a fresh case.
    template <class T> Case& peer(T TpPeerFaults::*field, T value) {
        peerFaults.*field = value;
        return *this;
    }
    Case& silentAfter(int frames) { return silentAfterSent = frames, *this; }
    Case& losing(uint8_t pf, uint8_t byte0, int nth = 1) {
        link = {pf, byte0, nth};
        return *this;
    }
    // The transfer fails: the display is told so, the receiver has nothing; the peer's
    // record, who sent an Abort, the pauses.
    Case& fails(uint8_t peerEndsWith, int abortsBy, std::vector<Pause> p) {
        displayEnd = TPfailedEvent;
        delivered = false;
        peerEnd = peerEndsWith;
        aborts = abortsBy;
        return pausing(std::move(p));
    }
    // Packets are asked for again: the receiver sends this many CTS in all.
    Case& retried(int cts) { return ctsAsked = cts, *this; }
    Case& pausing(std::vector<Pause> p) { return pauses = std::move(p), *this; }
};

uint8_t byteAt(uint32_t i, uint32_t length) {
    return static_cast<uint8_t>(i * 7 + i / 251 + length); // no short period
}

class TpInterop : public ::testing::TestWithParam<Case> {
protected:
    J1939TestBus j;  // its recording node sees every frame on the bus, with its end time
    LinkedPeer node; // the peer
    const Case& c = GetParam();
    const bool tx = isSender(c.dir);
    // The display's message: sent, or received from any source.
    TestMsg msg{isBam(c.dir) ? Bcast : PropA, 6, tx ? c.length : 0u,
                J1939cfgListed | (tx ? J1939msgConfiguration{J1939cfgTx} : 0u)};
    std::vector<uint8_t> data;
    unsigned pktsAtStart = 0;
    size_t traceFrom = 0;

    // Sets the case up and starts the transfer.
    void start() {
        CANbusMgr.registerMsg(&msg, tx ? &Display : &Module_na,
                              !tx            ? &Display
                              : isBam(c.dir) ? &AllModules
                                             : &Module_na);
        for (uint32_t i = 0; i < c.length; ++i)
            data.push_back(byteAt(i, c.length));
        if (tx) msg.buffer->copyInBytes(data.data(), 0, c.length);
        EXPECT_TRUE(node.join(j.bus));
        node.peer.faults = c.peerFaults;
        node.peer.faults.window = c.window;
        node.silentAfterSent = c.silentAfterSent;
        node.lost = c.link;
        j.runFor(5);
        pktsAtStart = CANpkt::pool.blocksInUse();
        traceFrom = j.peer.received.size();
        if (tx) {
            msg.transmit(c.dir == DisplayRts ? Mod : OwnDA);
        } else {
            EXPECT_TRUE(node.peer.send(c.dir == PeerRts ? Me : 0xFF, msg.pgn, data.data(), c.length,
                                       nowMs()));
        }
    }
    // Runs until both sides are idle; false if they are not within a minute.
    bool settle() {
        return j.runUntil([&] { return displayIdle() && peerIdle(); }, 60000);
    }
    bool displayIdle() const {
        return sessionsInUse() == 0 && CANbusMgr.tpQueue.empty() && CANbusMgr.txWaitQueue.empty() &&
               !msg.txBusy;
    }
    bool peerIdle() const {
        uint32_t due;
        return !node.peer.sending() && !node.peer.nextDeadline(&due) && node.queued() == 0 &&
               j.bus->nextEventNs() == SimCanBus::Never; // nothing waits in a controller either
    }
    std::vector<CanWireFrame> trace() const { return j.sentFrom(traceFrom); }
    double endMs(size_t i) const { return j.peer.receivedAt[traceFrom + i] / 1e6; }
    // Indexes in the trace of the frames from sa (0: anyone) for which pred holds.
    template <class P> std::vector<int> where(P pred, uint8_t sa = 0) const {
        std::vector<int> v;
        std::vector<CanWireFrame> t = trace();
        for (size_t i = 0; i < t.size(); ++i)
            if ((sa == 0 || saOf(t[i]) == sa) && pred(t[i])) v.push_back(static_cast<int>(i));
        return v;
    }
    bool receivedIntact() const {
        if (tx)
            return node.peer.receivedCount() == 1 && node.peer.received(0).length == data.size() &&
                   std::equal(data.begin(), data.end(), node.peer.received(0).data);
        return msg.receivedData.size() == 1 && msg.receivedData[0] == data &&
               msg.receivedFrom[0] == Mod;
    }
};

TEST_P(TpInterop, EndsAsTheProtocolSaysOnBothSides) {
    start();
    ASSERT_TRUE(settle()) << "still busy";
    std::vector<CanWireFrame> t = trace();
    int packets = (c.length + 6) / 7;
    // Nothing more happens once both sides are idle.
    j.runFor(3000);
    EXPECT_EQ(trace().size(), t.size()) << "frames after both sides ended";
    expectTransportIdle(pktsAtStart);
    EXPECT_EQ(node.framesLost, 0u);

    EXPECT_EQ(receivedIntact(), c.delivered);
    if (!c.delivered) {
        EXPECT_EQ(node.peer.receivedCount() + msg.receivedData.size(), 0u);
    }
    // The peer keeps one record per transfer it took part in.
    int records = node.peer.transferCount();
    EXPECT_LE(records, 1);
    uint8_t peerEnd = records == 0 ? NoRecord : is(node.peer.transfer(0).outcome);
    EXPECT_NE(peerEnd & c.peerEnd, 0) << "peer ended with " << static_cast<int>(peerEnd);

    // Aborts: who sent one; the sides that did sent exactly one.
    auto isAbort = [](const CanWireFrame& f) { return isCM(f, TP_Abort); };
    size_t displayAborts = where(isAbort, Me).size(), peerAborts = where(isAbort, Mod).size();
    EXPECT_EQ(displayAborts, (c.aborts & ByDisplay) ? 1u : 0u);
    EXPECT_EQ(peerAborts, (c.aborts & ByPeer) ? 1u : 0u);
    // A broadcast is never answered.
    if (c.dir == PeerBam) {
        EXPECT_TRUE(where([](const CanWireFrame&) { return true; }, Me).empty());
    }

    // The display as sender is told once, when the frame that decides it has gone: the
    // ACK, the first Abort, or (BAM) the last packet.
    if (tx) {
        ASSERT_EQ(msg.events.size(), 1u);
        EXPECT_EQ(msg.events[0], c.displayEnd);
        std::vector<int> decisive = where(isAbort);
        if (decisive.empty())
            decisive = where([](const CanWireFrame& f) { return isCM(f, TP_EndOfMsgACK); });
        if (isBam(c.dir)) decisive = {static_cast<int>(t.size()) - 1};
        ASSERT_FALSE(decisive.empty());
        EXPECT_NEAR(msg.eventAtMs[0], endMs(static_cast<size_t>(decisive[0])), 1.0);
    } else if (c.delivered) {
        ASSERT_EQ(msg.eventAtMs.size(), 1u);
        // On the arrival of a last packet (the one that completed it).
        bool onLast = false;
        for (int i :
             where([&](const CanWireFrame& f) { return isDT(f, static_cast<uint8_t>(packets)); },
                   Mod))
            onLast |= std::fabs(msg.eventAtMs[0] - endMs(static_cast<size_t>(i))) < 1.0;
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
    // windows as the receiver asked (the display at most 16 packets at a time).
    if (c.dir == DisplayBam) {
        ASSERT_EQ(static_cast<int>(t.size()), packets + 1);
        for (size_t i = 1; i < t.size(); ++i)
            EXPECT_NEAR(endMs(i) - endMs(i - 1), 100.5, 1.0) << "packet " << i;
    }
    if (!isBam(c.dir)) {
        std::vector<std::pair<int, int>> asked, clean;
        for (int i : where([](const CanWireFrame& f) { return isCM(f, TP_CTS) && f.data[1] > 0; },
                           tx ? Mod : Me))
            asked.push_back({t[i].data[1], t[i].data[2]});
        int window = c.dir == DisplayRts ? c.window : 16;
        for (int next = 1; next <= packets; next += window)
            clean.push_back({std::min(window, packets - next + 1), next});
        if (c.ctsAsked > 0) {
            EXPECT_EQ(asked.size(), static_cast<size_t>(c.ctsAsked));
        } else if (c.delivered) {
            EXPECT_EQ(asked, clean);
        }
    }
    if (c.silentAfterSent + c.ctsAsked + c.link.nth == 0 && c.delivered) {
        EXPECT_EQ(where([](const CanWireFrame& f) { return pgnOf(f) == PGN_TP_DT; }, tx ? Me : Mod)
                      .size(),
                  static_cast<size_t>(packets))
            << "packets sent once each";
    }
}

std::string nameOf(const ::testing::TestParamInfo<Case>& i) {
    return i.param.name;
}

// --- Every direction, length and window without faults ---

std::vector<Case> cleanCases() {
    std::vector<Case> v;
    for (uint16_t len : {9, 14, 15, 16, 23, 100, 255, 256, 1000, 1785}) {
        for (int w : {1, 2, 16, 255})
            v.push_back(Case(std::to_string(len) + "_w" + std::to_string(w), DisplayRts, len, w));
        for (Dir d : {DisplayBam, PeerRts, PeerBam})
            v.push_back(Case(std::to_string(len), d, len));
    }
    return v;
}
INSTANTIATE_TEST_SUITE_P(Clean, TpInterop, ::testing::ValuesIn(cleanCases()), nameOf);

// --- Faults ---

using F = TpPeerFaults;

// One case per way a transfer goes wrong: a lost packet asked for again, a held CTS, an
// Abort from the peer, the display timing out as receiver.
const std::vector<Case> faultCases = {
    Case("LostDt100W255", DisplayRts, 1785, 255).losing(DT, 100).retried(2),
    Case("PeerHoldsTwice", DisplayRts, 100)
        .peer(&F::holdCts, 2)
        .pausing({{ByPeer, 500}, {ByPeer, 500}}),
    Case("PeerAbortsAfter3", DisplayRts, 100)
        .peer(&F::abortAfterPackets, 3)
        .fails(AbortSent, ByPeer, {}),
    Case("PeerVanishesMidWindow", PeerRts, 100)
        .silentAfter(5)
        .fails(TimedOut, ByDisplay, {{ByDisplay, 750}, {ByDisplay, 1250}}),
};
INSTANTIATE_TEST_SUITE_P(Fault, TpInterop, ::testing::ValuesIn(faultCases), nameOf);

} // namespace
