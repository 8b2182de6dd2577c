// The application object: start-up (screens, then the bus and module discovery), shutdown,
// the settings dialogs and the keys.
#include "flashloader/my_application.h"

#include <cstdio>

#include "core/framework.h"
#include "flashloader/display_module.h"
#include "flashloader/file_search.h"
#include "flashloader/module_check.h"
#include "flashloader/module_manager.h"
#include "flashloader/protocol_msgs.h"
#include "flashloader/settings_dialogs.h"
#include "gui/application_gui.h"
#include "j1939/driver/can_driver.h"
#include "platform/entry.h"
#include "platform/io_regs.h"
#include "text/language.h"
#include "text/vocabulary.h"

MyApplication MyApplicationSingleton;
MyJ1939FaultMgrSingleton MyJ1939FaultMgr;

namespace {
// The application's own output pin, driven low while the application runs.
constexpr uint8_t AppPinBit = 0x20;

const char* programName() {
    const char* name = GlobalArgc > 0 && GlobalArgv[0] != nullptr ? GlobalArgv[0] : "flashloader";
    for (const char* p = name; *p != '\0'; ++p)
        if (*p == '/') name = p + 1;
    return name;
}
} // namespace

void MyApplication::onStartup() {
    // The texts come from "stringFile.txt" in the working directory; without it every text
    // shows its key, which is the English text.
    V.initFromStringFile(0);
    if (const char* wanted = platformStartupLanguage()) {
        Language* l = V.languageNamed(wanted);
        if (l == nullptr) {
            fprintf(stderr, "%s: --language: unknown language '%s'\n", programName(), wanted);
            FW.terminate(3, false); // exit status 2
            return;
        }
        V.setCurrentLanguage(l);
    }
    setupCircleArrowObjects();
    moduleCheck.init();
    fileSearch.init();
    ioWrite8(IO_AppPortDir, ioRead8(IO_AppPortDir) | AppPinBit);
    ioWrite8(IO_AppPortData, ioRead8(IO_AppPortData) & ~AppPinBit);
    J1939_applicationInit(3);
    if (!CANbusMgr.simulated) basicCANdriverIsHW_RxAllowed = true;
    CANbusMgr.start(0, 0xFFFFFFFF, false);
    CANbusMgr.start(0, 0, true);
    J1939moduleMgr.initCom();
    printf("J1939 Flashloader %s started\n", ApplicationVersionString);
    printf("language %s\n", V.currentLanguage->name);
}

void MyApplication::handleUserEvent(UserEvent e) {
    printf("key %s\n", EventNameString(e));
    if (e == PWRKEY) {
        // A module half-programmed would not start again: the key waits for the run's end.
        if (!J1939moduleMgr.downloadInProgress()) FW.terminate(1, false);
        return;
    }
    if (!handleCircleArrow(e)) ApplicationTask::handleUserEvent(e);
}

void MyApplication::onShutdown() {
    ioWrite8(IO_AppPortData, ioRead8(IO_AppPortData) | AppPinBit);
    fileSearch.closeDirectory();
    // The screens are static objects destroyed in no fixed order: none may still be on the
    // stack when the others go.
    theScreen.removeAllLayers();
    printf("J1939 Flashloader stopped\n");
}
