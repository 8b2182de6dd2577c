// Edit sessions on a numeric reference: tentative value, commit and revert, and unit
// system changes in the middle of an edit.
#include "data/temporary_data_ref.h"

#include "data/units.h"

TemporaryDataRef::TemporaryDataRef(NumericDataRef* t, Notifiable* p, Marshalling m)
    : DataRef(t->data, p), target(t), unitSystem(CurrentUnitSystem), marshalling(m) {
    Units* u = t->data != nullptr ? t->data->getUnits() : nullptr;
    conversion = u != nullptr && u != &NoUnits && (m & 15) != 0;
}

void TemporaryDataRef::followUnitSystem() {
    if (!conversion || unitSystem == CurrentUnitSystem || data == nullptr) return;
    unsigned char now = CurrentUnitSystem;
    if (editOpen) originalValue = convertUnits(originalValue, data, unitSystem, now);
    if (focused) valueAtFocus = convertUnits(valueAtFocus, data, unitSystem, now);
    if (!passThrough) tentativeValue = convertUnits(tentativeValue, data, unitSystem, now);
    unitSystem = now;
}

double TemporaryDataRef::_getValue_(unsigned char* text) {
    followUnitSystem();
    if (passThrough) return target->_getValue_(text);
    if (text != nullptr) text[0] = 0;
    return tentativeValue;
}

StringAndLang TemporaryDataRef::getText(unsigned char variant, unsigned char* buffer) {
    followUnitSystem();
    if (passThrough) return target->getText(variant, buffer);
    return target->formatValue(tentativeValue, buffer);
}

void TemporaryDataRef::_setValue_(double value, bool notify, bool force) {
    if (passThrough) {
        target->setValue(value, notify, force);
        return;
    }
    tentativeValue = value;
    if (notify && data != nullptr) data->notifyEventOccurred(DataChangedEvent);
}

void TemporaryDataRef::tmpDecimalPlace(bool set, signed char d) {
    signed char& decimals = target->decimals();
    if (set) {
        savedDecimals = decimals;
        decimals = d;
    } else {
        decimals = savedDecimals;
    }
}

void TemporaryDataRef::onFocus() {
    followUnitSystem();
    focused = true;
    unitSystem = CurrentUnitSystem;
    double current = target->_getValue_(nullptr);
    if (!editOpen) {
        editOpen = true;
        originalValue = current;
        if (marshalling & CommitOnOk) tentativeValue = current;
    }
    if (marshalling & CommitOnOk) {
        passThrough = false;
        valueAtFocus = tentativeValue;
    } else {
        valueAtFocus = current;
    }
}

void TemporaryDataRef::onDefocus(UserEvent e) {
    followUnitSystem();
    if (e == ESC && (marshalling & RevertOnEsc)) setValue(valueAtFocus, true, false);
    if ((marshalling & CommitOnOk) && (marshalling & CloseOnDefocus))
        onDialogClose(e == ESC ? CLOSENO : CLOSEYES);
    focused = false;
}

void TemporaryDataRef::onDialogClose(UserEvent e) {
    followUnitSystem();
    passThrough = true;
    if (!editOpen) return;
    if (e == CLOSEYES && (marshalling & CommitOnOk))
        target->setValue(tentativeValue, true, false);
    else if (e == CLOSENO && (marshalling & RestoreOnCancel))
        target->setValue(originalValue, true, false);
    editOpen = false;
}
