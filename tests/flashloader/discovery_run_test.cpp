// The display against simulated modules on the virtual bus: modules found from their claims
// with their versions, and whole programming runs with each outcome the module can cause,
// faults of the transport and of the file included.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "flashloader/display_module.h"
#include "flashloader/flashloader.h"
#include "flashloader/module_manager.h"
#include "flashloader/protocol_msgs.h"
#include "flashloader/result_messages.h"
#include "flashloader/sw_ver_helper.h"
#include "gui/application_gui.h"
#include "j1939/j1939_id.h"
#include "modsim/module_bus.h"
#include "platform/host/can/host_can.h"
#include "tests/support/j1939_test_bus.h"
#include "tests/support/program_runner.h"
#include "text/xtd_string.h"

namespace {
// Times of the commands a module received, in ms of the virtual clock.
class CommandLog : public ModuleListener {
public:
    std::multimap<ModCmd, uint32_t> at;
    std::string lines;
    void moduleEvent(const SimModule&, const ModEvent& e) override {
        if (e.outcome != ModOutcome::Info && e.outcome != ModOutcome::Fault)
            at.insert({e.cmd, e.atMs});
        lines += std::string(e.text) + "\n";
    }
    uint32_t first(ModCmd c) const {
        auto i = at.find(c);
        return i == at.end() ? 0 : i->second;
    }
};

std::string generate(const std::string& dir, const std::string& name,
                     std::vector<std::string> args) {
    std::string path = dir + "/" + name;
    args.insert(args.end(), {"-o", path});
    ProgramRun gen(args);
    gen.program = OSFGEN_BIN;
    EXPECT_EQ(runProgram(gen).exitStatus, 0);
    return path;
}

// The bytes an Intel-HEX file puts where, extended addresses followed.
std::map<uint32_t, uint8_t> hexImage(const std::string& path) {
    std::map<uint32_t, uint8_t> bytes;
    std::ifstream in(path);
    std::string line;
    uint32_t upper = 0;
    auto byteAt = [&](size_t i) {
        return static_cast<uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16));
    };
    while (std::getline(in, line)) {
        if (line.empty() || line[0] != ':') continue;
        uint8_t n = byteAt(1), type = byteAt(7);
        uint32_t addr = byteAt(3) << 8 | byteAt(5);
        if (type == 0)
            for (uint8_t i = 0; i < n; ++i)
                bytes[upper + addr + i] = byteAt(9 + 2 * i);
        if (type == 2) upper = (byteAt(9) << 8 | byteAt(11)) << 4;
        if (type == 4) upper = (byteAt(9) << 8 | byteAt(11)) << 16;
    }
    return bytes;
}

std::string plainText(MultiString& s) {
    unsigned char buf[MultiStringBufferSize];
    StringAndLang t = s.getExpandedString(buf);
    std::string out;
    for (const unsigned char* p = t.text; p != nullptr && *p != 0; ++p)
        if (*p != '\v') out += static_cast<char>(*p);
    return out;
}

class DisplayAndModules : public ::testing::Test {
protected:
    J1939TestBus bus;
    ModuleBus modules;
    CommandLog log;
    std::string dir = makeTempDir();

    SimModule* addModule(const char* description) {
        ModuleDescription desc;
        char err[200];
        EXPECT_TRUE(parseModuleDescription(description, &desc, err, sizeof err)) << err;
        SimModule* m = modules.add(desc, err, sizeof err);
        EXPECT_NE(m, nullptr) << err;
        return m;
    }

    void start() {
        modules.setListener(&log);
        modules.setBusOffHook([] { hostCanController().enterBusOff(); });
        ASSERT_TRUE(modules.join(bus.bus));
        J1939_applicationInit(3);
        J1939moduleMgr.initCom();
    }

    static J1939controlFunction* entryAt(uint8_t address) {
        for (J1939controlFunction& c : J1939moduleMgr.cf)
            if (c.isAssigned() && c.module.address == address) return &c;
        return nullptr;
    }

    static std::string text(TextData& d) { return reinterpret_cast<const char*>(d.getText()); }

    // A claim from the test's own node.
    void claim(uint8_t sa, uint32_t identity) {
        J1939NAME n(identity, 1, 0, 0, 0x123, 0, 0, 0, false);
        CanWireFrame f;
        f.id = idFor(6, PGN_AddressClaimed, sa, GlobalAddress);
        f.dlc = 8;
        memcpy(f.data, n.bytes, 8);
        bus.peerSends(f);
    }

    int requestsForClaims(size_t from) const {
        int n = 0;
        for (size_t i = from; i < bus.peer.received.size(); ++i)
            if (pgnOf(bus.peer.received[i]) == PGN_Request && bus.peer.received[i].data[1] == 0xEE)
                ++n;
        return n;
    }
};

TEST_F(DisplayAndModules, ModulesAreFoundWithTheirVersionsAndLeaveWhenSilent) {
    SimModule* silent = addModule("sa=0x30 id=777 ignore-version");
    SimModule* full =
        addModule("sa=0x80 id=1234 function=17 app=3.1.7 param=2.0.4 appsw=123456 paramsw=42");
    addModule("sa=0x81 id=99 general=0 app=1.2.3 param=none boot=none appsw=none paramsw=none");
    start();
    // The module that never answers its version requests is asked first; the others still
    // get their turn.
    bus.runFor(16000);
    ASSERT_EQ(J1939moduleMgr.count, 3);
    J1939controlFunction* e = entryAt(0x80);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->identityData.getValue(), 1234);
    EXPECT_EQ(e->functionData.getValue(), 17);
    J1939NAME expected(full->description().name);
    EXPECT_EQ(text(e->nameText), expected.inASCII());
    EXPECT_EQ(text(e->appVerText), "3.1.7");
    EXPECT_EQ(text(e->paramVerText), "2.0.4");
    EXPECT_EQ(e->appSwNum.getValue(), 123456);
    EXPECT_EQ(e->paramSwNum.getValue(), 42);
    J1939controlFunction* partial = entryAt(0x81);
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(text(partial->appVerText), "1.2.3");
    EXPECT_EQ(text(partial->paramVerText), "?");
    EXPECT_EQ(partial->appSwNum.getValue(), 0);
    // Every request went to the silent module twice per round of asking it.
    EXPECT_GE(silent->received(ModCmd::Version), 10u);
    EXPECT_EQ(moduleSelection.countData.getValue(), 3);

    // Falls silent: still listed after one missed round, gone after the second.
    silent->vanish(getMsTime(), 0);
    bus.runFor(1900);
    EXPECT_NE(entryAt(0x30), nullptr);
    bus.runFor(2600);
    EXPECT_EQ(entryAt(0x30), nullptr);
    EXPECT_EQ(J1939moduleMgr.count, 2);
    EXPECT_EQ(moduleSelection.countData.getValue(), 2);
}

TEST_F(DisplayAndModules, AddressChangesKeepTheEntryAndTheFortySixthWaits) {
    start();
    for (uint8_t i = 0; i < 46; ++i) {
        claim(static_cast<uint8_t>(0x10 + i), 1000 + i);
        bus.runFor(5);
    }
    bus.runFor(100);
    EXPECT_EQ(J1939moduleMgr.count, 45);
    EXPECT_EQ(entryAt(0x10 + 45), nullptr);
    J1939controlFunction* first = entryAt(0x10);
    ASSERT_NE(first, nullptr);
    // The first module moves: same entry, new address shown.
    claim(0x70, 1000);
    bus.runFor(50);
    EXPECT_EQ(entryAt(0x70), first);
    EXPECT_EQ(first->addressData.getValue(), 0x70);
    EXPECT_EQ(J1939moduleMgr.count, 45);
    // All but the first keep answering the claim rounds; once it is dropped, the 46th is
    // listed at its next claim.
    for (int round = 0; round < 3; ++round) {
        for (uint8_t i = 1; i < 46; ++i)
            claim(static_cast<uint8_t>(0x10 + i), 1000 + i);
        bus.runFor(2000);
    }
    EXPECT_EQ(entryAt(0x70), nullptr);
    ASSERT_NE(entryAt(0x10 + 45), nullptr);
    EXPECT_EQ(entryAt(0x10 + 45)->identityData.getValue(), 1045);
    EXPECT_EQ(J1939moduleMgr.count, 45);
}

// One programming run from "Yes" to the results dialog.
struct Outcome {
    bool resultsShown = false;
    std::string title;   // empty without the results dialog
    std::string message; // English, without the leading control character
    uint32_t closedAtMs = 0;
};

class ProgrammingRun : public DisplayAndModules {
protected:
    SimModule* mod = nullptr;
    std::string file;
    uint32_t openedAtMs = 0;

    // The screen's layers outlive the dialogs at exit: none may stay open.
    void TearDown() override {
        if (flashLoader.isOpen()) flashLoader.asyncDefocus(NOEVENT);
        if (resultsDialog.isOpen()) resultsDialog.asyncDefocus(NOEVENT);
    }

    void prepare(const std::string& moduleDesc, const std::string& path) {
        mod = addModule(moduleDesc.c_str());
        ASSERT_NE(mod, nullptr);
        start();
        bus.runFor(3000);
        J1939controlFunction* e = entryAt(mod->address());
        ASSERT_NE(e, nullptr);
        file = path;
        osfSelection.addFile(path.c_str(), "file.hex", 0);
        osfSelection.setCurrent(&osfSelection.files[0]);
        moduleSelection.setCurrent(e);
    }

    Outcome run(uint32_t escAfterMs = 0, ModCmd escOn = ModCmd::Count) {
        openedAtMs = getMsTime();
        flashLoader.popup(At(-1, -1), nullptr, true);
        EXPECT_TRUE(J1939moduleMgr.downloadInProgress() || flashLoader.state == FlCheckFile);
        if (escOn != ModCmd::Count) {
            bus.runUntil([&] { return mod->received(escOn) > 0 || !flashLoader.isOpen(); }, 120000);
            bus.runFor(escAfterMs);
            theScreen.dispatchUserEvent(ESC);
        }
        EXPECT_TRUE(bus.runUntil([] { return !flashLoader.isOpen(); }, 400000));
        Outcome o;
        o.closedAtMs = getMsTime();
        o.resultsShown = resultsDialog.isOpen();
        if (o.resultsShown) {
            o.title = resultsDialog.titleString.key;
            if (resultsDialog.message != nullptr)
                o.message = plainText(static_cast<StaticTextObj*>(resultsDialog.message)->text);
        }
        bus.runFor(100); // the run-mode command of the deselection goes out
        // Any key closes the results.
        theScreen.dispatchUserEvent(DOWNARROW);
        bus.runFor(10);
        EXPECT_FALSE(resultsDialog.isOpen());
        return o;
    }

    // Whether the module's flash holds the file's bytes.
    bool flashEqualsFile() {
        FlashImage& flash = mod->flash();
        for (const auto& b : hexImage(file)) {
            uint32_t off = b.first - flash.base();
            if (b.first < flash.base() || off >= flash.size() || flash.bytes()[off] != b.second)
                return false;
        }
        return true;
    }
};

TEST_F(ProgrammingRun, AWholeFileLeavesTheFlashEqualToItAndDiscoveryPausesMeanwhile) {
    // 16-byte records past a 64K boundary (extended addresses); 32-byte ones in the rows below.
    std::string path =
        generate(dir, "img.hex", {"--base", "0x1F000", "--size", "12K", "--sectors", "1,2"});
    prepare("sa=0x80 flash=256K sector=64K", path);
    size_t before = bus.peer.received.size();
    Outcome o = run();
    EXPECT_EQ(o.title, "Programming Suceeded");
    EXPECT_EQ(o.message, "");
    EXPECT_TRUE(flashEqualsFile());
    EXPECT_FALSE(mod->programming());
    // No claim requests between the first command and the end of the run.
    size_t during = before;
    while (during < bus.peer.received.size() && bus.peer.received[during].id != 0x18EF80FAu)
        ++during;
    uint64_t endNs = uint64_t{o.closedAtMs} * 1000000;
    int asked = 0;
    for (size_t i = during; i < bus.peer.received.size(); ++i)
        if (bus.peer.receivedAt[i] < endNs && pgnOf(bus.peer.received[i]) == PGN_Request &&
            bus.peer.received[i].data[1] == 0xEE)
            ++asked;
    EXPECT_EQ(asked, 0);
    size_t after = bus.peer.received.size();
    bus.runFor(3500);
    EXPECT_GE(requestsForClaims(after), 1);
}

struct RunRow {
    const char* name;
    const char* faults;    // added to the module's description
    const char* title;     // "" : no results dialog (ESC)
    const char* message;   // expected start of the message
    bool programmingAfter; // the module's mode once it is over
    ModCmd escOn = ModCmd::Count;
};

TEST_F(ProgrammingRun, EachOutcomeOfARun) {
    std::string path = generate(
        dir, "run.hex", {"--base", "0x20000", "--size", "8K", "--record", "32", "--sectors", "2"});
    const char* ok = "Programming Suceeded";
    const char* failed = "Programming Failed";
    const RunRow rows[] = {
        {"run mode refused", "refuse-run=3", ok, "* Module did not change to run mode.", true},
        {"run mode silent", "ignore-run", ok, "* Module did not change to run mode.", true},
        {"mode refused", "refuse-mode=7", failed,
         "* Module responsed to change mode command with error code = 7.", false},
        {"mode silent", "ignore-mode", failed, "* Module did not change into programming mode.",
         false},
        {"erase refused", "refuse-erase=5", failed,
         "* Erase failed with error code = 5. Bad sector = 2.", false},
        {"erase silent", "ignore-erase", failed, "* At flash erasing.", false},
        {"data refused", "refuse-data=2@3", failed, "* Error code = 2. Bad address = 20020.",
         false},
        {"data silent", "ignore-data@4", failed, "* At flash programming.", false},
        {"ESC changing mode", "ignore-mode", "", "", false, ModCmd::Mode},
        {"ESC erasing", "ignore-erase", "", "", false, ModCmd::Erase},
        {"ESC programming", "ignore-data@2", "", "", false, ModCmd::Data},
        {"ESC changing to run mode", "ignore-run@1", "", "", false, ModCmd::Run},
        // Faults of the transport and the bus.
        {"TP.DT lost, doubled, CTS held", "window=2 drop-dt=3@2 repeat-dt=2@3 hold-cts=2@4", ok, "",
         false},
        {"transfer aborted", "abort-dt=2@3", failed, "* At flash programming.", false},
        {"module vanishes and comes back", "vanish-data@5 back=3000", failed,
         "* At flash programming.", false},
        {"bus-off", "busoff-data@5", failed, "* At flash programming.", false},
    };
    uint8_t sa = 0x20;
    for (const RunRow& r : rows) {
        SCOPED_TRACE(r.name);
        // Each row has its own module, on its own address, with the other modules gone.
        for (int i = 0; i < modules.count(); ++i)
            if (modules.module(i).present()) modules.module(i).vanish(getMsTime(), 0);
        char desc[200];
        snprintf(desc, sizeof desc, "sa=0x%X id=%u flash=256K sector=64K %s", sa, 500u + sa,
                 r.faults);
        ++sa;
        if (mod == nullptr) {
            prepare(desc, path);
        } else {
            mod = addModule(desc);
            bus.runFor(3000);
            ASSERT_NE(entryAt(mod->address()), nullptr);
            moduleSelection.setCurrent(entryAt(mod->address()));
        }
        unsigned long runsBefore = mod->received(ModCmd::Run);
        Outcome o = run(r.escOn == ModCmd::Run ? 0 : 100, r.escOn);
        EXPECT_EQ(o.title, r.title);
        EXPECT_EQ(o.message, r.message);
        EXPECT_EQ(mod->programming(), r.programmingAfter);
        EXPECT_GT(mod->received(ModCmd::Run), runsBefore) << "run-mode command after the run";
        if (o.title == std::string(ok)) {
            EXPECT_TRUE(flashEqualsFile());
        }
        EXPECT_FALSE(J1939moduleMgr.downloadInProgress());
    }
}

TEST_F(ProgrammingRun, DeadlinesOfTheModeCommandAndOfTheErase) {
    // 15 sectors of 16K: the erase may take 30 s.
    std::string path = generate(
        dir, "wide.hex", {"--size", "8K", "--sectors", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14"});
    prepare("sa=0x90 flash=256K sector=16K delay-mode=3000@1 ignore-erase", path);
    Outcome o = run();
    EXPECT_EQ(o.message, "* At flash erasing.");
    ASSERT_EQ(log.at.count(ModCmd::Mode), 2u);
    auto second = std::next(log.at.find(ModCmd::Mode));
    uint32_t resent = second->second - log.first(ModCmd::Mode);
    EXPECT_GE(resent, 2000u);
    EXPECT_LE(resent, 2510u);
    uint32_t waited = o.closedAtMs - log.first(ModCmd::Erase);
    EXPECT_GE(waited, 30000u);
    EXPECT_LE(waited, 30600u);
}

TEST_F(ProgrammingRun, ADamagedFileNeverReachesTheModuleAndAChangedOneFailsTheRun) {
    std::string good = generate(dir, "good.hex", {"--size", "8K", "--sectors", "0"});
    // A checksum broken in the middle of the records.
    std::ifstream in(good);
    std::string all((std::istreambuf_iterator<char>(in)), {}), damaged = all;
    size_t line = 0, pos = 0, target = 0;
    for (int n = 0; pos < all.size(); pos = all.find('\n', pos) + 1, ++n) {
        if (all[pos] == ':' && line == 0) line = n;
        if (line != 0 && n == static_cast<int>(line) + 100) {
            target = n + 1;
            damaged[all.find('\n', pos) - 1] ^= 1;
            break;
        }
    }
    ASSERT_NE(target, 0u);
    writeFile(dir + "/bad.hex", damaged);
    prepare("sa=0x91 flash=256K sector=64K", dir + "/bad.hex");
    Outcome o = run();
    EXPECT_EQ(o.title, "Programming Failed");
    EXPECT_EQ(o.message,
              "* Software file error in line " + std::to_string(target) + ": checksum error.");
    EXPECT_EQ(mod->received(ModCmd::Mode), 0u);
    EXPECT_EQ(mod->received(ModCmd::Run), 0u);

    // Cut short while it is being sent: fails, and the module goes back to run mode.
    writeFile(dir + "/bad.hex", all);
    osfSelection.files[0].osf.init((dir + "/bad.hex").c_str());
    openedAtMs = getMsTime();
    flashLoader.popup(At(-1, -1), nullptr, true);
    ASSERT_TRUE(bus.runUntil([&] { return mod->received(ModCmd::Data) >= 3; }, 60000));
    writeFile(dir + "/bad.hex", "");
    ASSERT_TRUE(bus.runUntil([] { return !flashLoader.isOpen(); }, 60000));
    EXPECT_EQ(resultsDialog.titleString.key, std::string("Programming Failed"));
    // Cut inside a line or between lines: either way the file's fault is named.
    EXPECT_EQ(plainText(static_cast<StaticTextObj*>(resultsDialog.message)->text)
                  .rfind("* Software file error in line ", 0),
              0u)
        << plainText(static_cast<StaticTextObj*>(resultsDialog.message)->text);
    bus.runFor(100);
    EXPECT_EQ(mod->received(ModCmd::Run), 1u);
    EXPECT_FALSE(mod->programming());
}
} // namespace
