// The screens' static objects, built here in the order in which they refer to each other:
// the boxes show the lists' counts, so the lists come first.
#include "flashloader/are_you_sure.h"
#include "flashloader/file_search.h"
#include "flashloader/main_screen.h"
#include "flashloader/module_check.h"
#include "flashloader/module_selection.h"
#include "flashloader/osf_selection.h"

OsfSelectionSingleton osfSelection;
ModuleSelectionSingleton moduleSelection;
TitleBarSingleton titleBar;
OsfInformationSingleton osfInformation;
ModulesFoundSingleton modulesFound;
AreYouSureSingleton areYouSureDialog;
PopupDialogAction startProgramButtonAction(&areYouSureDialog, At(-1, -1));
ProgramButtonSingleton programButton;
ModuleCheckSingleton moduleCheck;
MainScreenSingleton mainScreen;
FileSearchMsgSingleton fileSearchMsg;
FileSearchSingleton fileSearch;
