// The file list and the text of its current file.
#include "flashloader/osf_selection.h"

#include <cstdio>

#include "flashloader/module_selection.h"

OsfSelectionSingleton osfSelection;
OsfTextExpander osfTextExpander;

namespace {
constexpr long height_OsfListPopup = 165;
constexpr long OsfTextHeightSmall = 30;
constexpr long OsfTextHeightNormal = 45;
constexpr Color OsfTextColor = 15;
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

void OsfDetailDisplay::init(const char* path, const char* n, unsigned long size) {
    osf.init(path);
    snprintf(name, sizeof name, "%s", n);
    kilobytes = size / BytesPerKilobyte;
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
                    ALIGN_HCENTER, NoColor, OsfTextColor, false, true, true) {
    text.literal = true;
    text.expander = &osfTextExpander;
    inverted = true;
}
