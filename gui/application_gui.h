// The layer stack of the whole screen: the base layer, popups above it, how adding and
// removing a layer redraws what it uncovers, and where keypad events enter the GUI.
#pragma once

#include "gui/layer.h"

class ApplicationGUI {
public:
    explicit ApplicationGUI(DisplayDriver* driver = nullptr);

    // Puts layer directly above over; with a null over, directly above the base layer when
    // aboveBase is set, else on top. Does nothing for a layer that is already active.
    void addLayer(Layer* layer, Layer* over, bool aboveBase);
    void removeLayer(Layer* layer);
    // Recomputes what covers each layer from `from` downwards; layers that the area
    // uncovers redraw it until their own rectangles have used it up.
    void determineLowerLayersClippingInfo(Layer* from, Rect* area);
    UserEvent dispatchUserEvent(UserEvent e);

    Layer* topLayer;
    Layer baseLayer;
};

extern ApplicationGUI theScreen;
