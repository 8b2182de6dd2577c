// A simulated module's boot loader frame by frame, without a bus: what it answers, when, and
// with which error codes, for its description and its faults. Scripts and answers are
// written as "MS ID#DATA" (candump's frame notation).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "modsim/sim_module.h"

namespace {
class Collect : public PeerFrameSink {
public:
    std::vector<std::string> frames;
    uint32_t now = 0;
    void sendFrame(const PeerFrame& f) override {
        if ((f.id >> 16 & 0xFF) == 0xEC) return; // the transport's CTS and ACK
        char buf[64];
        int n = snprintf(buf, sizeof buf, "%u %08X#", now, f.id);
        for (int i = 0; i < f.dlc; ++i)
            n += snprintf(buf + n, sizeof buf - static_cast<size_t>(n), "%02X", f.data[i]);
        frames.push_back(buf);
    }
};

std::vector<uint8_t> bytesOf(const std::string& hex) {
    std::vector<uint8_t> b;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        b.push_back(static_cast<uint8_t>(strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return b;
}

PeerFrame frameOf(uint32_t id, const uint8_t* data, size_t n) {
    PeerFrame f;
    f.id = id;
    f.dlc = static_cast<uint8_t>(n);
    std::copy(data, data + n, f.data);
    return f;
}

// The frames of "ID#DATA": one, or an RTS and its packets for more than 8 bytes (the
// module's CTS for all of them goes out as the RTS arrives).
std::vector<PeerFrame> framesOf(const std::string& text) {
    size_t hash = text.find('#');
    uint32_t id = static_cast<uint32_t>(strtoul(text.substr(0, hash).c_str(), nullptr, 16));
    std::vector<uint8_t> d = bytesOf(text.substr(hash + 1));
    if (d.size() <= 8) return {frameOf(id, d.data(), d.size())};
    uint32_t addresses = id & 0xFFFF, tp = 0x1C000000 | addresses;
    size_t packets = (d.size() + 6) / 7;
    uint8_t rts[8] = {
        0x10, static_cast<uint8_t>(d.size()), 0, static_cast<uint8_t>(packets), 0xFF, 0, 0xEF, 0};
    std::vector<PeerFrame> out = {frameOf(tp | 0xEC0000, rts, 8)};
    for (size_t p = 0; p < packets; ++p) {
        uint8_t dt[8] = {static_cast<uint8_t>(p + 1), 255, 255, 255, 255, 255, 255, 255};
        for (size_t i = 0; i < 7 && 7 * p + i < d.size(); ++i)
            dt[1 + i] = d[7 * p + i];
        out.push_back(frameOf(tp | 0xEB0000, dt, 8));
    }
    return out;
}

PeerFrame frame(const std::string& text) {
    return framesOf(text)[0];
}

// Runs the module from time 0 to endMs on a 1 ms tick, feeding the script's frames ("MS
// ID#DATA, ...") at their times; returns every frame it sent the same way (its power-up claim
// at 0 left out).
std::string run(const std::string& description, const std::string& script, uint32_t endMs) {
    ModuleDescription desc;
    char err[200];
    EXPECT_TRUE(parseModuleDescription(description.c_str(), &desc, err, sizeof err)) << err;
    Collect out;
    SimModule m(desc, &out);
    m.start(0);
    out.frames.clear();
    std::vector<std::pair<uint32_t, std::string>> steps;
    std::istringstream in(script);
    for (std::string item; std::getline(in, item, ',');) {
        std::istringstream one(item);
        uint32_t at;
        std::string text;
        if (one >> at >> text) steps.push_back({at, text});
    }
    size_t next = 0;
    for (out.now = 0; out.now <= endMs; ++out.now) {
        for (; next < steps.size() && steps[next].first == out.now; ++next)
            for (const PeerFrame& f : framesOf(steps[next].second))
                m.onFrame(f, out.now);
        m.tick(out.now);
    }
    std::string sent;
    for (const std::string& f : out.frames)
        sent += (sent.empty() ? "" : ", ") + f;
    return sent;
}

// A module with 16 sectors of 4 KiB, into programming mode at 0 and sector 1 erased at 1.
const std::string Small = "sa=0x80 flash=64K sector=4K erase-ms=10 ";
const std::string Ready = "0 18EF80FA#0001, 1 18EF80FA#0201, ";
const std::string ReadyOk = "0 18EFFA80#01000100FFFFFFFF, 11 18EFFA80#01020100FFFFFFFF, ";

struct Case {
    const char* name;
    std::string description, script, answers;
};

template <size_t N> void check(const Case (&cases)[N], uint32_t endMs = 1000) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c.description, c.script, endMs), c.answers);
    }
}

// clang-format off
TEST(SimModuleTest, ClaimsAndVersions) {
    const Case cases[] = {
        {"claim request to all and to it", "sa=0x80 id=77",
         "5 18EAFFFA#00EE00, 6 18EA80FA#00EE00, 7 18EA81FA#00EE00, 8 18EAFFFA#00EF00",
         "5 18EEFF80#4D0000FE00000000, 6 18EEFF80#4D0000FE00000000"},
        {"versions and numbers",
         "sa=0x80 app=3.1.7/2 param=6.0.1 boot=1.2.3 appsw=123456 paramsw=0xFFFFFFFF",
         "1 18EF80FA#12FF, 2 18EF80FA#126E, 3 18EF80FA#1282, 4 18EF80FA#1264, "
         "5 18EF80FA#126F, 6 18EF80FA#1283, 7 18EF80FA#1205, 8 18EF81FA#12FF",
         "1 18EFFA80#13FF2D01020007FF, 2 18EFFA80#136E2D01020007FF, 3 18EFFA80#13825802000001FF, "
         "4 18EFFA80#13646600000003FF, 5 18EFFA80#136F40E20100FFFF, 6 18EFFA80#1383FFFFFFFFFFFF"},
        {"general answered with type 0, missing versions unanswered",
         "sa=0x80 general=0 param=none appsw=none",
         "1 18EF80FA#12FF, 2 18EF80FA#1282, 3 18EF80FA#126F, 4 18EF80FA#1283",
         "1 18EFFA80#13006400000000FF, 4 18EFFA80#138300000000FFFF"},
        {"slow versions", "sa=0x80 delay-version=250@2",
         "1 18EF80FA#12FF, 2 18EF80FA#126E, 3 18EF80FA#1264",
         "1 18EFFA80#13FF6400000000FF, 3 18EFFA80#13646400000000FF, 252 18EFFA80#136E6400000000FF"},
        {"silent loader still claims", "sa=0x80 silent",
         "1 18EF80FA#12FF, 2 18EF80FA#0001, 3 18EAFFFA#00EE00", "3 18EEFF80#800000FE00000000"},
    };
    check(cases);
}

TEST(SimModuleTest, ModesEraseAndProgramData) {
    const Case cases[] = {
        {"erase before programming mode", Small, "1 18EF80FA#0201", "1 18EFFA80#0102000401FFFFFF"},
        {"erase takes its time per sector", Small, "0 18EF80FA#0001, 1 18EF80FA#02000102",
         "0 18EFFA80#01000100FFFFFFFF, 31 18EFFA80#01020100FFFFFFFF"},
        {"no such sector, one- and two-byte forms", Small,
         "0 18EF80FA#0001, 1 18EF80FA#02000110, 2 18EF80FA#2C0201001100",
         "0 18EFFA80#01000100FFFFFFFF, 1 18EFFA80#0102000510FFFFFF, 2 18EFFA80#012C00051100FFFF"},
        {"one data byte written, then refused over it", Small,
         Ready + "20 18EF80FA#03060110000022CD, 21 18EF80FA#03060110000022CD",
         ReadyOk + "20 18EFFA80#0103010000100000, 21 18EFFA80#0103000300100000"},
        {"checksum wrong", Small, Ready + "20 18EF80FA#03060110000022C8",
         ReadyOk + "20 18EFFA80#0103000100100000"},
        {"outside the flash after an extended address", Small,
         Ready + "20 18EF80FA#0307020000040001F9, 21 18EF80FA#03060110000022CD",
         ReadyOk + "20 18EFFA80#0103010000000000, 21 18EFFA80#0103000200100100"},
        {"extended segment address", "sa=0x80 flash=64K sector=4K base=0x10000 erase-ms=10",
         Ready + "20 18EF80FA#0307020000021100EB, 21 18EF80FA#03060100000022DD",
         ReadyOk + "20 18EFFA80#0103010000000000, 21 18EFFA80#0103010000100100"},
        {"lengths that disagree, unknown type, end of file", Small,
         Ready + "20 18EF80FA#030701000000, 21 18EF80FA#030500000006FA, 22 18EF80FA#030500000001FF",
         ReadyOk + "20 18EFFA80#0103000600000000, 21 18EFFA80#0103000700000000, "
                   "22 18EFFA80#0103010000000000"},
        {"run mode, then data refused", Small,
         Ready + "20 18EF80FA#0000, 21 18EF80FA#03060110000022CD, 22 18EF80FA#0002",
         ReadyOk + "20 18EFFA80#01000100FFFFFFFF, 21 18EFFA80#0103000400100000, "
                   "22 18EFFA80#01000006FFFFFFFF"},
        {"unknown command", Small, "1 18EF80FA#55", ""},
    };
    check(cases);
}

TEST(SimModuleTest, FaultsOnDemand) {
    const Case cases[] = {
        {"refused mode with its code", "sa=0x80 refuse-mode=7@2",
         "1 18EF80FA#0001, 2 18EF80FA#0001",
         "1 18EFFA80#01000100FFFFFFFF, 2 18EFFA80#01000007FFFFFFFF"},
        {"refused run mode", "sa=0x80 refuse-run=9", "1 18EF80FA#0000",
         "1 18EFFA80#01000009FFFFFFFF"},
        {"refused erase names its first sector", Small + "refuse-erase=12",
         "0 18EF80FA#0001, 1 18EF80FA#020304",
         "0 18EFFA80#01000100FFFFFFFF, 1 18EFFA80#0102000C03FFFFFF"},
        {"refused and unanswered data", Small + "refuse-data=33@1 ignore-data@2",
         Ready + "20 18EF80FA#03060110000022CD, 21 18EF80FA#03060110000022CD, "
                 "22 18EF80FA#03060110000022CD",
         ReadyOk + "20 18EFFA80#0103002100100000, 22 18EFFA80#0103010000100000"},
        {"late first mode answer", "sa=0x80 delay-mode=3000@1",
         "1 18EF80FA#0001, 2001 18EF80FA#0001",
         "2001 18EFFA80#01000100FFFFFFFF, 3001 18EFFA80#01000100FFFFFFFF"},
        {"vanishes on erase and comes back", Small + "vanish-erase@1 back=500",
         Ready + "100 18EAFFFA#00EE00, 600 18EF80FA#0201",
         "0 18EFFA80#01000100FFFFFFFF, 501 18EEFF80#800000FE00000000, "
         "600 18EFFA80#0102000401FFFFFF"},
        {"transfer aborted after a packet, the next one taken", Small + "abort-dt=1@1",
         Ready + "20 18EF80FA#0307020000040001F9, 21 18EF80FA#0307020000040000FA",
         ReadyOk + "21 18EFFA80#0103010000000000"},
        {"vanishes for good", "sa=0x80 vanish-version@2",
         "1 18EF80FA#12FF, 2 18EF80FA#12FF, 3 18EF80FA#12FF, 900 18EAFFFA#00EE00",
         "1 18EFFA80#13FF6400000000FF"},
    };
    check(cases, 4000);
}
// clang-format on

TEST(SimModuleTest, OnDemandThroughTheApi) {
    ModuleDescription desc;
    char err[100];
    ASSERT_TRUE(parseModuleDescription("sa=0x80 busoff-mode@1 image=/nonexistent/dir/x.bin", &desc,
                                       err, sizeof err));
    Collect out;
    SimModule m(desc, &out);
    static int busOffs = 0;
    m.busOffHook = [] { ++busOffs; };
    m.start(0);
    m.onFrame(frame("18EF80FA#0001"), 1);
    EXPECT_EQ(busOffs, 1);
    EXPECT_TRUE(m.programming());
    EXPECT_TRUE(m.addRule(FaultAction::Refuse, ModCmd::Run, 0x42));
    m.onFrame(frame("18EF80FA#0000"), 2);
    EXPECT_EQ(out.frames.back(), "0 18EFFA80#01000042FFFFFFFF");
    m.clearRules();
    m.setSilent(true);
    size_t sent = out.frames.size();
    m.onFrame(frame("18EF80FA#12FF"), 3);
    EXPECT_EQ(out.frames.size(), sent);
    EXPECT_FALSE(m.saveImage()); // the directory does not exist
}
} // namespace
