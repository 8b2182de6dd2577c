// Test application object.
#include "tests/support/test_application.h"

void TestApplication::onStartup() {
    ++startups;
    if (onStartupAction) onStartupAction();
}

TestApplication& installTestApplication() {
    static TestApplication app;
    app = TestApplication();
    theApplication = &app;
    return app;
}
