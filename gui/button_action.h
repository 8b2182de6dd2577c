// What a button does when activated, and the stock actions: open a dialog (with an
// associated plane), close one, switch to the next language, or nothing.
#pragma once

#include <cstdint>

#include "core/user_event.h"
#include "gui/geometry.h"

class Button;
class Notifiable;
class Plane;

class ButtonAction {
public:
    virtual UserEvent onActivate(Button* b) = 0;
    // The button was given the focus back (the dialog it opened closed): release it.
    virtual void onRefocus(Button* b, UserEvent e);
    virtual void onDefocus(Button*, UserEvent) {}
    virtual void onEnableChange(Button*) {}
    virtual void setButton(Button*) {}
    virtual ~ButtonAction() = default;
};

class PopupDialogAction : public ButtonAction {
public:
    PopupDialogAction(Plane* dialog, const At& position = At(-1, -1), bool onTop = false,
                      Notifiable* observer = nullptr)
        : dialog(dialog), position(position), onTop(onTop), observer(observer) {}
    UserEvent onActivate(Button* b) override;

    Plane* dialog;
    At position;
    bool onTop;
    Notifiable* observer;
};

// Closes the dialog once the button is released: at once for a delay of 0 or 1, else after
// the delay, so that the pressed button is seen.
class CloseDialogAction : public ButtonAction {
public:
    CloseDialogAction(Plane* dialog, UserEvent closeEvent, uint32_t releaseDelay = 1)
        : dialog(dialog), closeEvent(closeEvent), releaseDelay(releaseDelay) {}
    UserEvent onActivate(Button* b) override;
    void onDefocus(Button* b, UserEvent e) override;

    Plane* dialog;
    UserEvent closeEvent;
    uint32_t releaseDelay;
    bool closePending = false;
};

class PopupDialogAndAssocPlaneAction : public PopupDialogAction {
public:
    PopupDialogAndAssocPlaneAction(Plane* dialog, Plane* assocPlane,
                                   const At& position = At(-1, -1), bool onTop = false,
                                   Notifiable* observer = nullptr)
        : PopupDialogAction(dialog, position, onTop, observer), assocPlane(assocPlane) {}
    UserEvent onActivate(Button* b) override;
    void onDefocus(Button* b, UserEvent e) override;

    Plane* assocPlane;
};

class SelectNextLangaugeAction : public ButtonAction {
public:
    UserEvent onActivate(Button* b) override;
};

class NullButtonActionSingleton : public ButtonAction {
public:
    UserEvent onActivate(Button* b) override;
};

extern NullButtonActionSingleton NullButtonAction;
extern SelectNextLangaugeAction SelectNextLanguage;
