// cannelloni datagrams: the codec, a fuzzer for the receiver, and two links talking over
// UDP on loopback in one process.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "platform/can_regs.h"
#include "platform/host/can/cannelloni_transport.h"
#include "platform/host/host_clock.h"
#include "tests/support/can_test_bus.h"

namespace {
std::vector<uint8_t> encode(const std::vector<CanWireFrame>& frames, uint8_t seq = 7) {
    std::vector<uint8_t> buf(CannelloniHeaderBytes + frames.size() * CannelloniMaxFrameBytes);
    size_t n = cannelloniEncode(frames.data(), static_cast<unsigned>(frames.size()), seq,
                                buf.data(), buf.size());
    buf.resize(n);
    return buf;
}

int decode(const std::vector<uint8_t>& d, std::vector<CanWireFrame>* out = nullptr) {
    // An exact-size copy on the heap, so that the sanitizer sees any read past the end.
    uint8_t* copy = new uint8_t[d.size() + 1];
    std::copy(d.begin(), d.end(), copy);
    CanWireFrame frames[1000];
    int k = cannelloniDecode(d.empty() ? nullptr : copy, d.size(), frames, 1000);
    delete[] copy;
    if (out != nullptr && k > 0) out->assign(frames, frames + k);
    return k;
}

// Sends a datagram to port on loopback from socket s (a fresh one when s is -1).
void sendTo(uint16_t port, const std::vector<uint8_t>& d, int s = -1) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    int own = s < 0 ? socket(AF_INET, SOCK_DGRAM, 0) : -1;
    ASSERT_GE(
        sendto(s < 0 ? own : s, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
        0);
    if (own >= 0) close(own);
}

std::vector<CanWireFrame> randomFrames(std::mt19937& rng, unsigned n) {
    std::vector<CanWireFrame> v;
    for (unsigned i = 0; i < n; ++i) {
        CanWireFrame f;
        f.extended = rng() & 1;
        f.id = static_cast<uint32_t>(rng()) & (f.extended ? 0x1FFFFFFF : 0x7FF);
        f.rtr = (rng() % 6) == 0;
        f.dlc = static_cast<uint8_t>(rng() % 9);
        for (unsigned k = 0; k < f.dataBytes(); ++k)
            f.data[k] = static_cast<uint8_t>(rng());
        v.push_back(f);
    }
    return v;
}

TEST(CannelloniCodecTest, KnownBytesAndRoundTrip) {
    std::vector<CanWireFrame> frames = {extFrame(0x18EF80FA, {0x00, 0x01}), stdFrame(0x123, {}),
                                        stdFrame(0x7FF, {1, 2, 3, 4, 5, 6, 7, 8})};
    frames[1].rtr = true;
    frames[1].dlc = 4; // a remote frame's length goes without data
    std::vector<uint8_t> d = encode(frames, 0x42);
    const std::vector<uint8_t> expected = {
        2,    0, 0x42, 0,    3,    0x98, 0xEF, 0x80, 0xFA, 2, 0x00, 0x01, 0x40, 0x00, 0x01,
        0x23, 4, 0x00, 0x00, 0x07, 0xFF, 8,    1,    2,    3, 4,    5,    6,    7,    8};
    EXPECT_EQ(d, expected);
    std::vector<CanWireFrame> back;
    ASSERT_EQ(decode(d, &back), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(back[i], frames[i]) << i;
    EXPECT_EQ(decode(encode({})), 0); // an empty datagram is valid
}

TEST(CannelloniCodecTest, MalformedDatagramsAreRefused) {
    std::vector<uint8_t> good = encode({extFrame(0x18FF0000, {1, 2}), stdFrame(0x10, {3})});
    ASSERT_EQ(decode(good), 2);
    auto with = [&](size_t i, uint8_t v) {
        std::vector<uint8_t> d = good;
        d[i] = v;
        return d;
    };
    EXPECT_EQ(decode(with(0, 1)), -1);     // version 1
    EXPECT_EQ(decode(with(1, 1)), -1);     // another op code
    EXPECT_EQ(decode(with(4, 3)), -1);     // one frame more than there is
    EXPECT_EQ(decode(with(9, 9)), -1);     // a length byte above 8
    EXPECT_EQ(decode(with(9, 0x88)), -1);  // a CAN FD frame
    EXPECT_EQ(decode(with(13, 0x08)), -1); // standard identifier above 0x7FF
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_EQ(decode(longer), -1); // trailing byte
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_EQ(decode(std::vector<uint8_t>(good.begin(), good.begin() + n)), -1) << n;
    // Error frames are valid but not carried.
    EXPECT_EQ(decode(with(5, 0x20)), 1);
}

TEST(CannelloniCodecTest, FuzzedDatagramsNeverReadPastTheEnd) {
    std::mt19937 rng(20240607);
    unsigned valid = 0, refused = 0;
    for (int round = 0; round < 200000; ++round) {
        std::vector<uint8_t> d;
        switch (round % 4) {
        case 0: { // random bytes, often starting like a datagram
            d.resize(rng() % 80);
            for (uint8_t& b : d)
                b = static_cast<uint8_t>(rng());
            if (d.size() >= 2 && (rng() & 1)) {
                d[0] = 2;
                d[1] = 0;
            }
            break;
        }
        case 1: // a valid datagram cut short
            d = encode(randomFrames(rng, rng() % 12));
            d.resize(rng() % (d.size() + 1));
            break;
        default: { // a valid datagram with a few bytes changed
            d = encode(randomFrames(rng, rng() % 12));
            for (int k = rng() % 3 + 1; k > 0 && !d.empty(); --k)
                d[rng() % d.size()] = static_cast<uint8_t>(rng());
            break;
        }
        }
        std::vector<CanWireFrame> frames;
        int k = decode(d, &frames);
        if (k < 0) {
            ++refused;
            continue;
        }
        ++valid;
        // What was accepted is exactly what the datagram said (error frames aside).
        unsigned count = static_cast<unsigned>(d[3]) << 8 | d[4];
        if (static_cast<unsigned>(k) == count) {
            ASSERT_EQ(encode(frames, d[2]), d);
        }
    }
    EXPECT_GT(valid, 1000u);
    EXPECT_GT(refused, 1000u);
}

// Two links and their controllers in one process, on loopback.
class CannelloniLinkTest : public ::testing::Test {
protected:
    EmulatedSJA1000 ca, cb;
    CannelloniTransport a, b;
    uint16_t portA = 0, portB = 0;

    static void start(EmulatedSJA1000& c) {
        c.write(SJA_CDR, 0xC7);
        c.write(SJA_MOD, 0x01);
        c.write(SJA_BTR0, 0x02);
        c.write(SJA_BTR1, 0x23);
        c.write(SJA_MOD, 0x00); // dual filter mode: everything passes
    }
    void SetUp() override {
        hostClockSetHalfMs(2000);
        portA = freeUdpPort();
        portB = freeUdpPort();
        char err[200];
        ASSERT_TRUE(a.configure(portA, "127.0.0.1", std::to_string(portB).c_str()));
        ASSERT_TRUE(b.configure(portB, "localhost", std::to_string(portA).c_str()));
        ca.setLink(&a);
        cb.setLink(&b);
        ASSERT_TRUE(a.open(&ca, err, sizeof err)) << err;
        ASSERT_TRUE(b.open(&cb, err, sizeof err)) << err;
        start(ca);
        start(cb);
    }
    void TearDown() override {
        a.close();
        b.close();
    }
};

TEST_F(CannelloniLinkTest, FramesCrossAndTransmissionTakesBusTime) {
    CanWireFrame f = extFrame(0x18EF25FA, {1, 2, 3, 4, 5, 6, 7, 8});
    writeTxFrame(ca, f);
    EXPECT_EQ(a.datagramsOut, 1u);
    EXPECT_EQ(ca.read(SJA_SR) & SJA_SR_TBS, 0); // on the wire for its bus time
    uint64_t wake = HostCanTransport::Never;
    a.service(hostClockNowNs(), &wake);
    EXPECT_EQ(wake, hostClockNowNs() + canFrameBits(f) * 4000ull);
    hostClockAdvanceNs(wake - hostClockNowNs());
    a.service(hostClockNowNs(), &wake);
    EXPECT_NE(ca.read(SJA_SR) & SJA_SR_TCS, 0);
    b.readDatagrams();
    EXPECT_EQ(b.framesIn, 1u);
    ASSERT_EQ(cb.read(SJA_RMC), 1);
    EXPECT_EQ(readRxHead(cb), f);
}

// The decoder itself is fuzzed above; here the receiver counts what it drops.
TEST_F(CannelloniLinkTest, ReceiverDropsAndCountsMalformedOverlongAndStrangers) {
    std::vector<uint8_t> good = encode({extFrame(1, {1}), stdFrame(2, {})});
    // Sound, but longer than the receive buffer: never decoded from what was cut off.
    std::vector<CanWireFrame> many(160, extFrame(0x18FF0000, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_GT(encode(many).size(), CannelloniTransport::MaxDatagram);
    for (const auto& d : {good, encode(many), std::vector<uint8_t>(good.begin(), good.end() - 1)})
        sendTo(portB, d);
    b.readDatagrams();
    EXPECT_EQ(b.malformed, 2u);
    const unsigned expectFrames = 2;
    EXPECT_EQ(b.framesIn, expectFrames);
    // A datagram from an address that is not the peer's is not taken.
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.2", &from.sin_addr);
    int stranger = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_EQ(bind(stranger, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
    sendTo(portB, encode({extFrame(1, {})}), stranger);
    b.readDatagrams();
    EXPECT_EQ(b.foreign, 1u);
    EXPECT_EQ(b.framesIn, expectFrames);
    close(stranger);
}

} // namespace
