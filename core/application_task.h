// Base class of the one application object, with the start-up script interpreter.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/notifiable.h"
#include "core/user_event.h"

class ApplicationTask : public Notifiable {
public:
    void notify(NotificationEvent, Data*) override {}
    virtual bool checkArgs(int, char**) { return true; }
    // Runs the start-up script up to its next pause; returns the pause in ms, 0 when ended.
    virtual uint32_t paceStartup(bool abort);
    virtual void onStartup() = 0;
    virtual void handleUserEvent(UserEvent e);
    virtual void handleSimulationEvent(UserEvent, long) {}
    virtual void backgroundProcess() {}
    virtual void onShutdown() {}
    virtual void onLanguageUnitsChange(bool, bool) {}
    ~ApplicationTask() override;
};

extern ApplicationTask* theApplication;

// Script variables are the numbers 10000 to 10025; anything else is a literal.
int varEval(int value, int newValue, bool assign);
int varEval_word(uint32_t w);
