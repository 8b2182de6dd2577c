// The list of modules found and the view of its current entry. The list's items are the
// entries of the module manager; a dropped entry stays in the list, hidden, for reuse.
#pragma once

#include "data/data.h"
#include "data/data_ref.h"
#include "gui/collection.h"
#include "gui/list_box.h"

class J1939controlFunction;
class J1939module;

constexpr long xpos_ModListBox = 6;
constexpr long ypos_ModListBox = 132;
constexpr long width_ModListBox = 237;
constexpr long height_ModListBox = 60;
constexpr long height_ModListPopup = 165;

// What a list of n items is enabled with: from three items on its selectability stays as
// it is, with two it is selectable, with fewer there is nothing to choose.
Selectability listSelectability(long n);

class ModuleSelectionSingleton {
public:
    Data countData;
    Data selection;
    NumericDataRef selectionRef{&selection};
    ListBox listBox;

    ModuleSelectionSingleton();
    // delta > 0: item joins (or shows again in) the list; delta < 0: item is hidden.
    void adjustListSize(int delta, J1939controlFunction* item);
    J1939controlFunction* getCurrentCf() const;
    J1939module* getSelectedModule() const;
    // Makes item the current entry.
    void setCurrent(J1939controlFunction* item);
    // The views that follow the current entry see item's new values.
    void refreshIfCurrent(J1939controlFunction* item);
};

extern ModuleSelectionSingleton moduleSelection;

// Shows the current entry of the module list. The entry stays the list's item: it is
// borrowed for drawing only.
class ModuleDetailsDisplay : public Collection {
public:
    explicit ModuleDetailsDisplay(const BBox& box) : Collection(box, NOT_SELECTABLE, true) {}
    void updateFromModuleSelection();
    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    J1939controlFunction* shownCf = nullptr;
};
