// A layer of the screen: the area it owns, what the layers above it hide of it, the drawing
// primitives (every pixel clipped against higher layers), colour inversion, dark mode and
// the focus stack through which keypad events enter the GUI.
#pragma once

#include <cstdint>

#include "core/user_event.h"
#include "gui/display_driver.h"
#include "gui/geometry.h"
#include "gui/graphical_obj_stack.h"

class GraphicalObj;

class Layer {
public:
    explicit Layer(DisplayDriver* driver);
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    virtual void onScreen(bool draw, Rect* area);
    virtual void drawLayer(Rect* area);
    virtual UserEvent dispatchUserEvent(UserEvent e);
    virtual bool pointInLayer(long x, long y);
    virtual int overlaps(const Rect& r);
    virtual void eraseRect(Rect& r, Color c);
    virtual void inhibitDrawing(bool on);
    virtual ~Layer();

    // The graphical object this layer draws (a plane, a selection frame); null for a bare
    // layer such as the base layer.
    virtual GraphicalObj* layerObj() { return nullptr; }
    // The frame style of a plane, which widens the layer beyond its box; 0 for none.
    virtual int layerFrameStyle() const { return 0; }

    bool layerIsActive() const { return below != nullptr; }
    bool isRedrawRequired() const { return redrawRequired; }
    void setRedrawRequired(bool on) { redrawRequired = on; }

    void determineLayerRect();
    void determineLayerClippingInfo();

    void pushClip(bool enable);
    void popClip();
    // True when the pixel must not be drawn.
    bool clip(long x, long y);
    // 0 not covered, 3 wholly covered, 1 partly, for the rectangle r.
    int clip(const Rect& r);

    bool setInversion(bool on);
    Color invertColor(Color c) const { return c == DimColor ? c : c ^ 15; }
    bool isNotDarkMode(bool note);

    void setPixel(long x, long y, Color c);
    Color getPixel(long x, long y);
    void hline(long x, long y, long length, Color c);
    void vline(long x, long y, long length, Color c);
    void fillRect(long x, long y, long width, long height, Color c);
    void fillRect(const Rect& r, Color c);
    // sides: 8 top, 4 left, 2 bottom, 1 right.
    void frameRect(long x, long y, long width, long height, Color c, long thickness = 1,
                   long sides = 15);
    void frameRect(const Rect& r, Color c, long thickness = 1, long sides = 15);
    void line(const At& a, const At& b, Color c);

    uint32_t clipDisableStack = 0;
    uint32_t inhibitBits = 0;
    bool redrawRequired = false;
    Layer* above = nullptr;
    Layer* below = nullptr;
    bool inverted = false;
    bool clippingEnabled = true;
    GraphicalObjStack focusStack;
    DisplayDriver* driver;
    Layer* firstClipper = nullptr;
    Rect layerRect;
    Rect* clipRect = nullptr;
    int32_t clipInfo = 3;
    Layer* selectionIndicator = nullptr;
    bool hollow = false;

private:
    // Pixels of one row that lie inside clipRect; false when none.
    bool clipSpan(long y, long& x0, long& x1) const;
    bool needsPixelClip() const { return clippingEnabled && firstClipper != nullptr; }
};
