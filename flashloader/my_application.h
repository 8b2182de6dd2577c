// The application object. For now it only reports the keys it receives and ends on the
// power key; the screens come with the GUI.
#pragma once

#include "core/application_task.h"

class MyApplication : public ApplicationTask {
public:
    void onStartup() override;
    void handleUserEvent(UserEvent e) override;
    void onShutdown() override;
};

extern MyApplication MyApplicationSingleton;
