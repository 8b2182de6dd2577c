// Buttons, borders and textual buttons.
#include "gui/button.h"

#include "core/keypad.h"
#include "gui/button_action.h"
#include "gui/collection.h"
#include "gui/layer.h"

Border SimpleBorderSingleton(1, 1, 1, 1);

void Border::draw(Button* button, const Rect& r) {
    if (button->layer != nullptr) button->layer->frameRect(r, 0);
}

// The content is drawn by the button only: its box is set from the button's rectangle
// each time, and it takes its visibility and layer from the button.
Button::Button(const BBox& b, ButtonAction* a, GraphicalObj* c, bool enabledArg, Border* bd,
               ButtonBehaviourType bh)
    : GraphicalObj(b, true, enabledArg, true), action(a), content(c), border(bd), behaviour(bh) {}

Button::~Button() {
    if (releasePending) {
        cancelDelayedNotify(AnyEvent);
        FW_enableKeypad(true);
    }
}

Rect Button::contentRect(const Rect& absRect) const {
    if (border == nullptr) return absRect;
    return absRect.shrink(border->left, border->top, -border->right, -border->bottom);
}

void Button::setContentInversion(bool on) {
    if (content == nullptr || content->inverted == on) return;
    content->inverted = on;
    if (visible()) draw(nullptr, true);
}

UserEvent Button::activate() {
    if (!enabled) return 0;
    GraphicalObj::activate();
    setContentInversion(behaviour == BUTTON_TOGGLE ? !contentInverted() : true);
    return action != nullptr ? action->onActivate(this) : 0;
}

void Button::defocus(UserEvent e) {
    if (releasePending) {
        releasePending = false;
        cancelDelayedNotify(WakeUpEvent);
        FW_enableKeypad(true);
    }
    if (behaviour != BUTTON_TOGGLE) setContentInversion(false);
    if (selectability == ACTIVE) selectability = SELECTABLE;
    // Only a button that still holds the focus gives it back (its dialog may be gone).
    if (layer != nullptr && layer->focusStack.tos() == this) GraphicalObj::defocus(e);
    if (action != nullptr) action->onDefocus(this, e);
}

void Button::refocus(UserEvent e) {
    if (action != nullptr)
        action->onRefocus(this, e);
    else
        defocus(e);
}

UserEvent Button::handleUserEvent(UserEvent e) {
    return releasePending ? 0 : e;
}

void Button::_draw_(const Rect& absRect, bool clip, bool inv, Color background, Rect* area, bool) {
    if (content != nullptr) {
        content->box = BBox(contentRect(absRect));
        content->genericDraw(DRAW_CHILD, &absRect, clip, inv, background, area);
    }
    if (border != nullptr) border->draw(this, absRect);
}

void Button::_enable_(bool enable, Selectability s) {
    bool changed = enable != enabled;
    GraphicalObj::_enable_(enable, s);
    if (changed && action != nullptr) action->onEnableChange(this);
}

void Button::ancestorShown(bool on) {
    GraphicalObj::ancestorShown(on);
    if (content != nullptr) content->ancestorShown(on && !hidden);
}

void Button::shown(bool on) {
    GraphicalObj::shown(on);
    if (content != nullptr) content->ancestorShown(on && !ancestorHidden);
}

void Button::onLayer(Layer* l, Rect* clip) {
    GraphicalObj::onLayer(l, clip);
    if (content != nullptr) content->onLayer(l, clip);
}

void Button::notify(NotificationEvent event, Data*) {
    if (event == WakeUpEvent && releasePending) defocus(0);
}

void Button::delayedDefocus(unsigned long ms) {
    if (releasePending) cancelDelayedNotify(WakeUpEvent);
    releasePending = true;
    FW_enableKeypad(false);
    delayedNotify(WakeUpEvent, static_cast<uint32_t>(ms));
}

void Button::setBorder(Border* b) {
    border = b;
    if (visible()) draw(nullptr, true);
}

TextualButton::TextualButton(const BBox& b, ButtonAction* a, const char* key, long index,
                             FontSize size, Language* lang, bool enabledArg, bool flat,
                             ButtonBehaviourType bh)
    : Button(b, a, &text, enabledArg, flat ? nullptr : &SimpleBorderSingleton, bh),
      text(BBox(), key, index, lang, 1, size,
           flat ? ALIGN_VCENTER | ALIGN_MIRROR_RTL : ALIGN_HCENTER | ALIGN_VCENTER, 15, 0, false,
           true, enabledArg),
      flatText(flat) {}

Rect TextualButton::contentRect(const Rect& absRect) const {
    if (!flatText) return Button::contentRect(absRect);
    Rect r = absRect;
    if (parent != nullptr) r.topLeft.x += parent->getLeftMargin();
    return r;
}

void TextualButton::setText(const char* key) {
    text.setText(key);
    if (visible()) draw(nullptr, true);
}

void TextualButton::_enable_(bool enable, Selectability s) {
    Button::_enable_(enable, s);
    text._enable_(enable, SELECTABILITY_UNCHANGED);
}
