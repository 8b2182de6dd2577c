// The main screen: title bar, the software files and the modules found with their counts,
// the checks and the "Program Module" button; on opening it looks for a file and module
// that fit each other and selects the button when it finds them.
#pragma once

#include "flashloader/bordered_boxes.h"
#include "gui/button.h"
#include "gui/button_action.h"
#include "gui/collection.h"
#include "gui/plane.h"
#include "gui/text_obj.h"

constexpr long width_Screen = 320;
constexpr long height_Screen = 240;
constexpr long width_ScreenTitle = 213;
constexpr long height_ScreenTitle = 20;
constexpr long width_VersionNum = 107;
constexpr long ypos_OsfArea = 25;
constexpr long height_OsfArea = 80;
constexpr long ypos_modulesFoundArea = 110;
constexpr long width_modulesFoundArea = 249;
constexpr long height_modulesFoundArea = 90;
constexpr long xpos_ProgramButton = 80;
constexpr long ypos_ProgramButton = 205;
constexpr long width_ProgramButton = 160;
constexpr long height_ProgramButton = 31;

class TitleBarSingleton : public Collection {
public:
    class ScreenTitleSingleton : public StaticTextObj {
    public:
        ScreenTitleSingleton();
    };
    class VersionNumSingleton : public StaticTextObj {
    public:
        VersionNumSingleton();
    };

    TitleBarSingleton();
    // Moves the bar onto screen (it belongs to one screen at a time).
    void placeOn(Collection* screen);

    ScreenTitleSingleton screenTitle;
    VersionNumSingleton versionNum;
};

class OsfInformationSingleton : public BoxWithCountAndTitle {
public:
    OsfInformationSingleton();
};

class ModulesFoundSingleton : public BoxWithCountAndTitle {
public:
    ModulesFoundSingleton();
};

class ProgramButtonSingleton : public TextualButton {
public:
    ProgramButtonSingleton();
};

class MainScreenSingleton : public Plane {
public:
    MainScreenSingleton();
    void init();
    void onOpen() override;
    // Selects the current file and module, looks for a pair that fits and selects what the
    // user most likely wants next.
    void updateSelectedItem();

private:
    // Makes obj the current child and selects it.
    void choose(GraphicalObj* obj);
};

class J1939controlFunction;
// The module listed after m (the first one for null), dropped entries skipped.
J1939controlFunction* nextListedModule(J1939controlFunction* m);

// An active object loses the focus, a selected one its selection.
void deselectItem(GraphicalObj* obj);

extern TitleBarSingleton titleBar;
extern OsfInformationSingleton osfInformation;
extern ModulesFoundSingleton modulesFound;
extern ProgramButtonSingleton programButton;
extern PopupDialogAction startProgramButtonAction;
extern MainScreenSingleton mainScreen;
