// A simulated module's diagnostics and service tool: DM1 sent every second (several DTCs by
// BAM), and a tool that identifies the display and sends it a file in records with the
// proprietary command, each record after the display's reply to the previous one.
#include <cstdio>
#include <cstring>

#include "modsim/sim_module.h"

namespace {
constexpr uint32_t PgnDM1 = 0xFECA, PgnProprietaryA = 0xEF00;
constexpr uint8_t Global = 0xFF;
constexpr uint32_t Dm1PeriodMs = 1000;
constexpr uint32_t ReplyTimeoutMs = 3000;
constexpr uint32_t MaxFile = 16 * 1024 * 1024;
constexpr uint32_t SmallPart = 16; // bytes sent in 2-byte records, as single frames
constexpr uint32_t SmallRecord = 2;
constexpr uint8_t CmdDownload = 0x00, Reply = 0x01, CmdRecord = 0x03, CmdIdent = 0x12,
                  IdentReply = 0x13;
constexpr uint8_t TypeData = 0, TypeEnd = 1, TypeBase = 4;
constexpr size_t RecordHeader = 6;

bool reached(uint32_t now, uint32_t t) {
    return static_cast<int32_t>(now - t) >= 0;
}
} // namespace

void SimModule::diagStart(uint32_t nowMs) {
    startMs = nowMs;
    nextDm1 = nowMs;
    if (desc.sendFile[0] == '\0' || tool != ToolState::Off) return;
    FILE* f = fopen(desc.sendFile, "rb");
    if (f != nullptr) {
        int c;
        while (toolFile.size() < MaxFile && (c = fgetc(f)) != EOF)
            toolFile.push_back(static_cast<uint8_t>(c));
        fclose(f);
    }
    if (f == nullptr || toolFile.empty()) {
        char text[300];
        snprintf(text, sizeof text, "tool: cannot read %s", desc.sendFile);
        report(ModCmd::Count, ModOutcome::Info, 0, 0, 0, text, nowMs);
        tool = ToolState::Done;
        return;
    }
    tool = ToolState::Waiting;
    toolDeadline = nowMs + desc.sendAtMs;
}

void SimModule::diagDeadlines(uint32_t* ms, bool* any) const {
    auto consider = [&](uint32_t t) {
        if (!*any || static_cast<int32_t>(t - *ms) < 0) *ms = t;
        *any = true;
    };
    if (desc.dm1 && (desc.dm1StopMs == 0 || !reached(nextDm1, startMs + desc.dm1StopMs)))
        consider(nextDm1);
    if (tool != ToolState::Off && tool != ToolState::Done) consider(toolDeadline);
}

void SimModule::diagTick(uint32_t nowMs) {
    if (desc.dm1 && reached(nowMs, nextDm1)) {
        nextDm1 = nowMs + Dm1PeriodMs;
        if (desc.dm1StopMs == 0 || !reached(nowMs, startMs + desc.dm1StopMs)) sendDm1(nowMs);
    }
    if (tool == ToolState::Waiting && reached(nowMs, toolDeadline)) {
        tool = ToolState::Ident;
        uint8_t d[2] = {CmdIdent, 0xFF};
        toolSend(d, sizeof d, nowMs);
    } else if (tool != ToolState::Off && tool != ToolState::Done && reached(nowMs, toolDeadline)) {
        toolEnd("tool: no reply from the display, download failed", nowMs);
    }
}

void SimModule::sendDm1(uint32_t nowMs) {
    bool later = desc.dm1ThenMs != 0 && reached(nowMs, startMs + desc.dm1ThenMs);
    const SimDtc* dtcs = later ? desc.laterDtcs : desc.dtcs;
    int n = later ? desc.laterDtcCount : desc.dtcCount;
    uint8_t d[2 + 4 * ModuleDescription::MaxDtcs] = {desc.dm1Lamps, desc.dm1Flash};
    for (int i = 0; i < n; ++i) {
        uint8_t* p = d + 2 + 4 * i;
        p[0] = static_cast<uint8_t>(dtcs[i].spn);
        p[1] = static_cast<uint8_t>(dtcs[i].spn >> 8);
        p[2] = static_cast<uint8_t>((dtcs[i].spn >> 16) << 5 | dtcs[i].fmi);
        p[3] = 1; // occurrence count
    }
    if (n > 1) {
        // Several DTCs are one message by BAM; a broadcast still running skips a period.
        tp.send(Global, PgnDM1, d, 2 + 4 * static_cast<size_t>(n), nowMs);
        return;
    }
    uint8_t frame[8] = {d[0], d[1], 0, 0, 0, 0, 0xFF, 0xFF};
    if (n == 1) memcpy(frame + 2, d + 2, 4);
    sendFrame(frameTo(0, PgnDM1, frame));
}

void SimModule::toolSend(const uint8_t* d, size_t len, uint32_t nowMs) {
    uint8_t to = static_cast<uint8_t>(desc.sendTo);
    toolDeadline = nowMs + ReplyTimeoutMs;
    if (len > 8) {
        if (!tp.send(to, PgnProprietaryA, d, len, nowMs))
            toolEnd("tool: transport busy, download failed", nowMs);
        return;
    }
    uint8_t frame[8];
    memset(frame, 0xFF, sizeof frame);
    memcpy(frame, d, len);
    PeerFrame f = frameTo(to, PgnProprietaryA, frame);
    f.dlc = static_cast<uint8_t>(len);
    sendFrame(f);
}

void SimModule::toolEnd(const char* what, uint32_t nowMs) {
    tool = ToolState::Done;
    report(ModCmd::Count, ModOutcome::Info, 0, 0, 0, what, nowMs);
}

bool SimModule::toolReply(uint8_t sa, const uint8_t* d, size_t len, uint32_t nowMs) {
    if (tool == ToolState::Off || sa != desc.sendTo || len < 3) return false;
    char text[120];
    if (d[0] == IdentReply && tool == ToolState::Ident) {
        snprintf(text, sizeof text, "tool: display identified, item %u: %02X %02X %02X %02X %02X",
                 d[1], d[2], d[3], d[4], d[5], d[6]);
        report(ModCmd::Count, ModOutcome::Info, 0, 0, 0, text, nowMs);
        tool = ToolState::Start;
        uint8_t start[2] = {CmdDownload, 1};
        toolSend(start, sizeof start, nowMs);
        return true;
    }
    if (d[0] != Reply) return d[0] == IdentReply;
    if (d[2] == 0) {
        snprintf(text, sizeof text, "tool: command %u refused at byte %u, download failed", d[1],
                 toolOffset);
        toolEnd(text, nowMs);
        return true;
    }
    if (tool == ToolState::End) {
        snprintf(text, sizeof text, "tool: download sent, %zu bytes", toolFile.size());
        toolEnd(text, nowMs);
        return true;
    }
    if (tool == ToolState::Start || tool == ToolState::Records) {
        tool = ToolState::Records;
        toolNext(nowMs);
    }
    return true;
}

void SimModule::toolNext(uint32_t nowMs) {
    uint8_t rec[RecordHeader + 255];
    uint32_t size = static_cast<uint32_t>(toolFile.size());
    if (toolOffset >= size) {
        tool = ToolState::End;
        uint8_t end[RecordHeader] = {CmdRecord, 0, 0, 0, 0, TypeEnd};
        toolSend(end, sizeof end, nowMs);
        return;
    }
    uint32_t base = toolOffset & 0xFFFF0000u;
    if (base != toolBase) {
        toolBase = base;
        uint8_t b[8] = {CmdRecord,
                        0,
                        0,
                        0,
                        0,
                        TypeBase,
                        static_cast<uint8_t>(base >> 24),
                        static_cast<uint8_t>(base >> 16)};
        toolSend(b, sizeof b, nowMs);
        return;
    }
    uint32_t n = toolOffset < SmallPart ? SmallRecord : desc.sendRecord;
    uint32_t room = 0x10000 - (toolOffset & 0xFFFF); // a record stays inside its 64K
    if (n > room) n = room;
    if (n > size - toolOffset) n = size - toolOffset;
    rec[0] = CmdRecord;
    rec[1] = 0;
    rec[2] = static_cast<uint8_t>(n);
    rec[3] = static_cast<uint8_t>(toolOffset >> 8);
    rec[4] = static_cast<uint8_t>(toolOffset);
    rec[5] = TypeData;
    memcpy(rec + RecordHeader, toolFile.data() + toolOffset, n);
    toolOffset += n;
    toolSend(rec, RecordHeader + n, nowMs);
}
