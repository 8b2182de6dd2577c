// Font generator: rasterises DejaVu through FreeType's monochrome renderer into the
// built-in glyph strips of the program (C++ tables), into a font file in the program's text
// format, and into an overview picture of every glyph for review. The build uses only the
// committed output; run this again only to change the fonts:
//   fontgen OUTPUT_DIR FONT_DIR
// writes OUTPUT_DIR/builtin_*.cpp, OUTPUT_DIR/LatinFont and OUTPUT_DIR/overview_*.png.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/host_png.h"

namespace {

// The characters after Latin-1 that the Latin fonts carry, in glyph order.
const uint32_t mappedChars[46] = {
    0x0100, 0x0101, 0x010C, 0x010D, 0x010E, 0x010F, 0x0112, 0x0113, 0x011A, 0x011B, 0x0122, 0x0123,
    0x012A, 0x012B, 0x0136, 0x0137, 0x013B, 0x013C, 0x0145, 0x0146, 0x0147, 0x0148, 0x014C, 0x014D,
    0x0150, 0x0151, 0x0156, 0x0157, 0x0158, 0x0159, 0x0160, 0x0161, 0x0164, 0x0165, 0x016A, 0x016B,
    0x016E, 0x016F, 0x0170, 0x0171, 0x017D, 0x017E, 0x2026, 0x2116, 0x2264, 0x2265,
};

struct FontSpec {
    const char* name;     // object name in the program
    const char* fileName; // short name in the font file
    const char* ttf;
    int ppem;
    int height;
    int descent;
    uint32_t firstChar;
    uint32_t lastChar;
    bool mapped;
    int extraSpacing; // columns added after each glyph
    // 0 the font's own hinting (classic interpreter), 1 FreeType's autohinter; both rendered
    // monochrome. 2 and 3: the same hinting, rendered in grey and cut at `threshold`, which
    // keeps the thin marks of accents that the monochrome rasteriser drops at small sizes.
    int hinting;
    int threshold;
    // Capitals with a mark above are put together from the plain capital and a drawn mark:
    // with only two rows above the capitals the rasterised marks all come out as one dot.
    bool composeCapitals;
};

const FontSpec specs[] = {
    {"SmallFont", "Small", "DejaVuSans.ttf", 9, 10, 1, 32, 255, true, 0, 1, 128, true},
    {"NormalFont", "Normal", "DejaVuSans.ttf", 11, 13, 2, 32, 255, true, 0, 0, 128, false},
    {"LargeFont", "Large", "DejaVuSans.ttf", 16, 20, 4, 32, 255, true, 0, 0, 128, false},
    {"HugeNumFont", "HugeNum", "DejaVuSansCondensed-Bold.ttf", 48, 37, 0, 46, 57, false, 0, 0, 128,
     false},
};

struct Glyph {
    int width = 0;
    std::vector<uint8_t> ink; // height * width
};

struct Strip {
    const FontSpec* style;
    std::vector<Glyph> glyphs; // replacement glyph, the range, the mapped characters
    int width = 0;
    int clipped = 0;
    std::vector<uint8_t> bits; // packed rows
    std::vector<int32_t> offsets;
    int bytesPerRow() const { return (width + 7) / 8; }
};

bool printable(uint32_t ch) {
    return ch >= 32 && !(ch >= 127 && ch < 160);
}

// Renders one character into a glyph of the strip's height with its baseline above the
// descent rows. Ink that does not fit is brought in: a glyph too deep is raised and one too
// tall loses its blank rows first (the gap under an accent), then its top rows.
Glyph render(FT_Face face, const FontSpec& s, uint32_t ch, int* clipped) {
    Glyph g;
    if (!printable(ch)) return g;
    FT_UInt index = FT_Get_Char_Index(face, ch);
    if (index == 0) {
        fprintf(stderr, "%s: U+%04X missing\n", s.name, ch);
        return g;
    }
    bool autohint = s.hinting == 1 || s.hinting == 3;
    bool grey = s.hinting >= 2;
    FT_Int32 flags = FT_LOAD_TARGET_MONO | (autohint ? FT_LOAD_FORCE_AUTOHINT : 0);
    if (FT_Load_Glyph(face, index, flags) != 0 ||
        FT_Render_Glyph(face->glyph, grey ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) {
        fprintf(stderr, "%s: U+%04X cannot be rendered\n", s.name, ch);
        return g;
    }
    FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    int advance = static_cast<int>((slot->advance.x + 32) >> 6);
    int left = slot->bitmap_left;
    int shiftX = left < 0 ? -left : 0;
    int w = advance;
    if (left + shiftX + static_cast<int>(bm.width) > w) w = left + shiftX + bm.width;
    w += s.extraSpacing;
    // Rows of the glyph's ink, relative to the strip (0 = top row).
    int baseline = s.height - s.descent; // first row below the body
    std::vector<std::vector<uint8_t>> rows;
    int top = baseline - slot->bitmap_top;
    for (unsigned r = 0; r < bm.rows; ++r) {
        std::vector<uint8_t> row(w, 0);
        const uint8_t* src = bm.buffer + static_cast<long>(r) * bm.pitch;
        for (unsigned c = 0; c < bm.width; ++c)
            if (grey ? src[c] >= s.threshold : (src[c >> 3] & (0x80 >> (c & 7))) != 0)
                row[left + shiftX + c] = 1;
        rows.push_back(row);
    }
    // Trim blank rows at both ends so that only ink is placed.
    while (!rows.empty() && std::vector<uint8_t>(w, 0) == rows.front()) {
        rows.erase(rows.begin());
        ++top;
    }
    while (!rows.empty() && std::vector<uint8_t>(w, 0) == rows.back())
        rows.pop_back();
    int n = static_cast<int>(rows.size());
    if (top + n > s.height) {
        int raise = top + n - s.height;
        int room = top > 0 ? top : 0;
        int r = raise < room ? raise : room;
        top -= r;
    }
    bool lost = false;
    while (top < 0 || top + static_cast<int>(rows.size()) > s.height) {
        // Too tall: drop an inner blank row, else the top row.
        size_t drop = 0;
        for (size_t i = 1; i + 1 < rows.size(); ++i)
            if (std::vector<uint8_t>(w, 0) == rows[i]) {
                drop = i;
                break;
            }
        if (drop == 0) lost = true;
        rows.erase(rows.begin() + drop);
        if (top < 0) ++top;
    }
    if (lost) ++*clipped;
    g.width = w;
    g.ink.assign(static_cast<size_t>(s.height) * w, 0);
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < w; ++c)
            g.ink[(top + r) * w + c] = rows[r][c];
    return g;
}

// Marks drawn above small capitals: two rows, '#' is ink.
struct Mark {
    const char* rows[2];
};
const Mark grave = {{"#..", ".#."}}, acute = {{"..#", ".#."}}, circumflex = {{".#.", "#.#"}},
           tilde = {{".#.#", "#.#."}}, diaeresis = {{"#.#", "..."}}, ring = {{".#.", "#.#"}},
           caron = {{"#.#", ".#."}}, macron = {{"###", "..."}}, doubleAcute = {{".#.#", "#.#."}};

struct Composed {
    uint32_t ch;
    uint32_t base;
    const Mark* mark;
};
const Composed composedCapitals[] = {
    {0xC0, 'A', &grave},
    {0xC1, 'A', &acute},
    {0xC2, 'A', &circumflex},
    {0xC3, 'A', &tilde},
    {0xC4, 'A', &diaeresis},
    {0xC5, 'A', &ring},
    {0xC8, 'E', &grave},
    {0xC9, 'E', &acute},
    {0xCA, 'E', &circumflex},
    {0xCB, 'E', &diaeresis},
    {0xCC, 'I', &grave},
    {0xCD, 'I', &acute},
    {0xCE, 'I', &circumflex},
    {0xCF, 'I', &diaeresis},
    {0xD1, 'N', &tilde},
    {0xD2, 'O', &grave},
    {0xD3, 'O', &acute},
    {0xD4, 'O', &circumflex},
    {0xD5, 'O', &tilde},
    {0xD6, 'O', &diaeresis},
    {0xD9, 'U', &grave},
    {0xDA, 'U', &acute},
    {0xDB, 'U', &circumflex},
    {0xDC, 'U', &diaeresis},
    {0xDD, 'Y', &acute},
    {0x100, 'A', &macron},
    {0x10C, 'C', &caron},
    {0x10E, 'D', &caron},
    {0x112, 'E', &macron},
    {0x11A, 'E', &caron},
    {0x12A, 'I', &macron},
    {0x147, 'N', &caron},
    {0x14C, 'O', &macron},
    {0x150, 'O', &doubleAcute},
    {0x158, 'R', &caron},
    {0x160, 'S', &caron},
    {0x164, 'T', &caron},
    {0x16A, 'U', &macron},
    {0x16E, 'U', &ring},
    {0x170, 'U', &doubleAcute},
    {0x17D, 'Z', &caron},
    // Small letters keep a blank row between mark and letter.
    {0xE0, 'a', &grave},
    {0xE1, 'a', &acute},
    {0xE2, 'a', &circumflex},
    {0xE3, 'a', &tilde},
    {0xE4, 'a', &diaeresis},
    {0xE8, 'e', &grave},
    {0xE9, 'e', &acute},
    {0xEA, 'e', &circumflex},
    {0xEB, 'e', &diaeresis},
    {0xEC, 0x131, &grave},
    {0xED, 0x131, &acute},
    {0xEE, 0x131, &circumflex},
    {0xEF, 0x131, &diaeresis},
    {0xF1, 'n', &tilde},
    {0xF2, 'o', &grave},
    {0xF3, 'o', &acute},
    {0xF4, 'o', &circumflex},
    {0xF5, 'o', &tilde},
    {0xF6, 'o', &diaeresis},
    {0xF9, 'u', &grave},
    {0xFA, 'u', &acute},
    {0xFB, 'u', &circumflex},
    {0xFC, 'u', &diaeresis},
    {0xFD, 'y', &acute},
    {0xFF, 'y', &diaeresis},
    {0x101, 'a', &macron},
    {0x10D, 'c', &caron},
    {0x113, 'e', &macron},
    {0x11B, 'e', &caron},
    {0x12B, 0x131, &macron},
    {0x148, 'n', &caron},
    {0x14D, 'o', &macron},
    {0x151, 'o', &doubleAcute},
    {0x159, 'r', &caron},
    {0x161, 's', &caron},
    {0x16B, 'u', &macron},
    {0x16F, 'u', &ring},
    {0x171, 'u', &doubleAcute},
    {0x17E, 'z', &caron},
};

// The capital with its mark centred over the capital's ink, in the two rows above it.
bool compose(FT_Face face, const FontSpec& s, uint32_t ch, Glyph* out, int* clipped) {
    for (const Composed& c : composedCapitals) {
        if (c.ch != ch) continue;
        Glyph g = render(face, s, c.base, clipped);
        int mw = static_cast<int>(strlen(c.mark->rows[0]));
        if (g.width < mw + 1) {
            // A narrow letter (I, i) is widened to carry its mark.
            int pad = mw + 1 - g.width, lp = pad / 2;
            Glyph wide;
            wide.width = mw + 1;
            wide.ink.assign(static_cast<size_t>(s.height) * wide.width, 0);
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < g.width; ++x)
                    wide.ink[y * wide.width + x + lp] = g.ink[y * g.width + x];
            g = wide;
        }
        int top = s.height, l = g.width, r = -1;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < g.width; ++x)
                if (g.ink[y * g.width + x]) {
                    if (y < top) top = y;
                    if (x < l) l = x;
                    if (x > r) r = x;
                }
        int mx = (l + r + 1) / 2 - mw / 2;
        if (mx + mw > g.width) mx = g.width - mw;
        if (mx < 0) mx = 0;
        bool capital = c.base < 'a' || c.base > 'z' ? c.base != 0x131 : false;
        int my = top - (capital ? 2 : 3);
        if (my < 0) return false;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < mw; ++x)
                if (c.mark->rows[y][x] == '#') g.ink[(my + y) * g.width + mx + x] = 1;
        *out = g;
        return true;
    }
    return false;
}

// Codes in the C1 range that the virtual keypad's keys show, drawn from these symbols.
struct KeyGlyph {
    uint32_t code;
    uint32_t symbol;
};
const KeyGlyph keyGlyphs[] = {
    {140, 0x232B}, // backspace: erase to the left
    {141, 0x2190}, // delete the last digit: leftwards arrow
    {148, 0x21E7}, // next key set: upwards white arrow
};

Glyph renderChar(FT_Face face, const FontSpec& s, uint32_t ch, int* clipped) {
    Glyph g;
    for (const KeyGlyph& k : keyGlyphs)
        if (k.code == ch && s.mapped) return render(face, s, k.symbol, clipped);
    if (s.composeCapitals && compose(face, s, ch, &g, clipped)) return g;
    return render(face, s, ch, clipped);
}

Strip buildStrip(FT_Library lib, const std::string& fontDir, const FontSpec& s) {
    Strip st;
    st.style = &s;
    FT_Face face;
    std::string path = fontDir + "/" + s.ttf;
    if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) {
        fprintf(stderr, "cannot open %s\n", path.c_str());
        exit(1);
    }
    FT_Set_Pixel_Sizes(face, 0, s.ppem);
    st.glyphs.push_back(Glyph()); // the replacement glyph has no width
    for (uint32_t ch = s.firstChar; ch <= s.lastChar; ++ch)
        st.glyphs.push_back(renderChar(face, s, ch, &st.clipped));
    if (s.mapped)
        for (uint32_t ch : mappedChars)
            st.glyphs.push_back(renderChar(face, s, ch, &st.clipped));
    FT_Done_Face(face);
    for (const Glyph& g : st.glyphs) {
        st.offsets.push_back(st.width);
        st.width += g.width;
    }
    st.offsets.push_back(st.width);
    st.bits.assign(static_cast<size_t>(st.bytesPerRow()) * s.height, 0);
    int x = 0;
    for (const Glyph& g : st.glyphs) {
        for (int r = 0; r < s.height; ++r)
            for (int c = 0; c < g.width; ++c)
                if (g.ink[r * g.width + c])
                    st.bits[r * st.bytesPerRow() + (x + c) / 8] |= 0x80 >> ((x + c) & 7);
        x += g.width;
    }
    return st;
}

FILE* create(const std::string& path) {
    FILE* f = fopen(path.c_str(), "w");
    if (f == nullptr) {
        perror(path.c_str());
        exit(1);
    }
    return f;
}

void writeTable(const std::string& dir, const Strip& st) {
    const FontSpec& s = *st.style;
    std::string file = dir + "/builtin_" + s.fileName + ".cpp";
    FILE* f = create(file);
    fprintf(f, "// The built-in %s: %s at %d pixels, rendered monochrome by tools/fontgen.\n",
            s.name, s.ttf, s.ppem);
    fprintf(f, "// Generated; change the generator and run it again instead of editing.\n");
    fprintf(f, "#include \"gui/alphabet.h\"\n\nnamespace {\n");
    fprintf(f, "const unsigned char bits[] = {");
    for (size_t i = 0; i < st.bits.size(); ++i)
        fprintf(f, "%s0x%02X,", i % 12 == 0 ? "\n    " : " ", st.bits[i]);
    fprintf(f, "\n};\n\nconst int32_t offsets[] = {");
    for (size_t i = 0; i < st.offsets.size(); ++i)
        fprintf(f, "%s%d,", i % 12 == 0 ? "\n    " : " ", st.offsets[i]);
    fprintf(f, "\n};\n} // namespace\n\n");
    fprintf(f, "Font %s(%u, %u, %d, offsets, %d, %d, bits, 0, %d, 0, 0);\n", s.name, s.firstChar,
            s.lastChar, s.descent, st.width, s.height, s.mapped ? 46 : 0);
    fclose(f);
}

void writeFontFile(const std::string& dir, const std::vector<Strip>& strips) {
    FILE* f = create(dir + "/LatinFont");
    fprintf(f, "# The Latin fonts of the program in the font-file format, made by tools/fontgen\n");
    fprintf(f, "# from DejaVu (see the generator for the sizes).\n");
    for (const Strip& st : strips) {
        const FontSpec& s = *st.style;
        if (!s.mapped) continue;
        fprintf(f, "Font %s(%u %u %d 0 46 0)\n", s.fileName, s.firstChar, s.lastChar, s.descent);
        fprintf(f, "Bitmap(%d %d)\n", st.width, s.height);
        for (int r = 0; r < s.height; ++r) {
            for (int b = 0; b < st.bytesPerRow(); ++b)
                fprintf(f, "%02X%s", st.bits[r * st.bytesPerRow() + b],
                        (b % 60 == 59 || b + 1 == st.bytesPerRow()) ? "\n" : "");
        }
        fprintf(f, "Offsets(%zu)\n", st.offsets.size() - 1);
        for (size_t i = 0; i < st.offsets.size(); ++i)
            fprintf(f, "%d%s", st.offsets[i],
                    (i % 20 == 19 || i + 1 == st.offsets.size()) ? "\n" : " ");
        fprintf(f, "end Font\n");
    }
    fprintf(f, "CharSet Latin(Normal Large Small)\nEncoding(46)\n");
    for (int i = 0; i < 46; ++i)
        fprintf(f, "0x%04X%s", mappedChars[i], i % 10 == 9 || i == 45 ? "\n" : " ");
    fprintf(f, "end CharSet\n");
    fclose(f);
}

// The overview of one font: every glyph in a grid of 16 a row (grey cell borders, the
// baseline marked), and sample texts, all scaled up.
void writeOverview(const std::string& path, const std::vector<Strip>& strips, int scale) {
    const int perRow = 16;
    struct Placed {
        const Strip* st;
        int y;
    };
    std::vector<Placed> blocks;
    int width = 0, height = 4;
    for (const Strip& st : strips) {
        int cell = 0;
        for (const Glyph& g : st.glyphs)
            if (g.width > cell) cell = g.width;
        int rows = (static_cast<int>(st.glyphs.size()) + perRow - 1) / perRow;
        int w = perRow * (cell + 1) + 1;
        if (w > width) width = w;
        blocks.push_back({&st, height});
        height += rows * (st.style->height + 1) + 1 + 3 * (st.style->height + 2) + 6;
    }
    width = width < 400 ? 400 : width;
    RgbImage img;
    img.width = width * scale;
    img.height = height * scale;
    img.rgb.assign(static_cast<size_t>(img.width) * img.height * 3, 255);
    auto put = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx) {
                size_t i = (static_cast<size_t>(y * scale + dy) * img.width + x * scale + dx) * 3;
                img.rgb[i] = r;
                img.rgb[i + 1] = g;
                img.rgb[i + 2] = b;
            }
    };
    auto drawGlyph = [&](const Strip& st, const Glyph& g, int x, int y) {
        for (int r = 0; r < st.style->height; ++r)
            for (int c = 0; c < g.width; ++c)
                if (g.ink[r * g.width + c]) put(x + c, y + r, 0, 0, 0);
    };
    auto glyphOf = [](const Strip& st, uint32_t ch) -> const Glyph* {
        const FontSpec& s = *st.style;
        if (ch >= s.firstChar && ch <= s.lastChar) return &st.glyphs[ch - s.firstChar + 1];
        for (int i = 0; i < 46 && s.mapped; ++i)
            if (mappedChars[i] == ch) return &st.glyphs[s.lastChar - s.firstChar + 2 + i];
        return nullptr;
    };
    for (const Placed& p : blocks) {
        const Strip& st = *p.st;
        int h = st.style->height;
        int cell = 0;
        for (const Glyph& g : st.glyphs)
            if (g.width > cell) cell = g.width;
        int n = static_cast<int>(st.glyphs.size());
        int rows = (n + perRow - 1) / perRow;
        for (int i = 0; i < n; ++i) {
            int gx = (i % perRow) * (cell + 1) + 1, gy = p.y + (i / perRow) * (h + 1) + 1;
            for (int c = -1; c <= cell; ++c) {
                put(gx + c, gy - 1, 190, 190, 190);
                put(gx + c, gy + h, 190, 190, 190);
            }
            for (int r = -1; r <= h; ++r) {
                put(gx - 1, gy + r, 190, 190, 190);
                put(gx + cell, gy + r, 190, 190, 190);
            }
            for (int c = 0; c < st.glyphs[i].width; ++c)
                put(gx + c, gy + h - st.style->descent, 255, 200, 200); // baseline row
            drawGlyph(st, st.glyphs[i], gx, gy);
        }
        const char32_t* samples[] = {
            U"The quick brown fox jumps over the lazy dog. 0123456789 (x+y)/2=7% #@$&*!?",
            U"Programming Module: J1939 Flashloader \u2026 "
            U"\u00c4\u00d6\u00dc\u00e4\u00f6\u00fc\u00df \u00c9\u00e9\u00e8\u00ea\u00e7\u00c7",
            U"\u0160\u0161\u017d\u017e\u010c\u010d\u0100\u0101 \u2116 \u2264 \u2265 "
            U"\u00a9\u00b0\u00b5\u00bd",
        };
        int y = p.y + rows * (h + 1) + 3;
        for (const char32_t* sample : samples) {
            int x = 2;
            for (const char32_t* c = sample; *c; ++c) {
                const Glyph* g = glyphOf(st, *c);
                if (g == nullptr) continue;
                drawGlyph(st, *g, x, y);
                x += g->width;
            }
            y += h + 2;
        }
    }
    std::string error;
    if (!writePng(path.c_str(), img, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s OUTPUT_DIR FONT_DIR\n", argv[0]);
        return 2;
    }
    std::string out = argv[1], fontDir = argv[2];
    FT_Library lib;
    if (FT_Init_FreeType(&lib) != 0) return 1;
    // The classic interpreter hints every stem to whole pixels: crisp monochrome glyphs.
    FT_UInt v35 = TT_INTERPRETER_VERSION_35;
    FT_Property_Set(lib, "truetype", "interpreter-version", &v35);
    std::vector<Strip> strips;
    std::vector<FontSpec> chosen(std::begin(specs), std::end(specs));
    // Trying other faces: FONTGEN_TRY="SmallFont:DejaVuSans.ttf:9:3:80"
    // (name:file:ppem:hinting[:threshold]).
    if (const char* t = getenv("FONTGEN_TRY")) {
        static char file[128];
        char name[32];
        int ppem, hint, threshold = 128;
        if (sscanf(t, "%31[^:]:%127[^:]:%d:%d:%d", name, file, &ppem, &hint, &threshold) >= 4)
            for (FontSpec& s : chosen)
                if (std::string(s.name) == name) {
                    s.ttf = file;
                    s.ppem = ppem;
                    s.hinting = hint;
                    s.threshold = threshold;
                }
    }
    for (const FontSpec& s : chosen) {
        strips.push_back(buildStrip(lib, fontDir, s));
        printf("%-12s %2d px: strip %d x %d, %zu glyphs, %d squeezed\n", s.name, s.ppem,
               strips.back().width, s.height, strips.back().glyphs.size(), strips.back().clipped);
    }
    FT_Done_FreeType(lib);
    for (const Strip& st : strips)
        writeTable(out, st);
    writeFontFile(out, strips);
    for (const Strip& st : strips) {
        int scale = st.style->height <= 13 ? 4 : st.style->height <= 20 ? 3 : 2;
        writeOverview(out + "/overview_" + st.style->fileName + ".png", {st}, scale);
    }
    return 0;
}
