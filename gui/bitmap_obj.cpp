// Bitmap objects.
#include "gui/bitmap_obj.h"

BitmapObj::BitmapObj(const BBox& b, Bitmap* bm, bool shownArg, Color transparent, Color ink,
                     Alignment a)
    : GraphicalObj(b, shownArg, true, false), bitmap(bm), alignment(a) {
    secondColor = transparent;
    normalColor = ink;
    currentColor = ink;
}

BitmapObj::BitmapObj(Bitmap* bm, const At& topLeft, bool shownArg, Color transparent, Color ink,
                     Alignment a)
    : BitmapObj(BBox(topLeft, bm->width, bm->height), bm, shownArg, transparent, ink, a) {}

void BitmapObj::_draw_(const Rect& absRect, bool, bool, Color, Rect*, bool) {
    if (bitmap == nullptr) return;
    long y = absRect.vAlign(alignment);
    BitmapArgs a(this, &absRect, y, alignment, secondColor, currentColor, false);
    a.adjustToAlignment(sliceWidth != 0 ? sliceWidth : bitmap->width, bitmap->height, 0);
    bitmap->drawSlice(a, sliceStart, sliceWidth, 0, false, 0);
}

void BitmapObj::swapPictures() {
    Bitmap* b = bitmap;
    bitmap = alternate;
    alternate = b;
}

void BitmapObj::blinkStage(bool on) {
    if (alternate == nullptr) {
        GraphicalObj::blinkStage(on);
        return;
    }
    if (on != showingAlternate) return;
    swapPictures();
    showingAlternate = !on;
    if (visible()) draw(nullptr, true);
}

void BitmapObj::show(bool showIt, bool force) {
    if (showingAlternate) {
        swapPictures();
        showingAlternate = false;
        force = true;
    }
    GraphicalObj::show(showIt, force);
}
