// Framed boxes of the main screen: a border with a title, and the same with a count of
// what the box lists shown before the title.
#pragma once

#include "data/data.h"
#include "gui/collection.h"
#include "gui/rect_obj.h"
#include "gui/text_data_display.h"
#include "gui/text_obj.h"

constexpr long height_boxTitle = 20;
constexpr long width_boxTitleCount = 25;
constexpr long indent_BoxWithCount = 26;

class CollectionWithBorder : public Collection {
public:
    CollectionWithBorder(const At& topLeft, long width, long height, const char* title,
                         long indent);

    RectObj border;
    StaticTextObj titleText;
};

class BoxWithCountAndTitle : public CollectionWithBorder {
public:
    BoxWithCountAndTitle(const At& topLeft, long width, long height, const char* title,
                         Data* count);

    TextDataDisplay countDisplay;
};
