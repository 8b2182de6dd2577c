// The host's window through SDL2: the frame buffer through the palette, scaled up, redrawn
// at most every RefreshMs and only when the screen changed; the keyboard and the mouse
// wheel reach the program as keypad keys and dial turns of the emulated I/O co-processor,
// so that they go through the same poll, auto-repeat and clicks as on the display.
// Closing the window presses the power key. The key script gains "window-key NAME" (an SDL
// key event by SDL's key name), "window-close" and "window-screenshot FILE" (what the
// window shows), through which tests drive the window like a user.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/keypad.h"
#include "core/user_event.h"
#include "platform/display.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_coproc.h"
#include "platform/host/host_keyscript.h"
#include "platform/host/host_loop.h"
#include "platform/host/host_png.h"
#include "platform/host/host_window.h"
#include "platform/platform.h"

namespace {
constexpr uint32_t RefreshMs = 20;
constexpr char Title[] =
    "J1939 Flashloader - keys: arrows, Enter, Esc, Space click, F1-F6, PgUp/PgDn or wheel "
    "dial, C circle-arrow, A ack, P power";

// The PC's keys and the keypad's events they stand for; dial events turn the dial.
struct KeyMapping {
    SDL_Keycode key;
    UserEvent event;
};
const KeyMapping keyMap[] = {
    {SDLK_UP, UPARROW},    {SDLK_DOWN, DOWNARROW}, {SDLK_LEFT, LEFTARROW}, {SDLK_RIGHT, RIGHTARROW},
    {SDLK_RETURN, ENTER},  {SDLK_KP_ENTER, ENTER}, {SDLK_ESCAPE, ESC},     {SDLK_SPACE, CLICK},
    {SDLK_F1, F1},         {SDLK_F2, F2},          {SDLK_F3, F3},          {SDLK_F4, F4},
    {SDLK_F5, F5},         {SDLK_F6, F6},          {SDLK_PAGEUP, DIALCW},  {SDLK_PAGEDOWN, DIALCCW},
    {SDLK_c, CIRCLEARROW}, {SDLK_a, ACK},          {SDLK_p, PWRKEY},
};

struct Window {
    SDL_Window* window = nullptr;
    SDL_Surface* screen = nullptr; // the frame buffer in RGB, unscaled
    int scale = 1;
    uint8_t shownPixels[FrameBufferBytes];
    uint32_t shownPalette[PaletteWords];
    bool drawn = false;
    uint64_t lastRefreshNs = 0;
} win;

void pressEvent(UserEvent e, bool down) {
    EmulatedCoprocessor& coproc = hostCoprocessor();
    if (e == DIALCW || e == DIALCCW) {
        if (down) coproc.turnDial(e == DIALCW ? 1 : -1);
        return;
    }
    uint32_t bit = mapToScanCode(e);
    if (down)
        coproc.pressKeys(bit);
    else
        coproc.releaseKeys(bit);
}

void onKey(const SDL_KeyboardEvent& k) {
    // The co-processor repeats held keys itself, as the display's keypad does.
    if (k.repeat != 0) return;
    for (const KeyMapping& m : keyMap) {
        if (m.key == k.keysym.sym) {
            pressEvent(m.event, k.type == SDL_KEYDOWN);
            return;
        }
    }
}

// Draws the screen when the frame buffer or the palette changed since it was last shown.
void refresh() {
    uint32_t palette[PaletteWords];
    getPalette(palette);
    if (win.drawn && memcmp(win.shownPixels, frameBuffer, FrameBufferBytes) == 0 &&
        memcmp(win.shownPalette, palette, sizeof palette) == 0)
        return;
    memcpy(win.shownPixels, frameBuffer, FrameBufferBytes);
    memcpy(win.shownPalette, palette, sizeof palette);
    win.drawn = true;
    Uint32 colours[16];
    for (int i = 0; i < 16; ++i) {
        uint8_t rgb[3];
        paletteEntryToRgb(palette[i / 2] >> (16 * (i & 1)), rgb);
        colours[i] = SDL_MapRGB(win.screen->format, rgb[0], rgb[1], rgb[2]);
    }
    SDL_LockSurface(win.screen);
    for (long y = 0; y < ScreenHeight; ++y) {
        Uint32* row = reinterpret_cast<Uint32*>(static_cast<uint8_t*>(win.screen->pixels) +
                                                y * win.screen->pitch);
        for (long x = 0; x < ScreenWidth; ++x)
            row[x] = colours[getPixel(x, y)];
    }
    SDL_UnlockSurface(win.screen);
    SDL_Surface* out = SDL_GetWindowSurface(win.window);
    if (out == nullptr) return;
    SDL_BlitScaled(win.screen, nullptr, out, nullptr);
    SDL_UpdateWindowSurface(win.window);
}

void service(void*) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        platformNoteActivity();
        if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP)
            onKey(e.key);
        else if (e.type == SDL_MOUSEWHEEL && e.wheel.y != 0)
            hostCoprocessor().turnDial(e.wheel.y > 0 ? 1 : -1);
        else if (e.type == SDL_QUIT) {
            pressEvent(PWRKEY, true);
            pressEvent(PWRKEY, false);
        } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_EXPOSED)
            win.drawn = false;
    }
    uint64_t now = hostClockNowNs();
    if (now - win.lastRefreshNs >= RefreshMs * 1000000ull) {
        win.lastRefreshNs = now;
        refresh();
    }
    // SDL's events have no descriptor to wait on: look again within a refresh period.
    hostWakeWithin(RefreshMs);
}

const char* checkKeyName(const char* arg) {
    return SDL_GetKeyFromName(arg) == SDLK_UNKNOWN ? "needs an SDL key name" : nullptr;
}

void pushKey(const char* arg) {
    SDL_Event e{};
    e.key.keysym.sym = SDL_GetKeyFromName(arg);
    e.key.windowID = SDL_GetWindowID(win.window);
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        e.type = type;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
}

const char* noArgument(const char*) {
    return nullptr;
}

void pushClose(const char*) {
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

const char* checkFileName(const char* arg) {
    return *arg == '\0' ? "needs a file name" : nullptr;
}

// Writes the window's pixels, as shown after the next refresh.
void windowScreenshot(const char* path) {
    win.drawn = false;
    refresh();
    SDL_Surface* out = SDL_GetWindowSurface(win.window);
    if (out == nullptr) return;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(out, SDL_PIXELFORMAT_RGB24, 0);
    if (rgb == nullptr) return;
    RgbImage img;
    img.width = rgb->w;
    img.height = rgb->h;
    img.rgb.resize(static_cast<size_t>(rgb->w) * rgb->h * 3);
    for (int y = 0; y < rgb->h; ++y)
        memcpy(&img.rgb[static_cast<size_t>(y) * rgb->w * 3],
               static_cast<uint8_t*>(rgb->pixels) + y * rgb->pitch,
               static_cast<size_t>(rgb->w) * 3);
    SDL_FreeSurface(rgb);
    std::string error;
    if (!writePng(path, img, &error)) fprintf(stderr, "window-screenshot: %s\n", error.c_str());
}
} // namespace

bool hostWindowAvailable() {
    return true;
}

bool hostWindowOpen(int scale, char* err, size_t errSize) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        snprintf(err, errSize, "cannot open a window: %s", SDL_GetError());
        return false;
    }
    win.scale = scale;
    win.window = SDL_CreateWindow(Title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                  ScreenWidth * scale, ScreenHeight * scale, 0);
    win.screen =
        SDL_CreateRGBSurfaceWithFormat(0, ScreenWidth, ScreenHeight, 32, SDL_PIXELFORMAT_XRGB8888);
    if (win.window == nullptr || win.screen == nullptr) {
        snprintf(err, errSize, "cannot open a window: %s", SDL_GetError());
        hostWindowClose();
        return false;
    }
    win.drawn = false;
    hostAddService(service, nullptr);
    hostKeyScriptAddCommand({"window-key", checkKeyName, pushKey});
    hostKeyScriptAddCommand({"window-close", noArgument, pushClose});
    hostKeyScriptAddCommand({"window-screenshot", checkFileName, windowScreenshot});
    return true;
}

void hostWindowClose() {
    hostRemoveService(service, nullptr);
    if (win.screen != nullptr) SDL_FreeSurface(win.screen);
    if (win.window != nullptr) SDL_DestroyWindow(win.window);
    win.screen = nullptr;
    win.window = nullptr;
    SDL_Quit();
}
