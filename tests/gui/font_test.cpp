// Bitmaps and fonts: pixel access, drawing with ink and transparency, glyph look-up of
// mapped and missing characters, text layout, alphabets and the font-file loader, which
// must load what is sound in a damaged file and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "gui/alphabet.h"
#include "gui/bitmap_obj.h"
#include "gui/gui_language.h"
#include "gui/rect_obj.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/program_runner.h"

namespace {
const unsigned char* X(const char* s) {
    return reinterpret_cast<const unsigned char*>(s);
}

TEST(BitmapTest, PixelsOfEachDepth) {
    unsigned char one[2] = {0, 0};
    Bitmap b1(9, 1, one, 1);
    EXPECT_EQ(b1.bytesPerRow, 2);
    b1.setPixel(0, 0, 15);
    EXPECT_EQ(b1.getPixel(0, 0), 15);
    b1.setPixel(0, 0, 8); // even colours are ink
    b1.setPixel(8, 0, 0);
    EXPECT_EQ(std::tuple(b1.getPixel(0, 0), one[0], one[1]), std::tuple(0, 0x80, 0x80));
    unsigned char four[2] = {0x12, 0x34};
    Bitmap b4(4, 1, four, 4);
    b4.indexAt(0, 0);
    for (int v : {1, 2, 3})
        EXPECT_EQ(b4.getNextPixel(), v);
    b4.setNextPixel(9);
    EXPECT_EQ(four[1], 0x39);
    EXPECT_EQ(b4.getPixel(4, 0), 15); // outside
    unsigned char eight[2] = {7, 200};
    EXPECT_EQ(Bitmap(2, 1, eight, 8).getPixel(1, 0), 200);
    EXPECT_EQ(Bitmap(2, 1, eight, 3).getPixel(0, 0), 15); // unsupported depth
    // An embedded record: 3 x 2, 1 bit, first pixel two bits into each row.
    const unsigned char record[] = {3, 0, 2, 0, 2, 0, 1, 0, 1, 0, 1, 0, 0x28, 0x10};
    Bitmap r(record);
    EXPECT_TRUE(r.width == 3 && r.height == 2);
    std::string px;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            px += r.getPixel(x, y) == 0 ? '#' : '.';
    EXPECT_EQ(px, "#.#.#.");
}

class DrawTest : public PaneTest {
protected:
    RectObj owner{BBox(BBOX_FILL_PARENT), 15, 1, true, true, false}; // a white frame
    void SetUp() override {
        PaneTest::SetUp();
        pane.add(&owner);
    }
};

TEST_F(DrawTest, InkTransparencyAndDimming) {
    unsigned char px[2] = {0x04, 0xF9}; // 0, 4, 15, 9
    Bitmap b(4, 1, px, 4);
    owner.drawBitmap(&b, 100, 50, ALIGN_LEFT_TOP, NoColor, 12);
    EXPECT_EQ(row(100, 50, 4), "c4f9"); // value 0 takes the ink
    owner.drawBitmap(&b, 100, 60, ALIGN_LEFT_TOP, 4, DimInk);
    EXPECT_EQ(row(100, 60, 4), "7ff7");                         // 4 is transparent: left as it was
    owner.drawBitmap(&b, 318, 239, ALIGN_LEFT_TOP, NoColor, 0); // cut at the screen's edge
    EXPECT_EQ(row(318, 239, 2), "04");
}

TEST_F(DrawTest, AlignmentPlacesThePen) {
    Rect r = R(10, 10, 109, 59);
    BitmapArgs a(&owner, &r, r.vAlign(ALIGN_BOTTOM), ALIGN_RIGHT | ALIGN_BOTTOM, NoColor, 0, false);
    a.adjustToAlignment(20, 8, 3);
    EXPECT_EQ(a.x, 89);
    EXPECT_EQ(a.y, 52); // ends on the bottom row
    EXPECT_EQ(a.yShift, 3);
    BitmapArgs m(&owner, &r, 10, ALIGN_MIRROR_RTL, NoColor, 0, false);
    CurrentRightToLeft = true;
    m.adjustToAlignment(20, 8, 0);
    CurrentRightToLeft = false;
    EXPECT_EQ(m.x, 89); // left alignment turned to right
}

TEST_F(DrawTest, BitmapObjectBlinksBetweenTwoPictures) {
    unsigned char one[1] = {0xFF}, other[1] = {0x00};
    Bitmap first(8, 1, one, 1), second(8, 1, other, 1);
    BitmapObj obj(&first, At(20, 20), true, NoColor, 0, ALIGN_LEFT_TOP);
    obj.alternate = &second;
    pane.add(&obj);
    obj.blinkStage(false);
    obj.blinkStage(false); // already showing the other picture
    EXPECT_EQ(count(R(20, 20, 27, 20), 15), 8);
    obj.show(true, false); // showing puts the first picture back
    EXPECT_EQ(std::tuple(obj.bitmap, count(R(20, 20, 27, 20), 0)), std::tuple(&first, 8));
    pane.remove(&obj);
}

// The mapped glyphs themselves are pinned by the reference screen of every text size.
TEST(FontTest, MappedAndMissingCharacters) {
    EXPECT_EQ(Latin.mapChar(0x00E9), 0xE9u); // within the font's own range
    CharInfo info;
    // Unknown characters become the replacement glyph, which is blank in these fonts.
    EXPECT_EQ(Latin.mapChar(0x0200), 1u);
    for (uint32_t ch : {1u, 0x0200u, 302u}) // 302: past the mapped glyphs
        EXPECT_EQ(NormalFont.getCharInfo(ch, info), nullptr) << ch;
    EXPECT_EQ(NormalFont.getCharWidth(0x7F), 0);
    EXPECT_EQ(HugeNumFont.getCharWidth('A'), 0);
    // Spaces of set widths.
    EXPECT_EQ(NormalFont.getCharWidth(8), NormalFont.getCharWidth('0'));
    EXPECT_EQ(NormalFont.getCharWidth(17), 1);
    EXPECT_EQ(NormalFont.getCharWidth(25), 9);
    EXPECT_EQ(NormalFont.digitWidth(3), 3 * NormalFont.getCharWidth('0'));
}

TEST(FontTest, FallbackFontServesMissingAsciiOnly) {
    // A tiny font of two glyphs, 'x' and 'y', 2 pixels each.
    static const unsigned char bits[] = {0xF0, 0xF0};
    static const int32_t offs[] = {0, 0, 2, 4};
    Font tiny('x', 'y', 0, offs, 4, 2, bits, 0, 0, 0, 0);
    CharInfo info;
    EXPECT_EQ(tiny.getCharInfo('a', info), nullptr);
    tiny.fallback = &NormalFont;
    EXPECT_EQ(tiny.getCharInfo('a', info), &NormalFont);
    EXPECT_EQ(tiny.getCharInfo(0xE9, info), nullptr); // not below 128
    // Fonts falling back on each other do not loop.
    NormalFont.fallback = &tiny;
    EXPECT_EQ(tiny.getCharInfo(0x7F, info), nullptr);
    NormalFont.fallback = nullptr;
}

TEST_F(DrawTest, LeadingAndTheFallbackFontsBaseline) {
    // One-pixel-wide glyphs, every row inked: 'x' in the fonts under test, 'a' in their
    // fallback (4 rows, descent 1, no leading: ascender 3).
    static const unsigned char bits[] = {0x80, 0x80, 0x80, 0x80, 0x80, 0x80}; // 1 is ink
    static const int32_t offs[] = {0, 0, 1};
    Font fallback('a', 'a', 1, offs, 8, 4, bits, 0, 0, 0, 0);
    // (descent, leading, first row of 'x', first row of 'a')
    const long cases[][4] = {
        {0, 2, 53, 54}, // no descent: (line height 10 - 3) / 2 + 1 below the pen
        {2, 1, 52, 53}, // with descent: ascender and leading aligned, (5 + 1) - (3 + 0)
    };
    for (const auto& c : cases) {
        Font f('x', 'x', static_cast<uint8_t>(c[0]), offs, 8, 6, bits, static_cast<uint8_t>(c[1]),
               0, 0, 0);
        f.fallback = &fallback;
        blankFrameBuffer();
        Rect box = R(10, 0, 319, 239);
        BitmapArgs a(&owner, &box, 50, ALIGN_LEFT_TOP, NoColor, 0, false);
        f.drawString(a, X("xa"));
        EXPECT_EQ(count(R(10, c[2], 10, c[2] + 5), 0), 6);
        EXPECT_EQ(count(R(10, 0, 10, 239), 0), 6);
        EXPECT_EQ(count(R(11, c[3], 11, c[3] + 3), 0), 4);
        EXPECT_EQ(count(R(11, 0, 11, 239), 0), 4);
    }
}

TEST(AlphabetTest, NonLatinAlphabetsFallBackOnLatin) {
    static const unsigned char bits[] = {0xF0};
    static const int32_t offs[] = {0, 0, 4};
    static const uint32_t map[] = {0x05D0, 0x05D1, 0};
    Font hebrew(0x05D0, 0x05D0, 0, offs, 4, 1, bits, 0, 0, 0, 0);
    Alphabet a("Hebrew", &hebrew, nullptr, nullptr, map, true);
    a.init();
    EXPECT_EQ(hebrew.fallback, Latin.font(NormalFontSize)); // the last size to set it wins
    EXPECT_EQ(a.font(LargeFontSize), &hebrew);
    EXPECT_EQ(a.mapChar(0x05D0), 0x05D0u); // within the font's range
    EXPECT_EQ(a.mapChar(0x05D1), hebrew.firstMapped + 1);
    EXPECT_EQ(a.mapChar(0x05D2), 1u);
    a.setFont(SmallFontSize, nullptr);
    EXPECT_EQ(a.font(SmallFontSize), &hebrew);
    a.setFont(7, nullptr); // a universal slot, shared by every alphabet
    EXPECT_EQ(Latin.font(7), &hebrew);
    UniversalFonts[1] = nullptr;
    // The current alphabet decides the line height of text boxes.
    setCurrentAlphabet(&a);
    EXPECT_EQ(currentAlphabet(), &a);
    setCurrentAlphabet(nullptr);
    EXPECT_EQ(currentAlphabet(), &Latin);
}

// Where a glyph lies in the strip of the font that holds it, as "x+width", or "-" if none does.
std::string glyph(Font* f, uint32_t ch, Font* holder) {
    CharInfo info;
    Font* h = f->getCharInfo(ch, info);
    if (h == nullptr) return "-";
    return (h == holder ? "" : "elsewhere ") + std::to_string(info.x) + "+" +
           std::to_string(info.width);
}

// Codes 8 and 16-25 are spaces, not glyphs; every other look-up must stay in the strip.
bool glyphInsideStrip(Font* f, uint32_t ch) {
    CharInfo info;
    Font* holder = f->getCharInfo(ch, info);
    if (holder == nullptr || ch == 8 || (ch >= 16 && ch <= 25)) return true;
    return info.x >= 0 && info.x + info.width <= holder->width;
}

// Collects the alphabets the loader registers.
std::vector<Alphabet*> registered;
void collect(Alphabet* a) {
    registered.push_back(a);
}

class FontFileTest : public ::testing::Test {
protected:
    std::string dir = makeTempDir();
    void SetUp() override {
        registered.clear();
        AddAlphabetHook = collect;
    }
    void TearDown() override { AddAlphabetHook = nullptr; }
    bool load(const std::string& text) {
        writeFile(dir + "/TestFont", text);
        return Alphabet::loadFile((dir + "/TestFont").c_str());
    }
};

// A font of two glyphs 'A' and 'B', 3 pixels wide, 2 rows.
const char* goodFont = "Font Two(65 66 0 0 0 0)\n"
                       "Bitmap(6 2)\n"
                       "E4\n"
                       "A8\n"
                       "Offsets(3)\n"
                       "0 0 3 6\n"
                       "end Font\n";

TEST_F(FontFileTest, TheCommittedLatinFontFileMatchesTheBuiltInFonts) {
    ASSERT_TRUE(Alphabet::loadFile(LATIN_FONT_FILE));
    ASSERT_EQ(registered.size(), 1u);
    Alphabet* a = registered[0];
    EXPECT_STREQ(a->name, "Latin");
    Font* built[3] = {&SmallFont, &NormalFont, &LargeFont};
    for (int s = 0; s < 3; ++s) {
        Font* f = a->font(s);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(std::tuple(f->width, f->height, f->descent, f->offsetCount),
                  std::tuple(built[s]->width, built[s]->height, built[s]->descent,
                             built[s]->offsetCount));
        EXPECT_EQ(memcmp(f->data, built[s]->data, f->bytesPerRow * f->height), 0);
        EXPECT_EQ(memcmp(f->offsets, built[s]->offsets, (f->offsetCount + 1) * 4), 0);
    }
    for (int i = 0; i < 46; ++i)
        EXPECT_EQ(a->charMap[i], LatinFontsMappingTable[i]);
    EXPECT_EQ(a->charMap[46], 0u);
}

TEST_F(FontFileTest, CharacterSetNamesItsFontsAndEncoding) {
    std::string text = std::string("# two fonts and a set\n") + goodFont +
                       "Font Wide(65 65 0 0 1 5)\nBitmap(10 1)\nFF C0\nend Font\n"
                       "Language Elvish(whatever)\n"
                       "CharSet Elvish(Two Wide Nowhere)\n"
                       "Encoding(3)\n65 'B'\n0x43\n"
                       "end CharSet\n";
    ASSERT_TRUE(load(text));
    ASSERT_EQ(registered.size(), 1u);
    Alphabet* a = registered[0];
    EXPECT_STREQ(a->name, "Elvish");
    EXPECT_FALSE(a->rightToLeft);
    Font *two = a->font(NormalFontSize), *wide = a->font(LargeFontSize);
    ASSERT_TRUE(two != nullptr && wide != nullptr);
    EXPECT_EQ(a->font(SmallFontSize), two); // unknown name: slot keeps the normal font
    EXPECT_EQ(std::vector<uint32_t>(a->charMap, a->charMap + 4),
              (std::vector<uint32_t>{65, 66, 67, 0}));
    EXPECT_EQ(glyph(two, 'B', two), "3+3");
    EXPECT_EQ(two->getPixel(5, 0), 0); // 0xE4: columns 0-2 and 5 inked in row 0
    EXPECT_EQ(two->getPixel(3, 0), 15);
    // Without offsets every glyph is fixedWidth wide after an empty replacement glyph.
    EXPECT_EQ(glyph(wide, 'A', wide), "0+5");
    EXPECT_EQ(glyph(wide, wide->firstMapped, wide), "5+5");
    // Only the Chinese font file gives its small font a leading of 1.
    for (std::string name : {"TestFont", "ChineseFont"}) {
        registered.clear();
        writeFile(dir + "/" + name,
                  std::string(goodFont) + "CharSet C(Two Two Two)\nend CharSet\n");
        ASSERT_TRUE(Alphabet::loadFile((dir + "/" + name).c_str()));
        ASSERT_EQ(registered.size(), 1u);
        EXPECT_EQ(registered[0]->font(SmallFontSize)->leading, name == "ChineseFont" ? 1 : 0);
    }
}

TEST_F(FontFileTest, DamagedFilesLoadWhatIsSoundAndNothingElse) {
    std::string text =
        // Bad header numbers: first above last, a negative descent.
        "Font Bad1(66 65 0 0 0 0)\nBitmap(8 1)\nFF\nend Font\n"
        "Font Bad2(65 66 -1 0 0 0)\nBitmap(8 1)\nFF\nend Font\n"
        // A bitmap shorter than announced (ends at 'end Font').
        "Font Short(65 66 0 0 0 0)\nBitmap(16 4)\nFF FF\nFF\nend Font\n"
        // Offsets past the strip and running backwards.
        "Font Past(65 68 0 0 0 0)\nBitmap(8 1)\nFF\nOffsets(5)\n0 0 4 400 2 8\nend Font\n" +
        std::string(goodFont) +
        // An Offsets line before the bitmap announcing fewer glyphs than the font has.
        "Font Few(65 90 0 0 0 0)\nOffsets(2)\n0 0 3\nBitmap(8 1)\nFF\nend Font\n"
        // A fourth sound font: more than three are not kept.
        "Font Four(65 66 0 0 0 0)\nBitmap(8 1)\nFF\nend Font\n"
        "Encoding(-3)\n65 66 67\n"
        "Encoding(2)\n70\n"
        "CharSet Broken(Past Two Four)\nend CharSet\n"
        "CharSet Half(Few\n"
        "garbage line that means nothing\n";
    testing::internal::CaptureStdout();
    ASSERT_TRUE(load(text));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Bad1"), std::string::npos);
    EXPECT_NE(out.find("shorter than announced"), std::string::npos);
    EXPECT_NE(out.find("Four"), std::string::npos);
    ASSERT_EQ(registered.size(), 1u);
    Alphabet* a = registered[0];
    Font *past = a->font(NormalFontSize), *two = a->font(LargeFontSize);
    ASSERT_TRUE(past != nullptr && two != nullptr);
    EXPECT_EQ(a->font(SmallFontSize), past); // Four was not kept
    // B would reach past the strip, C has a negative width.
    EXPECT_EQ(glyph(past, 'A', past) + " " + glyph(past, 'B', past) + " " + glyph(past, 'C', past) +
                  " " + glyph(past, 'D', past),
              "0+4 - - 2+6");
    // The encoding with the negative count was ignored; the next one, short, ends early.
    ASSERT_NE(a->charMap, nullptr);
    EXPECT_TRUE(a->charMap[0] == 70u && a->charMap[1] == 0u);
    // No glyph of any size reaches outside its strip.
    for (uint32_t ch = 0; ch < 400; ++ch)
        for (Font* f : {past, two})
            EXPECT_TRUE(glyphInsideStrip(f, ch)) << ch;
}

TEST_F(FontFileTest, MissingFileLoadsNothing) {
    EXPECT_TRUE(!Alphabet::loadFile((dir + "/none").c_str()) && !Alphabet::load("NoSuchCharSet"));
    EXPECT_TRUE(registered.empty());
    ASSERT_TRUE(load("\n\n# nothing but comments\nend Font\nend CharSet\nBitmap(4 4)\n"));
    EXPECT_TRUE(registered.empty());
}

TEST_F(FontFileTest, RandomGarbageNeverReadsOutOfBounds) {
    // Fragments of valid lines shuffled with noise; the sanitizers watch the reads.
    const char* pieces[] = {"Font F(",     "32 40 1 0 2 3)",
                            "Bitmap(",     "16 2)",
                            "Offsets(",    "9)",
                            "end Font",    "CharSet C(F F F)",
                            "Encoding(",   "4)",
                            "'x'",         "0x20",
                            "FF",          "-7",
                            "99999999",    "\n",
                            "\n",          " ",
                            "end CharSet", "#"};
    unsigned seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 60; ++i) {
            seed = seed * 1103515245 + 12345;
            text += pieces[(seed >> 16) % (sizeof pieces / sizeof *pieces)];
        }
        load(text);
    }
    for (Alphabet* a : registered)
        for (int s = 0; s < 6; ++s)
            if (Font* f = a->font(s)) {
                for (uint32_t ch = 0; ch < 300; ++ch)
                    EXPECT_TRUE(glyphInsideStrip(f, ch)) << ch;
            }
}
} // namespace
