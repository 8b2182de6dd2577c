// Framed boxes with a title and, optionally, a count.
#include "flashloader/bordered_boxes.h"

#include "flashloader/screen_style.h"

#include "data/data_ref.h"

namespace {
constexpr long BoxBorderThickness = 1;
constexpr long BoxTitleGap = 2;
constexpr FontSize BoxTitleFont = 2;
} // namespace

CollectionWithBorder::CollectionWithBorder(const At& topLeft, long width, long height,
                                           const char* title, long indent)
    : Collection(BBox(topLeft, width, height), NOT_SELECTABLE, true),
      border(BBox(At(0, 0), width, height), PanelColor, BoxBorderThickness, true, true, false),
      titleText(BBox(At(indent + BoxTitleGap, 1), width - indent - BoxTitleGap, height_boxTitle),
                title, BoxTitleFont, ALIGN_MIRROR_RTL, TextTransparent, TextOnPanel, false, true) {
    backgroundColor = PanelColor; // a dark panel; what it holds shows light on it
    add(&border);
    add(&titleText);
}

BoxWithCountAndTitle::BoxWithCountAndTitle(const At& topLeft, long width, long height,
                                           const char* title, Data* count)
    : CollectionWithBorder(topLeft, width, height, title, indent_BoxWithCount),
      countDisplay(new NumericDataRef(count), BBox(At(1, 1), width_boxTitleCount, height_boxTitle),
                   BoxTitleFont, ALIGN_RIGHT, TextTransparent, TextOnPanel, 0, false, true, true) {
    add(&countDisplay);
}
