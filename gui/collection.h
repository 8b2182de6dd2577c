// A graphical object that holds others: draws them in order, passes show/hide, layer and
// dimming down to them, and moves the selection among them with arrows and the dial.
#pragma once

#include "gui/font.h"
#include "gui/graphical_obj.h"
#include "gui/graphical_obj_list.h"

class DataRef;
class GenericData;
class StaticTextObj;
class TextObj;

class Collection : public GraphicalObj {
public:
    Collection(const BBox& box, Selectability s, bool shown);

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void shown(bool on) override;
    void ancestorShown(bool on) override;
    void onLayer(Layer* l, Rect* clip) override;
    void refocus(UserEvent e) override;
    void focus() override;
    UserEvent handleUserEvent(UserEvent e) override;
    void dim(bool dim, bool redraw) override;
    Collection* asCollection() override { return this; }
    virtual ~Collection();

    void add(GraphicalObj* obj, GraphicalObj* after = nullptr);
    void remove(GraphicalObj* obj);
    void removeAll();
    bool contains(const GraphicalObj* obj) const { return obj != nullptr && obj->parent == this; }
    // The selected leaf: the current child, or inside a navigable container its own current.
    GraphicalObj* currentObj() const;

    GraphicalObjListNode* circularNext(GraphicalObjListNode* node, bool wrap) const;
    GraphicalObjListNode* circularPrev(GraphicalObjListNode* node, bool wrap) const;
    bool navigateFirst();
    bool navigateLast();
    bool navigateNext(bool wrap, GraphicalObjListNode* start);
    bool navigatePrev(bool wrap, GraphicalObjListNode* start);

    // Label helpers: each makes its text objects (owned by this collection, deleted with
    // it), adds them and returns the first.
    StaticTextObj* addLabel(const At& at, const char* text, long width, VRefType v, FontSize f);
    StaticTextObj* addLabeledStaticText(const At& at, const char* label, long labelWidth,
                                        const char* text, long textWidth, Alignment a, VRefType v,
                                        long gap, FontSize f);
    StaticTextObj* addLabeledTextData(const At& at, const char* label, long labelWidth,
                                      GenericData* data, long dataWidth, Alignment a, VRefType v,
                                      long gap, DataRef* ref = nullptr,
                                      StaticTextObj** labelOut = nullptr);
    StaticTextObj* addLabeledWidget(const At& at, const char* label, long labelWidth,
                                    GraphicalObj* widget, VRefType v, long gap);
    TextObj* addUnitsText(const At& at, GenericData* data, long width, Alignment a, VRefType v);

    GraphicalObjList children;
    GraphicalObjListNode* current = nullptr;
    bool activateChildOnFocus = false;
    bool enterIsForChildren = true;

private:
    TextObj* ownedLabels = nullptr;
    void own(TextObj* t);
    // The child of node when it is a navigable container, else null.
    static Collection* container(const GraphicalObjListNode* n);
};
