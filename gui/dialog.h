// Dialogs: planes with an optional title bar that consume every key they do not let through,
// so that what lies underneath is out of reach while they are open.
#pragma once

#include "gui/font.h"
#include "gui/plane.h"
#include "text/multi_string.h"

class Dialog : public Plane {
public:
    // A null or empty title key gives no title.
    Dialog(const BBox& box, const char* titleKey, UserEvent passKey, FontSize titleFont,
           unsigned char frameStyle, DisplayDriver* driver = DefaultDisplayDriver);

    int32_t getTopMargin() const override;
    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    UserEvent handleUserEvent(UserEvent e) override;
    void setTitle(const char* key);

    MultiString titleString;
    MultiString* title = nullptr;
    FontSize titleFont;
    Color titleBackground = 0;
    unsigned char titleExtra = 0;
    bool enterCloses = false;
};

class NotifiableDialog : public Dialog, public Notifiable {
public:
    using Dialog::Dialog;
};

// Closes on any key.
class AnyKeyExitsDialog : public Dialog {
public:
    using Dialog::Dialog;
    UserEvent dispatchUserEvent(UserEvent e) override;
};
