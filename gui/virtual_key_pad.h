// The on-screen keypad that pops up beside an edit box: a plane of key buttons laid out on
// a grid of cells, moved through with the arrows and the dial, whose key codes travel down
// to the edit box under it as events; the alphabetic keypad switches among three key sets.
#pragma once

#include <cstdint>

#include "gui/button.h"
#include "gui/button_action.h"
#include "gui/plane.h"

// One key; a key set is a constant table of these ended by an entry with a null label.
struct KeySetDefinition {
    const char* label;
    uint8_t row;
    uint8_t column;
    uint8_t width;
    uint8_t height;
    // Steps through the key list for LEFTARROW, RIGHTARROW, UPARROW, DOWNARROW; a key whose
    // first step is 0 cannot be selected.
    int8_t steps[4];
    // Key code sent; 0 sends the label's first character.
    uint8_t code;
};

// Keys a keypad holds at most; further definitions are ignored.
constexpr int MaxVirtualKeys = 40;
// The alphabetic keypad's key sets and the keys each relabels.
constexpr int VirtualAlphaKeySetCount = 3;
constexpr int VirtualAlphaKeyCount = 36;
// A pressed key stays pressed this long, so that the press is seen.
constexpr unsigned long VirtualKeyReleaseMs = 250;
// A keypad without key sets opens here, off the screen.
constexpr int32_t HiddenKeyPadPosition = -10;

extern const KeySetDefinition VirtualNumericKeyPadKeySet[];
extern const KeySetDefinition VirtualAlphaKeyPadKeySet[];
extern const char* const VirtualAlphaKeySets[VirtualAlphaKeySetCount][VirtualAlphaKeyCount];

class VirtualKeyButton : public TextualButton {
public:
    VirtualKeyButton(const KeySetDefinition& def, unsigned char cell, unsigned char gap,
                     ButtonAction* action);

    // Keys show their selection by inversion: the selection frame would cover neighbours.
    void select() override;
    void deselect() override;
    // The code the key sends: its own, or its present label's first character.
    UserEvent keyCode() const;

    const KeySetDefinition& definition;
};

class VirtualKeyPad : public Plane {
public:
    VirtualKeyPad(unsigned char cell, unsigned char gap, long rows, long columns,
                  const KeySetDefinition* keys, unsigned char keySets, ButtonAction* action,
                  bool centred);
    ~VirtualKeyPad() override;

    UserEvent dispatchUserEvent(UserEvent e) override;
    UserEvent handleUserEvent(UserEvent e) override;
    void selectKeySet(unsigned char n);
    void cycleKeySet();
    int keyCount() const { return count; }
    VirtualKeyButton* key(int i) const { return i >= 0 && i < count ? keys[i] : nullptr; }
    // Index of the selected key, -1 when none.
    int currentKey() const;

    bool centred;
    unsigned char currentKeySet = 0;
    unsigned char keySetCount;

private:
    void moveBy(int step);

    VirtualKeyButton* keys[MaxVirtualKeys] = {};
    int count = 0;
};

// Sends the key's code down to the edit box and releases the key after a moment; the
// next-key-set key goes to the application instead.
class VirtualKeyPadActionSingleton : public ButtonAction {
public:
    UserEvent onActivate(Button* b) override;
};

extern VirtualKeyPadActionSingleton VirtualKeyPadAction;
extern VirtualKeyPad VirtualNumericKeyPad;
extern VirtualKeyPad VirtualAlphaKeyPad;
