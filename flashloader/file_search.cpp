// The search of the stick for software files.
#include "flashloader/file_search.h"

#include "flashloader/screen_style.h"

#include <cstdio>

#include "core/delayed_callback.h"
#include "flashloader/main_screen.h"
#include "flashloader/osf.h"
#include "flashloader/osf_selection.h"
#include "platform/usb_files.h"

namespace {
constexpr long xpos_SearchMsg = 10;
constexpr long ypos_SearchMsg = 20;
constexpr long width_SearchMsg = 300;
constexpr long height_SearchMsg = 220;
constexpr FontSize SearchMsgFont = 2;
} // namespace

FileSearchMsgSingleton::FileSearchMsgSingleton()
    : StaticTextObj(BBox(At(xpos_SearchMsg, ypos_SearchMsg), width_SearchMsg, height_SearchMsg),
                    "\v*4 Searching USB memory for software files. Please wait...", SearchMsgFont,
                    ALIGN_HCENTER, TextTransparent, TextOnPanel, false, true) {}

FileSearchSingleton::FileSearchSingleton()
    : Plane(BBox(At(0, 0), width_Screen, height_Screen), FRAME_NONE, NOT_SELECTABLE) {
    backgroundColor = PanelColor; // the message is white
}

void FileSearchSingleton::init() {
    escResult = 0; // the user cannot end the search
    titleBar.placeOn(this);
    if (!contains(&fileSearchMsg)) add(&fileSearchMsg);
    if (!dir.open()) {
        mainScreen.init();
        return;
    }
    done = !getNextFile();
    earliestEnd = getMsTime() + FileSearchMinMs;
    step();
    popup(At(-1, -1), nullptr, true);
}

bool FileSearchSingleton::getNextFile() {
    return dir.nextFile(entryName, entrySize);
}

void FileSearchSingleton::step() {
    if (!done) {
        char path[UsbPathSize];
        const char* full = usb_filePath(entryName);
        if (full != nullptr && snprintf(path, sizeof path, "%s", full) < UsbPathSize &&
            isAOsf(path))
            osfSelection.addFile(path, entryName, entrySize);
        done = osfSelection.full() || !getNextFile();
        if (done) {
            dir.close();
            printf("software files: %d\n", static_cast<int>(osfSelection.countData.getValue()));
        }
    }
    if (done && isDue(getMsTime(), earliestEnd)) {
        if (isOpen())
            asyncDefocus(ESC);
        else
            mainScreen.init();
        return;
    }
    delayedNotify(WakeUpEvent, FileSearchStepMs);
}

void FileSearchSingleton::notify(NotificationEvent event, Data*) {
    if (event == WakeUpEvent) step();
}

void FileSearchSingleton::onClose(NotificationEvent) {
    mainScreen.init();
}
