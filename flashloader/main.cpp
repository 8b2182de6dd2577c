// Program entry: the host's own options come out of argv first, then the framework runs.
#include "core/framework.h"
#include "flashloader/my_application.h"
#include "platform/entry.h"

int main(int argc, char** argv) {
    int status = platformTakeOptions(&argc, argv);
    if (status >= 0) return status;
    theApplication = &MyApplicationSingleton;
    return frameworkMain(argc, argv);
}
