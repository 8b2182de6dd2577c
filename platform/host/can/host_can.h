// The host's CAN hardware: the emulated SJA1000 behind _readCANreg/_writeCANreg, the bank
// register of the CAN window, and the transport chosen with --can (with the --can-log
// frame log). Opened by platformInit, serviced once per main-loop pass.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/can/sja1000_emu.h"

class SimCanBus;

enum class CanTransportKind { Sim, SocketCan, Cannelloni };

struct HostCanSpec {
    CanTransportKind kind = CanTransportKind::Sim;
    uint32_t bitRate = 250000; // sim
    char iface[16] = {};       // socketcan
    unsigned localPort = 0;    // cannelloni
    char host[256] = {};       // cannelloni
    char port[8] = {};         // cannelloni
};

// Parses "sim", "sim:BITRATE" (e.g. sim:500000 or sim:500k), "socketcan:IFACE" or
// "cannelloni:LOCALPORT:HOST:PORT" (an IPv6 HOST in brackets). False with the reason in err.
bool parseCanSpec(const char* text, HostCanSpec* out, char* err, size_t errLen);

// Opens the transport and, with logPath, the frame log; false with "what: reason" in err.
bool hostCanOpen(const char* transport, const char* logPath, char* err, size_t errLen);
void hostCanClose();

// The emulated controller (it exists before and after a transport is open).
EmulatedSJA1000& hostCanController();
// The virtual bus when the sim transport is open, else 0. Simulated modules and tests attach
// their nodes here.
SimCanBus* hostCanSimBus();
// Version byte the CPLD register set shows at offset 0 of the CAN window (bank 1).
constexpr unsigned char HostCpldVersion = 0x12;

// Simulated modules inside a program: a program that carries them registers here, and
// they join the built-in bus when the sim transport opens (start; false with the reason
// in err ends the opening) and leave it before it closes (stop).
typedef bool (*HostSimModulesStart)(SimCanBus* bus, char* err, size_t errLen);
void hostCanSetModuleSimulator(HostSimModulesStart start, void (*stop)());
bool hostCanHasModuleSimulator();
