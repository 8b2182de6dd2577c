// The base of everything drawn: a retained object with its box relative to its parent, its
// colours and states, and the one generic draw through which every draw, erase and redraw
// goes (visibility, dark mode, clipping against higher layers, background, inversion).
#pragma once

#include <cstdint>

#include "core/user_event.h"
#include "gui/display_driver.h"
#include "gui/geometry.h"

class Collection;
class Layer;
class NotifiableBlinkListSingleton;

typedef int32_t Selectability;
enum : Selectability {
    NOT_SELECTABLE = 0,
    SELECTABLE_IF_ENABLED = 1,
    SELECTABILITY_UNCHANGED = 2,
    NAVIGABLE_CONTAINER = 3,
    SELECTABLE = 4,
    SELECTED = 5,
    ACTIVE = 6,
};

typedef int32_t Blinkability;
enum : Blinkability {
    NOT_BLINKING = 0,
    BLINKING = 1,
    BLINK_PENDING = 2,
    IN_BLINK_STAGE = 3,
};

typedef int32_t DrawOperationBeta;
enum : DrawOperationBeta {
    DRAW_CHILD = 0, // drawn by its parent: erase only where its background differs
    DRAW = 1,
    ERASE = 2,
    REDRAW = 3, // erase only when _erase_ says so
};

// The look of a shared object, in rising priority.
typedef int32_t GraphicalObjOperability;
enum : GraphicalObjOperability {
    OPERABILITY_HIDDEN = 0,
    OPERABILITY_NORMAL = 1,
    OPERABILITY_INVERTED = 2,
    OPERABILITY_BLINKING = 3,
    OPERABILITY_DIMMED = 4,
};

// A record applied to existing widgets: each kind takes what concerns it (every object the
// box and colours, texts the font size and alignment, data displays the format).
struct GraphicalProperties {
    uint32_t kind = 0; // free for the table that holds the record
    BBox box;
    int32_t fontSize = 1;
    Alignment alignment = 0;
    Color secondColor = NoColor;
    Color normalColor = 0;
    unsigned char format = 0;
};

class GraphicalObj {
public:
    GraphicalObj(const BBox& box, bool shown, bool enabled, bool selectable);
    GraphicalObj(const GraphicalObj&) = delete;
    GraphicalObj& operator=(const GraphicalObj&) = delete;

    virtual void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                        bool redraw) = 0;
    virtual void shown(bool on) { hidden = !on; }
    virtual void ancestorShown(bool on) { ancestorHidden = !on; }
    virtual void onLayer(Layer* l, Rect* clip);
    virtual void refocus(UserEvent) {}
    virtual void focus();
    virtual void defocus(UserEvent e);
    virtual void _enable_(bool enable, Selectability s);
    virtual void select();
    virtual void deselect();
    virtual UserEvent activate();
    virtual int32_t getLeftMargin() const { return 0; }
    virtual long adjustLeftMargin(long x) { return x; }
    virtual int32_t getRightMargin() const { return 0; }
    virtual int32_t getTopMargin() const { return 0; }
    virtual UserEvent handleUserEvent(UserEvent e) { return e; }
    virtual Color getSelectionBkgndColor(Color c);
    virtual bool visible() const;
    virtual Rect getAbsRect(const Rect* ref) const;
    virtual void redraw(bool clip);
    virtual bool _erase_(const Rect&, Color) { return true; }
    virtual void blinkStage(bool on) { show(on, false); }
    virtual void blinking(bool on);
    virtual void dim(bool dim, bool redraw);
    virtual bool selectable() const;
    virtual void apply(const GraphicalProperties& p);
    // Non-null for collections, so that navigation can look inside navigable containers.
    virtual Collection* asCollection() { return nullptr; }
    // Shows (drawing when it becomes visible, or always when forced) or hides the object;
    // bitmap objects first put back the picture an interrupted blink left showing.
    virtual void show(bool show, bool force);

    void genericDraw(DrawOperationBeta op, const Rect* ref, bool clip, bool parentInverted,
                     Color background, Rect* area);
    void draw(Rect* area, bool clip) { genericDraw(DRAW, nullptr, clip, false, 15, area); }
    void erase(Rect* area) { genericDraw(ERASE, nullptr, true, false, 15, area); }
    void invert(bool on);
    void hide();
    void enable(Selectability s);
    void disable(Selectability s);
    void enable(bool on, Selectability s) { on ? enable(s) : disable(s); }
    void setColor(Color c, bool redraw);
    void _setColor_(Color c, bool redraw);
    void toggleColor(bool redraw);
    void blinkStart() { blinking(true); }
    void blinkStop() { blinking(false); }
    Color getParentBackground(bool& inverted) const;
    void eraseInterior(const Rect& r, Color c);
    bool onActiveLayer() const;
    // Top-left corner for a box of that size placed just below (or, without room, above)
    // the anchor, kept on the screen.
    static At nextTo(GraphicalObj* anchor, BBox* box, long dx, long dy, bool centre);
    const GraphicalObj* parentObj() const;
    // Draws all of the bitmap aligned at (x, y), through this object's layer.
    void drawBitmap(class Bitmap* b, long x, long y, Alignment a, Color transparent, Color ink);

    BBox box;
    Collection* parent = nullptr;
    bool hidden;
    bool ancestorHidden = true;
    bool enabled;
    bool inverted = false;
    Layer* layer = nullptr;
    Selectability selectability;
    Rect* ownClipRect = nullptr;
    Blinkability blinkState = NOT_BLINKING;
    Color backgroundColor = ParentBackground;
    Color secondColor = NoColor;
    Color normalColor = 0;
    Color currentColor = 0;
    bool dimmed = false;
    bool mirrorChildren = false;

    static NotifiableBlinkListSingleton blinkList;
    static Color selectionColor;

protected:
    ~GraphicalObj() = default;
};
