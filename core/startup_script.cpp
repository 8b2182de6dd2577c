// The start-up script interpreter behind ApplicationTask::paceStartup: binary records that
// draw the boot animation step by step, with palettes, variables and loops. Every record
// is bounded by its length, so a damaged file is skipped through rather than trusted.
#include <cstdio>
#include <cstring>

#include "core/application_task.h"
#include "core/framework.h"
#include "gui/application_gui.h"
#include "gui/arc_obj.h"
#include "platform/display.h"
#include "platform/platform.h"

namespace {

constexpr int SavedPaletteSlots = 10;
constexpr int MaxOpenLoops = 4;
constexpr int FirstScriptVariable = 10000;
constexpr int ScriptVariableCount = 26;
constexpr uint32_t MaxPayloadBuffered = 64;
// A loop whose variable never reaches its limit would otherwise run forever.
constexpr unsigned long MaxLoopJumps = 1000000;

struct LoopEntry {
    uint32_t variable;
    uint32_t limit;
    uint32_t step;
    long filePosition;
};

struct ScriptState {
    FILE* file = nullptr;
    bool firstCall = true;
    int bitsPerPixel = 4;
    uint32_t defaultDelay = 100;
    int transparent = 256;
    bool paletteSaved[SavedPaletteSlots] = {};
    uint32_t savedPalettes[SavedPaletteSlots][PaletteWords] = {};
    int loopLevel = -1;
    LoopEntry loops[MaxOpenLoops] = {};
    int32_t variables[ScriptVariableCount] = {};
    unsigned long loopJumps = 0;
};
ScriptState S;

uint32_t word(const uint8_t* p, int i) {
    return p[2 * i] | (p[2 * i + 1] << 8);
}

bool readExactly(void* buf, size_t n) {
    return fread(buf, 1, n, S.file) == n;
}

void loadPalette(const uint8_t* groups) {
    uint32_t pal[PaletteWords];
    for (int i = 0; i < 8; ++i) {
        uint32_t entries[2];
        for (int k = 0; k < 2; ++k) {
            const uint8_t* rgb = groups + 6 * i + 3 * k;
            uint32_t r = (255 - rgb[0]) >> 3, g = (255 - rgb[1]) >> 3, b = (255 - rgb[2]) >> 3;
            entries[k] = 0x8000u | r << 10 | g << 5 | b;
        }
        setPaletteEntryPair(pal, static_cast<unsigned char>(2 * i), entries[0], entries[1]);
    }
    setPalette(pal);
}

// Writes one 32-bit word of 8 pixels, keeping the screen where a pixel is transparent.
void putPixelWord(uint32_t* dst, uint32_t src) {
    if (S.transparent > 15) {
        *dst = src;
        return;
    }
    uint32_t keep = 0;
    for (int n = 0; n < 8; ++n)
        if (((src >> (4 * n)) & 0xF) == static_cast<uint32_t>(S.transparent))
            keep |= 0xFu << (4 * n);
    *dst = (*dst & keep) | (src & ~keep);
}

uint32_t littleEndianWord32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Record 3. Returns false when the file ended inside the record.
bool drawBitmapRecord(uint32_t length, bool* accepted) {
    *accepted = false;
    if (length < 8) return fseek(S.file, length, SEEK_CUR) == 0;
    uint8_t hdr[8];
    if (!readExactly(hdr, 8)) return false;
    uint32_t x = word(hdr, 0), y = word(hdr, 1), w = word(hdr, 2), h = word(hdr, 3);
    uint32_t dataLength = length - 8;
    uint32_t* fb = reinterpret_cast<uint32_t*>(frameBuffer);
    static uint8_t chunk[FrameBufferBytes];
    if (dataLength == FrameBufferBytes && x == 0 && y == 0 && w == 320) {
        if (!readExactly(chunk, FrameBufferBytes)) return false;
        for (int i = 0; i < FrameBufferWords; ++i)
            putPixelWord(&fb[i], littleEndianWord32(chunk + 4 * i));
        *accepted = true;
        return true;
    }
    uint32_t wordsPerRow = w / 8;
    bool shapeOk = x % 8 == 0 && w % 8 == 0 && dataLength == h * 4 * wordsPerRow;
    // Rows must lie inside the frame buffer.
    bool inside = x / 8 + wordsPerRow <= 40 && y + h <= 240;
    if (!shapeOk || !inside) return fseek(S.file, dataLength, SEEK_CUR) == 0;
    for (uint32_t row = 0; row < h; ++row) {
        if (!readExactly(chunk, wordsPerRow * 4)) return false;
        uint32_t* dst = fb + x / 8 + 40 * (y + row);
        for (uint32_t i = 0; i < wordsPerRow; ++i)
            putPixelWord(&dst[i], littleEndianWord32(chunk + 4 * i));
    }
    *accepted = true;
    return true;
}

void fillRecord(const uint8_t* p) {
    uint32_t x = word(p, 0), y = word(p, 1), w = word(p, 2), h = word(p, 3);
    Color c = word(p, 4) & 15;
    if (x == 0 && y == 0 && w == 320) {
        uint32_t v = 0x11111111u * static_cast<uint32_t>(c);
        uint32_t* fb = reinterpret_cast<uint32_t*>(frameBuffer);
        for (int i = 0; i < FrameBufferWords; ++i)
            fb[i] = v;
        return;
    }
    // The layer cuts the rectangle to the screen, so a huge one costs no more than that.
    theScreen.baseLayer.fillRect(x, y, w, h, c);
}

// Record 12: x, y, w, h, line width, start angle, sweep and colour, drawn straight onto the
// screen layer.
void arcRecord(const uint8_t* p) {
    int32_t x = word(p, 0), y = word(p, 1), w = word(p, 2), h = word(p, 3);
    if (w == 0 || h == 0) return;
    long start = varEval(word(p, 5), 0, false) % 360;
    ArcObj arc(BBox(Rect(At(x, y), At(x + w - 1, y + h - 1))), word(p, 4), start,
               start + word(p, 6), word(p, 7) & 15, nullptr);
    arc.onLayer(&theScreen.baseLayer, nullptr);
    arc._draw_(arc.getAbsRect(nullptr), false, false, 15, nullptr, false);
}

void endScript() {
    if (S.file != nullptr) fclose(S.file);
    S.file = nullptr;
    S.firstCall = true;
    S.loopLevel = -1;
    S.loopJumps = 0;
}

// Executes one record; returns the pause it asks for (0 = go on) or sets *ended.
uint32_t executeRecord(bool* ended) {
    uint8_t hdr[6];
    if (!readExactly(hdr, 6)) {
        *ended = true;
        return 0;
    }
    uint32_t cmd = word(hdr, 0);
    uint32_t length = littleEndianWord32(hdr + 2);
    if (cmd == 0) {
        *ended = true;
        return 0;
    }
    if (cmd == 3) {
        bool accepted;
        if (!drawBitmapRecord(length, &accepted)) *ended = true;
        return accepted ? S.defaultDelay : 0;
    }
    uint8_t p[MaxPayloadBuffered];
    if (length > MaxPayloadBuffered) {
        if (fseek(S.file, length, SEEK_CUR) != 0) *ended = true;
        return 0;
    }
    if (!readExactly(p, length)) {
        *ended = true;
        return 0;
    }
    switch (cmd) {
    case 1:
        if (length == 2 && word(p, 0) == 0) {
            setPalette(nullptr);
            memset(S.paletteSaved, 0, sizeof S.paletteSaved);
        } else if (length == 50 && word(p, 0) == 4) {
            loadPalette(p + 2);
        }
        break;
    case 2:
        if (length != 4) break;
        S.defaultDelay = word(p, 0);
        return word(p, 1);
    case 4:
        if (length == 10) fillRecord(p);
        break;
    case 5:
        if (length == 0) local_sync();
        break;
    case 6:
    case 8: {
        if (length != 2) break;
        uint32_t n = static_cast<uint32_t>(varEval(word(p, 0), 0, false));
        if (n >= SavedPaletteSlots) break;
        if (cmd == 6) {
            getPalette(S.savedPalettes[n]);
            S.paletteSaved[n] = true;
        } else if (S.paletteSaved[n]) {
            setPalette(S.savedPalettes[n]);
        }
        break;
    }
    case 7:
        if (length == 2) S.transparent = (word(p, 0) & 15) == 0 ? 256 : (word(p, 0) & 15);
        break;
    case 9:
        if (length == 6) {
            uint32_t v = word(p, 0);
            uint32_t value = static_cast<uint32_t>(varEval(v, 0, false));
            uint32_t a = static_cast<uint32_t>(varEval_word(word(p, 1)));
            uint32_t b = static_cast<uint32_t>(varEval_word(word(p, 2)));
            varEval(v, static_cast<int32_t>(value * a + b), true); // wraps, never overflows
        }
        break;
    case 10:
        if (length == 8 && S.loopLevel < MaxOpenLoops - 1) {
            uint32_t v = word(p, 0);
            varEval(v, varEval_word(word(p, 1)), true);
            S.loops[++S.loopLevel] = {v, word(p, 2), word(p, 3), ftell(S.file)};
        }
        break;
    case 11:
        if (length == 0 && S.loopLevel >= 0) {
            LoopEntry& l = S.loops[S.loopLevel];
            uint32_t sum = static_cast<uint32_t>(varEval(l.variable, 0, false)) +
                           static_cast<uint32_t>(varEval_word(l.step));
            int32_t nv = varEval(l.variable, static_cast<int32_t>(sum), true);
            if (nv <= varEval_word(l.limit)) {
                if (++S.loopJumps > MaxLoopJumps) {
                    printf("startup script: loop limit reached, script ended\n");
                    *ended = true;
                } else if (fseek(S.file, l.filePosition, SEEK_SET) != 0) {
                    *ended = true;
                }
            } else {
                --S.loopLevel;
            }
        }
        break;
    case 12:
        if (length == 16) arcRecord(p);
        break;
    default:
        break;
    }
    return 0;
}

} // namespace

int varEval(int value, int newValue, bool assign) {
    if (value >= FirstScriptVariable && value < FirstScriptVariable + ScriptVariableCount) {
        int32_t& var = S.variables[value - FirstScriptVariable];
        if (assign) var = newValue;
        return var;
    }
    return assign ? newValue : value;
}

int varEval_word(uint32_t w) {
    return varEval(static_cast<int16_t>(w & 0xFFFF), 0, false);
}

uint32_t ApplicationTask::paceStartup(bool abort) {
    if (abort) {
        endScript();
        return 0;
    }
    if (S.firstCall) {
        S.firstCall = false;
        S.file = fopen(StartupScriptFileName, "rb");
        if (S.file == nullptr) local_sync();
    }
    if (S.file == nullptr) {
        endScript();
        return 0;
    }
    bool ended = false;
    while (!ended) {
        uint32_t pause = executeRecord(&ended);
        if (!ended && pause != 0) return pause;
    }
    endScript();
    return 0;
}
