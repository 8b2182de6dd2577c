// The host's CAN window: the emulated controller in bank 0, a stand-in CPLD in bank 1, a
// plain register set in bank 2; and the transport behind the controller, serviced each pass.
#include "platform/host/can/host_can.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/can_regs.h"
#include "platform/host/can/can_log.h"
#include "platform/host/can/cannelloni_transport.h"
#include "platform/host/can/sim_transport.h"
#include "platform/host/can/socketcan_transport.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"
#include "platform/platform.h"

namespace {
constexpr unsigned char CpldIdReg = 31;
constexpr unsigned char CpldIdMirror = 63;
constexpr unsigned char CpldId = 0x5A;
constexpr unsigned char ScratchReg = 1;
constexpr uint64_t HookTickNs = 500000; // the real-time hook runs once per half-millisecond

EmulatedSJA1000 sja;
unsigned char bank = 0;
unsigned char scratch = 0;

SimTransport simTransport;
SocketCanTransport socketTransport;
CannelloniTransport cannelloniTransport;
HostCanTransport* transport = nullptr;
CanLogWriter canLog;
HostSimModulesStart startModules = nullptr;
void (*stopModules)() = nullptr;

void serviceCan(void*) {
    uint64_t now = hostClockNowNs();
    uint64_t wake = HostCanTransport::Never;
    bool moved = transport->service(now, &wake);
    uint64_t recovery = sja.advance(now);
    if (recovery < wake) wake = recovery;
    // Frames waiting in the controller are taken by the hook at its next tick.
    if (sja.rxFifoFrames() > 0 && RTdriverHookService != nullptr) {
        uint64_t tick = (now / HookTickNs + 1) * HookTickNs;
        if (tick < wake) wake = tick;
    }
    if (moved) platformNoteActivity();
    if (wake != HostCanTransport::Never) hostWakeWithinNs(wake > now ? wake - now : 0);
}

bool parseUnsigned(const char* s, const char* end, unsigned long max, unsigned long* out) {
    if (s == end) return false;
    unsigned long v = 0;
    for (const char* p = s; p != end; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<unsigned long>(*p - '0');
        if (v > max) return false;
    }
    *out = v;
    return true;
}
} // namespace

bool parseCanSpec(const char* text, HostCanSpec* out, char* err, size_t errLen) {
    *out = HostCanSpec();
    const char* colon = strchr(text, ':');
    size_t kindLen = colon != nullptr ? static_cast<size_t>(colon - text) : strlen(text);
    const char* rest = colon != nullptr ? colon + 1 : nullptr;
    if (kindLen == 3 && strncmp(text, "sim", 3) == 0) {
        out->kind = CanTransportKind::Sim;
        if (rest == nullptr) return true;
        const char* end = rest + strlen(rest);
        unsigned long scale = 1;
        if (end > rest && (end[-1] == 'k' || end[-1] == 'K')) {
            scale = 1000;
            --end;
        }
        unsigned long v;
        if (!parseUnsigned(rest, end, 1000000, &v) || v * scale < 10000 || v * scale > 1000000) {
            snprintf(err, errLen, "sim: bit rate '%s' is not 10000 to 1000000 bit/s", rest);
            return false;
        }
        out->bitRate = static_cast<uint32_t>(v * scale);
        return true;
    }
    if (kindLen == 9 && strncmp(text, "socketcan", 9) == 0) {
        out->kind = CanTransportKind::SocketCan;
        if (rest == nullptr || *rest == '\0' || strlen(rest) >= sizeof out->iface ||
            strpbrk(rest, ": /") != nullptr) {
            snprintf(err, errLen, "socketcan needs an interface name: socketcan:IFACE");
            return false;
        }
        snprintf(out->iface, sizeof out->iface, "%s", rest);
        return true;
    }
    if (kindLen == 10 && strncmp(text, "cannelloni", 10) == 0) {
        out->kind = CanTransportKind::Cannelloni;
        const char* usage = "cannelloni needs LOCALPORT:HOST:PORT";
        const char* c1 = rest != nullptr ? strchr(rest, ':') : nullptr;
        const char* c2 = rest != nullptr ? strrchr(rest, ':') : nullptr;
        if (c1 == nullptr || c2 == c1) {
            snprintf(err, errLen, "%s", usage);
            return false;
        }
        unsigned long local, remote;
        if (!parseUnsigned(rest, c1, 65535, &local) ||
            !parseUnsigned(c2 + 1, c2 + strlen(c2), 65535, &remote) || remote == 0) {
            snprintf(err, errLen, "%s (ports 0 to 65535)", usage);
            return false;
        }
        const char* h = c1 + 1;
        size_t hostLen = static_cast<size_t>(c2 - h);
        if (hostLen >= 2 && h[0] == '[' && h[hostLen - 1] == ']') {
            ++h;
            hostLen -= 2;
        }
        if (hostLen == 0 || hostLen >= sizeof out->host) {
            snprintf(err, errLen, "%s", usage);
            return false;
        }
        out->localPort = static_cast<unsigned>(local);
        memcpy(out->host, h, hostLen);
        out->host[hostLen] = '\0';
        snprintf(out->port, sizeof out->port, "%lu", remote);
        return true;
    }
    snprintf(err, errLen,
             "unknown transport '%s' (sim, socketcan:IFACE, "
             "cannelloni:LOCALPORT:HOST:PORT)",
             text);
    return false;
}

bool hostCanOpen(const char* specText, const char* logPath, char* err, size_t errLen) {
    hostCanClose();
    HostCanSpec parsed;
    char why[300];
    if (!parseCanSpec(specText, &parsed, why, sizeof why)) {
        snprintf(err, errLen, "%s", why);
        return false;
    }
    switch (parsed.kind) {
    case CanTransportKind::Sim:
        simTransport.bus.setBitRate(parsed.bitRate);
        transport = &simTransport;
        break;
    case CanTransportKind::SocketCan:
        socketTransport.setInterface(parsed.iface);
        transport = &socketTransport;
        break;
    case CanTransportKind::Cannelloni:
        cannelloniTransport.configure(parsed.localPort, parsed.host, parsed.port);
        transport = &cannelloniTransport;
        break;
    }
    sja.setLink(transport);
    if (!transport->open(&sja, why, sizeof why)) {
        snprintf(err, errLen, "%s: %s", specText, why);
        sja.setLink(nullptr);
        transport = nullptr;
        return false;
    }
    if (logPath != nullptr) {
        if (!canLog.open(logPath, transport->logName(), why, sizeof why)) {
            snprintf(err, errLen, "%s: %s", logPath, why);
            hostCanClose();
            return false;
        }
        sja.setTap(&canLog);
    }
    if (!hostAddService(serviceCan, nullptr)) {
        snprintf(err, errLen, "%s: too many services", specText);
        hostCanClose();
        return false;
    }
    if (transport == &simTransport && startModules != nullptr &&
        !startModules(&simTransport.bus, why, sizeof why)) {
        snprintf(err, errLen, "simulated modules: %s", why);
        hostCanClose();
        return false;
    }
    return true;
}

void hostCanSetModuleSimulator(HostSimModulesStart start, void (*stop)()) {
    startModules = start;
    stopModules = stop;
}

bool hostCanHasModuleSimulator() {
    return startModules != nullptr;
}

void hostCanClose() {
    if (transport == nullptr) return;
    // What the device does on the way out: the controller leaves the bus.
    sja.write(SJA_MOD, SJA_MOD_RM);
    if (transport == &simTransport && stopModules != nullptr) stopModules();
    hostRemoveService(serviceCan, nullptr);
    transport->close();
    sja.setLink(nullptr);
    sja.setTap(nullptr);
    canLog.close();
    transport = nullptr;
}

EmulatedSJA1000& hostCanController() {
    return sja;
}

SimCanBus* hostCanSimBus() {
    return transport == &simTransport ? &simTransport.bus : nullptr;
}

unsigned char _readCANreg(unsigned reg) {
    switch (bank) {
    case 0:
        return sja.read(reg);
    case 1:
        if (reg == 0) return HostCpldVersion;
        return (reg == CpldIdReg || reg == CpldIdMirror) ? CpldId : 0x00;
    case 2:
        return reg == ScratchReg ? scratch : 0x00;
    default:
        return 0xFF; // nothing answers
    }
}

void _writeCANreg(unsigned reg, unsigned char value) {
    if (bank == 0)
        sja.write(reg, value);
    else if (bank == 2 && reg == ScratchReg)
        scratch = value;
}

void _writeCANbankReg(unsigned char b) {
    bank = b & 3;
}

unsigned char _readCANbankReg() {
    return bank;
}
