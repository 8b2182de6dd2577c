// Dialogs, buttons and their actions driven by keys through the screen, as the application
// delivers them: modality, closing with ENTER, delayed release, disabled buttons, popups
// from buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/framework.h"
#include "gui/button.h"
#include "gui/button_action.h"
#include "gui/dialog.h"
#include "gui/selection_indicator.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/virtual_time.h"

namespace {
// A main screen with one button that opens a dialog holding "Yes" and "No".
struct DialogTest : GuiTest {
    TestPane main{BBox(R(0, 0, 319, 239)), 15};
    Dialog dialog{BBox(At(60, 60), 200, 100), "Are you sure?", F6, 1, FRAME_SHADOW};
    CloseObserver observer;
    PopupDialogAction open{&dialog, At(-1, -1), false, &observer};
    PushButton opener{BBox(At(20, 200), 120, 20), &open, "Program Module"};
    CloseDialogAction yesAction{&dialog, CLOSEYES, 1};
    CloseDialogAction noAction{&dialog, CLOSENO, 500};
    PushButton yes{BBox(At(20, 50), 60, 20), &yesAction, "Yes"};
    PushButton no{BBox(At(110, 50), 60, 20), &noAction, "No"};
    void SetUp() override {
        GuiTest::SetUp();
        startVirtualClock();
        main.add(&opener);
        addAll(dialog, {&yes, &no});
        theScreen.addLayer(&main, nullptr, false);
        main.focus();
    }
    void TearDown() override {
        dialog.asyncDefocus(NOEVENT);
        delete static_cast<SelectionIndicator*>(main.selectionIndicator);
        main.selectionIndicator = nullptr;
        theScreen.removeLayer(&main);
    }
};

TEST_F(DialogTest, AButtonOpensAModalDialogAndGetsTheFocusBack) {
    EXPECT_EQ(theScreen.dispatchUserEvent(ENTER), 0u);
    ASSERT_TRUE(dialog.layerIsActive());
    EXPECT_EQ(opener.selectability, ACTIVE);
    EXPECT_TRUE(opener.contentInverted()); // held down while its dialog is open
    EXPECT_EQ(dialog.currentObj(), &yes);
    // Modal: every key is consumed except the pass key, which leaves without the stop bit.
    for (UserEvent e : {LEFTARROW, F1, CIRCLEARROW, PWRKEY, ACK, NOEVENT})
        EXPECT_EQ(theScreen.dispatchUserEvent(e), 0u) << e;
    EXPECT_EQ(dialog.currentObj(), &no); // LEFTARROW wrapped back to the last button
    EXPECT_EQ(theScreen.dispatchUserEvent(F6), F6);
    EXPECT_TRUE(dialog.layerIsActive());
    keys({RIGHTARROW, ENTER}); // "Yes": released at once, then the dialog closes
    EXPECT_FALSE(dialog.layerIsActive());
    EXPECT_EQ(dialog.closeEvent, CLOSEYES);
    EXPECT_EQ(observer.codes, std::vector<NotificationEvent>{CloseAccepted});
    EXPECT_FALSE(yes.contentInverted());
    // The opening button is released and selected again.
    EXPECT_EQ(opener.selectability, SELECTED);
    EXPECT_FALSE(opener.contentInverted());
    EXPECT_EQ(main.focusStack.tos(), &main);
}

TEST_F(DialogTest, DelayedReleaseSwallowsKeysWithTheKeypadOff) {
    keys({ENTER, DOWNARROW});
    EXPECT_EQ(dialog.currentObj(), &no);
    theScreen.dispatchUserEvent(ENTER);
    EXPECT_TRUE(no.releasePending);
    EXPECT_TRUE(no.contentInverted()); // seen pressed
    EXPECT_FALSE(FW.keypadEnabled);
    runFor(499);
    for (UserEvent e : {ESC, ENTER, UPARROW})
        EXPECT_EQ(theScreen.dispatchUserEvent(e), 0u);
    EXPECT_TRUE(dialog.layerIsActive());
    EXPECT_EQ(dialog.currentObj(), &no);
    runFor(1);
    EXPECT_TRUE(FW.keypadEnabled && !no.releasePending && !no.contentInverted());
    EXPECT_FALSE(dialog.layerIsActive());
    EXPECT_EQ(observer.codes, std::vector<NotificationEvent>{CloseCancelled});
}

// The room a title takes is pinned by the dialog reference screens.
TEST_F(DialogTest, EnterClosesWhenAskedAndAnyKeyWhenThatIsTheKind) {
    EventProbe child(BBox(At(10, 10), 20, 10), false);
    Dialog plain(BBox(At(40, 40), 100, 60), nullptr, 0, 1, FRAME_PLAIN);
    plain.add(&child);
    plain.enterCloses = true;
    plain.popup(&observer, At(-1, -1), &main, false);
    EXPECT_EQ(theScreen.dispatchUserEvent(ENTER), 0u);
    EXPECT_FALSE(plain.layerIsActive());
    EXPECT_EQ(observer.codes, std::vector<NotificationEvent>{CloseAccepted});
    EXPECT_EQ(child.seen, std::vector<UserEvent>{CLOSEYES});
    // Closing on any key.
    AnyKeyExitsDialog any(BBox(At(40, 40), 100, 60), "Note", 0, 1, FRAME_PLAIN);
    any.popup(&observer, At(-1, -1), &main, false);
    EXPECT_EQ(theScreen.dispatchUserEvent(F3), 0u);
    EXPECT_FALSE(any.layerIsActive());
    EXPECT_EQ(observer.codes.back(), CloseCancelled);
}

TEST_F(DialogTest, DisabledButtonsAreSkippedAndDoNothing) {
    TextualButton off(BBox(At(240, 200), 60, 20), &NullButtonAction, "Off", 0, 1, nullptr, false,
                      false, BUTTON_MOMENTARY);
    main.add(&off);
    theScreen.dispatchUserEvent(DOWNARROW);
    EXPECT_EQ(main.currentObj(), &opener);
    EXPECT_EQ(off.activate(), 0u);
    EXPECT_FALSE(off.contentInverted());
    off.enable(SELECTABLE_IF_ENABLED);
    EXPECT_EQ(off.text.currentColor, 0);
    off.hide(); // the text goes with its button
    EXPECT_FALSE(off.visible() || off.text.visible());
    off.show(true, false);
    EXPECT_TRUE(off.text.visible());
    main.remove(&off);
}

} // namespace
