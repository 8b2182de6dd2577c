// Screens compared pixel for pixel with committed reference images (tests/references):
// text in every size, frames and lines, a popup over another layer, the selection frame,
// inversion and dimming.
#include <gtest/gtest.h>

#include "gui/alphabet.h"
#include "gui/bitmap_obj.h"
#include "gui/rect_obj.h"
#include "gui/selection_indicator.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/screen_compare.h"
#include "text/xtd_string.h"

namespace {
using ScreenTest = GuiTest;

TEST_F(ScreenTest, TextInEverySizeAndTheMappedCharacters) {
    TestPane pane(BBox(R(0, 0, 319, 239)), 15);
    theScreen.addLayer(&pane, nullptr, false);
    Label small(BBox(At(4, 2), 312, 10), "Small: Modules found  Program Module 0123456789",
                &SmallFont);
    Label small2(BBox(At(4, 13), 312, 10),
                 "\xc4nderung \xfc"
                 "ber Stra\xdf"
                 "e, \xe9t\xe9 \xe0 l'\xe9"
                 "cole",
                 &SmallFont);
    Label normal(BBox(At(4, 26), 312, 13), "Normal: J1939 Flashloader 1.1 (build 5.7.1)",
                 &NormalFont);
    Label normal2(BBox(At(4, 40), 312, 13), "Software Files: Checks OK? Yes/No [45] {5} #250",
                  &NormalFont);
    Label normal3(BBox(At(4, 54), 312, 13),
                  "\xc4\xd6\xdc \xe4\xf6\xfc\xdf \xc9\xc8\xca \xe9\xe8\xea\xeb \xe7\xc7 \xf1\xd1 "
                  "\xe5\xc5 \xf8\xd8 \xa9\xb0\xb5\xbd",
                  &NormalFont);
    Label large(BBox(At(4, 70), 312, 20), "Large: Programming Suceeded", &LargeFont);
    Label large2(BBox(At(4, 92), 312, 20), "gjpqy \xc0\xc1\xc2\xc3\xc4\xc5 0123456789", &LargeFont);
    const std::u32string mapped =
        U"\u0100\u0101\u010c\u010d\u010e\u010f\u0112\u0113\u011a\u011b\u0122\u0123\u012a\u012b"
        U"\u0136\u0137\u013b\u013c\u0145\u0146\u0147\u0148\u014c\u014d\u0150\u0151";
    const std::u32string mapped2 =
        U"\u0156\u0157\u0158\u0159\u0160\u0161\u0164\u0165\u016a\u016b"
        U"\u016e\u016f\u0170\u0171\u017d\u017e \u2026 \u2116 \u2264 \u2265";
    Label m1(BBox(At(4, 114), 312, 10), mapped + U" " + mapped2, &SmallFont);
    Label m2(BBox(At(4, 126), 312, 13), mapped, &NormalFont);
    Label m3(BBox(At(4, 140), 312, 13), mapped2, &NormalFont);
    Label m4(BBox(At(4, 155), 312, 20), mapped2, &LargeFont);
    Label huge(BBox(At(4, 190), 312, 37), "12.50/3", &HugeNumFont);
    addAll(pane, {&small, &small2, &normal, &normal2, &normal3, &large, &large2, &m1, &m2, &m3, &m4,
                  &huge});
    EXPECT_TRUE(screenMatchesReference("text_sizes_and_mapped_characters"));
}

TEST_F(ScreenTest, FramesLinesAndFills) {
    Layer& l = theScreen.baseLayer;
    for (int t = 1; t <= 4; ++t)
        l.frameRect(10 + 40 * (t - 1), 10, 34, 30, 0, t, 15);
    l.frameRect(170, 10, 34, 30, 12, 2, 8 | 2);
    l.frameRect(210, 10, 34, 30, 9, 3, 4 | 1);
    l.frameRect(250, 10, 60, 30, 7, 1, 8 | 4);
    for (int i = 0; i < 16; ++i)
        l.fillRect(10 + 19 * i, 50, 18, 20, i);
    At centre(80, 160);
    for (int i = 0; i < 16; ++i) {
        int dx = (i < 8 ? -70 + 20 * i : 70 - 20 * (i - 8)), dy = (i < 8 ? -70 : 70);
        l.line(centre, centre.move(dx, dy), i % 2 == 0 ? 0 : 12);
    }
    l.line(At(170, 90), At(310, 230), 0);
    l.line(At(170, 230), At(310, 90), 9);
    l.line(At(240, 85), At(240, 235), 0);
    l.line(At(165, 160), At(315, 160), 0);
    l.fillRect(R(200, 120, 280, 200), 8); // the checkerboard colour
    l.frameRect(R(199, 119, 281, 201), 0);
    EXPECT_TRUE(screenMatchesReference("frames_lines_and_fills"));
}

TEST_F(ScreenTest, PopupOverAnotherClipsAndExposes) {
    MainPane main;
    theScreen.addLayer(&main, nullptr, false);
    DialogPane popup;
    theScreen.addLayer(&popup, nullptr, false);
    // The main screen redraws and changes under the popup: nothing reaches the popup.
    main.rows[4]->setColor(9, true);
    main.draw(nullptr, true);
    theScreen.baseLayer.fillRect(0, 236, 320, 4, 12); // clipped by both panes
    // A second popup partly over the first.
    TestPane note(BBox(R(200, 150, 309, 219)), 12);
    Label n(BBox(BBOX_FILL_PARENT), "Note", &NormalFont, ALIGN_HCENTER | ALIGN_VCENTER);
    n.setColor(15, false);
    note.add(&n);
    theScreen.addLayer(&note, nullptr, false);
    EXPECT_TRUE(screenMatchesReference("popup_over_popup"));
    // Closing the note: both layers underneath fill in exactly what it covered.
    theScreen.removeLayer(&note);
    EXPECT_TRUE(screenMatchesReference("popup_after_exposure"));
}

TEST_F(ScreenTest, SelectionFrameAroundTheCurrentItem) {
    MainPane main;
    Collection list(BBox(BBOX_FILL_PARENT), NOT_SELECTABLE, true);
    Label a(BBox(At(220, 40), 80, 16), "Program", &NormalFont, ALIGN_HCENTER | ALIGN_VCENTER);
    Label b(BBox(At(220, 70), 80, 16), "Check", &NormalFont, ALIGN_HCENTER | ALIGN_VCENTER);
    Label c(BBox(At(220, 100), 80, 16), "Exit", &NormalFont, ALIGN_HCENTER | ALIGN_VCENTER);
    main.add(&list);
    addAll(list, {&a, &b, &c});
    // Put together first, then shown: a collection drawn later would erase its siblings.
    theScreen.addLayer(&main, nullptr, false);
    list.focus();
    theScreen.dispatchUserEvent(DOWNARROW);
    EXPECT_EQ(list.currentObj(), &b);
    EXPECT_TRUE(screenMatchesReference("selection_frame"));
    delete static_cast<SelectionIndicator*>(main.selectionIndicator);
    main.selectionIndicator = nullptr;
    theScreen.removeLayer(&main);
}

TEST_F(ScreenTest, InversionAndDimming) {
    TestPane pane(BBox(R(0, 0, 319, 239)), 15);
    theScreen.addLayer(&pane, nullptr, false);
    Label plain(BBox(At(10, 10), 140, 16), "Plain text", &NormalFont, ALIGN_VCENTER);
    Label inverted(BBox(At(10, 30), 140, 16), "Inverted text", &NormalFont, ALIGN_VCENTER);
    Label dimmed(BBox(At(10, 50), 140, 16), "Dimmed text", &NormalFont, ALIGN_VCENTER);
    // Children's boxes are relative to their collection's.
    Collection box(BBox(R(160, 10, 309, 110)), NOT_SELECTABLE, true);
    box.backgroundColor = 12;
    Label inBox(BBox(At(10, 10), 130, 16), "On blue", &NormalFont, ALIGN_VCENTER);
    RectObj frame(BBox(At(10, 35), 60, 30), 0, 2, true, true, false);
    RectObj fill(BBox(At(80, 35), 60, 30), 9, 0, true, true, false);
    unsigned char iconPixels[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    Bitmap shades(16, 1, iconPixels, 4);
    BitmapObj icon(BBox(At(10, 75), 16, 4), &shades, true, NoColor, 0, ALIGN_LEFT_TOP);
    BitmapObj expand(&ExpandIconBitmap, At(40, 75), true, NoColor, 0, ALIGN_LEFT_TOP);
    BitmapObj collapse(&CollapseIconBitmap, At(55, 75), true, NoColor, 0, ALIGN_LEFT_TOP);
    BitmapObj listMark(&listBoxBitmap, At(70, 75), true, NoColor, 0, ALIGN_LEFT_TOP);
    BitmapObj triangles(&upAndDownTrianglesBitmap, At(85, 75), true, NoColor, 0, ALIGN_LEFT_TOP);
    addAll(pane, {&plain, &inverted, &dimmed, &box});
    addAll(box, {&inBox, &frame, &fill, &icon, &expand, &collapse, &listMark, &triangles});
    inverted.invert(true);
    dimmed.dim(true, true);
    // The same collection drawn again inverted below: every child inverts with it.
    Collection copy(BBox(R(160, 120, 309, 220)), NOT_SELECTABLE, true);
    copy.backgroundColor = 12;
    Label inCopy(BBox(At(10, 10), 130, 16), "On blue, inverted", &NormalFont, ALIGN_VCENTER);
    RectObj frame2(BBox(At(10, 35), 60, 30), 0, 2, true, true, false);
    RectObj fill2(BBox(At(80, 35), 60, 30), 9, 0, true, true, false);
    BitmapObj icon2(BBox(At(10, 75), 16, 4), &shades, true, NoColor, 0, ALIGN_LEFT_TOP);
    BitmapObj expand2(&ExpandIconBitmap, At(40, 75), true, NoColor, 0, ALIGN_LEFT_TOP);
    pane.add(&copy);
    addAll(copy, {&inCopy, &frame2, &fill2, &icon2, &expand2});
    copy.invert(true);
    Label grey(BBox(At(10, 90), 140, 16), "Dimmed on 8", &NormalFont, ALIGN_VCENTER);
    grey.backgroundColor = 8;
    pane.add(&grey);
    grey.dim(true, true);
    EXPECT_TRUE(screenMatchesReference("inversion_and_dimming"));
}
} // namespace
