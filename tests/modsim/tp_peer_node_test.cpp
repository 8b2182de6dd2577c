// The transport-protocol endpoint as a node of the virtual bus: two of them transfer a
// message at bus speed. Its timers running from the host loop are seen against the display
// in tp_interop_test.cpp.
#include <gtest/gtest.h>

#include <vector>

#include "modsim/tp_peer_node.h"
#include "tests/support/can_test_bus.h"
#include "tests/support/virtual_time.h"

namespace {
TEST(TpPeerNodeTest, TransferOverTheVirtualBusTakesBusTime) {
    CanTestBus can;
    ASSERT_TRUE(can.opened);
    TpPeerNode a(0x80), b(0x90);
    ASSERT_TRUE(a.join(can.bus));
    ASSERT_TRUE(b.join(can.bus));
    std::vector<uint8_t> m(1785);
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<uint8_t>(i * 13);
    uint64_t busyBefore = can.bus->busyNs;
    ASSERT_TRUE(a.peer.send(0x90, 0xEF00, m.data(), m.size(), nowMs()));
    ASSERT_TRUE(can.runUntil([&] { return a.peer.transferCount() == 1; }, 5000));
    EXPECT_EQ(a.peer.transfer(0).outcome, TpOutcome::Completed);
    ASSERT_EQ(b.peer.receivedCount(), 1);
    EXPECT_TRUE(std::equal(m.begin(), m.end(), b.peer.received(0).data));
    // 255 data frames, an RTS, 16 CTS and an ACK at about 0.55 ms each.
    double busyMs = static_cast<double>(can.bus->busyNs - busyBefore) / 1e6;
    EXPECT_GT(busyMs, 273 * 0.5);
    EXPECT_LT(busyMs, 273 * 0.65);
    EXPECT_EQ(a.framesLost + b.framesLost, 0u);
}
} // namespace
