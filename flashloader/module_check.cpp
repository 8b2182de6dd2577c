// The compatibility checks of the current file and module, with their overrides.
#include "flashloader/module_check.h"

#include "flashloader/screen_style.h"

#include "flashloader/main_screen.h"
#include "flashloader/module_manager.h"
#include "flashloader/module_selection.h"
#include "flashloader/osf_selection.h"

const char* const checkStateIndicatorText[CheckStateCount] = {"Fail", "!!!", "???", "Pass"};

namespace {
constexpr long ypos_FirstCheck = 30;
constexpr long xpos_Check = 2;
constexpr long xpos_OverrideBox = 52;
// The check box sits two pixels higher than its row.
constexpr long raise_OverrideBox = 2;
constexpr FontSize CheckFont = 1;

long rowY(int row) {
    return ypos_FirstCheck + checkBoxSize * row;
}
} // namespace

CheckStateItem::CheckStateItem(int i)
    : SimpleTextListItem(checkStateIndicatorText[i], static_cast<unsigned long>(i + 1), TextOnPaper,
                         0, CheckFont, 0, SUBLIST_COLLAPSED, SELECTABLE, ALIGN_HCENTER) {}

ModuleCheckStateIndicator::ModuleCheckStateIndicator(int row)
    : ListBox(new NumericDataRef(&stateData),
              BBox(At(xpos_Check, rowY(row)), width_statusIndicator, checkBoxSize), 0, nullptr,
              false, true, true, false, false, 0),
      overrideBox(nullptr, 0, true, &overrideData,
                  At(xpos_OverrideBox, rowY(row) - raise_OverrideBox), checkBoxSize),
      items{CheckStateItem(0), CheckStateItem(1), CheckStateItem(2), CheckStateItem(3)} {
    for (CheckStateItem& i : items)
        addItem(&i, ADD_LAST_CHILD, nullptr, true);
    list->current = &items[CheckNoRestriction - 1];
    backgroundColor = PaperColor;             // the state shows light on the dark panel
    overrideBox.backgroundColor = PaperColor; // its tick is drawn dark
    overrideBox.show(false, false);
}

void ModuleCheckStateIndicator::setState(CheckStates s) {
    if (overrideData.getValue() > 0) s = CheckOverridden;
    bool boxWanted = s <= CheckOverridden;
    if (boxWanted == overrideBox.hidden) overrideBox.show(boxWanted, false);
    stateData.setValue(s);
}

ModuleCheckSingleton::ModuleCheckSingleton()
    : CollectionWithBorder(At(xpos_moduleCheckArea, ypos_moduleCheckArea), width_moduleCheckArea,
                           height_moduleCheckArea, "Checks", 0),
      addrCheck(0), idCheck(1), functionCheck(2) {
    selectability = NAVIGABLE_CONTAINER; // the override boxes are reached inside it
    for (ModuleCheckStateIndicator* c : checks) {
        add(c);
        add(&c->overrideBox);
    }
}

void ModuleCheckSingleton::init() {
    Data* const followed[] = {&osfSelection.selection,    &osfSelection.countData,
                              &moduleSelection.selection, &moduleSelection.countData,
                              &addrCheck.overrideData,    &idCheck.overrideData,
                              &functionCheck.overrideData};
    for (Data* d : followed)
        d->registerInterest(this);
}

void ModuleCheckSingleton::update() {
    bool good = false;
    OsfDetailDisplay* f = osfSelection.getCurrentOsf();
    J1939controlFunction* m = moduleSelection.getCurrentCf();
    if (osfSelection.countData.getValue() > 0 && moduleSelection.countData.getValue() > 0 &&
        f != nullptr && m != nullptr) {
        addrCheck.setState(f->osf.checkAddr(static_cast<unsigned char>(m->addressData.getValue())));
        idCheck.setState(f->osf.checkId(static_cast<unsigned long>(m->identityData.getValue())));
        functionCheck.setState(
            f->osf.checkFunction(static_cast<unsigned char>(m->functionData.getValue())));
        good = isGoodMatch();
    }
    programButton.enable(good, SELECTABILITY_UNCHANGED);
}

bool ModuleCheckSingleton::isGoodMatch() {
    for (ModuleCheckStateIndicator* c : checks)
        if (!c->isGood()) return false;
    return true;
}

void ModuleCheckSingleton::notify(NotificationEvent event, Data* data) {
    if (event != DataChangedEvent && event != TimeSetEvent) return;
    bool moduleChanged = data == &moduleSelection.selection;
    if (data == &moduleSelection.countData && moduleSelection.getCurrentCf() == nullptr) {
        // The current module was dropped (or there was none): the list moves on to one
        // that is listed, which is a change of module like any other.
        if (J1939controlFunction* m = nextListedModule(nullptr)) {
            moduleSelection.setCurrent(m);
            moduleChanged = true;
        }
    }
    if (data == &osfSelection.selection || moduleChanged)
        for (ModuleCheckStateIndicator* c : checks)
            c->undoOverride();
    update();
}
