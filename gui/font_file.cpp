// The font-file loader: fonts and character sets in a line-oriented text format. Anything
// malformed is dropped (a font with a bad header or a short bitmap, a count out of range)
// while the sound parts of the file still load; nothing is read past what was allocated.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/alphabet.h"
#include "gui/gui_language.h"

namespace {
constexpr int MaxLine = 255;
constexpr int MaxFontsPerFile = 3;
constexpr int MaxNameLength = 63;
constexpr long MaxStripBytes = 4L << 20;
constexpr long MaxOffsets = 1L << 17;
constexpr long MaxEncoding = 1L << 16;
constexpr long MaxCharCode = 0xFFFF;

// Everything the loader makes lives as long as the program; the lists keep it reachable.
struct LoadedFont {
    Font font;
    unsigned char* bits;
    int32_t* offsets;
    char name[MaxNameLength + 1];
    LoadedFont* next;
    LoadedFont(const Font& f) : font(f), bits(nullptr), offsets(nullptr), name(), next(nullptr) {}
};
LoadedFont* loadedFonts = nullptr;
Alphabet* loadedAlphabets = nullptr;

class LineReader {
public:
    explicit LineReader(FILE* f) : file(f) {}
    // The next line, cut to MaxLine characters; false at the end of the file.
    bool next() {
        if (pushedBack) {
            pushedBack = false;
            return true;
        }
        int c, n = 0;
        bool any = false;
        while ((c = fgetc(file)) != EOF) {
            any = true;
            if (c == '\n') break;
            if (n < MaxLine) line[n++] = static_cast<char>(c);
        }
        if (n > 0 && line[n - 1] == '\r') --n;
        line[n] = '\0';
        pos = line;
        return any;
    }
    void pushBack() {
        pushedBack = true;
        pos = line;
    }
    char line[MaxLine + 1] = {};
    const char* pos = line;

private:
    FILE* file;
    bool pushedBack = false;
};

// Items that follow a header, read across lines. A line that is not made of items ends the
// list and is handed back for the header parser.
class ItemReader {
public:
    explicit ItemReader(LineReader& r) : in(r) {}

    bool hexByte(unsigned& v) {
        if (!skipToItem()) return false;
        if (!isxdigit(static_cast<unsigned char>(*in.pos))) return stop();
        v = 0;
        for (int i = 0; i < 2 && isxdigit(static_cast<unsigned char>(*in.pos)); ++i, ++in.pos)
            v = v * 16 + hexValue(*in.pos);
        return true;
    }
    bool integer(long& v) {
        if (!skipToItem()) return false;
        char* end;
        long r = strtol(in.pos, &end, 0);
        if (end == in.pos || !(*end == '\0' || isspace(static_cast<unsigned char>(*end))))
            return stop();
        v = r;
        in.pos = end;
        return true;
    }
    bool integerOrChar(long& v) {
        if (!skipToItem()) return false;
        if (in.pos[0] == '\'' && in.pos[1] != '\0' && in.pos[2] == '\'') {
            v = static_cast<unsigned char>(in.pos[1]);
            in.pos += 3;
            return true;
        }
        return integer(v);
    }

private:
    static unsigned hexValue(char c) {
        return isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10);
    }
    bool skipToItem() {
        for (;;) {
            while (isspace(static_cast<unsigned char>(*in.pos)))
                ++in.pos;
            if (*in.pos != '\0') return true;
            if (!in.next()) return false;
            if (in.line[0] == '#') in.pos = in.line + strlen(in.line);
        }
    }
    // A line that starts with something other than an item goes back to the header parser;
    // garbage inside an item line is skipped with the rest of that line.
    bool stop() {
        if (in.pos == firstNonBlank())
            in.pushBack();
        else
            in.pos = in.line + strlen(in.line);
        return false;
    }
    const char* firstNonBlank() const {
        const char* p = in.line;
        while (isspace(static_cast<unsigned char>(*p)))
            ++p;
        return p;
    }
    LineReader& in;
};

void trimName(char* s) {
    size_t n = strlen(s);
    while (n > 0 && isspace(static_cast<unsigned char>(s[n - 1])))
        s[--n] = '\0';
    char* b = s;
    while (isspace(static_cast<unsigned char>(*b)))
        ++b;
    if (b != s) memmove(s, b, strlen(b) + 1);
}

bool startsWith(const char* s, const char* prefix) {
    return strncmp(s, prefix, strlen(prefix)) == 0;
}

struct FontBlock {
    bool active = false;
    bool sound = false;
    char name[MaxNameLength + 1] = {};
    long firstChar = 0, lastChar = 0, descent = 0, leading = 0, mapped = 0, fixedWidth = 0;
    long width = 0, height = 0;
    unsigned char* bits = nullptr;
    int32_t* offsets = nullptr;
    long offsetEntries = 0; // values read
    long offsetCount = 0;   // 0: one entry per glyph
    bool bitmapRead = false;

    void discard() {
        delete[] bits;
        delete[] offsets;
        *this = FontBlock();
    }
    long glyphCount() const { return lastChar - firstChar + 2 + mapped; }
};

class FontFileParser {
public:
    FontFileParser(FILE* f, bool chinese) : lines(f), items(lines), chineseFile(chinese) {}
    void run();

private:
    void fontHeader();
    void bitmapLine();
    void offsetsLine();
    void endFont();
    void charSetHeader();
    void encodingLine();
    void endCharSet();
    Font* fontNamed(const char* n) const;

    LineReader lines;
    ItemReader items;
    bool chineseFile;
    FontBlock block;
    int fontCount = 0;
    LoadedFont* fileFonts[MaxFontsPerFile] = {};
    uint32_t* charMap = nullptr;
    bool encodingSeen = false;
    bool charMapUsed = false;
    bool charSetActive = false;
    char charSetName[MaxNameLength + 1] = {};
    Font* charSetFonts[3] = {}; // normal, large, small
};

void FontFileParser::run() {
    while (lines.next()) {
        const char* l = lines.line;
        if (l[0] == '#') continue;
        if (startsWith(l, "Font "))
            fontHeader();
        else if (startsWith(l, "Bitmap("))
            bitmapLine();
        else if (startsWith(l, "Offsets("))
            offsetsLine();
        else if (startsWith(l, "end Font"))
            endFont();
        else if (startsWith(l, "CharSet "))
            charSetHeader();
        else if (startsWith(l, "Encoding("))
            encodingLine();
        else if (startsWith(l, "end CharSet"))
            endCharSet();
    }
    block.discard();
    // A character map that no character set took is not needed.
    if (!charMapUsed) delete[] charMap;
}

void FontFileParser::fontHeader() {
    block.discard();
    block.active = true;
    char name[MaxNameLength + 1];
    long v[6];
    if (sscanf(lines.line, "Font %63[^(](%li %li %li %li %li %li)", name, &v[0], &v[1], &v[2],
               &v[3], &v[4], &v[5]) != 7)
        return;
    bool ok = v[0] >= 0 && v[0] <= v[1] && v[1] <= MaxCharCode && v[2] >= 0 && v[2] <= 255 &&
              v[3] >= 0 && v[3] <= 255 && v[4] >= 0 && v[4] <= MaxCharCode && v[5] >= 0 &&
              v[5] <= 255;
    if (!ok) {
        printf("font file: bad font header '%s' ignored\n", lines.line);
        return;
    }
    trimName(name);
    strcpy(block.name, name);
    block.firstChar = v[0];
    block.lastChar = v[1];
    block.descent = v[2];
    block.leading = v[3];
    block.mapped = v[4];
    block.fixedWidth = v[5];
    block.sound = true;
}

void FontFileParser::bitmapLine() {
    long w, h;
    if (!block.sound || block.bitmapRead || sscanf(lines.line, "Bitmap(%li %li)", &w, &h) != 2 ||
        w <= 0 || h <= 0 || h > 255 || (w + 7) / 8 * h > MaxStripBytes) {
        if (block.sound) printf("font file: bad bitmap in font '%s'\n", block.name);
        block.sound = false;
        return;
    }
    const char* close = strchr(lines.line, ')');
    lines.pos = close + 1;
    long n = (w + 7) / 8 * h;
    block.bits = new unsigned char[n]();
    for (long i = 0; i < n; ++i) {
        unsigned v;
        if (!items.hexByte(v)) {
            printf("font file: bitmap of font '%s' shorter than announced\n", block.name);
            block.sound = false;
            return;
        }
        block.bits[i] = static_cast<unsigned char>(v);
    }
    block.width = w;
    block.height = h;
    block.bitmapRead = true;
    block.offsetCount = 0; // an Offsets line before the bitmap keeps the default count
}

void FontFileParser::offsetsLine() {
    long n;
    if (!block.sound || sscanf(lines.line, "Offsets(%ld)", &n) != 1 || n < 1 || n > MaxOffsets) {
        block.sound = false;
        return;
    }
    const char* close = strchr(lines.line, ')');
    lines.pos = close + 1;
    delete[] block.offsets;
    block.offsets = new int32_t[n + 1]();
    for (long i = 0; i <= n; ++i) {
        long v;
        if (!items.integer(v)) {
            printf("font file: offsets of font '%s' shorter than announced\n", block.name);
            block.sound = false;
            return;
        }
        block.offsets[i] = static_cast<int32_t>(v < -1000000  ? -1000000
                                                : v > 1000000 ? 1000000
                                                              : v);
    }
    block.offsetEntries = n + 1;
    block.offsetCount = block.bitmapRead ? n : 0;
}

void FontFileParser::endFont() {
    if (!block.active) return;
    if (!block.sound || !block.bitmapRead || fontCount == MaxFontsPerFile) {
        if (block.sound && fontCount == MaxFontsPerFile)
            printf("font file: more than %d fonts, '%s' ignored\n", MaxFontsPerFile, block.name);
        block.discard();
        return;
    }
    if (block.offsets == nullptr) {
        // Without offsets every glyph after the replacement glyph is fixedWidth wide.
        block.offsets = new int32_t[2]();
        block.offsetEntries = 2;
        block.offsetCount = 1;
    }
    // Never look further into the offsets than was read.
    long count = block.offsetCount != 0 ? block.offsetCount : block.glyphCount();
    if (count > block.offsetEntries - 1) count = block.offsetEntries - 1;
    uint8_t leading = static_cast<uint8_t>(block.leading);
    LoadedFont* lf = new LoadedFont(
        Font(static_cast<uint32_t>(block.firstChar), static_cast<uint32_t>(block.lastChar),
             static_cast<uint8_t>(block.descent), block.offsets, block.width, block.height,
             block.bits, leading, static_cast<uint32_t>(block.mapped), static_cast<uint32_t>(count),
             static_cast<uint8_t>(block.fixedWidth)));
    lf->bits = block.bits;
    lf->offsets = block.offsets;
    strcpy(lf->name, block.name);
    lf->next = loadedFonts;
    loadedFonts = lf;
    fileFonts[fontCount++] = lf;
    block = FontBlock(); // ownership passed on
}

Font* FontFileParser::fontNamed(const char* n) const {
    for (int i = 0; i < fontCount; ++i)
        if (strcmp(fileFonts[i]->name, n) == 0) return &fileFonts[i]->font;
    return nullptr;
}

void FontFileParser::charSetHeader() {
    char name[MaxNameLength + 1], f[3][MaxNameLength + 1];
    charSetActive = false;
    if (sscanf(lines.line, "CharSet %63[^(](%63[^ ] %63[^ ] %63[^)])", name, f[0], f[1], f[2]) != 4)
        return;
    trimName(name);
    strcpy(charSetName, name);
    for (int i = 0; i < 3; ++i) {
        trimName(f[i]);
        if (Font* font = fontNamed(f[i])) charSetFonts[i] = font;
    }
    charSetActive = true;
}

void FontFileParser::encodingLine() {
    long n;
    if (encodingSeen || sscanf(lines.line, "Encoding(%ld)", &n) != 1 || n < 0 || n > MaxEncoding) {
        return;
    }
    const char* close = strchr(lines.line, ')');
    lines.pos = close + 1;
    uint32_t* map = new uint32_t[n + 1]();
    long i = 0;
    for (; i < n; ++i) {
        long v;
        if (!items.integerOrChar(v)) break;
        // 0 would end the map early; codes out of range are kept as unknown (1).
        map[i] = (v <= 0 || v > 0x7FFFFFFF) ? 1 : static_cast<uint32_t>(v);
    }
    map[i] = 0;
    charMap = map;
    encodingSeen = true;
}

void FontFileParser::endCharSet() {
    if (!charSetActive) return;
    charSetActive = false;
    char* name = new char[strlen(charSetName) + 1];
    strcpy(name, charSetName);
    Font* small = charSetFonts[2];
    if (chineseFile && small != nullptr) small->leading = 1;
    Alphabet* a = new Alphabet(name, charSetFonts[0], charSetFonts[1], small, charMap, false);
    if (charMap != nullptr) charMapUsed = true;
    a->nextLoaded = loadedAlphabets;
    loadedAlphabets = a;
    if (AddAlphabetHook != nullptr) AddAlphabetHook(a);
}
} // namespace

bool Alphabet::loadFile(const char* path) {
    FILE* f = fopen(path, "r");
    if (f == nullptr) return false;
    const char* base = strrchr(path, '/');
    base = base != nullptr ? base + 1 : path;
    FontFileParser p(f, strcmp(base, "ChineseFont") == 0);
    p.run();
    fclose(f);
    return true;
}

bool Alphabet::load(const char* charSetName) {
    char path[MaxNameLength + 8];
    if (strcmp(charSetName, "PartialChineseCharSet") == 0) charSetName = "Chinese";
    if (snprintf(path, sizeof path, "%sFont", charSetName) >= static_cast<int>(sizeof path))
        return false;
    return loadFile(path);
}
