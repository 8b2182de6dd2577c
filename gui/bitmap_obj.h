// A graphical object that shows a bitmap (or a horizontal slice of one), aligned in its
// box; with an alternate bitmap, blinking switches between the two pictures.
#pragma once

#include "gui/bitmap.h"
#include "gui/graphical_obj.h"

class BitmapObj : public GraphicalObj {
public:
    BitmapObj(const BBox& box, Bitmap* b, bool shown, Color transparent, Color ink, Alignment a);
    BitmapObj(Bitmap* b, const At& topLeft, bool shown, Color transparent, Color ink, Alignment a);
    ~BitmapObj() = default;

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void blinkStage(bool on) override;
    void show(bool show, bool force) override;

    Bitmap* bitmap;
    long sliceStart = 0;
    long sliceWidth = 0;
    Alignment alignment;
    Bitmap* alternate = nullptr;
    bool showingAlternate = false;

private:
    void swapPictures();
};

// Built-in icons and the objects that show them.
extern Bitmap ExpandIconBitmap;
extern Bitmap CollapseIconBitmap;
extern Bitmap ElevatorBox;
extern Bitmap UpArrow;
extern Bitmap DownArrow;
extern Bitmap listBoxBitmap;
extern Bitmap upAndDownTrianglesBitmap;
extern BitmapObj ListBoxBitmap;
extern BitmapObj UpAndDownTrianglesBitmap;
