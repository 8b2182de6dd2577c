// Graphical list boxes and check boxes.
#include "gui/graphical_list_box.h"

#include "data/units.h"

namespace {
// Three 13-pixel slices: unticked, undecided, ticked.
// #######################################
// #...........##...........##...........#
// #...........##...........##........##.#
// #...........##...........##.......###.#
// #...........##...#####...##......###..#
// #...........##...#####...##.#...###...#
// #...........##...#####...##.##.###....#
// #...........##...#####...##.#####.....#
// #...........##...#####...##..###......#
// #...........##...........##...#.......#
// #...........##...........##...........#
// #...........##...........##...........#
// #######################################
const unsigned char checkboxPixels[] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x80, 0x0C, 0x00, 0x60, 0x02, 0x80, 0x0C, 0x00,
    0x60, 0x1A, 0x80, 0x0C, 0x00, 0x60, 0x3A, 0x80, 0x0C, 0x7C, 0x60, 0x72, 0x80,
    0x0C, 0x7C, 0x68, 0xE2, 0x80, 0x0C, 0x7C, 0x6D, 0xC2, 0x80, 0x0C, 0x7C, 0x6F,
    0x82, 0x80, 0x0C, 0x7C, 0x67, 0x02, 0x80, 0x0C, 0x00, 0x62, 0x02, 0x80, 0x0C,
    0x00, 0x60, 0x02, 0x80, 0x0C, 0x00, 0x60, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE,
};
constexpr int CheckBoxUnticked = 1; // slice numbers, 1-based
constexpr int CheckBoxTicked = 3;
} // namespace

Bitmap checkboxBitmap(3 * CheckBoxSliceWidth, CheckBoxSliceWidth, checkboxPixels, 1);

GraphicalListBox::GraphicalListBox(DataRef* ref, const BBox& b, Bitmap* strip, long width,
                                   bool selectableArg, Color transparent, Color ink, Alignment a)
    : BitmapObj(b, strip, true, transparent, ink, a), NotifiableWithDataRef(ref),
      imageWidth(width) {
    selectability = selectableArg ? SELECTABLE : NOT_SELECTABLE;
    for (int i = 0; i < GraphicalListBoxMaxImages; ++i)
        imageMap[i] = static_cast<unsigned char>((i + 1) % GraphicalListBoxMaxImages);
    sliceWidth = width;
    if (dataRef != nullptr) dataRef->registerInterest(this, false);
}

GraphicalListBox::~GraphicalListBox() {
    delete dataRef;
}

void GraphicalListBox::setImageMapping(bool cycle, int s1, int s2, int s3, int s4, int s5) {
    cycleOnActivate = cycle;
    const int slices[GraphicalListBoxMaxMappings] = {s1, s2, s3, s4, s5};
    mappingCount = 0;
    for (int s : slices) {
        if (s <= 0) break;
        imageMap[mappingCount++] = static_cast<unsigned char>(s);
    }
}

// Counted when used: a static box may be built before the static strip it shows.
int GraphicalListBox::imageCount() const {
    if (imageWidth <= 0 || bitmap == nullptr) return 0;
    long n = bitmap->width / imageWidth;
    return n > GraphicalListBoxMaxImages ? GraphicalListBoxMaxImages : static_cast<int>(n);
}

int GraphicalListBox::getState() {
    if (dataRef == nullptr) return 0;
    double v = dataRef->getValue();
    // Anything that is not a state (negative, too large, not a number) shows state 0.
    if (!(v >= 0 && v < stateCount())) return 0;
    return static_cast<int>(v);
}

void GraphicalListBox::_draw_(const Rect& absRect, bool clip, bool inv, Color background,
                              Rect* area, bool redraw) {
    int slice = imageMap[getState()] - 1;
    if (slice < 0 || slice >= imageCount()) return;
    sliceStart = slice * imageWidth;
    BitmapObj::_draw_(absRect, clip, inv, background, area, redraw);
}

UserEvent GraphicalListBox::activate() {
    if (!cycleOnActivate) return GraphicalObj::activate();
    if (!onActiveLayer()) {
        step(1);
        return 0;
    }
    focus();
    handleUserEvent(UPARROW);
    defocus(0);
    return 0;
}

void GraphicalListBox::_enable_(bool enable, Selectability s) {
    GraphicalObj::_enable_(enable, s);
    dim(!enable, false);
}

void GraphicalListBox::step(int by) {
    int n = stateCount();
    if (n == 0 || dataRef == nullptr) return;
    dataRef->setValue((getState() + by + n) % n, true, false);
}

UserEvent GraphicalListBox::handleUserEvent(UserEvent e) {
    switch (e) {
    case RIGHTARROW:
    case UPARROW:
    case DIALCW:
        step(1);
        return 0;
    case LEFTARROW:
    case DOWNARROW:
    case DIALCCW:
        step(-1);
        return 0;
    case ENTER:
    case ESC:
    case CLICK:
        // Back to the parent, which selects the box again.
        if (selectability == ACTIVE) defocus(0);
        return 0;
    default:
        return e;
    }
}

void GraphicalListBox::notify(NotificationEvent, Data*) {
    draw(nullptr, true);
}

CheckBox::CheckBox(const char* name, signed char initial, bool enabledArg, Data* data, At at,
                   long height)
    : GraphicalListBox(
          nullptr,
          BBox(RefPoint(at, HREF_LEFT, VREF_TOP),
               height == 0 ? RefPoint(At(CheckBoxSliceWidth, 0), HREF_WIDTH, VREF_BOTTOM)
                           : RefPoint(At(CheckBoxSliceWidth, static_cast<int32_t>(height)),
                                      HREF_WIDTH, VREF_HEIGHT)),
          &checkboxBitmap, CheckBoxSliceWidth, true, NoColor, 0, ALIGN_HCENTER | ALIGN_VCENTER) {
    _enable_(enabledArg, SELECTABILITY_UNCHANGED);
    if (data == nullptr) {
        ownAttributes = new DataAttributes(name);
        ownData = new Data(&NoUnits, ownAttributes, initial, true);
        data = ownData;
    }
    dataRef = new NumericDataRef(data);
    dataRef->registerInterest(this, false);
    setImageMapping(true, CheckBoxUnticked, CheckBoxTicked);
}

CheckBox::~CheckBox() {
    delete dataRef; // before the data it may have made
    dataRef = nullptr;
    delete ownData;
    delete ownAttributes;
}

void CheckBox::registerInterest(Notifiable* party) {
    if (Data* d = dataRef->dataPtr()) d->registerInterest(party);
}
