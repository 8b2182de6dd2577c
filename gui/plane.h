// A popup window: a collection of objects that is also a layer of its own, opened directly
// above the layer it was opened from (or on top of the stack) and closed with a code that
// tells its children, its observer and the owner layer whether it was accepted.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "gui/collection.h"
#include "gui/layer.h"

// Frame styles: none, plain, with a drop shadow, with a grey and a white ring; from 4 on a
// frame of style - 2 pixels.
enum : unsigned char {
    FRAME_NONE = 0,
    FRAME_PLAIN = 1,
    FRAME_SHADOW = 2,
    FRAME_RINGS = 3,
};

constexpr int32_t PlaneShadowWidth = 3;
constexpr int32_t PlaneRingWidth = 2;
constexpr int32_t PlaneLeftMargin = 1;
// Keeps children that reach the right margin inside the plane's own box.
constexpr int32_t PlaneRightMargin = -1;
constexpr int32_t PlaneTopMargin = 2;

// Close codes passed to onClose and to the observer.
constexpr NotificationEvent CloseAccepted = AcceptedEvent;           // ENTER, CLOSEYES
constexpr NotificationEvent CloseCancelled = CancelledEvent;         // ESC, CLOSENO, others
constexpr NotificationEvent CloseWithoutKey = ClosedWithoutKeyEvent; // NOEVENT

class Plane : public Layer, public Collection {
public:
    Plane(const BBox& box, unsigned char frameStyle, Selectability s,
          DisplayDriver* driver = DefaultDisplayDriver);
    ~Plane() override;

    // Layer
    void inhibitDrawing(bool on) override;
    void drawLayer(Rect* area) override;
    GraphicalObj* layerObj() override { return this; }
    int layerFrameStyle() const override { return frameStyle; }

    // Opens the plane at `at` (unless it is (-1, -1)) directly above `over`, or on top of
    // the stack with onTop; the observer, when given, is told how it closed.
    virtual void popup(const At& at, Layer* over, bool onTop);
    virtual void popup(Notifiable* observer, const At& at, Layer* over, bool onTop);
    virtual void onOpen() {}
    virtual void onClose(NotificationEvent) {}

    // Collection
    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void focus() override;
    void defocus(UserEvent e) override;
    int32_t getLeftMargin() const override { return PlaneLeftMargin; }
    int32_t getRightMargin() const override { return PlaneRightMargin; }
    int32_t getTopMargin() const override { return PlaneTopMargin; }
    UserEvent handleUserEvent(UserEvent e) override;

    // Deselects the current object and closes the plane with e, when it is open.
    void asyncDefocus(UserEvent e);
    bool isOpen() const { return layerIsActive(); }
    static NotificationEvent closeCode(UserEvent e);

    Layer* ownerLayer = nullptr;
    UserEvent closeEvent = 0;
    Notifiable* observer = nullptr;
    unsigned char frameStyle;
    unsigned char frameWidth;
    UserEvent escResult = ESCDEFAULT;
    UserEvent passKey = 0;

protected:
    void drawDecorations(const Rect& r);
    // Drops the selection frame of this plane's current object, which is a layer of its own.
    void dropSelectionFrame();
};
