// Layer stack operations.
#include "gui/application_gui.h"

#include "data/settings.h"

ApplicationGUI theScreen;

ApplicationGUI::ApplicationGUI(DisplayDriver* driver)
    : topLayer(&baseLayer), baseLayer(DefaultDisplayDriver) {
    if (driver != nullptr) DefaultDisplayDriver = driver;
    changeUnitSystemHandler = screenUnitSystemHandler;
}

ApplicationGUI::~ApplicationGUI() {
    removeAllLayers();
}

void ApplicationGUI::addLayer(Layer* layer, Layer* over, bool aboveBase) {
    if (layer == nullptr || layer->layerIsActive() || layer == &baseLayer) return;
    if (over == nullptr) over = aboveBase ? &baseLayer : topLayer;
    layer->below = over;
    layer->above = over->above;
    if (over->above != nullptr) over->above->below = layer;
    over->above = layer;
    if (topLayer == over) topLayer = layer;
    layer->determineLayerRect();
    determineLowerLayersClippingInfo(layer, nullptr);
    layer->onScreen(true, nullptr);
}

void ApplicationGUI::removeLayer(Layer* layer) {
    if (layer == nullptr || !layer->layerIsActive()) return;
    layer->onScreen(false, nullptr);
    Layer* under = layer->below;
    under->above = layer->above;
    if (layer->above != nullptr) layer->above->below = under;
    if (topLayer == layer) topLayer = under;
    layer->firstClipper = nullptr;
    layer->below = nullptr;
    layer->above = nullptr;
    Rect uncovered = layer->layerRect;
    determineLowerLayersClippingInfo(under, &uncovered);
}

void ApplicationGUI::removeAllLayers() {
    while (topLayer != &baseLayer && topLayer != nullptr)
        removeLayer(topLayer);
}

void ApplicationGUI::determineLowerLayersClippingInfo(Layer* from, Rect* area) {
    Rect work;
    bool holding = area != nullptr;
    if (holding) work = *area;
    for (Layer* l = from; l != nullptr && l->layerIsActive(); l = l->below) {
        int32_t previous = l->clipInfo;
        l->determineLayerClippingInfo();
        if (holding && previous != 0 && l->layerRect.overlaps(work) != 0) {
            l->onScreen(true, &work);
            if (!l->hollow && !work.subtract(l->layerRect)) holding = false;
        }
    }
    // The base layer never redraws, but what it draws must still be clipped by the layers
    // above it.
    baseLayer.determineLayerClippingInfo();
}

UserEvent ApplicationGUI::dispatchUserEvent(UserEvent e) {
    for (Layer* l = topLayer; l != nullptr && l->layerIsActive(); l = l->below) {
        e = l->dispatchUserEvent(e);
        if (e == 0 || (e & EventStopBit) != 0) break;
    }
    return e & ~EventStopBit;
}
