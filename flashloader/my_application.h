// The application object. For now it only reports the keys it receives and ends on the
// power key; the screens come with the GUI.
#pragma once

#include "core/application_task.h"
#include "j1939/j1939_fault_mgr.h"

class MyApplication : public ApplicationTask {
public:
    void onStartup() override;
    void handleUserEvent(UserEvent e) override;
    void onShutdown() override;
};

extern MyApplication MyApplicationSingleton;

// This application shows no J1939 faults: its manager ignores them. It installs itself as
// J1939FaultMgr.
class MyJ1939FaultMgrSingleton : public J1939FaultMgrSingleton {
public:
    MyJ1939FaultMgrSingleton() { J1939FaultMgr = this; }
    void reportFault(FaultObj*&, uint32_t, TemplateExpander*, double, unsigned char,
                     FaultReportingOption) override {}
    void clearFault(FaultObj*&, FaultReportingOption) override {}
};

extern MyJ1939FaultMgrSingleton MyJ1939FaultMgr;
