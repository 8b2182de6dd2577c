// The result messages of a programming run and the results dialog.
#include "flashloader/result_messages.h"

#include <cstdio>

ModeTimeoutMsg modeTimeoutMsg;
EraseTimeoutMsg eraseTimeoutMsg;
PgmTimeoutMsg pgmTimeoutMsg;
RunModeErrorMsg runModeErrorMsg;
ModeErrorMsg modeErrorMsg;
EraseErrorMsg eraseErrorMsg;
PgmEraseErrorMsg pgmErrorMsg;
FileErrorMsg fileErrorMsg;
ResultsDialogSingleton resultsDialog;

const char* const resultDialogTitle[2] = {"Programming Suceeded", "Programming Failed"};

namespace {
constexpr FontSize ResultFont = 1;
constexpr FontSize ResultTitleFont = 2;
// Black texts drawn without their background (the font's white is skipped).
constexpr Color ResultColor = 0;
constexpr Color ResultTransparent = 15;
constexpr unsigned char ResultBorder = 10;

// Moves out past what snprintf wrote there.
int plain(unsigned char*& out, int written) {
    if (written > 0) out += written < ExpansionWorkSize ? written : ExpansionWorkSize - 1;
    *out = 0;
    return ExpandedPlain;
}

char* chars(unsigned char* out) {
    return reinterpret_cast<char*>(out);
}

BBox messageBox() {
    return BBox(At(0, ypos_results_msg), width_results, height_results_msg);
}
} // namespace

int ResultMsgErrorCodes::expand(Language*, unsigned char placeholder, unsigned char*& out,
                                unsigned long, double) {
    if (placeholder == 1)
        return plain(out, snprintf(chars(out), ExpansionWorkSize, "%d", errorCode));
    if (placeholder == 2) return plain(out, snprintf(chars(out), ExpansionWorkSize, "%lx", value));
    *out = 0;
    return ExpandedPlain;
}

ResultMessage::ResultMessage(const char* key)
    : StaticTextObj(messageBox(), key, ResultFont, ALIGN_HCENTER, ResultTransparent, ResultColor,
                    false, true) {
    text.expander = &codes;
}

int FileErrorCodes::expand(Language*, unsigned char placeholder, unsigned char*& out, unsigned long,
                           double) {
    if (placeholder == 1) return plain(out, snprintf(chars(out), ExpansionWorkSize, "%lu", line));
    if (placeholder == 2) {
        // A key: translated where the string file has it.
        snprintf(chars(out), ExpansionWorkSize, "%s", osfFaultText(fault));
        return ExpandedKey;
    }
    *out = 0;
    return ExpandedPlain;
}

FileErrorMsg::FileErrorMsg()
    : StaticTextObj(messageBox(), "\v* Software file error in line &1: &2.", ResultFont,
                    ALIGN_HCENTER, ResultTransparent, ResultColor, false, true) {
    text.expander = &codes;
}

ResultsDialogSingleton::ResultsDialogSingleton()
    : AnyKeyExitsDialog(
          BBox(At(xpos_ResultsDialog, ypos_ResultsDialog), width_results, height_results), "", 0,
          ResultTitleFont, ResultBorder) {}

void ResultsDialogSingleton::updateMsg(GraphicalObj* m, bool succeeded) {
    removeAll();
    setTitle(resultDialogTitle[succeeded ? 0 : 1]);
    message = m;
    if (m != nullptr) add(m);
}
