// Version interrogation of the listed modules, one at a time.
#include "flashloader/sw_ver_helper.h"

#include "flashloader/display_module.h"
#include "flashloader/module_manager.h"
#include "flashloader/protocol_entry_points.h"
#include "flashloader/protocol_msgs.h"

SwVerHelper swVerHelp;

void SwVerHelper::getVersions(J1939controlFunction* c) {
    c->initSwVer();
    if (cf != nullptr && cf != c) return; // reached through getNextModule later
    // The entry asked now claimed anew: its versions start again from the first request.
    if (cf == c) cancelDelayedNotify(TimerEvent);
    cf = c;
    index = 0;
    retries = 1;
    J1939moduleMgr.asking(c);
    if (!c->module.registered) CANbusMgr.registerModule(&c->module);
    for (J1939msgVersionRequest* r : swVerRequest)
        r->assignModules(&Display, &c->module);
    sendSwVerRequest();
    delayedNotify(TimerEvent, SwVerTickMs);
}

void SwVerHelper::sendSwVerRequest() {
    deadline = getMsTime() + SwVerAnswerMs;
    swVerRequest[index]->transmit(cf->module.address);
}

void SwVerHelper::notify(NotificationEvent event, Data*) {
    if (event != TimerEvent || cf == nullptr) return;
    if (!cf->isAssigned()) {
        switchCf();
    } else if (isDue(getMsTime(), deadline)) {
        if (retries > 0) {
            --retries;
            sendSwVerRequest();
        } else {
            switch2NextSwVer();
        }
    }
    if (cf != nullptr) delayedNotify(TimerEvent, SwVerTickMs);
}

void SwVerHelper::switch2NextSwVer() {
    if (index < SwVerRequestCount) ++index;
    if (index < SwVerRequestCount) {
        retries = 1;
        sendSwVerRequest();
    } else {
        switchCf();
    }
}

void SwVerHelper::switchCf() {
    J1939controlFunction* c = cf;
    cf = nullptr;
    if (c != nullptr) c->updateGUI(true);
    J1939moduleMgr.getNextModule();
}

void SwVerHelper::updateVersion(J1939module* m, VersionRequestTypeCode type,
                                const SwVerInfo& info) {
    if (cf == nullptr || m != &cf->module) return;
    int slot = getSwVerIndex(type);
    if (slot >= SwVerSlots) return;
    cf->swVer[slot] = info;
    if (slot == index) switch2NextSwVer();
}

void SwVerHelper::updateVersion(J1939module* m, VersionRequestTypeCode type, unsigned long number) {
    if (cf == nullptr || m != &cf->module) return;
    if (type == VerTypeApplicationSwNum) {
        cf->appSwNum.setValue(static_cast<double>(number));
        if (index == 3) switch2NextSwVer();
    } else if (type == VerTypeParameterSwNum) {
        cf->paramSwNum.setValue(static_cast<double>(number));
        if (index == 4) switch2NextSwVer();
    }
}

void swVerRx(J1939module* module, VersionRequestTypeCode type, const SwVerInfo& info) {
    protocolCalls.add({ProtocolCall::SwVer, 0, 0, 0, module, type, info});
    swVerHelp.updateVersion(module, type, info);
}

void swNumRx(J1939module* module, VersionRequestTypeCode type, unsigned long number) {
    protocolCalls.add({ProtocolCall::SwNum, 0, 0, number, module, type, noSwVer});
    swVerHelp.updateVersion(module, type, number);
}
