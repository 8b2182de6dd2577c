// The settings dialogs and the circle-arrow cycle through them.
#include "flashloader/settings_dialogs.h"

#include "data/data_ref.h"
#include "data/settings.h"
#include "gui/bar_graph.h"
#include "gui/dialog.h"
#include "gui/display_driver.h"

Dialog* VolumeDialog = nullptr;
Dialog* BacklightDialog = nullptr;
Dialog* ContrastDialog = nullptr;

namespace {
constexpr int32_t xpos_SettingDialog = 50;
constexpr int32_t ypos_SettingDialog = 100;
constexpr int32_t width_SettingDialog = 81;
constexpr int32_t height_SettingDialog = 40;
constexpr FontSize font_SettingDialog = 1;
constexpr unsigned char frame_SettingDialog = 2; // a frame with a drop shadow

// One setting as a bar below the dialog's title, inset by a pixel, changed live.
class SettingDialog : public Dialog {
public:
    SettingDialog(const char* title, Data* setting, double minValue, double maxValue,
                  uint32_t segments)
        : Dialog(BBox(At(xpos_SettingDialog, ypos_SettingDialog), width_SettingDialog,
                      height_SettingDialog),
                 title, 0, font_SettingDialog, frame_SettingDialog),
          ref(setting), bar(&ref, minValue, maxValue, BBox(BBOX_INSET_BELOW_TOP_MARGIN), 15,
                            DimColor, segments, 1, 15, DimColor, LEFT_TO_RIGHT, true) {
        bar.selectability = SELECTABLE;
        add(&bar);
    }
    // The bar takes the arrows and the dial at once; CLICK, ENTER or ESC closes the dialog.
    void onOpen() override { bar.activate(); }

private:
    NumericDataRef ref;
    LinearBarGraph bar;
};

int circleArrowState = 0;

Dialog* dialogOfState(int state) {
    Dialog* const cycle[] = {VolumeDialog, BacklightDialog, ContrastDialog};
    return state >= 1 && state <= 3 ? cycle[state - 1] : nullptr;
}
} // namespace

void setupCircleArrowObjects() {
    static SettingDialog volume("Speaker", &Volume, 0, 15, 10);
    static SettingDialog backlight("Backlight", &Backlight, 0, 4095, 10);
    static SettingDialog contrast("Contrast", &Contrast, -200, 200, 20);
    VolumeDialog = &volume;
    BacklightDialog = &backlight;
    ContrastDialog = &contrast;
    circleArrowState = 0;
}

bool handleCircleArrow(UserEvent key) {
    if (key == CIRCLEARROW) {
        if (Dialog* open = dialogOfState(circleArrowState)) open->asyncDefocus(ESC);
        circleArrowState = (circleArrowState + 1) % 4;
        if (Dialog* next = dialogOfState(circleArrowState)) next->popup(At(-1, -1), nullptr, true);
        return true;
    }
    if (circleArrowState != 0 && (key == CLICK || key == ENTER || key == ESC)) circleArrowState = 0;
    return false;
}
