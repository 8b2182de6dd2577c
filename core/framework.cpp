// The framework object and the main loop: command line, start-up order, the loop's passes,
// the once-a-second work and the exit status.
#include "core/framework.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "core/application_task.h"
#include "core/keypad.h"
#include "data/settings.h"
#include "platform/io_services.h"
#include "platform/platform.h"

int GlobalArgc = 0;
char** GlobalArgv = nullptr;
char CmdLine[128] = "";
bool GlobalCmdLineFlags[5] = {false, false, false, false, true};
DelayedCallbackListNode _1HzCallbackListNode(1000, _1HzCallback, 0);
uint8_t FileSystemSyncTimer = 0;
const char* StartupScriptFileName = "startupScript";
unsigned long OFW_debugFlags = 0;
const char* ApplicationVersionString = "1.1 (build 5.7.1)";
const char* ApplicationCompileDate = "Date Created:  Dec  5 2018";
const char* ApplicationCompileTime = "Compile time:  11:18:46";
void (*CANbackgroundProcessPtr)() = nullptr;

FW_Interface FW;
ApplicationTask* theApplication = nullptr;

namespace {
// Length of the "Date Created:  " and "Compile time:  " labels.
constexpr int StampLabelLength = 15;

void appendToCmdLine(const char* s, size_t n) {
    size_t len = strlen(CmdLine);
    if (n > sizeof CmdLine - 1 - len) n = sizeof CmdLine - 1 - len;
    memcpy(CmdLine + len, s, n);
    CmdLine[len + n] = '\0';
}

int flagIndex(char c) {
    switch (c) {
    case 'L':
    case 'l':
        return FlagL;
    case 'E':
    case 'e':
        return FlagE;
    case 'P':
    case 'p':
        return FlagP;
    case 'S':
    case 's':
        return FlagS;
    case 'H':
    case 'h':
        return FlagH;
    default:
        return -1;
    }
}
} // namespace

void catch_cntlC(int) {
    FW.terminate(2, true);
}
void resetNoPowerDownOnExit() {
    GlobalCmdLineFlags[FlagS] = false;
}
void enableFWusleep(bool on) {
    GlobalCmdLineFlags[FlagH] = on;
}

void _1HzCallback(DelayedCallbackListNode* node) {
    node->data = (node->data + 2) | 1;
}

void StartApplicationCallback(DelayedCallbackListNode* node) {
    uint32_t d = theApplication->paceStartup(false);
    if (d != 0)
        scheduleDelayedCallback(node, d);
    else
        FW.onStartup();
}

void FW_IOcallback(unsigned char code) {
    FW.ioCallback(code);
}

void backgroundContrastAdjust() {
    tempAdjContrast(static_cast<long>(Contrast.getValue()));
}

bool FW_Interface::checkArgs(int, char**, bool highPriorityFlag) {
    highPriority = highPriorityFlag;
    if (GlobalArgc > 1 && strcmp(GlobalArgv[GlobalArgc - 1], "-OFWdebug") == 0) {
        OFW_debugFlags = 1;
        printf("-OFWdebug (%lu) option selected\n", OFW_debugFlags);
        --GlobalArgc;
    }
    if (GlobalArgc > 2 && strcmp(GlobalArgv[GlobalArgc - 2], "-startup") == 0) {
        StartupScriptFileName = GlobalArgv[GlobalArgc - 1];
        GlobalArgc -= 2;
    }
    platformInit();
    return theApplication->checkArgs(GlobalArgc, GlobalArgv);
}

void FW_Interface::setLogo(Bitmap* bitmap, uint32_t ms, const unsigned char* text) {
    logo = bitmap;
    logoTimeMs = ms;
    logoText = text;
}

// No logo is set by this application; drawing one needs the GUI's bitmap support.
void FW_Interface::drawLogo() {}

void FW_Interface::showLogo() {
    if (logo != nullptr) {
        drawLogo();
        local_sync();
    }
    startNode.period = 0;
    startNode.callback = StartApplicationCallback;
    scheduleDelayedCallback(&startNode, logoTimeMs);
}

void FW_Interface::onStartup() {
    // Loading the settings with notification also pushes them back to the hardware.
    Backlight.setValue(getBacklight(), true, false);
    Volume.setValue(getBuzzerVolume(), true, false);
    KeyClickEnable.setValue(getAutoKeyClick(), true, false);
    HWrevision.setValue(getHWrev(), true, false);
    setIO_EventCallback(FW_IOcallback);
    theApplication->onStartup();
    // Keys held during start-up are not reported until they change.
    resetKeypadBuffer();
    setKeypadChangeCallback(FW_keypadMgr, 0);
}

void FW_Interface::loopIteration() {
    platformBackgroundProcess();
    if (CANbackgroundProcessPtr != nullptr) CANbackgroundProcessPtr();
    theApplication->backgroundProcess();
    if (checkForDelayedCallbacks() > 0) platformNoteActivity();
}

void FW_Interface::onShutdown() {
    uint32_t t = getRTCtime();
    TimeDate.updateElapsedTime(t, true, t);
    theApplication->onShutdown();
    if (terminationCode > 2) killSound();
    waitForMSPqueueEmpty();
    platformUnInit();
}

void FW_Interface::fileSystemSync() {
    if (syncCallback != nullptr)
        syncCallback();
    else
        local_sync();
}

void FW_Interface::setIOeventHandler(unsigned char index, Notifiable* handler) {
    ioEventHandlers[index & 7] = handler;
}

void FW_Interface::ioCallback(unsigned char code) {
    Notifiable* h = ioEventHandlers[code & 7];
    if (h != nullptr) h->notify(IOevent0 + ((code >> 3) & 15), nullptr);
}

void FW_Interface::terminate(TerminationCode code, bool powerDown) {
    if (powerDown) resetNoPowerDownOnExit();
    terminationCode = code;
}

void FW_Interface::errorTermination(unsigned char n, bool noPowerDown) {
    int base = noPowerDown ? 65 : 17;
    terminate(base + ((n - 1) & 15), false);
}

int exitStatusFor(FW_Interface::TerminationCode code, bool noPowerDown) {
    return ((code - 1) & 127) | (noPowerDown ? 64 : 0);
}

namespace {
void oncePerSecond() {
    uint32_t k = (_1HzCallbackListNode.data & 0xFF) >> 1;
    if (k <= 4) {
        _1HzCallbackListNode.data -= 1;
    } else {
        _1HzCallbackListNode.data = 0;
        bool synced = false;
        if (FileSystemSyncTimer != 0 && --FileSystemSyncTimer == 0) {
            FW.fileSystemSync();
            synced = true;
        }
        if (!synced && GlobalCmdLineFlags[FlagH]) usleep(10);
    }
    backgroundContrastAdjust();
}

int runMainLoop() {
    FW.showLogo();
    scheduleDelayedCallback(&_1HzCallbackListNode, 100);
    while (FW.terminationCode == 0) {
        FW.loopIteration();
        if (_1HzCallbackListNode.data & 1) oncePerSecond();
    }
    FW.onShutdown();
    return exitStatusFor(FW.terminationCode, GlobalCmdLineFlags[FlagS]);
}
} // namespace

int frameworkMain(int argc, char** argv) {
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = catch_cntlC;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);

    GlobalArgc = argc;
    GlobalArgv = argv;
    CmdLine[0] = '\0';
    const char* base = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    for (const char* p = base; *p != '\0'; ++p)
        if (*p == '\\' || *p == ':' || *p == '/') base = p + 1;
    appendToCmdLine(base, strlen(base));

    bool versionOnly = false;
    if (argc > 1) {
        if (strcmp(argv[1], "-v") == 0) {
            versionOnly = true;
        } else if (strncmp(argv[argc - 1], "-Flags:", 7) == 0) {
            appendToCmdLine(" -Flags:", 8);
            --GlobalArgc;
            for (const char* p = argv[argc - 1] + 7; *p != '\0'; ++p) {
                int i = flagIndex(*p);
                if (i < 0) continue;
                GlobalCmdLineFlags[i] = (*p >= 'a' && *p <= 'z');
                appendToCmdLine(p, 1);
            }
        }
    }

    if (GlobalCmdLineFlags[FlagH]) platformSetRealTimePriority(25);

    if (!versionOnly && FW.checkArgs(GlobalArgc, GlobalArgv, GlobalCmdLineFlags[FlagH]))
        return runMainLoop();
    printf("%s %s %s %s\n", CmdLine, ApplicationVersionString,
           ApplicationCompileTime + StampLabelLength, ApplicationCompileDate + StampLabelLength);
    return 0;
}
