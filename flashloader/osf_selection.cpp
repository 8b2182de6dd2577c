// The file list and the text of its current file.
#include "flashloader/osf_selection.h"

#include <cstdio>

#include "flashloader/module_selection.h"

OsfTextExpander osfTextExpander;

namespace {
constexpr long height_OsfListPopup = 165;
constexpr long OsfTextHeightSmall = 30;
constexpr long OsfTextHeightNormal = 45;
constexpr Color OsfTextColor = 0; // shown white: the box is drawn inverted
// The font's background is skipped: white letters on the inverted (dark) box.
constexpr Color OsfTextTransparent = 15;
constexpr unsigned long BytesPerKilobyte = 1024;
// The header mark says three lines; the placeholders follow.
const char OsfTextTemplate[] = "\v3 &1\n&2\n&3";

int copyPlain(const char* s, unsigned char*& out) {
    for (int n = 0; *s != '\0' && n < ExpansionWorkSize - 1; ++n)
        *out++ = static_cast<unsigned char>(*s++);
    *out = 0;
    return ExpandedPlain;
}
} // namespace

namespace {
constexpr long width_OsfFileName = 240;
constexpr long width_OsfSize = 32;
constexpr long width_OsfUnitSize = 10;
constexpr long xpos_OsfUnit = 274;
constexpr long width_OsfVerison = 98;
constexpr long width_OsfDetailLabels = 74;
constexpr long x_OsfDetailLabels = 98;
constexpr long x_OsfDetails = 174;
constexpr long width_elevatorBox = 12;
// The header values run to the list's scroll strip: 22 pixels cut even "0x0C".
constexpr long width_OsfDetails = width_OsfListBox - width_elevatorBox - x_OsfDetails;
constexpr long height_lineOsfDetailTitle = 15;
constexpr long height_lineOsfDetailItems = 10;
constexpr long ypos_OsfLine2 = height_lineOsfDetailTitle;
constexpr long ypos_OsfLine3 = ypos_OsfLine2 + height_lineOsfDetailItems;
constexpr long ypos_OsfLine4 = ypos_OsfLine3 + height_lineOsfDetailItems;
constexpr FontSize OsfTitleFont = 1;
constexpr FontSize OsfItemFont = 0;
constexpr Color OsfItemColor = 0;
constexpr Color OsfItemTransparent = 15;

BBox titleBox(long x, long w) {
    return BBox(At(x, 0), w, height_lineOsfDetailTitle);
}
BBox itemBox(long x, long y, long w) {
    return BBox(At(x, y), w, height_lineOsfDetailItems);
}
StaticTextObj textIn(const BBox& b, const char* key, FontSize f, Alignment a) {
    return StaticTextObj(b, key, f, a, OsfItemTransparent, OsfItemColor, false, true);
}
} // namespace

OsfDetailDisplay::OsfDetailDisplay()
    : HierListItem(height_OsfDetailDisplay, SUBLIST_COLLAPSED, VREF_HEIGHT, SELECTABLE),
      nameText(textIn(titleBox(2, width_OsfFileName), name, OsfTitleFont, ALIGN_LEFT_TOP)),
      sizeDisplay(
          textIn(titleBox(width_OsfFileName, width_OsfSize), sizeText, OsfTitleFont, ALIGN_RIGHT)),
      unitText(
          textIn(titleBox(xpos_OsfUnit, width_OsfUnitSize), "K", OsfTitleFont, ALIGN_LEFT_TOP)),
      dateText(textIn(itemBox(0, ypos_OsfLine2, width_OsfVerison), osf.releaseDate, OsfItemFont,
                      ALIGN_LEFT_TOP)),
      versionText(textIn(itemBox(0, ypos_OsfLine3, width_OsfVerison), osf.firmwareVersion,
                         OsfItemFont, ALIGN_LEFT_TOP)),
      addressLabel(textIn(itemBox(x_OsfDetailLabels, ypos_OsfLine2, width_OsfDetailLabels),
                          "Address:", OsfItemFont, ALIGN_RIGHT)),
      addressText(textIn(itemBox(x_OsfDetails, ypos_OsfLine2, width_OsfDetails), osf.addresses.text,
                         OsfItemFont, ALIGN_LEFT_TOP)),
      idLabel(textIn(itemBox(x_OsfDetailLabels, ypos_OsfLine3, width_OsfDetailLabels),
                     "ID:", OsfItemFont, ALIGN_RIGHT)),
      idText(textIn(itemBox(x_OsfDetails, ypos_OsfLine3, width_OsfDetails), osf.moduleIds.text,
                    OsfItemFont, ALIGN_LEFT_TOP)),
      functionLabel(textIn(itemBox(x_OsfDetailLabels, ypos_OsfLine4, width_OsfDetailLabels),
                           "Function:", OsfItemFont, ALIGN_RIGHT)),
      functionText(textIn(itemBox(x_OsfDetails, ypos_OsfLine4, width_OsfDetails),
                          osf.functions.text, OsfItemFont, ALIGN_LEFT_TOP)) {
    StaticTextObj* const fileTexts[] = {&nameText,    &sizeDisplay, &dateText,    &versionText,
                                        &addressText, &idText,      &functionText};
    for (StaticTextObj* t : fileTexts)
        t->setEnglishOnly(true);
    StaticTextObj* const all[] = {&nameText,    &sizeDisplay,   &unitText,    &dateText,
                                  &versionText, &addressLabel,  &addressText, &idLabel,
                                  &idText,      &functionLabel, &functionText};
    for (StaticTextObj* t : all)
        add(t);
}

void OsfDetailDisplay::init(const char* path, const char* n, unsigned long size) {
    osf.init(path);
    snprintf(name, sizeof name, "%s", n);
    kilobytes = size / BytesPerKilobyte;
    snprintf(sizeText, sizeof sizeText, "%lu", kilobytes);
}

OsfSelectionSingleton::OsfSelectionSingleton()
    : listBox(&selectionRef,
              BBox(At(xpos_OsfListBox, ypos_OsfListBox), width_OsfListBox, height_OsfListBox),
              height_OsfListPopup, nullptr, true, false, true, true, false, 0) {}

void OsfSelectionSingleton::addFile(const char* path, const char* name, unsigned long size) {
    if (full()) return;
    long n = static_cast<long>(countData.getValue());
    OsfDetailDisplay& f = files[n];
    f.init(path, name, size);
    listBox.addItem(&f, ADD_LAST_CHILD, nullptr, true);
    countData.setValue(static_cast<double>(++n));
    listBox.enable(listSelectability(n));
    if (listBox.hidden) listBox.show(true, false);
}

OsfDetailDisplay* OsfSelectionSingleton::getCurrentOsf() const {
    // The list holds the file items only.
    return static_cast<OsfDetailDisplay*>(listBox.getCurrentItem());
}

void OsfSelectionSingleton::setCurrent(OsfDetailDisplay* item) {
    if (!listBox.itemInList(item)) return;
    listBox.list->current = item;
    selection.setValue(static_cast<double>(item->getValue()));
}

int OsfTextExpander::expand(Language*, unsigned char placeholder, unsigned char*& out,
                            unsigned long, double) {
    OsfDetailDisplay* f = osfSelection.getCurrentOsf();
    const char* text = "";
    if (f != nullptr && placeholder == 1) text = f->name;
    if (f != nullptr && placeholder == 2) text = f->osf.releaseDate;
    if (f != nullptr && placeholder == 3) text = f->osf.firmwareVersion;
    return copyPlain(text, out);
}

long osfTextHeight(FontSize size) {
    return size != 0 ? OsfTextHeightNormal : OsfTextHeightSmall;
}

OsfTextDisplay::OsfTextDisplay(const At& at, long width, FontSize size)
    : StaticTextObj(BBox(at, width, osfTextHeight(size)), OsfTextTemplate, 0, nullptr, 1, size,
                    ALIGN_HCENTER, OsfTextTransparent, OsfTextColor, false, true, true) {
    text.literal = true;
    text.expander = &osfTextExpander;
    inverted = true;
}
