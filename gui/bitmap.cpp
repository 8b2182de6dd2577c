// Bitmaps: packed pixel access and drawing through a layer.
#include "gui/bitmap.h"

#include "gui/graphical_obj.h"
#include "gui/gui_language.h"
#include "gui/layer.h"

BitmapArgs::BitmapArgs(GraphicalObj* o, const Rect* r, long yArg, Alignment a, Color transparent,
                       Color ink, bool rtl)
    : obj(o), x(r->left()), y(yArg), alignment(a), transparentColor(transparent), inkColor(ink),
      rightToLeft(rtl), left(r->left()), right(r->right()) {}

void BitmapArgs::adjustToAlignment(long width, long height, long shift) {
    Alignment a = alignment;
    if ((a & ALIGN_MIRROR_RTL) && !(a & ALIGN_HCENTER) && CurrentRightToLeft) a ^= ALIGN_RIGHT;
    if (a & ALIGN_RIGHT)
        x = right - width;
    else if (a & ALIGN_HCENTER)
        x = (left + right + 1) / 2 - width / 2;
    else
        x = left;
    if (a & ALIGN_VCENTER)
        y -= height / 2;
    else if (a & ALIGN_BOTTOM)
        y -= height;
    yShift = shift;
}

Bitmap::Bitmap(long w, long h, const unsigned char* d, long bpp)
    : data(const_cast<unsigned char*>(d)) {
    resize(w, h, bpp);
}

Bitmap::Bitmap(const unsigned char* record) : data(const_cast<unsigned char*>(record) + 12) {
    auto word = [record](int i) { return record[i] | record[i + 1] << 8; };
    resize(word(0), word(2), word(8));
    bytesPerRow = word(6);
    if (supportedDepth()) firstPixelOffset = record[4] / bitsPerPixel;
}

void Bitmap::resize(long w, long h, long bpp) {
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    bitsPerPixel = static_cast<int32_t>(bpp);
    if (supportedDepth()) {
        bytesPerRow = (bitsPerPixel * width + 7) / 8;
        pixelsPerByte = 8 / bitsPerPixel;
        pixelMask = static_cast<uint8_t>((1 << bitsPerPixel) - 1);
    } else {
        bytesPerRow = 0;
        pixelsPerByte = 1;
        pixelMask = 0;
    }
}

Color Bitmap::decode(unsigned v) const {
    if (bitsPerPixel == 1) return v ? 0 : 15;
    return static_cast<Color>(v);
}

unsigned Bitmap::encode(Color c) const {
    if (bitsPerPixel == 1) return (c & 1) == 0 ? 1 : 0;
    return static_cast<unsigned>(c) & pixelMask;
}

void Bitmap::indexAt(long x, long y) {
    if (!supportedDepth()) return;
    long p = x + firstPixelOffset;
    cursor = data + y * bytesPerRow + p / pixelsPerByte;
    cursorShift = bitsPerPixel * (pixelsPerByte - 1 - static_cast<int32_t>(p % pixelsPerByte));
}

void Bitmap::nextIndex() {
    if (cursor == nullptr) return;
    cursorShift -= bitsPerPixel;
    if (cursorShift < 0) {
        cursorShift = 8 - bitsPerPixel;
        ++cursor;
    }
}

Color Bitmap::getPixel() const {
    if (!supportedDepth() || cursor == nullptr) return 15;
    return decode((*cursor >> cursorShift) & pixelMask);
}

void Bitmap::setPixel(Color c) {
    if (!supportedDepth() || cursor == nullptr) return;
    *cursor = static_cast<unsigned char>((*cursor & ~(pixelMask << cursorShift)) |
                                         (encode(c) << cursorShift));
}

Color Bitmap::getNextPixel() {
    Color c = getPixel();
    nextIndex();
    return c;
}

void Bitmap::setNextPixel(Color c) {
    setPixel(c);
    nextIndex();
}

Color Bitmap::getPixel(long x, long y) {
    if (!supportedDepth() || x < 0 || y < 0 || x >= width || y >= height) return 15;
    indexAt(x, y);
    return getPixel();
}

void Bitmap::setPixel(long x, long y, Color c) {
    if (!supportedDepth() || x < 0 || y < 0 || x >= width || y >= height) return;
    indexAt(x, y);
    setPixel(c);
}

long Bitmap::drawSlice(const BitmapArgs& a, long srcX, long w, unsigned char yOffset,
                       bool addYShift, long xOffset) const {
    if (srcX < 0) srcX = 0;
    if (w <= 0 || srcX + w > width) w = width - srcX;
    if (w <= 0) return 0;
    Layer* layer = a.obj != nullptr ? a.obj->layer : nullptr;
    if (layer == nullptr || !supportedDepth()) return w;
    long x0 = a.x + xOffset;
    long y0 = a.y + yOffset + (addYShift ? a.yShift : 0);
    // Columns and rows off the screen are not visited.
    long c0 = x0 < 0 ? -x0 : 0, c1 = x0 + w > ScreenWidth ? ScreenWidth - x0 : w;
    long r0 = y0 < 0 ? -y0 : 0, r1 = y0 + height > ScreenHeight ? ScreenHeight - y0 : height;
    for (long row = r0; row < r1; ++row) {
        const unsigned char* rowData = data + row * bytesPerRow;
        for (long col = c0; col < c1; ++col) {
            long p = srcX + col + firstPixelOffset;
            int shift = bitsPerPixel * (pixelsPerByte - 1 - static_cast<int>(p % pixelsPerByte));
            Color v = decode((rowData[p / pixelsPerByte] >> shift) & pixelMask);
            if (v == a.transparentColor) continue;
            Color out = v;
            if (a.inkColor == DimInk)
                out = v == 15 ? 15 : DimColor;
            else if (v == 0)
                out = a.inkColor;
            layer->setPixel(x0 + col, y0 + row, out);
        }
    }
    return w;
}

void GraphicalObj::drawBitmap(Bitmap* b, long x, long y, Alignment al, Color transparent,
                              Color ink) {
    Rect r(At(static_cast<int32_t>(x), static_cast<int32_t>(y)),
           At(static_cast<int32_t>(x + b->width - 1), static_cast<int32_t>(y)));
    BitmapArgs a(this, &r, y, al, transparent, ink, false);
    a.adjustToAlignment(b->width, b->height, 0);
    b->drawSlice(a, 0, 0, 0, false, 0);
}
