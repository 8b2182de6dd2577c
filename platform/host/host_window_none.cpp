// The window of a build without SDL2: none, and a clear reason why.
#include <cstdio>

#include "platform/host/host_window.h"

bool hostWindowAvailable() {
    return false;
}

bool hostWindowOpen(int, char* err, size_t errSize) {
    snprintf(err, errSize, "this program was built without SDL2");
    return false;
}

void hostWindowClose() {}
