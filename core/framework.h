// The framework object FW, the process-wide globals of the runtime core and the main loop.
#pragma once

#include <cstdint>

#include "core/delayed_callback.h"
#include "core/notifiable.h"

class Bitmap;

extern int GlobalArgc;
extern char** GlobalArgv;
extern char CmdLine[128];
enum { FlagL = 0, FlagE = 1, FlagP = 2, FlagS = 3, FlagH = 4 };
extern bool GlobalCmdLineFlags[5];
extern DelayedCallbackListNode _1HzCallbackListNode;
extern uint8_t FileSystemSyncTimer;
extern const char* StartupScriptFileName;
extern unsigned long OFW_debugFlags;
extern const char* ApplicationVersionString;
extern const char* ApplicationCompileDate;
extern const char* ApplicationCompileTime;
// Set by the J1939 bus when it starts; called once per main-loop pass.
extern void (*CANbackgroundProcessPtr)();

class FW_Interface {
public:
    typedef int TerminationCode;

    bool highPriority = false;
    DelayedCallbackListNode startNode;
    Bitmap* logo = nullptr;
    uint32_t logoTimeMs = 0;
    const unsigned char* logoText = nullptr;
    Notifiable* ioEventHandlers[8] = {};
    void (*syncCallback)() = nullptr;
    volatile TerminationCode terminationCode = 0;
    bool keypadEnabled = true;

    bool checkArgs(int argc, char** argv, bool highPriorityFlag);
    void showLogo();
    void drawLogo();
    void setLogo(Bitmap* bitmap, uint32_t ms, const unsigned char* text);
    void onStartup();
    void loopIteration();
    void onShutdown();
    void fileSystemSync();
    void registerSyncCallback(void (*cb)()) { syncCallback = cb; }
    void setIOeventHandler(unsigned char index, Notifiable* handler);
    void ioCallback(unsigned char code);
    void terminate(TerminationCode code, bool powerDown);
    void errorTermination(unsigned char n, bool noPowerDown);
};

extern FW_Interface FW;

void catch_cntlC(int);
void resetNoPowerDownOnExit();
void enableFWusleep(bool on);
void _1HzCallback(DelayedCallbackListNode* node);
void StartApplicationCallback(DelayedCallbackListNode* node);
void FW_IOcallback(unsigned char code);
void backgroundContrastAdjust();

// The entry point's work: parses the command line, runs the main loop and returns the exit
// status. argv may already have had the host's own options taken out.
int frameworkMain(int argc, char** argv);
// Exit status for a termination code, given whether the unit is to stay powered.
int exitStatusFor(FW_Interface::TerminationCode code, bool noPowerDown);
