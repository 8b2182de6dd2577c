// Asks one module at a time for its versions and software numbers: five requests, each
// sent at most twice 500 ms apart, answers taken only from the module being asked.
#pragma once

#include "core/notifiable.h"
#include "flashloader/sw_ver_info.h"

class J1939controlFunction;
class J1939module;

constexpr uint32_t SwVerTickMs = 250;
constexpr uint32_t SwVerAnswerMs = 500;

class SwVerHelper : public Notifiable {
public:
    J1939controlFunction* cf = nullptr;
    unsigned char index = 0;
    unsigned char retries = 0;
    uint32_t deadline = 0;

    void getVersions(J1939controlFunction* c);
    void notify(NotificationEvent event, Data* data) override;
    void switch2NextSwVer();
    void switchCf();
    void sendSwVerRequest();
    void updateVersion(J1939module* m, VersionRequestTypeCode type, const SwVerInfo& info);
    void updateVersion(J1939module* m, VersionRequestTypeCode type, unsigned long number);
};

extern SwVerHelper swVerHelp;
