// The application object (placeholder until the screens exist).
#include "flashloader/my_application.h"

#include <cstdio>

#include "core/framework.h"

MyApplication MyApplicationSingleton;

void MyApplication::onStartup() {
    printf("J1939 Flashloader %s started\n", ApplicationVersionString);
}

void MyApplication::handleUserEvent(UserEvent e) {
    printf("key %s\n", EventNameString(e));
    if (e == PWRKEY) FW.terminate(1, false);
}

void MyApplication::onShutdown() {
    printf("J1939 Flashloader stopped\n");
}
