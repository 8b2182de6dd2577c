// A picture strip of equal-width slices of which a data value chooses one (a check box is
// one): the arrows and the dial step the value, wrapping at either end.
#pragma once

#include "core/notifiable.h"
#include "data/data.h"
#include "data/data_ref.h"
#include "gui/bitmap_obj.h"

constexpr int GraphicalListBoxMaxImages = 16;
constexpr int GraphicalListBoxMaxMappings = 5;
constexpr long CheckBoxSliceWidth = 13;

class GraphicalListBox : public BitmapObj, public NotifiableWithDataRef {
public:
    // The box owns the reference and registers with its data at once. The box always edits
    // the data itself: the dialog broadcasts have no copy to commit or drop.
    GraphicalListBox(DataRef* ref, const BBox& box, Bitmap* strip, long sliceWidth, bool selectable,
                     Color transparent, Color ink, Alignment a);
    ~GraphicalListBox() override;

    // Up to five slice numbers (1-based), ended early by a 0.
    void setImageMapping(bool cycleOnActivate, int s1, int s2 = 0, int s3 = 0, int s4 = 0,
                         int s5 = 0);
    int stateCount() const { return mappingCount != 0 ? mappingCount : imageCount(); }
    int imageCount() const;
    // The data value as a state, 0 when it is not one.
    int getState();

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    UserEvent activate() override;
    // A disabled box is drawn dimmed.
    void _enable_(bool enable, Selectability s) override;
    UserEvent handleUserEvent(UserEvent e) override;
    void notify(NotificationEvent event, Data* data) override;

    long imageWidth;
    unsigned char imageMap[GraphicalListBoxMaxImages];
    int mappingCount = 0;
    bool cycleOnActivate = false;

private:
    void step(int by);
};

extern Bitmap checkboxBitmap;

class CheckBox : public GraphicalListBox {
public:
    // Without data the box makes its own, named, holding initial. With height 0 the box
    // reaches the parent's bottom.
    CheckBox(const char* name, signed char initial, bool enabled, Data* data, At at, long height);
    ~CheckBox() override;
    void registerInterest(Notifiable* party);

    Data* ownData = nullptr;
    DataAttributes* ownAttributes = nullptr;
};
