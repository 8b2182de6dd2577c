// The fault manager the stack reports to: the bus's "CAN bus error" and the modules' "not
// responding" alarms go through it. The application supplies it and decides what a fault
// becomes (screen, log, nothing).
#pragma once

#include <cstdint>

class FaultObj;
class TemplateExpander;

enum FaultReportingOption : unsigned char {
    FaultReportDefault = 0,
};

class J1939FaultMgrSingleton {
public:
    // fault is the caller's handle: 0 before the first report; the manager may set it to
    // the fault it made, which the caller later hands to clearFault.
    virtual void reportFault(FaultObj*& fault, uint32_t code, TemplateExpander* expander,
                             double value, unsigned char type, FaultReportingOption option) = 0;
    virtual void clearFault(FaultObj*& fault, FaultReportingOption option) = 0;
    virtual ~J1939FaultMgrSingleton() = default;
};

// The application's manager installs itself here; 0 (faults go nowhere) until then.
extern J1939FaultMgrSingleton* J1939FaultMgr;

// How the stack reports (option 0) and clears its faults; the handle is 0 after clearing.
void reportJ1939Fault(FaultObj*& fault, uint32_t code, TemplateExpander* expander, double value,
                      unsigned char type);
void clearJ1939Fault(FaultObj*& fault);
