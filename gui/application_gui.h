// The layer stack of the whole screen: the base layer, popups above it, how adding and
// removing a layer redraws what it uncovers, and where keypad events enter the GUI.
#pragma once

#include "gui/layer.h"

class Language;

// The unit system argument that leaves the unit system as it is.
constexpr unsigned char UnitsUnchanged = 0;

// Makes the unit system current through the screen, so that it redraws.
void screenUnitSystemHandler(unsigned char system);

class ApplicationGUI {
public:
    explicit ApplicationGUI(DisplayDriver* driver = nullptr);
    // Static screens and the screen itself are destroyed in no fixed order: a plane that
    // goes first leaves the stack itself, the screen going first takes the rest off.
    ~ApplicationGUI();

    // Puts layer directly above over; with a null over, directly above the base layer when
    // aboveBase is set, else on top. Does nothing for a layer that is already active.
    void addLayer(Layer* layer, Layer* over, bool aboveBase);
    void removeLayer(Layer* layer);
    // Takes every layer above the base off the screen, top first: at the end of the program,
    // before static objects that are layers go in whatever order.
    void removeAllLayers();
    // Recomputes what covers each layer from `from` downwards; layers that the area
    // uncovers redraw it until their own rectangles have used it up.
    void determineLowerLayersClippingInfo(Layer* from, Rect* area);
    UserEvent dispatchUserEvent(UserEvent e);
    // Switches to lang (null: unchanged; langMinusOne(): the next language) and to the unit
    // system units (UnitsUnchanged: unchanged), tells the application and redraws every
    // open layer in the new language and units.
    void setCurrentLanguageAndUnits(Language* lang, unsigned char units);

    Layer* topLayer;
    Layer baseLayer;
};

extern ApplicationGUI theScreen;
