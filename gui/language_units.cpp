// Switching the language and the unit system: the screen is covered while every open layer
// is taken off the stack, the application is told, and the layers come back and redraw.
#include "core/application_task.h"
#include "data/settings.h"
#include "data/units.h"
#include "gui/application_gui.h"
#include "gui/plane.h"
#include "text/language.h"
#include "text/vocabulary.h"

namespace {
constexpr int MaxCoveredLayers = 32;

Plane& cover() {
    static Plane plane(BBox(ScreenWidth, ScreenHeight), FRAME_NONE, NOT_SELECTABLE,
                       DefaultDisplayDriver);
    return plane;
}

Language* nextLanguage() {
    Language* cur = V.currentLanguage;
    if (V.languageCount == 0 || cur == nullptr) return cur;
    int id = cur->id + 1;
    if (id >= V.languageCount || V.languages[cur->id] != cur) id = 0;
    return V.languages[id];
}
} // namespace

void screenUnitSystemHandler(unsigned char system) {
    theScreen.setCurrentLanguageAndUnits(nullptr, system);
}

void ApplicationGUI::setCurrentLanguageAndUnits(Language* lang, unsigned char units) {
    Language* target = lang == langMinusOne() ? nextLanguage() : lang;
    bool languageChanges = target != nullptr && target != V.currentLanguage;
    bool unitsChange = units != UnitsUnchanged && units != CurrentUnitSystem;
    if (!languageChanges && !unitsChange) return;

    Layer* removed[MaxCoveredLayers];
    int count = 0;
    Plane& c = cover();
    if (topLayer != &baseLayer) {
        addLayer(&c, nullptr, false);
        // From the top down; the list ends up lowest first.
        while (count < MaxCoveredLayers && c.below != &baseLayer) {
            Layer* l = c.below;
            removeLayer(l);
            for (int i = count; i > 0; --i)
                removed[i] = removed[i - 1];
            removed[0] = l;
            ++count;
        }
    }
    if (languageChanges) V.setCurrentLanguage(target);
    if (unitsChange) CurrentUnitSystem = units;
    if (theApplication != nullptr)
        theApplication->onLanguageUnitsChange(languageChanges, unitsChange);
    if (c.layerIsActive()) {
        Layer* over = c.below;
        for (int i = 0; i < count; ++i) {
            addLayer(removed[i], over, false);
            over = removed[i];
        }
        removeLayer(&c);
    }
}
