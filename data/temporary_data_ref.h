// An editing copy in front of a numeric reference: while a dialog is open the widget edits
// a tentative value, which is committed or dropped when the dialog closes.
#pragma once

#include "core/user_event.h"
#include "data/data_ref.h"

// What happens to the edit when focus or the dialog goes.
typedef unsigned char Marshalling;
enum : Marshalling {
    RevertOnEsc = 1,     // ESC on leaving the widget restores the value it had at focus
    RestoreOnCancel = 2, // cancelling the dialog restores the original value
    CommitOnOk = 4,      // accepting the dialog writes the tentative value
    CloseOnDefocus = 8,  // leaving the widget ends the edit (as accept, or cancel for ESC)
};

class TemporaryDataRef : public DataRef {
public:
    NumericDataRef* target;
    double tentativeValue = 0;
    double originalValue = 0;
    double valueAtFocus = 0;
    unsigned char unitSystem;
    bool conversion;
    bool editOpen = false;
    bool passThrough = true;
    bool focused = false;
    Marshalling marshalling;

    TemporaryDataRef(NumericDataRef* target, Notifiable* party, Marshalling m);

    double _getValue_(unsigned char* text) override;
    StringAndLang getText(unsigned char variant, unsigned char* buffer) override;
    void _setValue_(double value, bool notify, bool force) override;
    void registerInterest(Notifiable* p, bool deferred = false) override {
        actuallyRegisterInterest(p, deferred);
    }
    void deregisterInterest() override { actuallyDeregisterInterest(); }

    // With set, the target shows d decimal places (for the digits being typed); without,
    // its own decimals come back.
    void tmpDecimalPlace(bool set, signed char d);
    void onFocus();
    void onDefocus(UserEvent e);
    // CLOSEYES commits, CLOSENO restores, as the marshalling bits say.
    void onDialogClose(UserEvent e);

private:
    signed char savedDecimals = 0;
    void followUnitSystem();
};
