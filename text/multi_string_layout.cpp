// MultiString layout and drawing: the header marks of a text (fixed lines, wrapping to the
// object's width with an ellipsis on the last line, alternative texts), and drawing line by
// line with the fonts of the text's alphabet.
#include <cstring>

#include "gui/alphabet.h"
#include "gui/graphical_obj.h"
#include "gui/layer.h"
#include "platform/display.h"
#include "text/language.h"
#include "text/multi_string.h"
#include "text/parse_string.h"
#include "text/vocabulary.h"
#include "text/xtd_string.h"

namespace {
constexpr uint32_t EllipsisChar = 0x2026;
// Alternative texts may name further alternatives; deeper ones are not followed.
constexpr int MaxLayoutDepth = 3;

Font* fontOf(Language* lang, FontSize size) {
    Alphabet* a = lang != nullptr && lang->alphabet != nullptr ? lang->alphabet : &Latin;
    Font* f = a->font(size);
    return f != nullptr ? f : a->font(NormalFontSize);
}

bool isBreakingSpace(uint32_t c) {
    return c == ' ' || c == DigitSpaceCode || c == TabCode ||
           (c >= PixelSpace1Code && c <= PixelSpace9Code);
}

bool allowsBreakAfter(uint32_t c) {
    return c < 128 && c != 0 && strchr(",:;/?-!~)]}", static_cast<int>(c)) != nullptr;
}

// Breaks body into lines no wider than width, writing the header mark, the line count and
// the lines at out. Returns the line count, or 0 when mustFit and it needs more than
// maxLines lines.
class Wrapper {
public:
    Wrapper(Font* f, Alphabet* alphabet, long w, long lines, bool fit, unsigned char* o,
            unsigned char* e)
        : font(f), width(w), maxLines(lines < 1 ? 1 : lines), mustFit(fit), start(o), out(o),
          end(e - 8) {
        uint32_t code = alphabet->mapChar(EllipsisChar);
        if (code != 1) {
            ellipsis = code;
            ellipsisWidth = font->getCharWidth(code);
        }
    }

    int run(const unsigned char* body) {
        put(HeaderMarkCode);
        put(0); // the line count, filled in at the end
        lineStart = out;
        noteLastLine();
        const unsigned char* p = body;
        while (*p != 0 && out < end) {
            uint32_t c = xtdGetChar(p);
            if (c == LineBreakCode) {
                if (!newLine()) return cut();
                continue;
            }
            long w = font->getCharWidth(c);
            if (isBreakingSpace(c) && lineWidth + w > width) {
                // The space itself becomes the line break.
                if (!newLine()) return cut();
                continue;
            }
            while (lineWidth + w > width && lineWidth > 0) {
                if (lines >= maxLines) return cut();
                if (breakAt == nullptr) { // no break point yet: break inside the word
                    breakAt = out;
                    widthAfterBreak = 0;
                    put(BreakPointCode);
                }
                *breakAt = LineBreakCode;
                ++lines;
                lineStart = breakAt + 1;
                lineWidth = widthAfterBreak;
                breakAt = nullptr;
                noteLastLine();
            }
            put(c);
            lineWidth += w;
            widthAfterBreak += w;
            if (isBreakingSpace(c)) {
                breakAt = out - 1;
                widthAfterBreak = 0;
            } else if (allowsBreakAfter(c)) {
                breakAt = out;
                widthAfterBreak = 0;
                put(BreakPointCode);
            }
            if (lines == maxLines && lineWidth + ellipsisWidth <= width) ellipsisAt = out;
        }
        *out = 0;
        start[1] = static_cast<unsigned char>(lines);
        return lines;
    }

private:
    Font* font;
    long width;
    long maxLines;
    bool mustFit;
    unsigned char* start;
    unsigned char* out;
    unsigned char* end;
    uint32_t ellipsis = 0;
    long ellipsisWidth = 0;
    long lines = 1;
    long lineWidth = 0;
    unsigned char* lineStart = nullptr;
    unsigned char* breakAt = nullptr; // the break point of this line (a space or a code 16)
    long widthAfterBreak = 0;
    unsigned char* ellipsisAt = nullptr;

    void put(uint32_t c) { xtdPutChar(c, out); }

    bool newLine() {
        if (lines >= maxLines) return false;
        put(LineBreakCode);
        ++lines;
        lineStart = out;
        lineWidth = 0;
        breakAt = nullptr;
        noteLastLine();
        return true;
    }

    // On the last line: the last place where what is already on it still fits with the
    // ellipsis after it.
    void noteLastLine() {
        if (lines != maxLines) return;
        ellipsisAt = lineStart;
        long w = 0;
        for (unsigned char* q = lineStart; q < out;) {
            w += font->getCharWidth(xtdGetChar(q));
            if (w + ellipsisWidth <= width) ellipsisAt = q;
        }
    }

    int cut() {
        if (mustFit) return 0;
        if (ellipsis != 0 && ellipsisAt != nullptr) {
            out = ellipsisAt;
            put(ellipsis);
        }
        *out = 0;
        start[1] = static_cast<unsigned char>(lines);
        return static_cast<int>(lines);
    }
};

// Removes the header mark and the count when the text has one line.
void dropHeaderOfOneLine(unsigned char* buffer, int lines) {
    if (lines == 1 && buffer[0] == HeaderMarkCode)
        memmove(buffer, buffer + 2, static_cast<size_t>(xtdStrlen(buffer + 2)) + 1);
}
} // namespace

long mline_nMax(bool fromHeight, unsigned long headerChar, GraphicalObj* obj, Font* font,
                long* width) {
    Rect r = obj->getAbsRect(nullptr);
    if (width != nullptr) *width = r.width();
    if (!fromHeight && headerChar != '*') {
        long n = static_cast<long>(headerChar) - '0';
        return n < 1 ? 1 : n > 9 ? 9 : n;
    }
    long lineHeight = font != nullptr && font->lineHeight() > 0 ? font->lineHeight() : 1;
    long n = r.height() / lineHeight;
    return n < 1 ? 1 : n;
}

int MultiString::nLines(unsigned char f, Language* lang, StringAndLang* out, unsigned char* buffer,
                        GraphicalObj* obj, FontSize size, bool mustFit) {
    return layout(f, lang, out, buffer, obj, size, mustFit, 0);
}

int MultiString::layout(unsigned char f, Language* lang, StringAndLang* out, unsigned char* buffer,
                        GraphicalObj* obj, FontSize size, bool mustFit, int depth) {
    unsigned char expanded[MultiStringBufferSize];
    StringAndLang s = getExpandedString(expanded, f, lang);
    // A local copy: loading an alternative text may reload the pool node it came from.
    if (s.text != expanded) xtdStrncpy(expanded, s.text, MultiStringBufferSize);
    s.text = expanded;
    *out = s;
    out->text = buffer;
    unsigned char* end = buffer + MultiStringBufferSize;
    const unsigned char* t = s.text;
    if (*t == RightToLeftCode) ++t; // the direction travels in rightToLeft
    Font* font = fontOf(s.language, size);
    if (t[0] != HeaderMarkCode || font == nullptr) {
        xtdStrncpy(buffer, t, MultiStringBufferSize);
        return 1;
    }

    unsigned char h = t[1];
    long lineHeight = font->lineHeight() > 0 ? font->lineHeight() : 1;
    long fitting = obj->getAbsRect(nullptr).height() / lineHeight;
    if (h >= '0' && h <= '9') {
        const unsigned char* body = t + 2;
        long lines = h - '0';
        if (lines == 0) {
            lines = 1;
            for (const unsigned char* p = body; *p != 0;)
                if (xtdGetChar(p) == LineBreakCode) ++lines;
        }
        if (mustFit && lines > fitting) return 0;
        buffer[0] = HeaderMarkCode;
        buffer[1] = static_cast<unsigned char>(lines);
        xtdStrncpy(buffer + 2, body, MultiStringBufferSize - 2);
        dropHeaderOfOneLine(buffer, static_cast<int>(lines));
        return static_cast<int>(lines);
    }

    Alphabet* alphabet =
        s.language != nullptr && s.language->alphabet != nullptr ? s.language->alphabet : &Latin;
    long width = 0;
    if (h == '?' || h == '!') {
        unsigned char digit = t[2] >= '0' && t[2] <= '9' ? t[2] : '1';
        if (expander != nullptr && depth < MaxLayoutDepth) {
            Language* preferred = targetLang(lang, s.language);
            unsigned char priority = 0;
            StringArgs args = expander->getMsgTemplate(priority, preferred->id, expansionContext);
            MultiString alt;
            alt.setString(args);
            alt.expander = expander;
            alt.expansionContext = expansionContext;
            unsigned char altForm = static_cast<unsigned char>(digit - '0');
            if (h == '?' || alt.formDefined(altForm, preferred)) {
                int n = alt.layout(altForm, preferred, out, buffer, obj, size,
                                   h == '?' ? true : mustFit, depth + 1);
                if (n > 0) return n;
                *out = s;
                out->text = buffer;
            }
        }
        // No usable alternative: this text without its header, wrapped into what fits.
        long lines = mline_nMax(true, '*', obj, font, &width);
        const unsigned char* body = t + (t[2] >= '0' && t[2] <= '9' ? 3 : 2);
        Wrapper w(font, alphabet, width, lines, false, buffer, end);
        int n = w.run(body);
        dropHeaderOfOneLine(buffer, n);
        return n;
    }

    // "*" (or an unknown mark, taken as "*"): wrap to the object's width.
    unsigned char digit = '1';
    const unsigned char* body = t + 2;
    if (h == '*' && t[2] >= '0' && t[2] <= '9') {
        digit = t[2];
        body = t + 3;
    }
    // Never more lines than the object's height holds, so the text stays inside it.
    long lines = mline_nMax(mustFit, digit, obj, font, &width);
    if (lines > fitting) lines = fitting < 1 ? 1 : fitting;
    Wrapper w(font, alphabet, width, lines, mustFit, buffer, end);
    int n = w.run(body);
    dropHeaderOfOneLine(buffer, n);
    return n;
}

void MultiString::drawString(GraphicalObj* obj, const Rect& rect, long y, FontSize size,
                             Alignment alignment, Color transparent, Color ink, unsigned char f,
                             Language* lang) {
    unsigned char buffer[MultiStringBufferSize];
    StringAndLang s;
    int n = nLines(f, lang, &s, buffer, obj, size, false);
    Font* font = fontOf(s.language, size);
    if (font == nullptr || n < 1) return;

    // The text stays between the object's left and right edges, whatever its width.
    Layer* layer = obj->layer;
    Rect* savedClip = layer != nullptr ? layer->clipRect : nullptr;
    Rect clip = savedClip != nullptr ? *savedClip : Rect(ScreenWidth, ScreenHeight);
    if (clip.topLeft.x < rect.left()) clip.topLeft.x = rect.left();
    if (clip.bottomRight.x > rect.right()) clip.bottomRight.x = rect.right();
    if (layer != nullptr) layer->clipRect = &clip;

    if (n == 1 || buffer[0] != HeaderMarkCode) {
        BitmapArgs a(obj, &rect, y, alignment, transparent, ink, s.rightToLeft);
        font->drawString(a, buffer);
    } else {
        long lineHeight = font->lineHeight();
        if (alignment & ALIGN_VCENTER)
            y -= lineHeight * n / 2;
        else if (alignment & ALIGN_BOTTOM)
            y -= lineHeight * n;
        Alignment lineAlignment = alignment & ~(ALIGN_VCENTER | ALIGN_BOTTOM);
        unsigned char* p = buffer + 2;
        while (*p != 0) {
            if (*p == HeaderMarkCode) { // a header mark after a line break is skipped
                p += p[1] != 0 ? 2 : 1;
                continue;
            }
            unsigned char* lineEnd = p;
            while (*lineEnd != 0 && *lineEnd != LineBreakCode)
                lineEnd += *lineEnd == XtdWideMark ? 3 : 1;
            unsigned char saved = *lineEnd;
            *lineEnd = 0;
            BitmapArgs a(obj, &rect, y, lineAlignment, transparent, ink, s.rightToLeft);
            font->drawString(a, p);
            *lineEnd = saved;
            y += lineHeight;
            p = saved != 0 ? lineEnd + 1 : lineEnd;
        }
    }
    if (layer != nullptr) layer->clipRect = savedClip;
}

long MultiString::height(FontSize size, Language* lang) {
    Font* font = fontOf(targetLang(lang, nullptr), size);
    return font != nullptr ? font->lineHeight() : 0;
}
