// A simulated module's boot loader and its faults.
#include "modsim/sim_module.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
constexpr uint32_t PgnProprietaryA = 0xEF00, PgnRequest = 0xEA00, PgnAddressClaimed = 0xEE00;
constexpr uint8_t PfProprietaryA = 0xEF, PfRequest = 0xEA, PfTpCm = 0xEC, PfTpDt = 0xEB;
constexpr uint8_t Priority = 6;
constexpr uint8_t Global = 0xFF;
constexpr uint8_t TpRts = 0x10;
// Byte 0 of the protocol's messages, and byte 1 of the wide erase command.
constexpr uint8_t CmdChangeMode = 0x00, Response = 0x01, CmdErase = 0x02, CmdEraseWide = 0x2C,
                  CmdPgmData = 0x03, VersionRequest = 0x12, VersionResponse = 0x13;
constexpr uint8_t WideSectorBytes = 2;
constexpr uint32_t NoSector = 0xFFFF;

bool reached(uint32_t now, uint32_t t) {
    return static_cast<int32_t>(now - t) >= 0;
}

uint32_t le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
} // namespace

SimModule::SimModule(const ModuleDescription& s, PeerFrameSink* o)
    : desc(s), out(o), tp(static_cast<uint8_t>(s.address), this) {
    std::vector<uint32_t> sizes;
    for (int i = 0; i < desc.sectorRunCount; ++i)
        sizes.insert(sizes.end(), desc.sectorRuns[i].count, desc.sectorRuns[i].size);
    flashOk = !sizes.empty() &&
              image.configure(desc.flashBase, sizes.data(), static_cast<int>(sizes.size()),
                              desc.erasedValue, desc.fill);
    tp.faults.window = desc.tpWindow;
}

bool SimModule::addRule(FaultAction action, ModCmd on, uint32_t value, uint32_t nth) {
    return desc.addRule(action, on, value, nth);
}

PeerFrame SimModule::frameTo(uint8_t da, uint32_t pgn, const uint8_t (&bytes)[8]) const {
    PeerFrame f;
    f.id = static_cast<uint32_t>(Priority) << 26 | (pgn | da) << 8 | address();
    memcpy(f.data, bytes, 8);
    return f;
}

void SimModule::sendFrame(const PeerFrame& f) {
    if (isPresent) out->sendFrame(f);
}

void SimModule::report(ModCmd c, ModOutcome o, uint8_t code, uint32_t value, uint32_t delayMs,
                       const char* what, uint32_t nowMs) {
    if (listener == nullptr) return;
    char line[200];
    int n = 0;
    switch (o) {
    case ModOutcome::Done:
        n = snprintf(line, sizeof line, "%s -> done", what);
        break;
    case ModOutcome::Refused:
        n = snprintf(line, sizeof line, "%s -> refused, error %u", what, code);
        break;
    case ModOutcome::Ignored:
        n = snprintf(line, sizeof line, "%s -> no answer", what);
        break;
    case ModOutcome::Vanished:
        n = snprintf(line, sizeof line, "%s -> vanishes", what);
        break;
    default:
        n = snprintf(line, sizeof line, "%s", what);
        break;
    }
    if (delayMs > 0 && n > 0 && static_cast<size_t>(n) < sizeof line)
        snprintf(line + n, sizeof line - static_cast<size_t>(n), " (after %u ms)", delayMs);
    listener->moduleEvent(*this, ModEvent{c, o, code, value, delayMs, nowMs, line});
}

void SimModule::answer(const PeerFrame& f, ModCmd c, bool done, uint8_t code, uint32_t value,
                       uint32_t delayMs, const char* what, uint32_t nowMs) {
    Pending* slot = nullptr;
    if (delayMs > 0)
        for (Pending& p : pending)
            if (!p.used && slot == nullptr) slot = &p;
    if (slot != nullptr)
        *slot = {true, nowMs + delayMs, f};
    else
        sendFrame(f);
    report(c, done ? ModOutcome::Done : ModOutcome::Refused, code, value, delayMs, what, nowMs);
}

bool SimModule::judge(ModCmd c, const char* what, uint32_t nowMs, Verdict* v) {
    *v = Verdict();
    unsigned long n = ++counts[static_cast<int>(c)];
    if (desc.silent && c != ModCmd::Claim && c != ModCmd::Transfer) v->ignore = true;
    for (int i = 0; i < desc.ruleCount; ++i) {
        const FaultRule& r = desc.rules[i];
        if (r.on != c || (r.nth != 0 && r.nth != n)) continue;
        switch (r.action) {
        case FaultAction::Refuse:
            v->refuse = true;
            v->code = static_cast<uint8_t>(r.value);
            break;
        case FaultAction::Ignore:
            v->ignore = true;
            break;
        case FaultAction::Delay:
            v->delayMs += r.value;
            break;
        case FaultAction::Vanish:
            v->vanish = true;
            break;
        case FaultAction::BusOff:
            v->busOff = true;
            break;
        case FaultAction::HoldCts:
            v->holdCts = static_cast<int>(r.value);
            break;
        case FaultAction::AbortDt:
            v->abortDt = static_cast<int>(r.value);
            break;
        case FaultAction::DropDt:
            v->dropDt = static_cast<int>(r.value);
            break;
        case FaultAction::RepeatDt:
            v->repeatDt = static_cast<int>(r.value);
            break;
        }
    }
    if (v->busOff) {
        char text[120];
        snprintf(text, sizeof text, "%s -> bus-off%s", what,
                 busOffHook != nullptr ? "" : " (no controller to put off the bus)");
        report(c, ModOutcome::Fault, 0, 0, 0, text, nowMs);
        if (busOffHook != nullptr) busOffHook();
    }
    if (v->vanish) {
        report(c, ModOutcome::Vanished, 0, 0, 0, what, nowMs);
        leaveBus(nowMs, desc.backAfterMs);
        return false;
    }
    if (v->ignore) {
        report(c, ModOutcome::Ignored, 0, 0, 0, what, nowMs);
        return false;
    }
    return true;
}

void SimModule::start(uint32_t nowMs) {
    lastMs = nowMs;
    isPresent = true;
    claim(nowMs);
    diagStart(nowMs);
}

void SimModule::claim(uint32_t nowMs) {
    sendFrame(frameTo(Global, PgnAddressClaimed, desc.name));
    char text[80];
    snprintf(text, sizeof text, "claims address 0x%02X, NAME %02X%02X%02X%02X%02X%02X%02X%02X",
             address(), desc.name[7], desc.name[6], desc.name[5], desc.name[4], desc.name[3],
             desc.name[2], desc.name[1], desc.name[0]);
    report(ModCmd::Claim, ModOutcome::Info, 0, address(), 0, text, nowMs);
}

void SimModule::vanish(uint32_t nowMs, uint32_t backMs) {
    if (!isPresent) return;
    report(ModCmd::Count, ModOutcome::Vanished, 0, 0, 0, "asked to leave", nowMs);
    leaveBus(nowMs, backMs);
}

void SimModule::leaveBus(uint32_t nowMs, uint32_t backMs) {
    isPresent = false;
    tp.faults.silent = true;
    programMode = false;
    for (Pending& p : pending)
        p.used = false;
    comingBack = backMs > 0;
    backAt = nowMs + backMs;
}

void SimModule::comeBack(uint32_t nowMs) {
    isPresent = true;
    comingBack = false;
    tp.faults.silent = false;
    programMode = false;
    upperAddress = 0;
    report(ModCmd::Claim, ModOutcome::Back, 0, 0, 0, "comes back", nowMs);
    claim(nowMs);
}

void SimModule::onFrame(const PeerFrame& f, uint32_t nowMs) {
    lastMs = nowMs;
    if (!isPresent) return;
    uint8_t pf = static_cast<uint8_t>(f.id >> 16);
    uint8_t da = static_cast<uint8_t>(f.id >> 8);
    uint8_t sa = static_cast<uint8_t>(f.id);
    if (sa == address()) return;
    bool toMe = da == address();
    if (pf == PfRequest && (toMe || da == Global) && f.dlc >= 3) {
        uint32_t pgn = f.data[0] | f.data[1] << 8 | static_cast<uint32_t>(f.data[2]) << 16;
        Verdict v;
        if (pgn == PgnAddressClaimed &&
            judge(ModCmd::Claim, "request for address claimed", nowMs, &v))
            answer(frameTo(Global, PgnAddressClaimed, desc.name), ModCmd::Claim, true, 0, 0,
                   v.delayMs, "request for address claimed", nowMs);
        return;
    }
    if (pf == PfProprietaryA && toMe) {
        if (toolReply(sa, f.data, f.dlc > 8 ? 8 : f.dlc, nowMs)) return;
        command(sa, f.data, f.dlc > 8 ? 8 : f.dlc, nowMs);
        return;
    }
    if (pf == PfTpCm && toMe && f.data[0] == TpRts && !transferStarts(nowMs)) return;
    if (pf == PfTpDt && toMe && f.dlc > 0) {
        char text[60];
        if (dropSeq > 0 && f.data[0] == dropSeq) {
            dropSeq = 0;
            snprintf(text, sizeof text, "TP.DT %u dropped", f.data[0]);
            report(ModCmd::Transfer, ModOutcome::Fault, 0, f.data[0], 0, text, nowMs);
            return;
        }
        if (repeatSeq > 0 && f.data[0] == repeatSeq) {
            repeatSeq = 0;
            snprintf(text, sizeof text, "TP.DT %u taken twice", f.data[0]);
            report(ModCmd::Transfer, ModOutcome::Fault, 0, f.data[0], 0, text, nowMs);
            tp.onFrame(f, nowMs);
        }
    }
    tp.onFrame(f, nowMs);
    while (tpSeen < tp.receivedCount()) {
        const TpPeer::Message& m = tp.received(tpSeen++);
        if (m.pgn == PgnProprietaryA && isPresent) command(m.sa, m.data, m.length, nowMs);
    }
}

void SimModule::onSent(const PeerFrame& f, uint32_t nowMs) {
    if (isPresent) tp.onSent(f, nowMs);
}

bool SimModule::transferStarts(uint32_t nowMs) {
    Verdict v;
    if (!judge(ModCmd::Transfer, "transfer", nowMs, &v)) return false;
    tp.faults.holdCts = v.holdCts;
    tp.faults.abortAfterPackets = v.abortDt;
    dropSeq = v.dropDt;
    repeatSeq = v.repeatDt;
    if (v.holdCts + v.abortDt + v.dropDt + v.repeatDt > 0) {
        char text[120];
        int n = snprintf(text, sizeof text, "transfer %lu:", received(ModCmd::Transfer));
        const struct {
            int value;
            const char* format;
        } parts[] = {{v.holdCts, " %d CTS holds"},
                     {v.abortDt, " abort after %d packets"},
                     {v.dropDt, " drop TP.DT %d"},
                     {v.repeatDt, " repeat TP.DT %d"}};
        for (const auto& p : parts)
            if (p.value > 0 && n > 0 && static_cast<size_t>(n) < sizeof text)
                n += snprintf(text + n, sizeof text - static_cast<size_t>(n), p.format, p.value);
        report(ModCmd::Transfer, ModOutcome::Fault, 0, 0, 0, text, nowMs);
    }
    return true;
}

void SimModule::command(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs) {
    if (len == 0) return;
    switch (d[0]) {
    case CmdChangeMode:
        changeMode(sa, d, len, nowMs);
        return;
    case CmdErase:
    case CmdEraseWide:
        erase(sa, d, len, nowMs);
        return;
    case CmdPgmData:
        programData(sa, d, len, nowMs);
        return;
    case VersionRequest:
        if (len >= 2) version(sa, d[1], nowMs);
        return;
    default: {
        char text[60];
        snprintf(text, sizeof text, "unknown command 0x%02X (%zu bytes) ignored", d[0], len);
        report(ModCmd::Count, ModOutcome::Info, 0, d[0], 0, text, nowMs);
    }
    }
}

void SimModule::changeMode(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs) {
    bool toRun = len >= 2 && d[1] == 0;
    bool known = len >= 2 && d[1] <= 1;
    ModCmd c = toRun ? ModCmd::Run : ModCmd::Mode;
    const char* what = !known  ? "change to an unknown mode"
                       : toRun ? "change to run mode"
                               : "change to programming mode";
    Verdict v;
    if (!judge(c, what, nowMs, &v)) return;
    uint8_t code = !known ? ModErrBadMessage : v.refuse ? v.code : 0;
    bool done = code == 0 && !v.refuse;
    if (done) {
        programMode = !toRun;
        upperAddress = 0;
    }
    const uint8_t bytes[8] = {
        Response, CmdChangeMode, static_cast<uint8_t>(done ? 1 : 0), code, 0xFF, 0xFF, 0xFF, 0xFF};
    answer(frameTo(sa, PgnProprietaryA, bytes), c, done, code, 0, v.delayMs, what, nowMs);
    if (done && toRun) saveImage();
}

void SimModule::erase(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs) {
    bool wide = d[0] == CmdEraseWide;
    bool wellFormed = !wide || (len >= 2 && d[1] == WideSectorBytes && len % 2 == 0);
    size_t count = !wellFormed ? 0 : wide ? (len - 2) / 2 : len - 1;
    auto sector = [&](size_t i) -> uint32_t {
        return wide ? static_cast<uint32_t>(d[2 + 2 * i] | d[3 + 2 * i] << 8) : d[1 + i];
    };
    char what[120];
    int n = snprintf(what, sizeof what, "erase %zu sector%s", count, count == 1 ? "" : "s");
    for (size_t i = 0; i < count && n > 0 && n < 90; ++i)
        n += snprintf(what + n, sizeof what - static_cast<size_t>(n), "%s%u", i ? "," : " ",
                      sector(i));
    if (count > 0 && n >= 90) snprintf(what + n, sizeof what - static_cast<size_t>(n), "...");
    Verdict v;
    if (!judge(ModCmd::Erase, what, nowMs, &v)) return;
    uint8_t code = 0;
    uint32_t bad = count > 0 ? sector(0) : NoSector;
    if (!wellFormed) {
        code = ModErrBadMessage;
    } else if (v.refuse) {
        code = v.code;
    } else if (!programMode) {
        code = ModErrWrongMode;
    } else {
        for (size_t i = 0; i < count && code == 0; ++i) {
            if (sector(i) >= static_cast<uint32_t>(image.sectorCount())) {
                code = ModErrBadSector;
                bad = sector(i);
            }
        }
    }
    bool done = code == 0 && !v.refuse;
    uint32_t eraseMs = 0;
    if (done) {
        for (size_t i = 0; i < count; ++i)
            image.erase(static_cast<int>(sector(i)));
        eraseMs = desc.eraseMsPerSector * static_cast<uint32_t>(count);
        bad = NoSector;
    }
    const uint8_t bytes[8] = {Response,
                              d[0],
                              static_cast<uint8_t>(done ? 1 : 0),
                              code,
                              static_cast<uint8_t>(bad),
                              static_cast<uint8_t>(wide ? bad >> 8 : 0xFF),
                              0xFF,
                              0xFF};
    answer(frameTo(sa, PgnProprietaryA, bytes), ModCmd::Erase, done, code, bad, v.delayMs + eraseMs,
           what, nowMs);
}

void SimModule::programData(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs) {
    size_t n = len >= 7 ? d[2] : 0;
    bool wellFormed = len >= 7 && len == n + 7 && d[1] == static_cast<uint8_t>(n + 5);
    uint32_t offset = len >= 5 ? static_cast<uint32_t>(d[3] << 8 | d[4]) : 0;
    uint8_t type = len >= 6 ? d[5] : 0xFF;
    const uint8_t* bytes = d + 6;
    uint32_t at = upperAddress + offset;
    char what[80];
    switch (type) {
    case 0:
        snprintf(what, sizeof what, "data 0x%08X %zu bytes", at, n);
        break;
    case 1:
        snprintf(what, sizeof what, "end-of-file record");
        break;
    case 2:
    case 4:
        snprintf(what, sizeof what, "extended %s address 0x%04X", type == 2 ? "segment" : "linear",
                 n == 2 ? bytes[0] << 8 | bytes[1] : 0);
        break;
    case 3:
    case 5:
        snprintf(what, sizeof what, "start address record");
        break;
    default:
        snprintf(what, sizeof what, "record of type %u", type);
        break;
    }
    if (!wellFormed) snprintf(what, sizeof what, "malformed program data (%zu bytes)", len);
    Verdict v;
    if (!judge(ModCmd::Data, what, nowMs, &v)) return;
    uint8_t code = 0;
    unsigned sum = 0;
    for (size_t i = 2; wellFormed && i < len; ++i)
        sum += d[i];
    if (!wellFormed)
        code = ModErrBadMessage;
    else if (v.refuse)
        code = v.code;
    else if (!programMode)
        code = ModErrWrongMode;
    else if ((sum & 0xFF) != 0)
        code = ModErrChecksum;
    else if (type == 0) {
        FlashImage::WriteResult r = image.write(at, bytes, n, &at);
        code = r == FlashImage::WriteResult::Outside     ? ModErrOutsideFlash
               : r == FlashImage::WriteResult::NotErased ? ModErrNotErased
                                                         : 0;
    } else if (type == 2 || type == 4) {
        if (n != 2)
            code = ModErrBadMessage;
        else
            upperAddress = static_cast<uint32_t>(bytes[0] << 8 | bytes[1]) << (type == 2 ? 4 : 16);
    } else if (type > 5) {
        code = ModErrRecordType;
    }
    bool done = code == 0 && !v.refuse;
    const uint8_t rsp[8] = {Response,
                            CmdPgmData,
                            static_cast<uint8_t>(done ? 1 : 0),
                            code,
                            static_cast<uint8_t>(at),
                            static_cast<uint8_t>(at >> 8),
                            static_cast<uint8_t>(at >> 16),
                            static_cast<uint8_t>(at >> 24)};
    answer(frameTo(sa, PgnProprietaryA, rsp), ModCmd::Data, done, code, le32(rsp + 4), v.delayMs,
           what, nowMs);
}

void SimModule::version(uint8_t sa, uint8_t type, uint32_t nowMs) {
    const SimVersion* ver = nullptr;
    bool number = false;
    uint32_t value = 0;
    uint8_t answerType = type;
    switch (type) {
    case 255:
        if (desc.generalAnswerType >= 0) ver = &desc.app;
        answerType = static_cast<uint8_t>(desc.generalAnswerType);
        break;
    case 110:
        ver = &desc.app;
        break;
    case 130:
        ver = &desc.param;
        break;
    case 100:
        ver = &desc.boot;
        break;
    case 111:
        number = desc.hasAppSwNum;
        value = desc.appSwNum;
        break;
    case 131:
        number = desc.hasParamSwNum;
        value = desc.paramSwNum;
        break;
    default:
        break;
    }
    char what[60];
    snprintf(what, sizeof what, "%s request %u", type == 111 || type == 131 ? "number" : "version",
             type);
    Verdict v;
    if (!judge(ModCmd::Version, what, nowMs, &v)) return;
    if ((ver == nullptr || !ver->present) && !number) {
        report(ModCmd::Version, ModOutcome::Ignored, 0, 0, 0, what, nowMs);
        return;
    }
    uint8_t b[8] = {VersionResponse, answerType, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    if (number) {
        for (int i = 0; i < 4; ++i)
            b[2 + i] = static_cast<uint8_t>(value >> (8 * i));
        snprintf(what + strlen(what), sizeof what - strlen(what), ": %u", value);
    } else {
        b[2] = static_cast<uint8_t>(ver->version);
        b[3] = static_cast<uint8_t>(ver->version >> 8);
        b[4] = static_cast<uint8_t>(ver->second);
        b[5] = static_cast<uint8_t>(ver->second >> 8);
        b[6] = ver->revision;
        value = ver->version;
        snprintf(what + strlen(what), sizeof what - strlen(what), ": %u.%u.%u (type %u)",
                 ver->version / 100, ver->version % 100, ver->revision, answerType);
    }
    answer(frameTo(sa, PgnProprietaryA, b), ModCmd::Version, true, 0, value, v.delayMs, what,
           nowMs);
}

void SimModule::tick(uint32_t nowMs) {
    lastMs = nowMs;
    if (!isPresent && comingBack && reached(nowMs, backAt)) comeBack(nowMs);
    for (;;) {
        Pending* first = nullptr;
        for (Pending& p : pending)
            if (p.used && reached(nowMs, p.due) &&
                (first == nullptr || static_cast<int32_t>(p.due - first->due) < 0))
                first = &p;
        if (first == nullptr) break;
        first->used = false;
        sendFrame(first->frame);
    }
    tp.tick(nowMs);
    if (isPresent) diagTick(nowMs);
}

bool SimModule::nextDeadline(uint32_t* ms) const {
    bool any = tp.nextDeadline(ms);
    auto consider = [&](uint32_t t) {
        if (!any || static_cast<int32_t>(t - *ms) < 0) *ms = t;
        any = true;
    };
    for (const Pending& p : pending)
        if (p.used) consider(p.due);
    if (!isPresent && comingBack) consider(backAt);
    diagDeadlines(ms, &any);
    return any;
}

bool SimModule::saveImage() {
    if (desc.imagePath[0] == '\0') return true;
    bool ok = image.saveTo(desc.imagePath);
    char text[300];
    snprintf(text, sizeof text, "%s %s", ok ? "image written to" : "cannot write image to",
             desc.imagePath);
    report(ModCmd::Run, ModOutcome::Info, 0, 0, 0, text, lastMs);
    return ok;
}
