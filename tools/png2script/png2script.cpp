// png2script: turns a sequence of 320 x 240 PNG pictures and pauses into a start-up script,
// so that a user can make the unit's boot animation.
//
//   png2script [--delay MS] [--full] [--restore-palette] OUTPUT ITEM...
//
// ITEM is a PNG file (the next picture) or "pause MS". Each picture stays on screen for the
// default delay (--delay, 100 ms unless given) and a pause adds its time. Pictures that use
// only the display's default colours keep the default palette; otherwise all pictures share
// one palette of at most 16 colours, loaded first (--restore-palette puts the default back
// at the end). After the first picture only the rows and columns that change are written,
// unless --full is given.
//
// The frame buffer holds the picture turned by 180 degrees, and the script's bitmap records
// address frame-buffer memory: screen pixel (x, y) is memory pixel 76799 - (320 y + x).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/host_png.h"

namespace {
constexpr int W = 320, H = 240, Pixels = W * H;

// The display's default palette as the screen shows it (entries complemented, 5 bits).
const uint16_t defaultEntries[16] = {0xFFFF, 0xF7BD, 0xEF7B, 0xE739, 0xDEF7, 0xD6B5,
                                     0xCE73, 0xDEF7, 0xB9CE, 0x83FF, 0xA94A, 0xA108,
                                     0xFFE0, 0x9084, 0x8842, 0x8000};

uint32_t rgbOf(const uint8_t* p) {
    return p[0] << 16 | p[1] << 8 | p[2];
}

uint32_t entryRgb(uint16_t e) {
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
        uint32_t v = 31 - ((e >> (10 - 5 * i)) & 31);
        out = out << 8 | ((v << 3) | (v >> 2));
    }
    return out;
}

struct Item {
    bool isPause;
    uint32_t pause;
    std::string file;
    RgbImage image;
};

class Writer {
public:
    std::string data;
    void word(uint32_t w) {
        data += static_cast<char>(w & 0xFF);
        data += static_cast<char>((w >> 8) & 0xFF);
    }
    void record(uint16_t cmd, const std::string& payload) {
        word(cmd);
        uint32_t n = static_cast<uint32_t>(payload.size());
        for (int i = 0; i < 4; ++i)
            data += static_cast<char>((n >> (8 * i)) & 0xFF);
        data += payload;
    }
};

std::string words(std::initializer_list<uint32_t> ws) {
    Writer w;
    for (uint32_t v : ws)
        w.word(v);
    return w.data;
}

// Memory pixel index of screen pixel (x, y).
int memoryPixel(int x, int y) {
    return Pixels - 1 - (W * y + x);
}

// A bitmap record of memory rows y0..y1, memory columns x0..x1 (multiples of 8 apart).
std::string bitmapPayload(const std::vector<uint8_t>& mem, int x0, int y0, int w, int h) {
    std::string p = words({static_cast<uint32_t>(x0), static_cast<uint32_t>(y0),
                           static_cast<uint32_t>(w), static_cast<uint32_t>(h)});
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; x += 2)
            p += static_cast<char>(mem[y * W + x] | mem[y * W + x + 1] << 4);
    return p;
}

int fail(const std::string& why) {
    fprintf(stderr, "png2script: %s\n", why.c_str());
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    uint32_t delay = 100;
    bool full = false, restore = false;
    int i = 1;
    for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
        if (strcmp(argv[i], "--delay") == 0 && i + 1 < argc) {
            char* end;
            unsigned long v = strtoul(argv[++i], &end, 10);
            if (*end != '\0' || v > 65535) return fail("--delay needs 0 to 65535 ms");
            delay = static_cast<uint32_t>(v);
        } else if (strcmp(argv[i], "--full") == 0) {
            full = true;
        } else if (strcmp(argv[i], "--restore-palette") == 0) {
            restore = true;
        } else {
            return fail(std::string("unknown option ") + argv[i]);
        }
    }
    if (argc - i < 2) {
        fprintf(stderr, "usage: png2script [--delay MS] [--full] [--restore-palette] OUTPUT "
                        "PICTURE.png|pause MS ...\n");
        return 2;
    }
    const char* output = argv[i++];
    std::vector<Item> items;
    for (; i < argc; ++i) {
        if (strcmp(argv[i], "pause") == 0) {
            char* end;
            unsigned long v = i + 1 < argc ? strtoul(argv[i + 1], &end, 10) : 0;
            if (i + 1 >= argc || *end != '\0' || v > 65535 || v == 0)
                return fail("pause needs 1 to 65535 ms");
            items.push_back({true, static_cast<uint32_t>(v), "", {}});
            ++i;
            continue;
        }
        Item it{false, 0, argv[i], {}};
        std::string error;
        if (!readPng(argv[i], &it.image, &error)) return fail(error);
        if (it.image.width != W || it.image.height != H) return fail(it.file + " is not 320 x 240");
        items.push_back(it);
    }

    // Colours: the default palette when it has them all, else one palette for all pictures.
    std::vector<uint32_t> colours;
    bool allDefault = true;
    for (const Item& it : items) {
        if (it.isPause) continue;
        for (int p = 0; p < Pixels; ++p) {
            uint32_t c = rgbOf(&it.image.rgb[p * 3]);
            bool known = false;
            for (uint32_t k : colours)
                known = known || k == c;
            if (known) continue;
            colours.push_back(c);
            bool inDefault = false;
            for (uint16_t e : defaultEntries)
                inDefault = inDefault || entryRgb(e) == c;
            allDefault = allDefault && inDefault;
        }
    }
    std::vector<uint32_t> palette(16, 0);
    if (allDefault) {
        for (int k = 0; k < 16; ++k)
            palette[k] = entryRgb(defaultEntries[k]);
    } else {
        if (colours.size() > 16)
            return fail("the pictures have " + std::to_string(colours.size()) +
                        " colours; the display shows at most 16");
        for (size_t k = 0; k < colours.size(); ++k)
            palette[k] = colours[k];
    }
    auto indexOf = [&](uint32_t c) {
        for (int k = 0; k < 16; ++k)
            if (palette[k] == c) return k;
        return 0;
    };

    Writer out;
    if (!allDefault) {
        std::string p = words({4});
        for (int k = 0; k < 16; ++k) {
            p += static_cast<char>(palette[k] >> 16);
            p += static_cast<char>((palette[k] >> 8) & 0xFF);
            p += static_cast<char>(palette[k] & 0xFF);
        }
        out.record(1, p);
    }
    out.record(2, words({delay, 0}));
    std::vector<uint8_t> shown; // memory pixels of the picture on screen, one per byte
    for (const Item& it : items) {
        if (it.isPause) {
            out.record(2, words({delay, it.pause}));
            continue;
        }
        std::vector<uint8_t> mem(Pixels);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                mem[memoryPixel(x, y)] =
                    static_cast<uint8_t>(indexOf(rgbOf(&it.image.rgb[(y * W + x) * 3])));
        if (shown.empty() || full) {
            out.record(3, bitmapPayload(mem, 0, 0, W, H));
        } else {
            int x0 = W, x1 = -1, y0 = H, y1 = -1;
            for (int p = 0; p < Pixels; ++p)
                if (mem[p] != shown[p]) {
                    int x = p % W, y = p / W;
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
            if (x1 < 0) {
                // Nothing changed: hold the picture for the delay.
                if (delay != 0) out.record(2, words({delay, delay}));
            } else {
                x0 -= x0 % 8;
                x1 += 7 - x1 % 8;
                out.record(3, bitmapPayload(mem, x0, y0, x1 - x0 + 1, y1 - y0 + 1));
            }
        }
        shown = mem;
    }
    if (restore) out.record(1, words({0}));
    out.record(0, "");
    FILE* f = fopen(output, "wb");
    if (f == nullptr || fwrite(out.data.data(), 1, out.data.size(), f) != out.data.size() ||
        fclose(f) != 0)
        return fail(std::string("cannot write ") + output);
    return 0;
}
