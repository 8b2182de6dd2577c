// Event names for diagnostics and for the key-script reader.
#include "core/user_event.h"

#include <cstdio>
#include <cstring>

namespace {
struct EventName {
    UserEvent event;
    const char* name;
};
const EventName eventNames[] = {
    {ENTER, "ENTER"},
    {ESC, "ESC"},
    {LEFTARROW, "LEFTARROW"},
    {RIGHTARROW, "RIGHTARROW"},
    {UPARROW, "UPARROW"},
    {DOWNARROW, "DOWNARROW"},
    {CLICK, "CLICK"},
    {DIALCCW, "DIALCCW"},
    {DIALCW, "DIALCW"},
    {PAGEUP, "PAGEUP"},
    {PAGEDOWN, "PAGEDOWN"},
    {CIRCLEARROW, "CIRCLEARROW"},
    {ACK, "ACK"},
    {PWRKEY, "PWRKEY"},
    {F1, "F1"},
    {F2, "F2"},
    {F3, "F3"},
    {F4, "F4"},
    {F5, "F5"},
    {F6, "F6"},
    {F7, "F7"},
    {F8, "F8"},
    {F9, "F9"},
    {F10, "F10"},
    {F11, "F11"},
    {F12, "F12"},
};
char unnamedBuffer[8];
} // namespace

const char* EventNameString(UserEvent e) {
    UserEvent v = e & ~0x8000u;
    for (const EventName& n : eventNames)
        if (n.event == v) return n.name;
    snprintf(unnamedBuffer, sizeof unnamedBuffer, "0x%04X", e & 0xFFFFu);
    return unnamedBuffer;
}

bool eventFromName(const char* name, UserEvent* out) {
    for (const EventName& n : eventNames) {
        if (strcmp(n.name, name) == 0) {
            *out = n.event;
            return true;
        }
    }
    return false;
}
