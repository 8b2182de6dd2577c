// A node on the bus as the stack sees it: current address, display name, the NAME it must
// have, and liveness: a module silent for 2500 ms goes stale, its received data become
// invalid and, if enabled, "&0 not responding" is reported.
#pragma once

#include <cstdint>

#include "j1939/j1939_name.h"
#include "text/template_expander.h"

class FaultObj;

// The maker's J1939 manufacturer code, expected in the NAME of its own modules.
constexpr uint16_t MakerManufacturerCode = 0x7F0;
// A module is silent this long after the last message from it.
constexpr uint32_t ModuleAliveMs = 2500;

class J1939module : public TemplateExpander {
public:
    uint8_t address; // 255 any (global), 0 for Module_na
    const char* name;
    J1939NAME expectedNAME;
    J1939NAME nameMask;
    uint8_t spareByte;
    bool registered = false;
    bool monitored;
    J1939module* nextModule = nullptr;
    bool stale = false;
    uint32_t aliveDeadline = 0; // ms, modulo 2^31
    bool alarmsEnabled = false;
    FaultObj* alarm = nullptr;

    J1939module(uint8_t address, const char* name, bool monitored, const J1939NAME& expected,
                const J1939NAME& mask, uint8_t spareByte = 0)
        : address(address), name(name), expectedNAME(expected), nameMask(mask),
          spareByte(spareByte), monitored(monitored) {}
    J1939module(const J1939module&) = delete;
    J1939module& operator=(const J1939module&) = delete;

    // A message arrived from the module.
    void stillAlive();
    // Whether the module has just gone silent (force: at once, without alarm).
    bool justBecameStale(uint32_t nowMs, bool force);
    void reportAlarm();
    void clearAlarm();
    void enableModuleAlarms() { alarmsEnabled = true; }

    // Placeholder 0 is the module's name.
    int expand(Language* lang, unsigned char placeholder, unsigned char*& out,
               unsigned long context, double value) override;
    StringArgs getMsgTemplate(unsigned char& form, unsigned char which,
                              unsigned long context) override;
};

// The end that stands for any node (global destination) and the one whose node is not yet
// known.
extern J1939module AllModules;
extern J1939module Module_na;

// The application's observer of address claims.
class J1939AddrClaimHandler {
public:
    bool reportEveryClaim;

    explicit J1939AddrClaimHandler(bool reportEveryClaim) : reportEveryClaim(reportEveryClaim) {}
    // A known module claimed an address (it moved, its NAME changed, or every claim).
    virtual void moduleClaimedAddr(J1939module* module) = 0;
    virtual void unknownModuleClaimedAddr(unsigned char, J1939NAME*) {}
    virtual ~J1939AddrClaimHandler() = default;
};
