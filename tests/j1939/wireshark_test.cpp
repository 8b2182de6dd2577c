// Our CAN log read by Wireshark's command-line tool with its ISOBUS (J1939) decoder: an
// RTS/CTS transfer comes out with the PGNs, addresses, control bytes, sizes and payload we
// meant to send. (Claims, Requests and a DM1 by BAM are checked against the kernel's stack
// in kernel_peer/.) Needs tshark (installed by tools/install-deps --tests).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "flashloader/display_module.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "modsim/tp_peer_node.h"
#include "tests/support/j1939_test_bus.h"
#include "tests/support/program_runner.h"
#include "tests/support/virtual_time.h"

namespace {
constexpr uint8_t PeerSA = 0x80;
constexpr uint32_t PropA = 0xEF00;
constexpr uint32_t PayloadLength = 23;

// One decoded frame: the fields asked of tshark, by name without the protocol's prefix.
typedef std::map<std::string, std::string> Decoded;

std::vector<Decoded> decode(const std::string& log) {
    const std::vector<std::string> fields = {
        "isobus.pdu_format",
        "isobus.src_addr",
        "isobus.dst_addr",
        "isobus.priority",
        "isobus.transport_protocol.control_byte",
        "isobus.transport_protocol.request_to_send.total_size",
        "isobus.transport_protocol.request_to_send.number_of_packets",
        "isobus.transport_protocol.request_to_send.pgn",
        "isobus.transport_protocol.end_of_message_acknowledgement.total_size",
        "isobus.reassembled.data",
    };
    std::string cmd =
        "tshark -r '" + log + "' -d can.subdissector,isobus -T fields -E separator='|'";
    for (const std::string& f : fields)
        cmd += " -e " + f;
    cmd += " 2>/dev/null";
    std::vector<Decoded> frames;
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return frames;
    char line[8192];
    while (fgets(line, sizeof line, p) != nullptr) {
        std::stringstream values(std::string(line, strcspn(line, "\n")));
        Decoded d;
        for (const std::string& f : fields)
            std::getline(values, d[f.substr(f.find('.') + 1)], '|'); // past the end: empty
        frames.push_back(d);
    }
    pclose(p);
    return frames;
}

std::string hex(const uint8_t* bytes, size_t n) {
    std::string s;
    char b[3];
    for (size_t i = 0; i < n; ++i) {
        snprintf(b, sizeof b, "%02x", bytes[i]);
        s += b;
    }
    return s;
}

void expectFields(const Decoded& d, const Decoded& expected) {
    for (const auto& e : expected)
        EXPECT_EQ(d.at(e.first), e.second) << e.first;
}

TEST(WiresharkTest, ATransferDecodesAsMeant) {
    ASSERT_EQ(system("tshark -v >/dev/null 2>&1"), 0)
        << "tshark is missing: run tools/install-deps --tests";
    std::string log = makeTempDir() + "/bus.log";
    std::vector<uint8_t> payload(PayloadLength);
    for (uint32_t i = 0; i < PayloadLength; ++i)
        payload[i] = static_cast<uint8_t>(0xA0 + i);
    {
        J1939TestBus bus(true, log.c_str());
        TpPeerNode peer(PeerSA);
        ASSERT_TRUE(peer.join(bus.bus));
        J1939module peerModule(PeerSA, "Peer", false, J1939NAME(), J1939NAME(true, 0));

        TestMsg data(PropA, 6, PayloadLength, J1939cfgListed | J1939cfgTx);
        CANbusMgr.registerMsg(&data, &Display, &peerModule);
        data.buffer->copyInBytes(payload.data(), 0, PayloadLength);

        data.transmit(OwnDA);
        ASSERT_TRUE(bus.runUntil([&] { return data.count(TPtxAckedEvent) == 1; }, 2000));
        bus.runFor(10);
        peer.leave();
    }

    std::vector<Decoded> frames = decode(log);
    // The RTS, the CTS, four TP.DT and the acknowledgement.
    ASSERT_EQ(frames.size(), 7u);
    std::map<std::string, std::vector<Decoded>> byFormat;
    for (const Decoded& d : frames)
        byFormat[d.at("pdu_format")].push_back(d);

    const std::vector<Decoded>& cm = byFormat["236"];
    ASSERT_EQ(cm.size(), 3u) << "RTS, CTS, EndOfMsgACK";
    const std::string tp = "transport_protocol.", rts = tp + "request_to_send.";
    expectFields(cm[0], {{tp + "control_byte", "16"},
                         {"src_addr", "250"},
                         {"dst_addr", "128"},
                         {"priority", "0x00000007"},
                         {rts + "total_size", "23"},
                         {rts + "number_of_packets", "4"},
                         {rts + "pgn", "0x00ef00"}});
    expectFields(cm[1], {{tp + "control_byte", "17"}, {"src_addr", "128"}});
    expectFields(cm[2], {{tp + "control_byte", "19"},
                         {tp + "end_of_message_acknowledgement.total_size", "23"}});

    const std::vector<Decoded>& dt = byFormat["235"];
    ASSERT_EQ(dt.size(), 4u);
    for (const Decoded& d : dt)
        expectFields(d, {{"src_addr", "250"}, {"dst_addr", "128"}});
    // The reassembled message is the 3-byte PGN, then the payload.
    std::string reassembled;
    for (const Decoded& d : frames)
        if (!d.at("reassembled.data").empty()) reassembled = d.at("reassembled.data");
    EXPECT_EQ(reassembled, "00ef00" + hex(payload.data(), payload.size()));
}
} // namespace
