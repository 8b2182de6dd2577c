// Planes, dialogs and their buttons opened and closed ten thousand times in random order,
// with random keys between, as the application delivers them: afterwards no layer is left on
// the stack, every focus node and selection frame is back in its free list, no timer is
// pending and the screen is what it was at its first drawing.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/framework.h"
#include "data/data_ref.h"
#include "data/units.h"
#include "gui/button.h"
#include "gui/button_action.h"
#include "gui/dialog.h"
#include "gui/graphical_list_box.h"
#include "gui/selection_indicator.h"
#include "gui/text_data_display.h"
#include "platform/display.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/virtual_time.h"

namespace {
std::vector<Color> screenPixels() {
    std::vector<Color> p;
    for (long y = 0; y < ScreenHeight; ++y)
        for (long x = 0; x < ScreenWidth; ++x)
            p.push_back(getPixel(x, y));
    return p;
}

using PlaneStressTest = GuiTest;

TEST_F(PlaneStressTest, TenThousandOpeningsAndClosingsLeaveNothingBehind) {
    startVirtualClock();
    TestPane main(BBox(R(0, 0, 319, 239)), 15);
    StaticTextObj title(BBox(At(0, 2), 320, 20), "J1939 Flashloader", 2, ALIGN_HCENTER, 15, 0,
                        false, true);

    Dialog settings(BBox(At(20, 40), 180, 120), "Settings", F6, 1, FRAME_SHADOW);
    Dialog more(BBox(At(120, 90), 150, 90), "More", 0, 1, FRAME_RINGS);
    Plane side(BBox(At(230, 30), 80, 60), 5, NOT_SELECTABLE);
    AnyKeyExitsDialog note(BBox(At(60, 180), 200, 40), "Note", 0, 0, FRAME_PLAIN);
    Plane help(BBox(At(0, 220), 320, 20), FRAME_PLAIN, NOT_SELECTABLE);
    more.enterCloses = true;
    std::vector<Plane*> planes = {&settings, &more, &side, &note, &help};

    PopupDialogAction openSettings(&settings), openMore(&more), openNote(&note);
    PopupDialogAction openSide(&side, At(-1, -1), true);
    PopupDialogAndAssocPlaneAction openWithHelp(&more, &help);
    CloseDialogAction ok(&settings, CLOSEYES), cancel(&settings, CLOSENO, 300),
        back(&more, CLOSENO, 1);
    PushButton b1(BBox(At(10, 40), 90, 20), &openSettings, "Settings");
    PushButton b2(BBox(At(10, 70), 90, 20), &openNote, "Note");
    TextualButton b3(BBox(At(10, 100), 90, 20), &openSide, "Side", 0, 1, nullptr, true, true,
                     BUTTON_MOMENTARY);
    PushButton b4(BBox(At(10, 130), 90, 20), &openWithHelp, "Help");
    addAll(main, {&title, &b1, &b2, &b3, &b4});

    PushButton sMore(below(8, 4, 70, 20), &openMore, "More");
    PushButton sOk(below(8, 30, 70, 20), &ok, "OK");
    PushButton sCancel(below(90, 30, 70, 20), &cancel, "Cancel");
    CheckBox check("check", 0, true, nullptr, At(8, 60), 14);
    addAll(settings, {&sMore, &sOk, &sCancel, &check});
    TextData name(20);
    TextDataDisplay nameField(new TextDataRef(&name), below(8, 4, 100, 20), 1, ALIGN_LEFT_TOP, 15,
                              0, 0, true, true, true);
    PushButton mBack(below(8, 30, 60, 20), &back, "Back");
    addAll(more, {&nameField, &mBack});
    PushButton sideButton(BBox(At(4, 4), 60, 20), &NullButtonAction, "Side");
    side.add(&sideButton);

    theScreen.addLayer(&main, nullptr, false);
    main.focus();
    const std::vector<Color> first = screenPixels();
    const unsigned stackNodes = GraphicalObjStackNode::pool.blocksInUse();
    const unsigned frames = SelectionIndicator::pool.blocksInUse();

    const UserEvent keys[] = {ENTER,   ESC,   UPARROW, DOWNARROW, LEFTARROW, RIGHTARROW, DIALCW,
                              DIALCCW, CLICK, F1,      F6,        PWRKEY,    NOEVENT};
    const UserEvent closes[] = {ESC, ENTER, CLOSEYES, CLOSENO, NOEVENT};
    std::mt19937 random(20261206);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    int opened = 0, closed = 0;
    for (int op = 0; op < 10000; ++op) {
        switch (pick(8)) {
        case 0: { // open a closed plane over an open layer, or on top
            Plane* p = planes[pick(planes.size())];
            if (p->layerIsActive()) break;
            std::vector<Layer*> open = {&main};
            for (Plane* q : planes)
                if (q->layerIsActive()) open.push_back(q);
            p->popup(At(-1, -1), open[pick(open.size())], pick(4) == 0);
            ++opened;
            break;
        }
        case 1: { // close an open plane
            Plane* p = planes[pick(planes.size())];
            if (!p->layerIsActive()) break;
            p->asyncDefocus(closes[pick(5)]);
            ++closed;
            break;
        }
        case 2:
            runFor(static_cast<uint32_t>(pick(400)));
            break;
        default: // a key, when the keypad would deliver it
            if (FW.keypadEnabled)
                theScreen.dispatchUserEvent(keys[pick(sizeof keys / sizeof *keys)]);
            break;
        }
    }
    EXPECT_GT(opened, 500);
    EXPECT_GT(closed, 300); // more close through their keys
    runFor(1000);
    for (int i = static_cast<int>(planes.size()) - 1; i >= 0; --i) {
        planes[i]->asyncDefocus(NOEVENT);
        theScreen.removeLayer(planes[i]); // an associated plane is only a layer
    }
    EXPECT_TRUE(FW.keypadEnabled);
    EXPECT_EQ(msUntilNextDelayedCallback(), -1);
    while (main.currentObj() != &b1)
        theScreen.dispatchUserEvent(DOWNARROW);
    EXPECT_EQ(GraphicalObjStackNode::pool.blocksInUse(), stackNodes);
    EXPECT_EQ(SelectionIndicator::pool.blocksInUse(), frames);
    EXPECT_EQ(main.focusStack.tos(), &main);
    EXPECT_EQ(main.focusStack.top->next, nullptr);
    EXPECT_EQ(theScreen.topLayer, main.selectionIndicator);
    EXPECT_TRUE(screenPixels() == first);
    delete static_cast<SelectionIndicator*>(main.selectionIndicator);
    main.selectionIndicator = nullptr;
    theScreen.removeLayer(&main);
    EXPECT_EQ(theScreen.topLayer, &theScreen.baseLayer);
}
} // namespace
