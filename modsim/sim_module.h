// One simulated module with a flash boot loader: it claims its address, answers the
// Request for Address Claimed, the version and software-number requests, and the module
// side of the flash-loader protocol (change of mode, erase, program data with each record's
// checksum checked, run mode), with the faults its description or a test asks for. Frames
// go out through a sink and come in through onFrame; it knows no bus and no clock of its
// own (times are milliseconds, wrapping).
#pragma once

#include <cstdint>
#include <vector>

#include "modsim/flash_image.h"
#include "modsim/module_description.h"
#include "modsim/tp_peer.h"

// The module's own error codes in its negative responses.
enum ModErrorCode : uint8_t {
    ModErrChecksum = 1,     // record checksum wrong
    ModErrOutsideFlash = 2, // record outside the flash
    ModErrNotErased = 3,    // record over bytes not erased since they were written
    ModErrWrongMode = 4,    // erase or program data outside programming mode
    ModErrBadSector = 5,    // no such sector
    ModErrBadMessage = 6,   // lengths or counts that do not agree
    ModErrRecordType = 7,   // record type the loader does not know
};

// What became of a command, for the event line and for tests.
enum class ModOutcome : uint8_t {
    Done,    // answered positively
    Refused, // answered negatively
    Ignored, // not answered
    Vanished,
    Back,
    Fault, // a transport fault applied or the bus-off hook called
    Info,  // the module's own doing (power-up claim, image written)
};

struct ModEvent {
    ModCmd cmd;
    ModOutcome outcome;
    uint8_t errorCode;
    uint32_t value;   // address, sector, version, ... as the text says
    uint32_t delayMs; // until the answer goes out
    uint32_t atMs;
    const char* text; // the whole line, without the module's address
};

class SimModule;
class ModuleListener {
public:
    virtual ~ModuleListener() = default;
    virtual void moduleEvent(const SimModule& m, const ModEvent& e) = 0;
};

class SimModule : private PeerFrameSink {
public:
    SimModule(const ModuleDescription& desc, PeerFrameSink* out);
    SimModule(const SimModule&) = delete;
    SimModule& operator=(const SimModule&) = delete;
    // False when the description's flash could not be built.
    bool valid() const { return flashOk; }

    ModuleListener* listener = nullptr;
    // Called by busoff- faults.
    void (*busOffHook)() = nullptr;

    // Power-up: the module claims its address.
    void start(uint32_t nowMs);
    // Every frame seen on the bus.
    void onFrame(const PeerFrame& f, uint32_t nowMs);
    // One of the module's frames has gone out.
    void onSent(const PeerFrame& f, uint32_t nowMs);
    void tick(uint32_t nowMs);
    bool nextDeadline(uint32_t* ms) const;
    // Writes the image file, if the description names one; false when that fails.
    bool saveImage();

    // Faults on demand.
    bool addRule(FaultAction action, ModCmd on, uint32_t value, uint32_t nth = 0);
    void clearRules() { desc.ruleCount = 0; }
    void setSilent(bool on) { desc.silent = on; }
    // Leaves the bus (back after backMs when not 0), or comes back at once.
    void vanish(uint32_t nowMs, uint32_t backMs);
    void comeBack(uint32_t nowMs);

    const ModuleDescription& description() const { return desc; }
    uint8_t address() const { return static_cast<uint8_t>(desc.address); }
    bool present() const { return isPresent; }
    bool programming() const { return programMode; }
    FlashImage& flash() { return image; }
    TpPeer& transport() { return tp; }
    // Commands of a kind received so far.
    unsigned long received(ModCmd c) const { return counts[static_cast<int>(c)]; }

private:
    static constexpr int MaxPending = 16;
    struct Pending {
        bool used = false;
        uint32_t due = 0;
        PeerFrame frame;
    };
    // What the fault rules say about one command.
    struct Verdict {
        bool refuse = false, ignore = false, vanish = false, busOff = false;
        uint8_t code = 0;
        uint32_t delayMs = 0;
        int holdCts = 0, abortDt = 0, dropDt = 0, repeatDt = 0;
    };

    ModuleDescription desc;
    PeerFrameSink* out;
    TpPeer tp;
    FlashImage image;
    bool flashOk;
    bool isPresent = false;
    bool programMode = false;
    uint32_t upperAddress = 0; // from extended address records
    uint32_t backAt = 0;
    uint32_t lastMs = 0; // the latest time the module was given
    bool comingBack = false;
    unsigned long counts[static_cast<int>(ModCmd::Count)] = {};
    int tpSeen = 0; // completed transport receptions taken
    int dropSeq = 0, repeatSeq = 0;
    Pending pending[MaxPending];

    // DM1 sending and the service tool (sim_module_diag.cpp).
    uint32_t startMs = 0;
    uint32_t nextDm1 = 0;
    enum class ToolState : uint8_t { Off, Waiting, Ident, Start, Records, End, Done };
    ToolState tool = ToolState::Off;
    std::vector<uint8_t> toolFile;
    uint32_t toolOffset = 0;   // next byte of the file to send
    uint32_t toolBase = 0;     // extended base the display holds
    uint32_t toolDeadline = 0; // for the display's reply
    void diagStart(uint32_t nowMs);
    void diagTick(uint32_t nowMs);
    void diagDeadlines(uint32_t* ms, bool* any) const;
    void sendDm1(uint32_t nowMs);
    // A frame from the tool's display; true when the tool took it.
    bool toolReply(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs);
    void toolNext(uint32_t nowMs);
    void toolSend(const uint8_t* d, size_t len, uint32_t nowMs);
    void toolEnd(const char* what, uint32_t nowMs);

    void sendFrame(const PeerFrame& f) override; // the transport's frames
    // Counts the command and applies the fault rules that hit it; false when the module
    // vanished or is not to answer (both reported).
    bool judge(ModCmd c, const char* what, uint32_t nowMs, Verdict* v);
    void command(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs);
    void changeMode(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs);
    void erase(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs);
    void programData(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs);
    void version(uint8_t sa, uint8_t type, uint32_t nowMs);
    bool transferStarts(uint32_t nowMs);
    void claim(uint32_t nowMs);
    void leaveBus(uint32_t nowMs, uint32_t backMs);
    // Sends f now or after delayMs, and reports what it answers.
    void answer(const PeerFrame& f, ModCmd c, bool done, uint8_t code, uint32_t value,
                uint32_t delayMs, const char* what, uint32_t nowMs);
    void report(ModCmd c, ModOutcome o, uint8_t code, uint32_t value, uint32_t delayMs,
                const char* what, uint32_t nowMs);
    PeerFrame frameTo(uint8_t da, uint32_t pgn, const uint8_t (&bytes)[8]) const;
};
