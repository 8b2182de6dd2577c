// A temporary copy of a data object that a widget edits in place of the data itself while a
// dialog is open: the widget's reference is pointed at the copy, and back at the data when
// the edit is committed or dropped. The copy lives inside its owner: editing allocates
// nothing.
#pragma once

#include "data/data.h"
#include "data/data_ref.h"

class EditCopy {
public:
    bool active() const { return copy != nullptr; }
    // Points ref at a copy with the referenced data's units, attributes and value, marked
    // valid. Nothing happens while a copy is in use or when ref has no data.
    void begin(DataRef* ref);
    // Points ref back at the data and returns the copy's last value (0 when none was
    // being edited).
    double end(DataRef* ref);

    GenericData* savedData = nullptr;
    Data* copy = nullptr;

private:
    Data storage;
};
