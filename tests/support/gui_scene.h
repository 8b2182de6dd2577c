// Building blocks of GUI scenes for tests and benchmarks: a popup layer that holds objects
// (what a plane is, reduced to its layer and collection parts), a one-line text object, and
// a typical screen of text and frames with a dialog over it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/alphabet.h"
#include "gui/application_gui.h"
#include "gui/collection.h"
#include "gui/layer.h"
#include "gui/rect_obj.h"
#include "text/xtd_string.h"

class TestPane : public Layer, public Collection {
public:
    TestPane(const BBox& b, Color background, DisplayDriver* d = DefaultDisplayDriver)
        : Layer(d), Collection(b, NOT_SELECTABLE, true) {
        backgroundColor = background;
        ancestorHidden = false; // a layer's root is its own visibility root
        onLayer(this, nullptr);
    }
    GraphicalObj* layerObj() override { return this; }
    void drawLayer(Rect* area) override {
        ++draws;
        if (area != nullptr) areas.push_back(*area);
        Layer::drawLayer(area);
    }
    int draws = 0;
    std::vector<Rect> areas;
};

// One line of text in a font, aligned in its box, in the object's current colour.
class Label final : public GraphicalObj {
public:
    Label(const BBox& b, const char* text, Font* f, Alignment a = ALIGN_LEFT_TOP)
        : GraphicalObj(b, true, true, true), font(f), alignment(a) {
        unsigned char* p = xtd;
        for (const char* s = text; *s != 0; ++s)
            xtdPutChar(static_cast<unsigned char>(*s), p);
        *p = 0;
    }
    // Text given as code points, mapped through the Latin alphabet.
    Label(const BBox& b, const std::u32string& text, Font* f)
        : GraphicalObj(b, true, true, true), font(f), alignment(ALIGN_LEFT_TOP) {
        unsigned char* p = xtd;
        for (char32_t c : text)
            xtdPutChar(Latin.mapChar(c), p);
        *p = 0;
    }
    void _draw_(const Rect& r, bool, bool, Color, Rect*, bool) override {
        BitmapArgs a(this, &r, r.vAlign(alignment), alignment, 15, currentColor, false);
        font->drawString(a, xtd);
    }
    Font* font;
    Alignment alignment;
    unsigned char xtd[400];
};

// The main screen: a title, rows of text, a frame and a side panel.
class MainPane : public TestPane {
public:
    explicit MainPane(DisplayDriver* d = DefaultDisplayDriver)
        : TestPane(BBox(Rect(At(0, 0), At(319, 239))), 15, d) {
        add(&title);
        for (int i = 0; i < 8; ++i) {
            rows.emplace_back(new Label(BBox(At(6, 24 + 18 * i), 200, 13), texts[i], &NormalFont));
            add(rows.back().get());
        }
        add(&frame);
        add(&side);
    }
    Label title{BBox(At(0, 0), 320, 20), "J1939 Flashloader", &LargeFont, ALIGN_HCENTER};
    RectObj frame{BBox(Rect(At(2, 20), At(317, 237))), 0, 1, true, true, false};
    RectObj side{BBox(Rect(At(212, 24), At(313, 233))), 12, 2, true, true, false};
    std::vector<std::unique_ptr<Label>> rows;
    const char* texts[8] = {"Software Files", "  engine_v2.hex", "  trans_v7.hex",
                            "Modules found",  "  Engine #0",     "  Transmission #3",
                            "Checks",         "  Address OK"};
};

// A confirmation dialog: a framed pane with a question and two answers.
class DialogPane : public TestPane {
public:
    explicit DialogPane(DisplayDriver* d = DefaultDisplayDriver)
        : TestPane(BBox(Rect(At(60, 60), At(259, 179))), 15, d) {
        add(&border);
        add(&question);
        add(&yes);
        add(&no);
    }
    RectObj border{BBox(BBOX_FILL_PARENT), 0, 2, true, true, false};
    // Boxes made from rectangles are absolute.
    Label question{BBox(Rect(At(70, 80), At(249, 100))), "Are you sure?", &LargeFont,
                   ALIGN_HCENTER};
    Label yes{BBox(Rect(At(80, 130), At(139, 150))), "Yes", &NormalFont,
              ALIGN_HCENTER | ALIGN_VCENTER};
    Label no{BBox(Rect(At(180, 130), At(239, 150))), "No", &NormalFont,
             ALIGN_HCENTER | ALIGN_VCENTER};
};
