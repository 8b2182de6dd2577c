// A J1939 node without screens: the display's stack on a chosen CAN transport with its own
// address and NAME, driven by script commands, printing what it sends and receives. For
// checking the stack against other J1939 implementations and for trying things by hand.
//
//   j1939node [--sa ADDR] [--name NAME] [--self-download] [--download-file PATH]
//             [host options: --can, --can-log, --keys, ...]
//
// --self-download takes the proprietary command (identification and a file sent over CAN
// into PATH, default /tmp/update.dat); 2 s after a complete file the node ends with exit
// status 2 (termination code 3).
//
// Script commands (besides wait and quit), numbers decimal or 0x-hex:
//   j1939-recv PGN            accept PGN from any node; each arrival prints an "rx" line
//   j1939-send PGN DA LEN     send LEN bytes (byte i = i mod 256) to DA (255: broadcast)
//   j1939-sendhex PGN DA HEX  send the given bytes
//   j1939-request PGN DA      send a Request for PGN
//   j1939-claim               send our Address Claimed
//   j1939-track NAME          follow the module with that NAME (16 hex digits, as printed)
//   j1939-dm1 SA [TABLE]      follow SA's DM1 (with a fault-table file): "dm1 fault" and
//                             "dm1 clear" lines
// Output lines: "ready", "rx", "tx" (sent, acked or failed), "claim", "claim-unknown",
// "dm1 fault", "dm1 clear" and "download complete".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/application_task.h"
#include "core/framework.h"
#include "flashloader/display_module.h"
#include "j1939/can_frame.h"
#include "j1939/fault_obj.h"
#include "j1939/j1939_addr_claim.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_dm1.h"
#include "j1939/j1939_fault_mgr.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "j1939/ostrel_cmd.h"
#include "platform/entry.h"
#include "platform/host/host_keyscript.h"

namespace {
constexpr int MaxMessages = 32;
constexpr int MaxModules = 16;

bool parseNumber(const char*& p, unsigned long max, unsigned long* out) {
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p < '0' || *p > '9') return false;
    char* end;
    unsigned long v = strtoul(p, &end, 0);
    if (v > max || (*end != '\0' && *end != ' ' && *end != '\t')) return false;
    p = end;
    *out = v;
    return true;
}

bool atEnd(const char* p) {
    while (*p == ' ' || *p == '\t')
        ++p;
    return *p == '\0';
}

bool parseName(const char* text, J1939NAME* out) {
    if (strlen(text) != 16) return false;
    for (int i = 0; i < 8; ++i) {
        char two[3] = {text[2 * i], text[2 * i + 1], 0};
        char* end;
        unsigned long v = strtoul(two, &end, 16);
        if (*end != '\0') return false;
        out->bytes[7 - i] = static_cast<uint8_t>(v);
    }
    return true;
}

class RxMsg : public J1939msg {
public:
    explicit RxMsg(uint32_t pgn) : J1939msg(pgn, 6, 0, J1939cfgListed) {}
    void init() override {}
    void onRx() override {
        uint32_t crc = 0;
        printf("rx pgn=0x%05X sa=0x%02X da=0x%02X len=%u data=", static_cast<unsigned>(pgn),
               buffer->sa, buffer->da, static_cast<unsigned>(buffer->length));
        for (uint32_t i = 0; i < buffer->length; ++i) {
            uint8_t b = static_cast<uint8_t>(buffer->getBytes(i, 1));
            crc = crc * 31 + b;
            printf("%02X", b);
        }
        printf(" sum=%08X\n", static_cast<unsigned>(crc));
    }
};

class TxMsg : public J1939msg {
public:
    explicit TxMsg(uint32_t pgn) : J1939msg(pgn, 6, TP_MaxBytes, J1939cfgListed | J1939cfgTx) {}
    void init() override {}
    void notify(NotificationEvent e, Data* d) override {
        const char* what = e == PktTransmittedEvent ? "sent"
                           : e == TPtxAckedEvent    ? "acked"
                           : e == TPfailedEvent     ? "failed"
                                                    : nullptr;
        if (what != nullptr)
            printf("tx pgn=0x%05X da=0x%02X len=%u %s\n", static_cast<unsigned>(pgn), txDA,
                   static_cast<unsigned>(buffer->length), what);
        J1939msg::notify(e, d);
    }
    static constexpr uint32_t TP_MaxBytes = 1785;
};

class Tracker : public J1939AddrClaimHandler {
public:
    Tracker() : J1939AddrClaimHandler(true) {}
    void moduleClaimedAddr(J1939module* m) override {
        printf("claim name=%s sa=0x%02X\n", m->expectedNAME.inASCII(), m->address);
    }
    void unknownModuleClaimedAddr(unsigned char sa, J1939NAME* name) override {
        printf("claim-unknown name=%s sa=0x%02X\n", name->inASCII(), sa);
    }
};

// Prints DM1 faults as they come and go, with their texts.
class FaultPrinter : public J1939FaultMgrSingleton {
public:
    void reportFault(FaultObj*& fault, uint32_t code, TemplateExpander* expander, double,
                     unsigned char type, FaultReportingOption) override {
        fault = new FaultObj(0, code, expander, type);
        char text[ExpansionWorkSize];
        textOf(fault, text);
        printf("dm1 fault sa=0x%02X spn=%u fmi=%u type=%u text=%s\n", code & 0xFF,
               static_cast<unsigned>(code >> FaultKeySPNShift),
               static_cast<unsigned>((code >> FaultKeyFMIShift) & 31), type, text);
    }
    void clearFault(FaultObj*& fault, FaultReportingOption) override {
        if (fault == nullptr) return;
        uint32_t code = fault->record.getCode();
        printf("dm1 clear sa=0x%02X spn=%u fmi=%u\n", code & 0xFF,
               static_cast<unsigned>(code >> FaultKeySPNShift),
               static_cast<unsigned>((code >> FaultKeyFMIShift) & 31));
        delete fault;
        fault = nullptr;
    }

private:
    // The fault's template with its "&n" placeholders filled in.
    static void textOf(FaultObj* fault, char (&text)[ExpansionWorkSize]) {
        unsigned char form;
        const char* t = fault->getMsgTemplate(form, 0, 0).key;
        size_t n = 0;
        for (; *t != 0 && n + 1 < sizeof text; ++t) {
            if (t[0] == '&' && t[1] >= '0' && t[1] <= '9') {
                unsigned char part[ExpansionWorkSize] = {}, *out = part;
                fault->expand(nullptr, static_cast<unsigned char>(t[1] - '0'), out, 0, 0);
                for (unsigned char* p = part; *p != 0 && n + 1 < sizeof text; ++p)
                    text[n++] = static_cast<char>(*p);
                ++t;
            } else {
                text[n++] = *t;
            }
        }
        text[n] = 0;
    }
};

// Every DTC of a followed node is reported; with a table, as the table says.
uint8_t reportEveryDTC(uint32_t, uint8_t, uint8_t, uint8_t, J1939field*&, unsigned long&) {
    return FaultTypeNotInTable;
}

// The proprietary command, saying so when its download is complete and the node ends.
class SelfDownload : public J1939msgOstrelCmdReceived {
public:
    SelfDownload() : J1939msgOstrelCmdReceived(J1939cfgListed | J1939cfgFiltered) {}
    void notify(NotificationEvent e, Data* d) override {
        if (e == TerminateRequestEvent)
            printf("download complete: %s, ending with termination code %d\n", CANdownloadFileName,
                   DownloadTerminationCode);
        J1939msgOstrelCmdReceived::notify(e, d);
    }
};

// Prints the condensed lamp state of followed nodes when it changes.
class LampPrinter : public Notifiable {
public:
    void notify(NotificationEvent e, Data*) override {
        printf("dm1 lamps state=0x%02X\n", static_cast<unsigned>(e & 0xFF));
    }
};

FaultPrinter faultPrinter;
LampPrinter lampPrinter;
SelfDownload* selfDownload = nullptr;
J1939msgAddrClaim* claim = nullptr;
Tracker tracker;
RxMsg* rxMsgs[MaxMessages];
int rxCount = 0;
TxMsg* txMsgs[MaxMessages];
int txCount = 0;
J1939module* modules[MaxModules];
int moduleCount = 0;

void ensureStarted() {
    if (CANbusMgr.state != 0) return;
    CANbusMgr.ignoreAddrClaims = false;
    CANbusMgr.registerAddrClaimHandler(&tracker);
    CANbusMgr.start(0, 0xFFFFFFFF, false);
    CANbusMgr.start(0, 0, true);
    CANbusMgr.registerMsg(claim, &Display, &AllModules);
    if (selfDownload != nullptr) CANbusMgr.registerMsg(selfDownload, &Module_na, &Display);
    printf("ready sa=0x%02X name=%s\n", Display.address, claim->name().inASCII());
}

// An idle message for pgn: a message being sent keeps its buffer, so a send while it is
// busy takes another one, which queues behind it in the same transport session.
TxMsg* txFor(uint32_t pgn) {
    for (int i = 0; i < txCount; ++i)
        if (txMsgs[i]->pgn == pgn && !txMsgs[i]->txBusy) return txMsgs[i];
    if (txCount == MaxMessages) return nullptr;
    TxMsg* m = new TxMsg(pgn);
    CANbusMgr.registerMsg(m, &Display, &AllModules);
    txMsgs[txCount++] = m;
    return m;
}

// "PGN DA" and what follows.
bool parseTarget(const char*& p, unsigned long* pgn, unsigned long* da) {
    return parseNumber(p, 0x3FFFF, pgn) && parseNumber(p, 255, da);
}

const char* checkRecv(const char* a) {
    unsigned long pgn;
    return parseNumber(a, 0x3FFFF, &pgn) && atEnd(a) ? nullptr : "needs PGN";
}
void runRecv(const char* a) {
    ensureStarted();
    unsigned long pgn;
    parseNumber(a, 0x3FFFF, &pgn);
    if (rxCount == MaxMessages) return;
    RxMsg* m = new RxMsg(static_cast<uint32_t>(pgn) & ~((pgn & 0xFF00) < 0xF000 ? 0xFFu : 0u));
    CANbusMgr.registerMsg(m, &Module_na, &Display);
    rxMsgs[rxCount++] = m;
}

void send(uint32_t pgn, uint8_t da, const uint8_t* data, uint32_t len) {
    TxMsg* m = txFor(pgn);
    if (m == nullptr || len == 0 || len > TxMsg::TP_MaxBytes) return;
    m->buffer->resetLength(len);
    if (len <= 8) {
        // A single frame of exactly the message's bytes.
        CANpkt* p = m->buffer->first;
        memset(p->data, 0xFF, sizeof p->data);
        p->dlc = static_cast<uint8_t>(len);
    } else {
        m->buffer->first->dlc = 8; // back to a TP.DT after a short message
    }
    m->buffer->copyInBytes(data, 0, len);
    m->transmit(da);
}

const char* checkSend(const char* a) {
    unsigned long pgn, da, len;
    return parseTarget(a, &pgn, &da) && parseNumber(a, TxMsg::TP_MaxBytes, &len) && len > 0 &&
                   atEnd(a)
               ? nullptr
               : "needs PGN DA LEN (1..1785)";
}
void runSend(const char* a) {
    ensureStarted();
    unsigned long pgn, da, len;
    parseTarget(a, &pgn, &da);
    parseNumber(a, TxMsg::TP_MaxBytes, &len);
    static uint8_t data[TxMsg::TP_MaxBytes];
    for (unsigned long i = 0; i < len; ++i)
        data[i] = static_cast<uint8_t>(i);
    send(static_cast<uint32_t>(pgn), static_cast<uint8_t>(da), data, static_cast<uint32_t>(len));
}

bool parseHex(const char* p, uint8_t* out, uint32_t* len) {
    while (*p == ' ' || *p == '\t')
        ++p;
    size_t n = strlen(p);
    if (n == 0 || n % 2 != 0 || n / 2 > TxMsg::TP_MaxBytes) return false;
    for (size_t i = 0; i < n; i += 2) {
        char two[3] = {p[i], p[i + 1], 0};
        char* end;
        unsigned long v = strtoul(two, &end, 16);
        if (*end != '\0') return false;
        out[i / 2] = static_cast<uint8_t>(v);
    }
    *len = static_cast<uint32_t>(n / 2);
    return true;
}

const char* checkSendHex(const char* a) {
    unsigned long pgn, da;
    static uint8_t data[TxMsg::TP_MaxBytes];
    uint32_t len;
    return parseTarget(a, &pgn, &da) && parseHex(a, data, &len) ? nullptr : "needs PGN DA HEXBYTES";
}
void runSendHex(const char* a) {
    ensureStarted();
    unsigned long pgn, da;
    static uint8_t data[TxMsg::TP_MaxBytes];
    uint32_t len;
    parseTarget(a, &pgn, &da);
    parseHex(a, data, &len);
    send(static_cast<uint32_t>(pgn), static_cast<uint8_t>(da), data, len);
}

const char* checkRequest(const char* a) {
    unsigned long pgn, da;
    return parseTarget(a, &pgn, &da) && atEnd(a) ? nullptr : "needs PGN DA";
}
void runRequest(const char* a) {
    ensureStarted();
    unsigned long pgn, da;
    parseTarget(a, &pgn, &da);
    CANbusMgr.txCANpkt(PktQueueElement::alloc(
        buildReqPGN(static_cast<uint32_t>(pgn), Display.address, static_cast<uint8_t>(da)), nullptr,
        0, true));
}

const char* checkClaim(const char* a) {
    return atEnd(a) ? nullptr : "takes no argument";
}
void runClaim(const char*) {
    ensureStarted();
    claim->transmit(GlobalAddress);
}

const char* checkTrack(const char* a) {
    J1939NAME n;
    return parseName(a, &n) ? nullptr : "needs a NAME of 16 hex digits";
}
void runTrack(const char* a) {
    ensureStarted();
    J1939NAME n;
    parseName(a, &n);
    if (moduleCount == MaxModules) return;
    J1939module* m = new J1939module(GlobalAddress, "tracked", false, n, J1939NAME(true, 0xFF));
    CANbusMgr.registerModule(m);
    modules[moduleCount++] = m;
}

// "SA [TABLE]"
const char* dm1Args(const char* a, unsigned long* sa, const char** table) {
    if (!parseNumber(a, 253, sa)) return "needs SA [TABLE]";
    while (*a == ' ' || *a == '\t')
        ++a;
    *table = *a != 0 ? a : nullptr;
    return nullptr;
}
const char* checkDM1(const char* a) {
    unsigned long sa;
    const char* table = nullptr;
    return dm1Args(a, &sa, &table);
}
void runDM1(const char* a) {
    ensureStarted();
    unsigned long sa;
    const char* table = nullptr;
    dm1Args(a, &sa, &table);
    if (moduleCount == MaxModules) return;
    J1939module* m =
        new J1939module(static_cast<uint8_t>(sa), "dm1", false, J1939NAME(), J1939NAME(true, 0xFF));
    modules[moduleCount++] = m;
    J1939msgDM1_Rx* dm1 = new J1939msgDM1_Rx(nullptr, reportEveryDTC);
    if (table != nullptr && !dm1->loadFaultTable(table)) printf("dm1 table %s not loaded\n", table);
    dm1->registerInterest(&lampPrinter, 0xFF);
    CANbusMgr.registerMsg(dm1, m, &Display);
}

class NodeApp : public ApplicationTask {
public:
    void onStartup() override { ensureStarted(); }
};
NodeApp app;

int usage(const char* program, const char* why) {
    fprintf(stderr,
            "%s: %s\nusage: %s [--sa ADDR] [--name NAME] [--self-download] [--download-file "
            "PATH] [host options]\n",
            program, why, program);
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    J1939NAME name(0, 0, 0, 0, MakerManufacturerCode, 0, 0, 0, false);
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--sa") == 0 && i + 1 < argc) {
            const char* p = argv[++i];
            unsigned long sa;
            if (!parseNumber(p, 253, &sa) || !atEnd(p)) return usage(argv[0], "--sa: 0 to 253");
            Display.address = static_cast<uint8_t>(sa);
        } else if (strcmp(argv[i], "--self-download") == 0) {
            if (selfDownload == nullptr) selfDownload = new SelfDownload();
        } else if (strcmp(argv[i], "--download-file") == 0 && i + 1 < argc) {
            CANdownloadFileName = argv[++i];
        } else if (strcmp(argv[i], "--name") == 0 && i + 1 < argc) {
            if (!parseName(argv[++i], &name)) return usage(argv[0], "--name: 16 hex digits");
        } else {
            argv[out++] = argv[i];
        }
    }
    argc = out;
    argv[argc] = nullptr;
    Display.expectedNAME = name;
    const uint8_t* b = name.bytes;
    claim = new J1939msgAddrClaim(name.getIdentity(), b[5], (b[7] >> 4) & 7, b[6] >> 1,
                                  name.getManufacturer(), b[4] >> 3, b[4] & 7, b[7] & 15,
                                  (b[7] & 0x80) != 0);
    const KeyScriptCommand commands[] = {
        {"j1939-recv", checkRecv, runRecv},
        {"j1939-send", checkSend, runSend},
        {"j1939-sendhex", checkSendHex, runSendHex},
        {"j1939-request", checkRequest, runRequest},
        {"j1939-claim", checkClaim, runClaim},
        {"j1939-track", checkTrack, runTrack},
        {"j1939-dm1", checkDM1, runDM1},
    };
    for (const KeyScriptCommand& c : commands)
        hostKeyScriptAddCommand(c);
    int status = platformTakeOptions(&argc, argv);
    if (status >= 0) return status;
    theApplication = &app;
    J1939FaultMgr = &faultPrinter;
    return frameworkMain(argc, argv);
}
