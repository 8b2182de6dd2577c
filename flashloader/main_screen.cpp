// The main screen and its search for a file and module that fit.
#include "flashloader/main_screen.h"

#include "flashloader/screen_style.h"

#include "core/framework.h"
#include "flashloader/are_you_sure.h"
#include "flashloader/module_check.h"
#include "flashloader/module_manager.h"
#include "flashloader/module_selection.h"
#include "flashloader/osf_selection.h"

namespace {
constexpr FontSize TitleFont = 2;
constexpr FontSize VersionFont = 1;
constexpr FontSize ProgramButtonFont = 2;
// More than the main screen has children.
constexpr int MaxNavigationSteps = 16;

} // namespace

TitleBarSingleton::ScreenTitleSingleton::ScreenTitleSingleton()
    : StaticTextObj(BBox(At(0, 0), width_ScreenTitle, height_ScreenTitle), "J1939 Flashloader",
                    TitleFont, ALIGN_MIRROR_RTL, TextTransparent, TextOnPanel, false, true) {
    vAlign(0, VREF_BOTTOM, ALIGN_BOTTOM);
}

TitleBarSingleton::VersionNumSingleton::VersionNumSingleton()
    : StaticTextObj(BBox(At(width_ScreenTitle, 0), width_VersionNum, height_ScreenTitle),
                    ApplicationVersionString, VersionFont, ALIGN_RIGHT | ALIGN_MIRROR_RTL,
                    TextTransparent, TextOnPanel, false, true) {
    text.literal = true;
    vAlign(0, VREF_BOTTOM, ALIGN_RIGHT | ALIGN_BOTTOM);
}

TitleBarSingleton::TitleBarSingleton()
    : Collection(BBox(At(0, 0), width_Screen, height_ScreenTitle), NOT_SELECTABLE, true) {
    backgroundColor = PanelColor; // white title on a dark bar
    add(&screenTitle);
    add(&versionNum);
}

void TitleBarSingleton::placeOn(Collection* screen) {
    if (parent == screen) return;
    if (parent != nullptr) parent->remove(this);
    screen->add(this);
}

OsfInformationSingleton::OsfInformationSingleton()
    : BoxWithCountAndTitle(At(0, ypos_OsfArea), width_Screen, height_OsfArea, "Software Files",
                           &osfSelection.countData) {}

ModulesFoundSingleton::ModulesFoundSingleton()
    : BoxWithCountAndTitle(At(0, ypos_modulesFoundArea), width_modulesFoundArea,
                           height_modulesFoundArea, "Modules found", &moduleSelection.countData) {}

ProgramButtonSingleton::ProgramButtonSingleton()
    : TextualButton(BBox(At(xpos_ProgramButton, ypos_ProgramButton), width_ProgramButton,
                         height_ProgramButton),
                    &startProgramButtonAction, "Program Module", 0, ProgramButtonFont, nullptr,
                    false, false, BUTTON_MOMENTARY) {}

MainScreenSingleton::MainScreenSingleton()
    : Plane(BBox(At(0, 0), width_Screen, height_Screen), FRAME_NONE, NAVIGABLE_CONTAINER) {}

void MainScreenSingleton::init() {
    escResult = 0; // ESC never closes the main screen
    titleBar.placeOn(this);
    GraphicalObj* const objects[] = {
        &osfInformation,          &modulesFound,        &moduleCheck, &programButton,
        &moduleSelection.listBox, &osfSelection.listBox};
    for (GraphicalObj* o : objects)
        if (!contains(o)) add(o);
    // The lists lie on the dark panels but show their items on paper.
    osfSelection.listBox.backgroundColor = PaperColor;
    moduleSelection.listBox.backgroundColor = PaperColor;
    moduleCheck.update();
    popup(At(-1, -1), nullptr, true);
}

void MainScreenSingleton::onOpen() {
    updateSelectedItem();
}

J1939controlFunction* nextListedModule(J1939controlFunction* m) {
    HierListItem* i = m != nullptr ? m->findNext(false) : moduleSelection.listBox.list->root;
    while (i != nullptr && i->omitted)
        i = i->findNext(false);
    // The list holds the manager's entries only.
    return static_cast<J1939controlFunction*>(i);
}

void deselectItem(GraphicalObj* obj) {
    if (obj->selectability == ACTIVE)
        obj->defocus(0);
    else if (obj->selectability == SELECTED)
        obj->deselect();
}

void MainScreenSingleton::updateSelectedItem() {
    if (!layerIsActive()) return;
    deselectItem(&programButton);
    deselectItem(&osfSelection.listBox);
    deselectItem(&moduleSelection.listBox);
    OsfDetailDisplay* file = osfSelection.getCurrentOsf();
    J1939controlFunction* module = moduleSelection.getCurrentCf();
    // Lists that have items but no current one start with their first.
    if (file == nullptr && osfSelection.countData.getValue() > 0) file = &osfSelection.files[0];
    if (module == nullptr) module = nextListedModule(nullptr);
    if (file != nullptr) osfSelection.setCurrent(file);
    if (module != nullptr) moduleSelection.setCurrent(module);
    // Every pair once, from the current one on: the modules of a file, then the next file.
    int files = static_cast<int>(osfSelection.countData.getValue());
    int pairs = files * static_cast<int>(moduleSelection.countData.getValue());
    bool found = file != nullptr && module != nullptr && moduleCheck.isGoodMatch();
    for (int tried = 1; !found && file != nullptr && module != nullptr && tried < pairs; ++tried) {
        J1939controlFunction* next = nextListedModule(module);
        if (next == nullptr) {
            next = nextListedModule(nullptr);
            int i = static_cast<int>(file - osfSelection.files) + 1;
            file = &osfSelection.files[i < files ? i : 0];
            osfSelection.setCurrent(file);
        }
        if (next == nullptr) break;
        module = next;
        moduleSelection.setCurrent(module);
        found = moduleCheck.isGoodMatch();
    }
    GraphicalObj* chosen = nullptr;
    if (found)
        chosen = &programButton;
    else if (osfSelection.countData.getValue() > 1)
        chosen = &osfSelection.listBox;
    else if (moduleSelection.countData.getValue() > 1)
        chosen = &moduleSelection.listBox;
    if (chosen != nullptr) {
        choose(chosen);
    } else if (navigateFirst()) {
        // Nothing to suggest: the first object the user can reach is selected all the same
        // (an override box, say), so that the arrows have a place to move from.
        if (GraphicalObj* first = currentObj()) first->select();
    }
}

void MainScreenSingleton::choose(GraphicalObj* obj) {
    if (!obj->selectable()) return;
    for (int n = 0; n < MaxNavigationSteps && (current == nullptr || current->obj != obj); ++n)
        if (!navigateNext(true, nullptr)) break;
    if (current != nullptr && current->obj == obj) obj->select();
}
