// Leaf widgets that put text on screen: the text base (font size, alignment, selection
// shown by inversion) and the static text of a string key in the current language.
#pragma once

#include "gui/graphical_obj.h"
#include "text/multi_string.h"

class TextObj : public GraphicalObj {
public:
    TextObj(const BBox& box, FontSize size, Alignment a, bool selectable, bool shown, bool enabled,
            Color transparent, Color colour);
    virtual ~TextObj() = default;

    void select() override;
    void deselect() override;
    UserEvent handleUserEvent(UserEvent e) override;
    void apply(const GraphicalProperties& p) override;

    FontSize fontSize;
    Alignment alignment;
    // Label objects a collection made for itself, deleted with it.
    TextObj* nextOwned = nullptr;
};

class StaticTextObj : public TextObj {
public:
    StaticTextObj(const BBox& box, const char* key, long index, Language* lang, unsigned char form,
                  FontSize size, Alignment a, Color transparent, Color colour, bool selectable,
                  bool shown, bool enabled);
    StaticTextObj(const BBox& box, const char* key, FontSize size, Alignment a, Color transparent,
                  Color colour, bool selectable, bool shown);

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void _enable_(bool enable, Selectability s) override;
    // The key itself is shown, in English.
    void setEnglishOnly(bool on);
    // Sets the box's end row and its vertical type, and the alignment (a title made
    // bottom-aligned in its bar).
    void vAlign(long y, VRefType v, Alignment a);
    void setText(const char* key) { text.setString(key); }

    MultiString text;
};
