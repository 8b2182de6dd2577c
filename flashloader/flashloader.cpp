// One programming run, from the file check to the module back in run mode.
#include "flashloader/flashloader.h"

#include <cstdio>

#include "flashloader/module_manager.h"
#include "flashloader/protocol_entry_points.h"
#include "flashloader/protocol_msgs.h"
#include "flashloader/result_messages.h"
#include "text/multi_string.h"

FlashloaderSingleton flashLoader;

namespace {
constexpr Color FlFrameColor = 0;
// Black texts drawn without their background (the font's white is skipped).
constexpr Color FlTextColor = 0;
constexpr Color FlTextTransparent = 15;
constexpr Color FlBarObjectColor = 8;
constexpr Color FlBarColor = 0;
constexpr Color FlBarBackground = 15;
constexpr Color FlBarActive = 12;
constexpr uint8_t FlBarGap = 2;
constexpr uint32_t FlBarSegments = 10;
constexpr FontSize FlSmallFont = 0;
constexpr FontSize FlLargeFont = 2;
constexpr int FlStatusCapacity = 100;
constexpr uint32_t FlCheckSliceMs = 1;
constexpr long FlWideObjects = width_ProgressDialog;

void send(J1939msg& m, const J1939module* module) {
    m.transmit(module->address);
}
} // namespace

FlashloaderSingleton::FlashloaderSingleton()
    : NotifiableDialog(BBox(At(xpos_ProgressDialog, ypos_ProgressDialog), width_ProgressDialog,
                            height_ProgressDialog),
                       "Update in progress...", 0, 1, myDialogBorderThickness),
      frame(BBox(At(8, 20), 239, 57), FlFrameColor, 1, true, true, false),
      moduleDetails(BBox(At(9, 21), 237, 55)),
      withText(BBox(At(0, 79), FlWideObjects, 12), "with", FlSmallFont, ALIGN_HCENTER,
               FlTextTransparent, FlTextColor, false, true),
      fileText(At(2, 91), 252, FlSmallFont), statusText(FlStatusCapacity),
      statusDisplay(new TextDataRef(&statusText), BBox(At(10, 126), 244, 20), FlLargeFont,
                    ALIGN_MIRROR_RTL, FlTextTransparent, FlTextColor, 0, false, true, true),
      progressBar(&progressRef, 0, FlProgressMax, BBox(At(10, 156), 236, 10), FlBarObjectColor,
                  FlBarColor, FlBarSegments, FlBarGap, FlBarBackground, FlBarActive, LEFT_TO_RIGHT,
                  false),
      escText(BBox(At(0, 180), FlWideObjects, 10), "Press ESC to cancel", FlSmallFont,
              ALIGN_HCENTER, FlTextTransparent, FlTextColor, false, true) {
    GraphicalObj* const objects[] = {&frame,         &moduleDetails, &withText, &fileText,
                                     &statusDisplay, &progressBar,   &escText};
    for (GraphicalObj* o : objects)
        add(o);
}

void FlashloaderSingleton::setStatus(const char* key) {
    unsigned char text[MultiStringBufferSize];
    translateString(langMinusOne(), text, key, 0, 0);
    statusText.setTextValue(text);
}

void FlashloaderSingleton::onOpen() {
    ending = false;
    moduleDetails.updateFromModuleSelection();
    OsfDetailDisplay* f = osfSelection.getCurrentOsf();
    swFile = f != nullptr ? &f->osf : nullptr;
    module = moduleSelection.getSelectedModule();
    progress.setValue(1);
    delayedNotify(TimerEvent, FlTickMs);
    if (swFile == nullptr || module == nullptr) {
        // Nothing to program: the run cannot start.
        endWithFileError(0, OsfFault::CannotOpen);
        return;
    }
    // The file is checked before anything goes to the module: a damaged file must never
    // leave a module erased and half-programmed.
    setStatus("Checking software file...");
    state = FlCheckFile;
    recordsRead = 0;
    fileCheck.start(*swFile);
    delayedNotify(WakeUpEvent, FlCheckSliceMs);
}

void FlashloaderSingleton::startModeChange() {
    setStatus("Changing operating modes...");
    J1939moduleMgr.selectTargetCf(module);
    send(ChangeToProgramModeCmdMsg, module);
    state = FlChangeToProgramMode;
    retryModeCmd = true;
    deadline = getMsTime() + FlModeAnswerMs;
}

void FlashloaderSingleton::notify(NotificationEvent event, Data*) {
    if (!isOpen() || ending) return;
    if (event == WakeUpEvent) {
        if (state != FlCheckFile) return;
        if (!fileCheck.step(FlCheckLinesPerSlice)) {
            delayedNotify(WakeUpEvent, FlCheckSliceMs);
        } else if (fileCheck.passed()) {
            startModeChange();
        } else {
            endWithFileError(fileCheck.result.line, fileCheck.result.fault);
        }
        return;
    }
    if (event != TimerEvent) return;
    double p = progress.getValue() + 1;
    progress.setValue(p > FlProgressMax ? 0 : p);
    if (state == FlCheckFile || !isDue(getMsTime(), deadline)) {
        delayedNotify(TimerEvent, FlTickMs);
        return;
    }
    switch (state) {
    case FlChangeToProgramMode:
        if (retryModeCmd) {
            retryModeCmd = false;
            send(ChangeToProgramModeCmdMsg, module);
            deadline = getMsTime() + FlModeRetryAnswerMs;
            delayedNotify(TimerEvent, FlTickMs);
        } else {
            endProgramming(&modeTimeoutMsg, false);
        }
        break;
    case FlErase:
        endProgramming(&eraseTimeoutMsg, false);
        break;
    case FlProgramData:
        endProgramming(&pgmTimeoutMsg, false);
        break;
    default:
        endProgramming(&runModeErrorMsg, true);
        break;
    }
}

void FlashloaderSingleton::proceedToErase() {
    setStatus("Erasing memory...");
    state = FlErase;
    uint32_t wait = FlEraseMsPerSector * static_cast<uint32_t>(swFile->sectors.count);
    if (wait < FlEraseMinMs) wait = FlEraseMinMs;
    if (!EraseSectorsCmd.updateMsgData(swFile->sectors.count, swFile->sectors.list)) {
        // A sector list the command cannot carry: erasing part of it would leave the
        // module half-programmed.
        eraseErrorMsg.errorCode = 0;
        eraseErrorMsg.value = swFile->sectors.count;
        endProgramming(&eraseErrorMsg, false);
        return;
    }
    send(EraseSectorsCmd, module);
    deadline = getMsTime() + wait;
}

void FlashloaderSingleton::proceedToProgramData() {
    setStatus("Programming...");
    state = FlProgramData;
    sendNextDataPacket();
}

void FlashloaderSingleton::sendNextDataPacket() {
    if (swFile->readNextRecord()) {
        ++recordsRead;
        if (swFile->record.type != HexEndOfFile) {
            if (!PgmDataCmd.setDataFromHexRecord(swFile->record)) {
                endWithFileError(swFile->recordLine, OsfFault::TooManyBytes);
                return;
            }
            send(PgmDataCmd, module);
            deadline = getMsTime() + FlDataAnswerMs;
            return;
        }
    } else if (swFile->readState() != OsfReadState::EndOfFile) {
        // The stick was pulled or the file changed since it was checked: the image is not
        // complete, so the run must not end as if it were.
        endWithFileError(swFile->recordLine, swFile->readFault);
        return;
    }
    // A file cut short after it was checked ends early without a read error.
    if (recordsRead != fileCheck.result.records) {
        endWithFileError(swFile->recordLine, OsfFault::Changed);
        return;
    }
    state = FlChangeToRunMode;
    deadline = getMsTime() + FlRunModeAnswerMs;
    send(ChangeToRunModeCmdMsg, module);
}

void FlashloaderSingleton::endWithFileError(unsigned long line, OsfFault fault) {
    fileErrorMsg.set(line, fault);
    endProgramming(&fileErrorMsg, false);
}

void FlashloaderSingleton::endProgramming(GraphicalObj* message, bool succeeded) {
    printf("programming %s\n", succeeded ? "succeeded" : "failed");
    ending = true;
    resultsDialog.updateMsg(message, succeeded);
    asyncDefocus(ENTER);
}

void FlashloaderSingleton::onClose(NotificationEvent event) {
    if (swFile != nullptr) swFile->reset();
    fileCheck.stop();
    while (cancelDelayedNotify(TimerEvent)) {
    }
    while (cancelDelayedNotify(WakeUpEvent)) {
    }
    J1939moduleMgr.deselectTargetCf();
    if (event != CloseCancelled) resultsDialog.popup(At(-1, -1), nullptr, true);
}

void FlashloaderSingleton::changeModeResponse(bool positive, unsigned char errorCode) {
    if (!isOpen() || ending) return;
    if (state == FlChangeToRunMode) {
        endProgramming(positive ? nullptr : &runModeErrorMsg, true);
    } else if (state == FlChangeToProgramMode) {
        if (positive) {
            proceedToErase();
        } else {
            modeErrorMsg.errorCode = errorCode;
            endProgramming(&modeErrorMsg, false);
        }
    }
}

void FlashloaderSingleton::eraseResponse(bool positive, unsigned char errorCode,
                                         unsigned long badSector) {
    if (!isOpen() || ending || state != FlErase) return;
    if (positive) {
        proceedToProgramData();
    } else {
        eraseErrorMsg.errorCode = errorCode;
        eraseErrorMsg.value = badSector;
        endProgramming(&eraseErrorMsg, false);
    }
}

void FlashloaderSingleton::pgmDataResponse(bool positive, unsigned char errorCode,
                                           unsigned long failedAddr) {
    if (!isOpen() || ending || state != FlProgramData) return;
    if (positive) {
        sendNextDataPacket();
    } else {
        pgmErrorMsg.errorCode = errorCode;
        pgmErrorMsg.value = failedAddr;
        endProgramming(&pgmErrorMsg, false);
    }
}

void rxChangeModeResponse(unsigned char response, unsigned char errorCode) {
    protocolCalls.add(
        {ProtocolCall::ChangeMode, response, errorCode, 0, nullptr, VerTypeGeneralAnswer, noSwVer});
    flashLoader.changeModeResponse(response == FL_Done, errorCode);
}

void rxEraseResponse(unsigned char response, unsigned char errorCode, unsigned long badSector) {
    protocolCalls.add({ProtocolCall::Erase, response, errorCode, badSector, nullptr,
                       VerTypeGeneralAnswer, noSwVer});
    flashLoader.eraseResponse(response == FL_Done, errorCode, badSector);
}

void rxPgmDataResponse(unsigned char response, unsigned char errorCode, unsigned long failedAddr) {
    protocolCalls.add({ProtocolCall::PgmData, response, errorCode, failedAddr, nullptr,
                       VerTypeGeneralAnswer, noSwVer});
    flashLoader.pgmDataResponse(response == FL_Done, errorCode, failedAddr);
}
