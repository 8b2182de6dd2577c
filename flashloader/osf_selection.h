// The list of software files found on the stick (at most five), each item holding its
// file, and the three-line text of the current file shown in the dialogs.
#pragma once

#include "data/data.h"
#include "data/data_ref.h"
#include "flashloader/osf.h"
#include "gui/hier_list_item.h"
#include "gui/list_box.h"
#include "gui/text_obj.h"
#include "text/template_expander.h"

constexpr int MaxOsfFiles = 5;
constexpr long height_OsfDetailDisplay = 45;
constexpr long xpos_OsfListBox = 12;
constexpr long ypos_OsfListBox = 48;
constexpr long width_OsfListBox = 296;
constexpr long height_OsfListBox = 50;
constexpr int OsfNameSize = 64;

constexpr int OsfSizeTextSize = 24;

class OsfDetailDisplay : public HierListItem {
public:
    Osf osf;
    char name[OsfNameSize] = {};
    unsigned long kilobytes = 0;
    char sizeText[OsfSizeTextSize] = {};

    OsfDetailDisplay();
    void init(const char* path, const char* name, unsigned long size);

private:
    // The file's name, size and header texts (texts of the file itself, shown as they are)
    // and their labels.
    StaticTextObj nameText, sizeDisplay, unitText, dateText, versionText;
    StaticTextObj addressLabel, addressText, idLabel, idText, functionLabel, functionText;
};

class OsfSelectionSingleton {
public:
    OsfDetailDisplay files[MaxOsfFiles];
    Data countData;
    Data selection;
    NumericDataRef selectionRef{&selection};
    ListBox listBox;

    OsfSelectionSingleton();
    void addFile(const char* path, const char* name, unsigned long size);
    bool full() { return countData.getValue() >= MaxOsfFiles; }
    OsfDetailDisplay* getCurrentOsf() const;
    void setCurrent(OsfDetailDisplay* item);
};

extern OsfSelectionSingleton osfSelection;

// Texts of the current file: 1 its name, 2 its release date, 3 its firmware version.
class OsfTextExpander : public TemplateExpander {
public:
    int expand(Language* lang, unsigned char placeholder, unsigned char*& out,
               unsigned long context, double value) override;
};
extern OsfTextExpander osfTextExpander;

// The current file in three centred lines.
class OsfTextDisplay : public StaticTextObj {
public:
    OsfTextDisplay(const At& at, long width, FontSize size);
};
// The height of the three lines in a font size.
long osfTextHeight(FontSize size);
