// The search screen: the top directory of the USB stick is searched for software files in
// small steps, one entry each, while a message asks the user to wait; it shows at least
// two seconds and then gives way to the main screen.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "gui/plane.h"
#include "gui/text_obj.h"
#include "platform/generic_directory.h"

constexpr uint32_t FileSearchMinMs = 2000;
constexpr uint32_t FileSearchStepMs = 1;

class FileSearchMsgSingleton : public StaticTextObj {
public:
    FileSearchMsgSingleton();
};

class FileSearchSingleton : public Plane, public Notifiable {
public:
    FileSearchSingleton();
    void init();
    // WakeUpEvent: the next search step.
    void notify(NotificationEvent event, Data* data) override;
    void onClose(NotificationEvent event) override;
    // Reads the next directory entry; false when there is none.
    bool getNextFile();
    // Closes the directory (at shutdown).
    void closeDirectory() { dir.close(); }

private:
    genericDirectory dir{"", true};
    char* entryName = nullptr;
    uint32_t entrySize = 0;
    uint32_t earliestEnd = 0;
    bool done = false;

    void step();
};

extern FileSearchMsgSingleton fileSearchMsg;
extern FileSearchSingleton fileSearch;
