// The key-script runner: commands are checked when read and run one after the other from
// the main loop, "wait" through a timer node so that the loop sleeps meanwhile.
#include "platform/host/host_keyscript.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/delayed_callback.h"
#include "core/framework.h"
#include "core/keypad.h"
#include "platform/host/host_loop.h"
#include "platform/platform.h"

namespace {
constexpr int MaxExtraCommands = 8;
constexpr size_t MaxLineLength = 1024;

KeyScriptCommand extraCommands[MaxExtraCommands];
int extraCount = 0;

struct ScriptLine {
    std::string text;
    int number;
};

std::vector<ScriptLine> lines;
size_t nextLine = 0;
bool fromStdin = false;
bool stdinOpen = false;
bool opened = false;
std::string pending; // partial line read from standard input
int stdinLineNumber = 0;
const char* scriptName = "";
DelayedCallbackListNode waitNode;

void waitDone(DelayedCallbackListNode*) {}

// Splits "word arg" in place; returns the argument (empty when none).
const char* splitCommand(std::string& s) {
    size_t sp = s.find_first_of(" \t");
    if (sp == std::string::npos) return "";
    size_t arg = s.find_first_not_of(" \t", sp);
    s[sp] = '\0';
    return arg == std::string::npos ? "" : s.c_str() + arg;
}

const KeyScriptCommand* findExtra(const char* name) {
    for (int i = 0; i < extraCount; ++i)
        if (strcmp(extraCommands[i].name, name) == 0) return &extraCommands[i];
    return nullptr;
}

bool parseWait(const char* arg, uint32_t* ms) {
    if (*arg == '\0') return false;
    char* end;
    errno = 0;
    unsigned long v = strtoul(arg, &end, 10);
    if (errno != 0 || *end != '\0' || v > 0x3FFFFFFFul ||
        !isdigit(static_cast<unsigned char>(*arg)))
        return false;
    *ms = static_cast<uint32_t>(v);
    return true;
}

// Null when the line is a valid command, else why not.
const char* checkLine(const std::string& line) {
    std::string s = line;
    const char* arg = splitCommand(s);
    const char* word = s.c_str();
    UserEvent e;
    uint32_t ms;
    if (strcmp(word, "wait") == 0) return parseWait(arg, &ms) ? nullptr : "wait needs milliseconds";
    if (strcmp(word, "quit") == 0) return *arg == '\0' ? nullptr : "quit takes no argument";
    if (const KeyScriptCommand* c = findExtra(word)) return c->check(arg);
    if (eventFromName(word, &e)) {
        if (*arg != '\0') return "a key takes no argument";
        if (mapToScanCode(e) == 0) return "no key on the keypad gives this event";
        return nullptr;
    }
    return "unknown command or key name";
}

std::string trimmed(const std::string& raw) {
    size_t b = raw.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = raw.find_last_not_of(" \t\r\n");
    return raw.substr(b, e - b + 1);
}

// Adds a line if it is a command; false with a message for a bad one.
bool acceptLine(const std::string& raw, int number) {
    std::string t = trimmed(raw);
    if (t.empty() || t[0] == '#') return true;
    if (const char* why = checkLine(t)) {
        fprintf(stderr, "%s:%d: %s: %s\n", scriptName, number, t.c_str(), why);
        return false;
    }
    lines.push_back({t, number});
    return true;
}

// Runs one command; returns false when the script must pause.
bool runLine(const ScriptLine& l) {
    std::string s = l.text;
    const char* arg = splitCommand(s);
    const char* word = s.c_str();
    UserEvent e;
    uint32_t ms;
    if (strcmp(word, "wait") == 0) {
        parseWait(arg, &ms);
        scheduleDelayedCallback(&waitNode, ms);
        return false;
    }
    if (strcmp(word, "quit") == 0) {
        FW.terminate(1, false);
        return false;
    }
    if (const KeyScriptCommand* c = findExtra(word)) {
        c->run(arg);
        return true;
    }
    if (eventFromName(word, &e)) injectKeyPress(e);
    return true;
}

void readStdin(void*) {
    char buf[512];
    ssize_t n = read(0, buf, sizeof buf);
    if (n <= 0) {
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
        hostUnwatchFd(0);
        stdinOpen = false;
        if (!pending.empty()) acceptLine(pending, ++stdinLineNumber);
        pending.clear();
        return;
    }
    pending.append(buf, static_cast<size_t>(n));
    size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
        acceptLine(pending.substr(0, nl), ++stdinLineNumber);
        pending.erase(0, nl + 1);
    }
    if (pending.size() > MaxLineLength) {
        fprintf(stderr, "%s:%d: line too long, dropped\n", scriptName, stdinLineNumber + 1);
        pending.clear();
    }
}

void runScript(void*) {
    // Keys reach the application only once it has started.
    if (KeypadData.callback == nullptr || isCallbackOnQueue(&waitNode)) return;
    bool ran = false;
    while (nextLine < lines.size() && FW.terminationCode == 0) {
        ran = true;
        if (!runLine(lines[nextLine++])) break;
    }
    if (ran) platformNoteActivity();
    if (nextLine == lines.size()) {
        lines.clear();
        nextLine = 0;
        if (!fromStdin) opened = false;
    }
}
} // namespace

bool hostKeyScriptAddCommand(const KeyScriptCommand& cmd) {
    if (extraCount == MaxExtraCommands || findExtra(cmd.name) != nullptr) return false;
    extraCommands[extraCount++] = cmd;
    return true;
}

bool hostKeyScriptOpen(const char* path) {
    scriptName = path;
    waitNode.callback = waitDone;
    lines.clear();
    nextLine = 0;
    fromStdin = strcmp(path, "-") == 0;
    if (fromStdin) {
        scriptName = "keys";
        stdinOpen = true;
        hostWatchFd(0, readStdin, nullptr);
    } else {
        FILE* f = fopen(path, "r");
        if (f == nullptr) {
            fprintf(stderr, "%s: %s\n", path, strerror(errno));
            return false;
        }
        char buf[MaxLineLength + 2];
        int number = 0;
        bool ok = true;
        while (ok && fgets(buf, sizeof buf, f) != nullptr) {
            ++number;
            size_t len = strlen(buf);
            if (len == sizeof buf - 1 && buf[len - 1] != '\n') {
                fprintf(stderr, "%s:%d: line too long\n", path, number);
                ok = false;
                break;
            }
            ok = acceptLine(buf, number);
        }
        fclose(f);
        if (!ok) {
            lines.clear();
            return false;
        }
    }
    opened = true;
    hostAddService(runScript, nullptr);
    return true;
}

void hostKeyScriptClose() {
    hostRemoveService(runScript, nullptr);
    if (fromStdin && stdinOpen) hostUnwatchFd(0);
    cancelDelayedCallback(&waitNode);
    lines.clear();
    nextLine = 0;
    opened = false;
}

bool hostKeyScriptFinished() {
    return !fromStdin && !opened && !isCallbackOnQueue(&waitNode);
}
