// The "Checks" box: how the current software file fits the current module on its address,
// identity number and function code, each failed check with a box the user may tick to
// override it. The "Program Module" button is enabled only when all three are good.
#pragma once

#include "core/notifiable.h"
#include "data/data.h"
#include "data/data_ref.h"
#include "flashloader/bordered_boxes.h"
#include "flashloader/check_states.h"
#include "gui/graphical_list_box.h"
#include "gui/list_box.h"
#include "gui/text_list_item.h"

constexpr long xpos_moduleCheckArea = 250;
constexpr long ypos_moduleCheckArea = 110;
constexpr long width_moduleCheckArea = 69;
constexpr long height_moduleCheckArea = 90;
constexpr long checkBoxSize = 15;
constexpr long width_statusIndicator = 50;
constexpr int CheckStateCount = 4;
constexpr int ModuleCheckCount = 3;

// "Fail", "!!!", "???", "Pass": the texts of the check states 1 to 4.
extern const char* const checkStateIndicatorText[CheckStateCount];

class CheckStateItem : public SimpleTextListItem {
public:
    // i from 0: shows checkStateIndicatorText[i] and carries the state i + 1.
    explicit CheckStateItem(int i);
};

// The values an indicator is built on; they exist before its list box registers with them.
struct CheckIndicatorData {
    Data stateData{nullptr, nullptr, CheckNoRestriction};
    Data overrideData{nullptr, nullptr, 0};
};

class ModuleCheckStateIndicator : public CheckIndicatorData, public ListBox {
public:
    // row: 0 address, 1 identity, 2 function.
    explicit ModuleCheckStateIndicator(int row);

    // A ticked override turns a state into "!!!"; the box shows only for failed checks.
    void setState(CheckStates s);
    bool isGood() { return stateData.getValue() > CheckFail; }
    void undoOverride() { overrideData.setValue(0); }
    CheckStates state() { return static_cast<CheckStates>(stateData.getValue()); }

    CheckBox overrideBox;

private:
    CheckStateItem items[CheckStateCount];
};

class ModuleCheckSingleton : public CollectionWithBorder, public Notifiable {
public:
    ModuleCheckSingleton();
    // Follows both lists' selection and size and the overrides (once their data exist).
    void init();
    void update();
    bool isGoodMatch();
    void notify(NotificationEvent event, Data* data) override;

    ModuleCheckStateIndicator addrCheck, idCheck, functionCheck;

private:
    ModuleCheckStateIndicator* const checks[ModuleCheckCount] = {&addrCheck, &idCheck,
                                                                 &functionCheck};
};

extern ModuleCheckSingleton moduleCheck;
