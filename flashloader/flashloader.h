// The progress dialog that runs one programming run: the software file is checked first,
// then the module is put into programming mode, erases the file's sectors, takes the
// records one at a time and goes back to run mode. Each step waits for the module's
// answer with a deadline that a 500 ms tick watches; ESC cancels.
#pragma once

#include "data/data.h"
#include "flashloader/module_selection.h"
#include "flashloader/osf.h"
#include "flashloader/osf_selection.h"
#include "gui/bar_graph.h"
#include "gui/dialog.h"
#include "gui/rect_obj.h"
#include "gui/text_data_display.h"
#include "j1939/j1939_module.h"

constexpr long xpos_ProgressDialog = 32;
constexpr long ypos_ProgressDialog = 30;
constexpr long width_ProgressDialog = 256;
constexpr long height_ProgressDialog = 200;
constexpr unsigned char myDialogBorderThickness = 10;

enum FlashloaderState : unsigned long {
    FlChangeToProgramMode = 0,
    FlErase = 1,
    FlProgramData = 2,
    FlChangeToRunMode = 3,
    FlCheckFile = 4, // the file is being checked; nothing sent yet
};

constexpr uint32_t FlTickMs = 500;
constexpr uint32_t FlModeAnswerMs = 2000;
constexpr uint32_t FlModeRetryAnswerMs = 5000;
constexpr uint32_t FlEraseMsPerSector = 2000;
constexpr uint32_t FlEraseMinMs = 20000;
constexpr uint32_t FlDataAnswerMs = 5000;
constexpr uint32_t FlRunModeAnswerMs = 2000;
// Lines of the file checked per main-loop pass.
constexpr unsigned long FlCheckLinesPerSlice = 256;
constexpr double FlProgressMax = 10;

class FlashloaderSingleton : public NotifiableDialog {
public:
    RectObj frame;
    ModuleDetailsDisplay moduleDetails;
    StaticTextObj withText;
    OsfTextDisplay fileText;
    TextData statusText;
    TextDataDisplay statusDisplay;
    Data progress;
    NumericDataRef progressRef{&progress}; // the bar does not own its reference
    LinearBarGraph progressBar;
    StaticTextObj escText;
    Osf* swFile = nullptr;
    J1939module* module = nullptr;
    unsigned long state = FlChangeToProgramMode;
    uint32_t deadline = 0;
    bool retryModeCmd = false;
    OsfValidationRun fileCheck;
    unsigned long recordsRead = 0;

    FlashloaderSingleton();
    void onOpen() override;
    void onClose(NotificationEvent event) override;
    // TimerEvent: the tick; WakeUpEvent: the next slice of the file check.
    void notify(NotificationEvent event, Data* data) override;
    void proceedToErase();
    void proceedToProgramData();
    void sendNextDataPacket();
    void endProgramming(GraphicalObj* message, bool succeeded);

    // The module's answers (ignored unless the run waits for them).
    void changeModeResponse(bool positive, unsigned char errorCode);
    void eraseResponse(bool positive, unsigned char errorCode, unsigned long badSector);
    void pgmDataResponse(bool positive, unsigned char errorCode, unsigned long failedAddr);

private:
    void setStatus(const char* key);
    void startModeChange();
    void endWithFileError(unsigned long line, OsfFault fault);
    bool ending = false; // endProgramming has closed the dialog
};

extern FlashloaderSingleton flashLoader;
