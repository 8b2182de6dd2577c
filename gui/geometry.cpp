// Rectangle arithmetic and the rule that turns relative boxes into screen rectangles.
#include "gui/geometry.h"

#include <algorithm>
#include <cstdio>

#include "gui/alphabet.h"
#include "gui/graphical_obj.h"
#include "gui/gui_language.h"

int Rect::overlaps(int32_t a1, int32_t a2, int32_t b1, int32_t b2) {
    if (a1 > b1) return a1 > b2 ? 0 : 1;
    if (a2 >= b2) return 3;
    return a2 >= b1 ? 1 : 0;
}

int Rect::overlaps(const Rect& o) const {
    return overlaps(left(), right(), o.left(), o.right()) &
           overlaps(top(), bottom(), o.top(), o.bottom());
}

bool Rect::intersect(const Rect& o) {
    topLeft.y = std::max(top(), o.top());
    bottomRight.y = std::min(bottom(), o.bottom());
    topLeft.x = std::max(left(), o.left());
    bottomRight.x = std::min(right(), o.right());
    return !empty();
}

bool Rect::subtract(const Rect& other) {
    Rect common = *this;
    if (!common.intersect(other)) return true;
    int mask = (top() != common.top() ? 8 : 0) | (left() != common.left() ? 4 : 0) |
               (bottom() != common.bottom() ? 2 : 0) | (right() != common.right() ? 1 : 0);
    switch (mask) {
    case 0:
        return false;
    case 1:
        topLeft.x = common.right() + 1;
        break;
    case 2:
        topLeft.y = common.bottom() + 1;
        break;
    case 4:
        bottomRight.x = common.left() - 1;
        break;
    case 8:
        bottomRight.y = common.top() - 1;
        break;
    default:
        break; // the rest is not one rectangle
    }
    return true;
}

Rect Rect::shrink(int32_t dl, int32_t dt, int32_t dr, int32_t db) const {
    return Rect(topLeft.move(dl, dt), bottomRight.move(dr, db));
}

int32_t Rect::vAlign(Alignment a) const {
    if (a & ALIGN_BOTTOM) return bottom() + 1;
    if (a & ALIGN_VCENTER) return (top() + bottom() + 1) / 2;
    return top();
}

int32_t RefPoint::multiLineHeight() const {
    if (vType < VREF_LINES) return 0;
    int32_t v = vType - VREF_LINES;
    Font* f = currentAlphabet()->font(v & 15);
    return f != nullptr ? ((v >> 4) + 1) * f->lineHeight() : 0;
}

At RefPoint::getAbsPointRelativeTo(const GraphicalObj* parent, const Rect* ref) const {
    int32_t x = at.x, y = at.y;
    if (parent == nullptr) return At(x, y + multiLineHeight());
    Rect parentRect;
    if (ref == nullptr) {
        parentRect = parent->getAbsRect(nullptr);
        ref = &parentRect;
    }
    switch (hType) {
    case HREF_LEFT:
        x += ref->left();
        break;
    case HREF_LEFT_MARGIN:
        x += parent->getLeftMargin() + ref->left();
        break;
    case HREF_CENTER:
        x += (ref->left() + ref->right()) / 2;
        break;
    case HREF_RIGHT:
        x += ref->right();
        break;
    case HREF_RIGHT_MARGIN:
        x += parent->getRightMargin() + ref->right();
        break;
    default:
        break;
    }
    switch (vType) {
    case VREF_TOP:
        y += ref->top();
        break;
    case VREF_TOP_MARGIN:
        y += parent->getTopMargin() + ref->top();
        break;
    case VREF_CENTER:
        y += (ref->top() + ref->bottom()) / 2;
        break;
    case VREF_BOTTOM:
        y += ref->bottom();
        break;
    case VREF_HEIGHT:
        break;
    default: // VREF_ABS and VREF_LINES
        y += multiLineHeight();
        break;
    }
    return At(x, y);
}

BBox::BBox(int32_t width, int32_t height)
    : start(At(0, 0), HREF_LEFT, VREF_TOP),
      end(At(width - 1, height - 1), HREF_WIDTH, VREF_HEIGHT) {}

BBox::BBox(const At& topLeft, int32_t width, int32_t height)
    : start(topLeft, HREF_LEFT, VREF_TOP), end(At(width - 1, height - 1), HREF_WIDTH, VREF_HEIGHT) {
}

BBox::BBox(const Rect& r)
    : start(r.topLeft, HREF_ABS, VREF_ABS), end(r.bottomRight, HREF_ABS, VREF_ABS) {}

BBox::BBox(PredefinedBBoxTypes t) : BBox(PredefinedBBoxes[t >= 0 && t < 4 ? t : 0]) {}

Rect BBox::getAbsRectRelativeTo(const GraphicalObj* parent, const Rect* ref) const {
    Rect parentRect;
    if (parent != nullptr && ref == nullptr) {
        parentRect = parent->getAbsRect(nullptr);
        ref = &parentRect;
    }
    Rect r(start.getAbsPointRelativeTo(parent, ref), end.getAbsPointRelativeTo(parent, ref));
    if (start.vType >= VREF_LINES && ref != nullptr) r.topLeft.y += ref->top();
    if (end.vType == VREF_HEIGHT)
        r.bottomRight.y += r.top();
    else if (end.vType >= VREF_LINES)
        r.bottomRight.y = r.bottomRight.y - 1 + r.top();
    if (end.hType == HREF_WIDTH) r.bottomRight.x += r.left();
    if (CurrentRightToLeft && parent != nullptr && parent->mirrorChildren) {
        int32_t shift = (ref->right() - r.right()) - (r.left() - ref->left());
        r.topLeft.x += shift;
        r.bottomRight.x += shift;
    }
    return r;
}

int32_t BBox::width() const {
    if (end.hType == HREF_WIDTH) return end.at.x;
    if (end.hType == start.hType) return end.at.x - start.at.x;
    printf("BBox.width can't determine a value\n");
    return 80;
}

int32_t BBox::height() const {
    if (end.vType == VREF_HEIGHT) return end.at.y + 1;
    if (end.vType >= VREF_LINES) return end.multiLineHeight() + end.at.y;
    if (end.vType == start.vType) return end.at.y - start.at.y;
    return 60;
}
