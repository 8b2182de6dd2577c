// The module list: entries join when they claim and hide when dropped.
#include "flashloader/module_selection.h"

#include "flashloader/module_manager.h"

Selectability listSelectability(long n) {
    return n >= 3 ? SELECTABILITY_UNCHANGED : n == 2 ? SELECTABLE : NOT_SELECTABLE;
}

ModuleSelectionSingleton::ModuleSelectionSingleton()
    : listBox(&selectionRef,
              BBox(At(xpos_ModListBox, ypos_ModListBox), width_ModListBox, height_ModListBox),
              height_ModListPopup, nullptr, true, false, true, true, false, 0) {}

void ModuleSelectionSingleton::adjustListSize(int delta, J1939controlFunction* item) {
    long n = static_cast<long>(countData.getValue());
    if (delta > 0) {
        if (!listBox.itemInList(item)) listBox.addItem(item, ADD_LAST_CHILD, nullptr, true);
        listBox.list->omitItem(item, false);
        ++n;
    } else if (delta < 0) {
        if (listBox.itemInList(item)) listBox.list->omitItem(item, true);
        if (n > 0) --n;
    }
    countData.setValue(static_cast<double>(n));
    // Deselecting drops the screen's one selection frame: only when it is the list's (the
    // program button kept its focus but lost its frame when a module left during a run).
    if (n < 2 && listBox.selectability == SELECTED) listBox.deselect();
    listBox.enable(listSelectability(n));
    if (n > 0 && listBox.hidden) listBox.show(true, false);
}

J1939controlFunction* ModuleSelectionSingleton::getCurrentCf() const {
    HierListItem* i = listBox.getCurrentItem();
    if (i == nullptr || i->omitted) return nullptr;
    // The list holds the manager's entries only.
    return static_cast<J1939controlFunction*>(i);
}

J1939module* ModuleSelectionSingleton::getSelectedModule() const {
    J1939controlFunction* c = getCurrentCf();
    return c != nullptr ? &c->module : nullptr;
}

void ModuleSelectionSingleton::setCurrent(J1939controlFunction* item) {
    if (!listBox.itemInList(item)) return;
    listBox.list->current = item;
    selection.setValue(static_cast<double>(item->getValue()));
}

void ModuleSelectionSingleton::refreshIfCurrent(J1939controlFunction* item) {
    if (listBox.layer == nullptr || !listBox.layer->layerIsActive() || getCurrentCf() != item)
        return;
    selection.setValue(0);
    selection.setValue(static_cast<double>(item->getValue()));
}

void ModuleDetailsDisplay::updateFromModuleSelection() {
    shownCf = moduleSelection.getCurrentCf();
    draw(nullptr, true);
}

void ModuleDetailsDisplay::_draw_(const Rect& r, bool clip, bool inv, Color background, Rect* area,
                                  bool redraw) {
    Collection::_draw_(r, clip, inv, background, area, redraw);
    if (shownCf == nullptr) return;
    J1939controlFunction* item = shownCf;
    Collection* savedParent = item->parent;
    Layer* savedLayer = item->layer;
    Rect* savedClip = item->ownClipRect;
    bool savedHidden = item->hidden, savedInverted = item->inverted;
    int32_t savedY = item->box.start.at.y;
    item->parent = this;
    item->onLayer(layer, ownClipRect);
    item->shown(true);
    item->inverted = false;
    item->box.start.at.y = 0;
    item->genericDraw(DRAW_CHILD, &r, clip, inv, background, area);
    item->box.start.at.y = savedY;
    item->inverted = savedInverted;
    item->shown(!savedHidden);
    item->onLayer(savedLayer, savedClip);
    item->parent = savedParent;
}
