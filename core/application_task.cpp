// Defaults of the application base class.
#include "core/application_task.h"

#include "gui/application_gui.h"

// Keys go to the screen's layers, top down, and from there to the focused objects.
void ApplicationTask::handleUserEvent(UserEvent e) {
    theScreen.dispatchUserEvent(e);
}

ApplicationTask::~ApplicationTask() = default;
