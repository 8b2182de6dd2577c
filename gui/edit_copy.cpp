// Beginning and ending the edit of a temporary data copy.
#include "gui/edit_copy.h"

void EditCopy::begin(DataRef* ref) {
    if (copy != nullptr || ref == nullptr || ref->data == nullptr) return;
    GenericData* real = ref->data;
    storage.units = real->getUnits();
    storage.attributes = real->attrPtr();
    storage._setValue_(ref->getValue(), false);
    savedData = real;
    copy = &storage;
    ref->reassign(copy);
}

double EditCopy::end(DataRef* ref) {
    if (copy == nullptr) return 0;
    double v = copy->getValue();
    ref->reassign(savedData);
    copy = nullptr;
    savedData = nullptr;
    return v;
}
