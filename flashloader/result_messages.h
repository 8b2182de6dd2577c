// The texts that tell why a programming run ended, with the numbers they carry, and the
// dialog that shows the outcome.
#pragma once

#include "flashloader/osf.h"
#include "gui/dialog.h"
#include "gui/text_obj.h"
#include "text/template_expander.h"

constexpr long width_results = 256;
constexpr long height_results = 120;
constexpr long height_results_msg = 100;
constexpr long ypos_results_msg = 20;
constexpr long xpos_ResultsDialog = 32;
constexpr long ypos_ResultsDialog = 105;

// "&1" the error code (decimal), "&2" the value (hexadecimal, no prefix).
class ResultMsgErrorCodes : public TemplateExpander {
public:
    int errorCode = 0;
    unsigned long value = 0;
    int expand(Language* lang, unsigned char placeholder, unsigned char*& out,
               unsigned long context, double value) override;
};

class ResultMessage : public StaticTextObj {
public:
    explicit ResultMessage(const char* key);
    ResultMsgErrorCodes codes;
    int& errorCode = codes.errorCode;
    unsigned long& value = codes.value;
};

class ModeTimeoutMsg : public ResultMessage {
public:
    ModeTimeoutMsg() : ResultMessage("\v* Module did not change into programming mode.") {}
};
class EraseTimeoutMsg : public ResultMessage {
public:
    EraseTimeoutMsg() : ResultMessage("\v* At flash erasing.") {}
};
class PgmTimeoutMsg : public ResultMessage {
public:
    PgmTimeoutMsg() : ResultMessage("\v* At flash programming.") {}
};
class RunModeErrorMsg : public ResultMessage {
public:
    RunModeErrorMsg() : ResultMessage("\v* Module did not change to run mode.") {}
};
class ModeErrorMsg : public ResultMessage {
public:
    ModeErrorMsg()
        : ResultMessage("\v* Module responsed to change mode command with error code = &1.") {}
};
class EraseErrorMsg : public ResultMessage {
public:
    EraseErrorMsg() : ResultMessage("\v* Erase failed with error code = &1. Bad sector = &2.") {}
};
class PgmEraseErrorMsg : public ResultMessage {
public:
    PgmEraseErrorMsg() : ResultMessage("\v* Error code = &1. Bad address = &2.") {}
};

// "&1" the line of the software file (decimal), "&2" what is wrong with it.
class FileErrorCodes : public TemplateExpander {
public:
    unsigned long line = 0;
    OsfFault fault = OsfFault::None;
    int expand(Language* lang, unsigned char placeholder, unsigned char*& out,
               unsigned long context, double value) override;
};

// The software file is damaged or could not be read: nothing of it goes to the module
// when this is found before the run, and the run fails when it is found during it.
class FileErrorMsg : public StaticTextObj {
public:
    FileErrorMsg();
    FileErrorCodes codes;
    void set(unsigned long line, OsfFault fault) {
        codes.line = line;
        codes.fault = fault;
    }
};

extern ModeTimeoutMsg modeTimeoutMsg;
extern EraseTimeoutMsg eraseTimeoutMsg;
extern PgmTimeoutMsg pgmTimeoutMsg;
extern RunModeErrorMsg runModeErrorMsg;
extern ModeErrorMsg modeErrorMsg;
extern EraseErrorMsg eraseErrorMsg;
extern PgmEraseErrorMsg pgmErrorMsg;
extern FileErrorMsg fileErrorMsg;

extern const char* const resultDialogTitle[2];

class ResultsDialogSingleton : public AnyKeyExitsDialog {
public:
    ResultsDialogSingleton();
    // Shows the outcome: the title, and the message when there is one.
    void updateMsg(GraphicalObj* message, bool succeeded);
    GraphicalObj* message = nullptr;
};

extern ResultsDialogSingleton resultsDialog;
