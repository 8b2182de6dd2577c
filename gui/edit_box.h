// Edit boxes: data displays that edit their data, typed into through the virtual keypad
// that pops up beside them (or, without key sets, only through the hardware keys). A text
// box edits the text in place; a number box edits a temporary copy of the number.
#pragma once

#include <cstdint>

#include "data/temporary_data_ref.h"
#include "data/text_data_ref.h"
#include "gui/text_data_display.h"

class VirtualKeyPad;

// The keypad opens this far below the box.
constexpr long EditBoxKeyPadGap = 3;
// With arrows, the strip at the right of a number box that holds them, and what the value
// gives up for it.
constexpr long NumberBoxArrowStrip = 9;
constexpr long NumberBoxArrowRoom = 10;
constexpr long NumberBoxArrowRoomUnselectable = 13;
// decimalState right after the decimal point was typed.
constexpr signed char DecimalPointTyped = 80;
// Typing stops short of this magnitude when the limits do not bound it.
constexpr double NumberBoxMaxMagnitude = 999999999.0;

class EditBox : public TextDataDisplay {
public:
    // selectionColour NoColor: the selection shows the colour inverted.
    EditBox(VirtualKeyPad& keyPad, DataRef* ref, const BBox& box, FontSize size, bool enabled,
            Alignment a, Color selectionColour);

    void focus() override;
    void defocus(UserEvent e) override;
    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    bool _erase_(const Rect& r, Color c) override;
    Color getSelectionBkgndColor(Color c) override;

    VirtualKeyPad& keyPad;
    Color selectionColour;

protected:
    // Ends the highlight of a fresh focus.
    void endHighlight();
    // Closes the keypad when this box opened it.
    void releaseKeyPad();
    // The dialog closed while the box was being edited.
    void abandonEdit();
    // Draws the frame of a selectable box that is not highlighted.
    void drawFrame(const Rect& absRect, bool redraw);
};

class TextEditBox : public EditBox {
public:
    TextEditBox(TextDataRef* ref, const BBox& box, FontSize size, bool enabled, bool skipNote,
                VirtualKeyPad& keyPad);

    void focus() override;
    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    UserEvent handleUserEvent(UserEvent e) override;

    // Passed to the text data when its original value is noted.
    bool skipNote;
    bool firstKey = false;
    bool noteOriginal = true;

private:
    TextDataRef* textRef() { return static_cast<TextDataRef*>(dataRef); }
};

class NumberEditBox : public EditBox {
public:
    // The box owns ref. Limits lo and hi bound the committed value; both 0: no limits.
    NumberEditBox(NumericDataRef* ref, const BBox& box, FontSize size, bool enabled,
                  bool showArrows, double lo, double hi, Marshalling m, Color selectionColour);
    ~NumberEditBox() override;

    void focus() override;
    void defocus(UserEvent e) override;
    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    UserEvent handleUserEvent(UserEvent e) override;
    // The text the box shows: while it is edited, with the decimals typed so far.
    StringAndLang shownText(unsigned char* buffer);

    TemporaryDataRef* temporary;
    bool showArrows;
    bool firstKey = false;
    signed char decimalState = 0;
    double lowLimit;
    double highLimit;

private:
    bool limited() const { return lowLimit != 0 || highLimit != 0; }
    double maxMagnitude() const;
    signed char decimals();
    // While the box is edited its value shows the decimals typed so far; these bracket that.
    bool showTypedDecimals();
    void showOwnDecimals(bool shown);
    double value() { return temporary->getValue(); }
    void setValue(double v) { temporary->setValue(v, true, true); }
    // The first key after focus starts from 0.
    void startFresh();
    // A key other than a digit ends the fresh-focus state, keeping the value.
    void keepEditing();
    void typeDigit(unsigned char digit);
    void dropLastDigit();
    void changeSign();
};
