// A text display bound to a data value: it shows the value's text through its reference and
// redraws whenever the data changes; typing into a text value stops at its width.
#pragma once

#include "core/notifiable.h"
#include "data/text_data_ref.h"
#include "gui/text_obj.h"

// Room left around the text of a selectable display for the selection frame.
constexpr int32_t SelectableTextInsetLeft = 4;
constexpr int32_t SelectableTextInsetTop = 2;
constexpr int32_t SelectableTextInsetRight = 3;
constexpr int32_t SelectableTextInsetBottom = 2;
// Typed text keeps this many pixels free at the right of the display.
constexpr long TypingMargin = 8;

class TextDataDisplay : public TextObj, public NotifiableWithDataRef, public TextFitChecker {
public:
    // The display owns the reference and registers with its data at once.
    TextDataDisplay(DataRef* ref, const BBox& box, FontSize size, Alignment a, Color transparent,
                    Color colour, unsigned char format, bool selectable, bool shown, bool enabled);
    ~TextDataDisplay() override;

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void apply(const GraphicalProperties& p) override;
    void notify(NotificationEvent event, Data* data) override;
    bool textFits(const unsigned char* text) override;
    // Where the text goes inside the display's rectangle.
    Rect textRect(const Rect& absRect) const;

    unsigned char format;
};
