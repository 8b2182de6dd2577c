// Defaults of the application base class.
#include "core/application_task.h"

// Until the GUI exists the application receives keys only through its own override.
void ApplicationTask::handleUserEvent(UserEvent) {}

ApplicationTask::~ApplicationTask() = default;
