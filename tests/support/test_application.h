// An application object for tests: records the events it receives and can run scripted
// actions at start-up.
#pragma once

#include <functional>
#include <vector>

#include "core/application_task.h"

class TestApplication : public ApplicationTask {
public:
    std::vector<UserEvent> events;
    std::vector<std::pair<NotificationEvent, Data*>> notifications;
    std::function<void()> onStartupAction;
    std::function<void()> backgroundAction;
    int startups = 0;
    int shutdowns = 0;

    void notify(NotificationEvent e, Data* d) override { notifications.push_back({e, d}); }
    void onStartup() override;
    void handleUserEvent(UserEvent e) override { events.push_back(e); }
    void backgroundProcess() override {
        if (backgroundAction) backgroundAction();
    }
    void onShutdown() override { ++shutdowns; }
};

// Installs a fresh TestApplication as theApplication and returns it.
TestApplication& installTestApplication();
