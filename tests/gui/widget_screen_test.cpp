// Widget screens compared pixel for pixel with committed references: a dialog with a title
// and two buttons, check boxes ticked and unticked, a language switch with two popups open.
#include <gtest/gtest.h>

#include <vector>

#include "data/data.h"
#include "data/units.h"
#include "gui/button.h"
#include "gui/button_action.h"
#include "gui/dialog.h"
#include "gui/graphical_list_box.h"
#include "gui/selection_indicator.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/screen_compare.h"
#include "tests/text/text_test_support.h"
#include "text/vocabulary.h"

namespace {
using WidgetScreenTest = GuiTest;

StaticTextObj text(const BBox& b, const char* key, FontSize f = 1, Alignment a = ALIGN_VCENTER) {
    return StaticTextObj(b, key, f, a, 15, 0, false, true);
}

TEST_F(WidgetScreenTest, DialogWithATitleAndTwoButtons) {
    MainPane main;
    theScreen.addLayer(&main, nullptr, false);
    Dialog dialog(BBox(At(50, 64), 220, 104), "Are you sure?", 0, 1, FRAME_SHADOW);
    StaticTextObj question =
        text(below(0, 10, 218, 16), "Program Module Engine #0?", 1, ALIGN_HCENTER | ALIGN_VCENTER);
    CloseDialogAction yesAction(&dialog, CLOSEYES), noAction(&dialog, CLOSENO);
    PushButton yes(below(30, 46, 70, 24), &yesAction, "Yes");
    PushButton no(below(118, 46, 70, 24), &noAction, "No");
    addAll(dialog, {&question, &yes, &no});
    dialog.popup(At(-1, -1), &main, false);
    theScreen.dispatchUserEvent(RIGHTARROW);
    EXPECT_TRUE(screenMatchesReference("dialog_title_and_two_buttons"));
    dialog.asyncDefocus(ESC);
}

TEST_F(WidgetScreenTest, CheckBoxesTickedAndUnticked) {
    MainPane main;
    theScreen.addLayer(&main, nullptr, false);
    Dialog settings(BBox(At(40, 50), 240, 100), "Settings", 0, 1, FRAME_RINGS);
    Data beep(&NoUnits, nullptr, 1);
    CheckBox clicks("Key Clicks", 0, true, nullptr, At(0, 0), 14);
    CheckBox errors("Beep on errors", 0, true, &beep, At(0, 0), 14);
    CheckBox off("Demo", 1, false, nullptr, At(0, 0), 14);
    settings.addLabeledWidget(At(12, 10), "Key Clicks", 150, &clicks, VREF_TOP_MARGIN, 40);
    settings.addLabeledWidget(At(12, 32), "Beep on errors", 150, &errors, VREF_TOP_MARGIN, 40);
    settings.addLabeledWidget(At(12, 54), "Demo mode", 150, &off, VREF_TOP_MARGIN, 40);
    settings.popup(At(-1, -1), &main, false);
    theScreen.dispatchUserEvent(ENTER); // ticks "Key Clicks"
    keys({DOWNARROW, ENTER});           // unticks "Beep on errors"
    EXPECT_EQ(std::tuple(clicks.ownData->getValue(), beep.getValue()), std::tuple(1, 0));
    EXPECT_TRUE(screenMatchesReference("check_boxes_ticked_and_unticked"));
    settings.asyncDefocus(ESC);
}

TEST_F(WidgetScreenTest, LanguageSwitchWithTwoPopupsOpen) {
    initVocabularyWith(
        "\xEF\xBB\xBF[Languages]\nEnglish\nDeutsch\n[Strings]\n"
        "$Software Files$ :English \"Software Files\" :Deutsch \"Software-Dateien\";\n"
        "$Modules found$ :English \"Modules found\" :Deutsch \"Gefundene Module\";\n"
        "$Settings$ :English \"Settings\" :Deutsch \"Einstellungen\";\n"
        "$Language$ :English \"Language\" :Deutsch \"Sprache\";\n"
        "$Language...$ :English \"Language...\" :Deutsch \"Sprache...\";\n"
        "$Next language$ :English \"Next language\" :Deutsch \"N\xC3\xA4"
        "chste Sprache\";\n"
        "$Close$ :English \"Close\" :Deutsch \"Schlie\xC3\x9F"
        "en\";\n");
    TestPane main(BBox(R(0, 0, 319, 239)), 15);
    StaticTextObj title = text(BBox(At(0, 2), 320, 20), "J1939 Flashloader", 2, ALIGN_HCENTER);
    StaticTextObj files = text(BBox(At(8, 28), 200, 14), "Software Files");
    StaticTextObj modules = text(BBox(At(8, 120), 200, 14), "Modules found");
    RectObj frame(BBox(R(2, 24, 317, 237)), 0, 1, true, true, false);
    addAll(main, {&title, &files, &modules, &frame});
    theScreen.addLayer(&main, nullptr, false);

    Dialog language(BBox(At(110, 110), 180, 90), "Language", 0, 1, FRAME_SHADOW);
    PushButton next(below(10, 8, 158, 22), &SelectNextLanguage, "Next language");
    CloseDialogAction closeAction(&language, CLOSEYES);
    PushButton close(below(10, 38, 158, 22), &closeAction, "Close");
    addAll(language, {&next, &close});
    Dialog settings(BBox(At(30, 50), 200, 110), "Settings", 0, 1, FRAME_SHADOW);
    PopupDialogAction openLanguage(&language);
    PushButton languageButton(below(10, 10, 178, 22), &openLanguage, "Language...");
    settings.add(&languageButton);
    settings.popup(At(-1, -1), &main, false);
    theScreen.dispatchUserEvent(ENTER);
    ASSERT_TRUE(language.layerIsActive());
    std::vector<Layer*> before = layerStack();
    theScreen.dispatchUserEvent(ENTER); // the next language: Deutsch
    EXPECT_STREQ(V.currentLanguage->name, "Deutsch");
    EXPECT_EQ(layerStack(), before);
    EXPECT_TRUE(screenMatchesReference("language_switch_two_popups"));
    theScreen.dispatchUserEvent(ENTER); // back to English
    settings.asyncDefocus(ESC);
}
} // namespace
