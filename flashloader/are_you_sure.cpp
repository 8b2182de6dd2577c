// The confirmation dialog; its "Yes" opens the progress dialog, which runs the programming.
#include "flashloader/are_you_sure.h"

#include "flashloader/screen_style.h"

#include "flashloader/flashloader.h"
#include "flashloader/module_manager.h"

namespace {
constexpr FontSize SureTitleFont = 1;
constexpr FontSize SureLargeFont = 2;
constexpr FontSize SureButtonFont = 1;
// A line of the large font.
constexpr long SureTextHeight = 20;
constexpr long ypos_ProgramText = 25;
constexpr long ypos_WithText = 107;
constexpr long xpos_YesButton = 49;
constexpr long xpos_NoButton = 177;
constexpr long xpos_osfDetails = 2;
constexpr long width_osfDetails = 252;
// The frame around the module details, a pixel outside them.
constexpr long xpos_ModFrame = xpos_modDetails - 1;
constexpr long ypos_ModFrame = ypos_modDetails - 1;

} // namespace

AreYouSureSingleton::AreYouSureSingleton()
    : Dialog(BBox(At(xpos_ProgressDialog, ypos_ProgressDialog), width_ProgressDialog,
                  height_ProgressDialog),
             "Are you sure?", 0, SureTitleFont, myDialogBorderThickness),
      programText(BBox(At(0, ypos_ProgramText), width_ProgressDialog, SureTextHeight),
                  "Program module", SureLargeFont, ALIGN_HCENTER, TextTransparent, TextOnPaper,
                  false, true),
      frame(BBox(At(xpos_ModFrame, ypos_ModFrame), width_ModDetailDisplay + 2,
                 height_ModDetailDisplay + 2),
            PanelColor, 1, true, true, false),
      moduleDetails(BBox(At(xpos_modDetails, ypos_modDetails), width_ModDetailDisplay,
                         height_ModDetailDisplay)),
      withText(BBox(At(0, ypos_WithText), width_ProgressDialog, SureTextHeight), "with",
               SureLargeFont, ALIGN_HCENTER, TextTransparent, TextOnPaper, false, true),
      fileText(At(xpos_osfDetails, ypos_osfDetails), width_osfDetails, SureButtonFont),
      noAction(this, CLOSENO), yesAction(this, CLOSEYES),
      noButton(BBox(At(xpos_NoButton, ypos_ProgressDialogButton), width_NoButton,
                    height_ProgressDialogButton),
               &noAction, "No", 0, SureButtonFont, nullptr, true, false, BUTTON_MOMENTARY),
      yesButton(BBox(At(xpos_YesButton, ypos_ProgressDialogButton), width_YesButton,
                     height_ProgressDialogButton),
                &yesAction, "Yes", 0, SureButtonFont, nullptr, true, false, BUTTON_MOMENTARY) {
    GraphicalObj* const objects[] = {&programText, &frame,    &moduleDetails, &withText,
                                     &fileText,    &noButton, &yesButton};
    for (GraphicalObj* o : objects)
        add(o);
}

void AreYouSureSingleton::onOpen() {
    moduleDetails.updateFromModuleSelection();
}

void AreYouSureSingleton::onClose(NotificationEvent event) {
    if (event == CloseAccepted) flashLoader.popup(At(-1, -1), nullptr, true);
}
