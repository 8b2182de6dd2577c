// Edit boxes: focus with the keypad beside the box, text typing, and number typing digit by
// digit into a temporary copy that is committed or dropped when editing ends.
#include "gui/edit_box.h"

#include <cmath>

#include "gui/bitmap_obj.h"
#include "gui/layer.h"
#include "gui/virtual_key_pad.h"

EditBox::EditBox(VirtualKeyPad& kp, DataRef* ref, const BBox& b, FontSize size, bool enabledArg,
                 Alignment a, Color selColour)
    : TextDataDisplay(ref, b, size, a, 15, 0, 0, true, true, enabledArg), keyPad(kp),
      selectionColour(selColour) {}

void EditBox::focus() {
    GraphicalObj::focus();
    if (keyPad.keySetCount == 0) {
        // Only the hardware keys type: the keypad takes its place off the screen.
        keyPad.popup(At(HiddenKeyPadPosition, HiddenKeyPadPosition), layer, false);
        return;
    }
    invert(true);
    At at = nextTo(this, &keyPad.box, 0, EditBoxKeyPadGap, keyPad.centred);
    keyPad.popup(at, layer, false);
}

void EditBox::releaseKeyPad() {
    if (keyPad.isOpen() && keyPad.ownerLayer == layer) keyPad.asyncDefocus(ESC);
}

void EditBox::defocus(UserEvent e) {
    endHighlight();
    releaseKeyPad();
    // The box used ENTER and ESC itself: the collection it returns to only reselects it.
    GraphicalObj::defocus(e == ENTER || e == ESC ? 0 : e);
}

void EditBox::abandonEdit() {
    if (selectability != ACTIVE) return;
    // The dialog closed under the box: its focus stack is already gone.
    inverted = false;
    selectability = SELECTABLE;
    releaseKeyPad();
}

void EditBox::endHighlight() {
    if (inverted) invert(false);
}

void EditBox::drawFrame(const Rect& absRect, bool redraw) {
    if (selectability >= SELECTABLE && !inverted && !redraw && layer != nullptr)
        layer->frameRect(absRect, currentColor);
}

void EditBox::_draw_(const Rect& absRect, bool clip, bool inv, Color background, Rect* area,
                     bool redraw) {
    TextDataDisplay::_draw_(absRect, clip, inv, background, area, redraw);
    drawFrame(absRect, redraw);
}

bool EditBox::_erase_(const Rect& r, Color c) {
    eraseInterior(r, c);
    return false;
}

Color EditBox::getSelectionBkgndColor(Color c) {
    if (selectionColour == NoColor) return GraphicalObj::getSelectionBkgndColor(c);
    return selectionColour;
}

TextEditBox::TextEditBox(TextDataRef* ref, const BBox& b, FontSize size, bool enabledArg, bool skip,
                         VirtualKeyPad& kp)
    : EditBox(kp, ref, b, size, enabledArg, ALIGN_VCENTER, NoColor), skipNote(skip) {}

void TextEditBox::focus() {
    textRef()->noteValueAtTimeOfFocus();
    firstKey = true;
    EditBox::focus();
}

void TextEditBox::_draw_(const Rect& absRect, bool clip, bool inv, Color background, Rect* area,
                         bool redraw) {
    if (noteOriginal) {
        textRef()->noteOriginalValue(skipNote);
        noteOriginal = false;
    }
    EditBox::_draw_(absRect, clip, inv, background, area, redraw);
}

UserEvent TextEditBox::handleUserEvent(UserEvent e) {
    if (e == CLOSENO || e == CLOSEYES) {
        if (e == CLOSENO)
            textRef()->revertToOriginalValue();
        else
            textRef()->keepTentativeValue();
        noteOriginal = true;
        abandonEdit();
        return 0;
    }
    if (e == F1) {
        keyPad.cycleKeySet();
        return 0;
    }
    endHighlight();
    switch (e) {
    case F2:
        if (!firstKey) textRef()->eraseLastChar();
        firstKey = false;
        return 0;
    case F4:
        textRef()->clear();
        firstKey = false;
        return 0;
    case ESC:
        textRef()->revertToValueAtTimeOfFocus();
        defocus(ESC);
        return 0;
    case ENTER:
        defocus(ENTER);
        return 0;
    case F3:
        e = ' ';
        break;
    default:
        break;
    }
    if (e < 32 || e > 126) return e;
    if (firstKey) {
        textRef()->clear();
        firstKey = false;
    }
    textRef()->addChar(e);
    return 0;
}

NumberEditBox::NumberEditBox(NumericDataRef* ref, const BBox& b, FontSize size, bool enabledArg,
                             bool arrows, double lo, double hi, Marshalling m, Color selColour)
    : EditBox(VirtualNumericKeyPad, new TemporaryDataRef(ref, nullptr, m), b, size, enabledArg,
              ALIGN_RIGHT | ALIGN_VCENTER, selColour),
      temporary(static_cast<TemporaryDataRef*>(dataRef)), showArrows(arrows),
      lowLimit(lo <= hi ? lo : hi), highLimit(lo <= hi ? hi : lo) {}

NumberEditBox::~NumberEditBox() {
    NumericDataRef* target = temporary->target;
    delete dataRef;
    dataRef = nullptr;
    delete target;
}

signed char NumberEditBox::decimals() {
    signed char d = temporary->target->decimals();
    return d > 0 ? d : 0;
}

void NumberEditBox::focus() {
    temporary->onFocus();
    firstKey = true;
    decimalState = decimals();
    EditBox::focus();
}

void NumberEditBox::defocus(UserEvent e) {
    temporary->onDefocus(e);
    EditBox::defocus(e);
}

void NumberEditBox::_draw_(const Rect& absRect, bool clip, bool inv, Color background, Rect* area,
                           bool redraw) {
    bool typed = showTypedDecimals();
    Rect valueRect = absRect;
    bool framed = selectability >= SELECTABLE;
    if (showArrows)
        valueRect.bottomRight.x -=
            static_cast<int32_t>(framed ? NumberBoxArrowRoom : NumberBoxArrowRoomUnselectable);
    TextDataDisplay::_draw_(valueRect, clip, inv, background, area, redraw);
    showOwnDecimals(typed);
    if (showArrows && framed) {
        long x = absRect.right() - NumberBoxArrowStrip;
        if (!inverted)
            layer->frameRect(x, absRect.top(), NumberBoxArrowStrip + 1, absRect.height(),
                             currentColor);
        Bitmap* arrows = UpAndDownTrianglesBitmap.bitmap;
        drawBitmap(arrows, x + 1 + (NumberBoxArrowStrip - 1 - arrows->width) / 2,
                   absRect.vAlign(ALIGN_VCENTER), ALIGN_VCENTER, NoColor, currentColor);
    }
    drawFrame(absRect, redraw);
}

bool NumberEditBox::showTypedDecimals() {
    if (selectability != ACTIVE) return false;
    temporary->tmpDecimalPlace(true, decimalState == DecimalPointTyped ? 0 : decimalState);
    return true;
}

void NumberEditBox::showOwnDecimals(bool typed) {
    if (typed) temporary->tmpDecimalPlace(false, 0);
}

StringAndLang NumberEditBox::shownText(unsigned char* buffer) {
    bool typed = showTypedDecimals();
    StringAndLang s = dataRef->getText(format, buffer);
    showOwnDecimals(typed);
    return s;
}

double NumberEditBox::maxMagnitude() const {
    if (!limited()) return NumberBoxMaxMagnitude;
    return std::fabs(lowLimit) > std::fabs(highLimit) ? std::fabs(lowLimit) : std::fabs(highLimit);
}

void NumberEditBox::startFresh() {
    if (!firstKey) return;
    keepEditing();
    decimalState = 0;
    setValue(0);
}

void NumberEditBox::typeDigit(unsigned char digit) {
    startFresh();
    double v = value();
    bool negative = std::signbit(v);
    double m = std::fabs(v);
    signed char state = decimalState;
    if (state == 0) {
        addDigit(m, 0, digit);
    } else {
        signed char typed = state == DecimalPointTyped ? 0 : state;
        if (typed >= decimals()) return;
        state = static_cast<signed char>(typed + 1);
        addDigit(m, state, digit);
    }
    if (m > maxMagnitude()) return;
    decimalState = state;
    setValue(negative ? -m : m);
}

void NumberEditBox::keepEditing() {
    firstKey = false;
    endHighlight();
}

void NumberEditBox::dropLastDigit() {
    keepEditing();
    double v = value();
    bool negative = std::signbit(v);
    double m = std::fabs(v);
    if (decimalState == DecimalPointTyped) {
        decimalState = 0; // only the point goes
    } else if (decimalState > 0) {
        dropDigit(m, decimalState);
        decimalState =
            decimalState == 1 ? DecimalPointTyped : static_cast<signed char>(decimalState - 1);
    } else {
        dropDigit(m, 0);
    }
    setValue(negative ? -m : m);
}

void NumberEditBox::changeSign() {
    keepEditing();
    double v = value();
    bool negative = std::signbit(v);
    // No sign the limits rule out.
    if (limited() && (negative ? highLimit <= 0 : lowLimit >= 0)) return;
    setValue(-v);
}

UserEvent NumberEditBox::handleUserEvent(UserEvent e) {
    if (e == CLOSENO || e == CLOSEYES) {
        temporary->onDialogClose(e);
        abandonEdit();
        return 0;
    }
    if (e >= '0' && e <= '9') {
        typeDigit(static_cast<unsigned char>(e - '0'));
        return 0;
    }
    switch (e) {
    case '.':
        if (decimals() > 0 && (firstKey || decimalState == 0)) {
            startFresh();
            decimalState = DecimalPointTyped;
            draw(nullptr, true);
        }
        return 0;
    case '>':
        dropLastDigit();
        return 0;
    case 'C':
        keepEditing();
        decimalState = 0;
        setValue(0);
        return 0;
    case '-':
        changeSign();
        return 0;
    case ENTER:
        if (limited()) {
            double v = value();
            if (v < lowLimit) setValue(lowLimit);
            if (v > highLimit) setValue(highLimit);
        }
        defocus(ENTER);
        return 0;
    case ESC:
        defocus(ESC);
        return 0;
    default:
        return e;
    }
}
