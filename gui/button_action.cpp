// The stock button actions.
#include "gui/button_action.h"

#include "gui/application_gui.h"
#include "gui/button.h"
#include "gui/plane.h"
#include "text/language.h"

NullButtonActionSingleton NullButtonAction;
SelectNextLangaugeAction SelectNextLanguage;

void ButtonAction::onRefocus(Button* b, UserEvent e) {
    b->defocus(e);
}

UserEvent PopupDialogAction::onActivate(Button* b) {
    if (dialog == nullptr) return 0;
    Layer* over = b != nullptr ? b->layer : nullptr;
    if (observer != nullptr)
        dialog->popup(observer, position, over, onTop);
    else
        dialog->popup(position, over, onTop);
    return 0;
}

UserEvent CloseDialogAction::onActivate(Button* b) {
    if (b == nullptr) {
        if (dialog != nullptr) dialog->asyncDefocus(closeEvent);
        return 0;
    }
    closePending = true;
    if (releaseDelay > 1)
        b->delayedDefocus(releaseDelay);
    else
        b->defocus(0);
    return 0;
}

void CloseDialogAction::onDefocus(Button*, UserEvent) {
    if (!closePending) return;
    closePending = false;
    if (dialog != nullptr) dialog->asyncDefocus(closeEvent);
}

UserEvent PopupDialogAndAssocPlaneAction::onActivate(Button* b) {
    if (assocPlane != nullptr) theScreen.addLayer(assocPlane, nullptr, false);
    return PopupDialogAction::onActivate(b);
}

void PopupDialogAndAssocPlaneAction::onDefocus(Button* b, UserEvent e) {
    PopupDialogAction::onDefocus(b, e);
    if (assocPlane != nullptr) theScreen.removeLayer(assocPlane);
}

UserEvent SelectNextLangaugeAction::onActivate(Button* b) {
    if (b != nullptr) b->defocus(0);
    theScreen.setCurrentLanguageAndUnits(langMinusOne(), UnitsUnchanged);
    return 0;
}

UserEvent NullButtonActionSingleton::onActivate(Button* b) {
    if (b != nullptr) b->defocus(0);
    return 0;
}
