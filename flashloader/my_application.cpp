// The application object (placeholder until the screens exist).
#include "flashloader/my_application.h"

#include <cstdio>

#include "core/framework.h"
#include "flashloader/settings_dialogs.h"
#include "platform/entry.h"
#include "text/language.h"
#include "text/vocabulary.h"

MyApplication MyApplicationSingleton;
MyJ1939FaultMgrSingleton MyJ1939FaultMgr;

namespace {
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
    printf("J1939 Flashloader %s started\n", ApplicationVersionString);
    printf("language %s\n", V.currentLanguage->name);
}

void MyApplication::handleUserEvent(UserEvent e) {
    printf("key %s\n", EventNameString(e));
    if (e == PWRKEY) {
        FW.terminate(1, false);
        return;
    }
    if (!handleCircleArrow(e)) ApplicationTask::handleUserEvent(e);
}

void MyApplication::onShutdown() {
    printf("J1939 Flashloader stopped\n");
}
