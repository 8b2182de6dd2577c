// The fault manager pointer; until the application installs its manager, faults go nowhere.
#include "j1939/j1939_fault_mgr.h"

J1939FaultMgrSingleton* J1939FaultMgr = nullptr;

void reportJ1939Fault(FaultObj*& fault, uint32_t code, TemplateExpander* expander, double value,
                      unsigned char type) {
    if (J1939FaultMgr != nullptr)
        J1939FaultMgr->reportFault(fault, code, expander, value, type, FaultReportDefault);
}

void clearJ1939Fault(FaultObj*& fault) {
    if (J1939FaultMgr != nullptr) J1939FaultMgr->clearFault(fault, FaultReportDefault);
    fault = nullptr; // a manager that forgot to leaves no stale handle behind
}
