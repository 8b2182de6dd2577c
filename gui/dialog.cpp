// Dialogs: title bar, modal keys, closing on ENTER or on any key.
#include "gui/dialog.h"

Dialog::Dialog(const BBox& b, const char* titleKey, UserEvent pass, FontSize font,
               unsigned char style, DisplayDriver* driver)
    : Plane(b, style, NOT_SELECTABLE, driver),
      titleString(titleKey != nullptr ? titleKey : "", 0, 1), titleFont(font) {
    passKey = pass;
    if (titleKey != nullptr && titleKey[0] != 0) title = &titleString;
}

int32_t Dialog::getTopMargin() const {
    int32_t m = Plane::getTopMargin();
    if (title != nullptr) m += static_cast<int32_t>(title->height(titleFont)) + titleExtra;
    return m;
}

void Dialog::_draw_(const Rect& absRect, bool clip, bool inv, Color background, Rect* area,
                    bool redraw) {
    if (title != nullptr) {
        long h = title->height(titleFont);
        Rect bar(At(absRect.left() + 1, absRect.top() + 1),
                 At(absRect.right() - 1, absRect.top() + static_cast<int32_t>(h) + titleExtra + 1));
        fillRect(bar, titleBackground);
        // The title is drawn inverted: white on the default black bar.
        bool was = setInversion(!inv);
        title->drawString(this, bar, bar.top(), titleFont, ALIGN_HCENTER, 15, 0);
        setInversion(was);
    }
    Plane::_draw_(absRect, clip, inv, background, area, redraw);
}

UserEvent Dialog::handleUserEvent(UserEvent e) {
    UserEvent r;
    if (enterCloses && e == ENTER) {
        asyncDefocus(ENTER);
        r = 0;
    } else {
        r = Plane::handleUserEvent(e);
    }
    return (r & EventStopBit) != 0 ? r : 0;
}

void Dialog::setTitle(const char* key) {
    titleString.setString(key != nullptr ? key : "");
    title = key != nullptr && key[0] != 0 ? &titleString : nullptr;
    if (visible()) draw(nullptr, true);
}

UserEvent AnyKeyExitsDialog::dispatchUserEvent(UserEvent) {
    asyncDefocus(ESC);
    return 0;
}
