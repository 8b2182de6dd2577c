// Buttons: selectable objects that show a content object (usually a text) inside an
// optional border and run an action when activated; momentary or toggling, with a delayed
// release during which the keypad is off.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "gui/graphical_obj.h"
#include "gui/text_obj.h"

class Button;
class ButtonAction;

typedef int32_t ButtonBehaviourType;
enum : ButtonBehaviourType {
    BUTTON_MOMENTARY = 0, // the content is inverted while the button is active
    BUTTON_TOGGLE = 1,    // each activation flips the content's inversion
};

class Border {
public:
    Border(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}
    virtual void draw(Button* button, const Rect& r);
    virtual ~Border() = default;

    int32_t left, top, right, bottom;
};

extern Border SimpleBorderSingleton;

class Button : public GraphicalObj, public Notifiable {
public:
    Button(const BBox& box, ButtonAction* action, GraphicalObj* content, bool enabled,
           Border* border, ButtonBehaviourType behaviour);
    virtual ~Button();

    UserEvent activate() override;
    void defocus(UserEvent e) override;
    void refocus(UserEvent e) override;
    UserEvent handleUserEvent(UserEvent e) override;
    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void _enable_(bool enable, Selectability s) override;
    void ancestorShown(bool on) override;
    void shown(bool on) override;
    void onLayer(Layer* l, Rect* clip) override;
    void notify(NotificationEvent event, Data* data) override;

    // Releases the button after ms milliseconds; until then keys are swallowed.
    void delayedDefocus(unsigned long ms);
    void setBorder(Border* b);
    bool contentInverted() const { return content != nullptr && content->inverted; }

    ButtonAction* action;
    bool releasePending = false;
    GraphicalObj* content;
    Border* border;
    ButtonBehaviourType behaviour;

protected:
    // Where the content goes inside the button's rectangle.
    virtual Rect contentRect(const Rect& absRect) const;
    void setContentInversion(bool on);
};

class TextualButton : public Button {
public:
    TextualButton(const BBox& box, ButtonAction* action, const char* key, long index, FontSize size,
                  Language* lang, bool enabled, bool flat, ButtonBehaviourType behaviour);

    const char* getText() const { return text.text.key; }
    void setText(const char* key);
    void _enable_(bool enable, Selectability s) override;

    StaticTextObj text;
    bool flatText;

protected:
    Rect contentRect(const Rect& absRect) const override;
};
