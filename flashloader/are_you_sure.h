// The confirmation before a programming run: the module and the file, "Yes" starts the run.
#pragma once

#include "flashloader/module_selection.h"
#include "flashloader/osf_selection.h"
#include "gui/button.h"
#include "gui/button_action.h"
#include "gui/dialog.h"
#include "gui/rect_obj.h"
#include "gui/text_obj.h"

constexpr long xpos_modDetails = 9;
constexpr long ypos_modDetails = 45;
constexpr long ypos_osfDetails = 127;
constexpr long ypos_ProgressDialogButton = 177;
constexpr long height_ProgressDialogButton = 15;
constexpr long width_YesButton = 30;
constexpr long width_NoButton = 30;

class AreYouSureSingleton : public Dialog {
public:
    AreYouSureSingleton();
    void onOpen() override;
    void onClose(NotificationEvent event) override;

    StaticTextObj programText;
    RectObj frame;
    ModuleDetailsDisplay moduleDetails;
    StaticTextObj withText;
    OsfTextDisplay fileText;
    CloseDialogAction noAction, yesAction;
    TextualButton noButton, yesButton;
};

extern AreYouSureSingleton areYouSureDialog;
