// The virtual keypad: key placement on the cell grid, key-set relabelling, moving among the
// keys and the action that hands a key's code to the edit box below.
#include "gui/virtual_key_pad.h"

#include <cstdio>

#include "core/application_task.h"
#include "gui/application_gui.h"

VirtualKeyPadActionSingleton VirtualKeyPadAction;
VirtualKeyPad VirtualNumericKeyPad(15, 1, 4, 4, VirtualNumericKeyPadKeySet, 1, &VirtualKeyPadAction,
                                   false);
VirtualKeyPad VirtualAlphaKeyPad(17, 1, 4, 11, VirtualAlphaKeyPadKeySet, VirtualAlphaKeySetCount,
                                 &VirtualKeyPadAction, true);

namespace {
// The key's box on the plane: cells of s pixels with g pixels around each, inside the frame.
BBox keyBox(const KeySetDefinition& d, int32_t s, int32_t g) {
    int32_t pitch = s + 2 * g;
    int32_t w = d.width * s + 2 * g * (d.width - 1);
    int32_t h = d.height * s + 2 * g * (d.height - 1);
    return BBox(At(pitch * d.column + 1 + g, pitch * d.row + 1 + g), w, h);
}
} // namespace

VirtualKeyButton::VirtualKeyButton(const KeySetDefinition& def, unsigned char cell,
                                   unsigned char gap, ButtonAction* a)
    : TextualButton(keyBox(def, cell, gap), a, def.label, 0, 1, nullptr, true, false,
                    BUTTON_MOMENTARY),
      definition(def) {
    text.setEnglishOnly(true);
    if (def.steps[0] == 0) selectability = NOT_SELECTABLE;
}

void VirtualKeyButton::select() {
    selectability = SELECTED;
    if (!inverted) invert(true);
}

void VirtualKeyButton::deselect() {
    if (selectability == SELECTED) selectability = SELECTABLE;
    if (inverted) invert(false);
}

UserEvent VirtualKeyButton::keyCode() const {
    if (definition.code != 0) return definition.code;
    const char* label = getText();
    return label != nullptr ? static_cast<unsigned char>(label[0]) : 0;
}

VirtualKeyPad::VirtualKeyPad(unsigned char cell, unsigned char gap, long rows, long columns,
                             const KeySetDefinition* defs, unsigned char keySets,
                             ButtonAction* action, bool centredArg)
    : Plane(BBox(At(0, 0), static_cast<int32_t>(columns * (cell + 2 * gap) + 2),
                 static_cast<int32_t>(rows * (cell + 2 * gap) + 2)),
            FRAME_PLAIN, NOT_SELECTABLE),
      centred(centredArg),
      keySetCount(keySets > VirtualAlphaKeySetCount ? VirtualAlphaKeySetCount : keySets) {
    for (const KeySetDefinition* d = defs; d != nullptr && d->label != nullptr; ++d) {
        if (count == MaxVirtualKeys) {
            printf("VirtualKeyPad: more than %d keys, the rest ignored\n", MaxVirtualKeys);
            break;
        }
        keys[count] = new VirtualKeyButton(*d, cell, gap, action);
        add(keys[count++]);
    }
}

VirtualKeyPad::~VirtualKeyPad() {
    removeAll();
    for (int i = 0; i < count; ++i)
        delete keys[i];
}

int VirtualKeyPad::currentKey() const {
    GraphicalObj* cur = current != nullptr ? current->obj : nullptr;
    for (int i = 0; i < count; ++i)
        if (keys[i] == cur) return i;
    return -1;
}

void VirtualKeyPad::selectKeySet(unsigned char n) {
    if (n >= keySetCount || n == currentKeySet) return;
    currentKeySet = n;
    for (int i = 0; i < count && i < VirtualAlphaKeyCount; ++i)
        keys[i]->setText(VirtualAlphaKeySets[n][i]);
}

void VirtualKeyPad::cycleKeySet() {
    selectKeySet(static_cast<unsigned char>((currentKeySet + 1) % VirtualAlphaKeySetCount));
}

UserEvent VirtualKeyPad::dispatchUserEvent(UserEvent e) {
    if (keySetCount == 0 && (e == ENTER || e == ESC)) return e;
    return Layer::dispatchUserEvent(e);
}

// Steps through the key list with wrapping, passing over keys that cannot be selected.
void VirtualKeyPad::moveBy(int step) {
    int from = currentKey();
    if (from < 0 || step == 0) return;
    int to = from;
    for (int tries = 0; tries < count; ++tries) {
        to = ((to + step) % count + count) % count;
        if (keys[to]->selectable()) break;
    }
    if (to == from || !keys[to]->selectable()) return;
    keys[from]->deselect();
    for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
        if (n->obj == keys[to]) current = n;
    keys[to]->select();
}

UserEvent VirtualKeyPad::handleUserEvent(UserEvent e) {
    int cur = currentKey();
    if (cur >= 0) {
        const int8_t* steps = keys[cur]->definition.steps;
        switch (e) {
        case LEFTARROW:
            moveBy(steps[0]);
            return 0;
        case RIGHTARROW:
            moveBy(steps[1]);
            return 0;
        case UPARROW:
            moveBy(steps[2]);
            return 0;
        case DOWNARROW:
            moveBy(steps[3]);
            return 0;
        case DIALCCW:
            moveBy(-1);
            return 0;
        case DIALCW:
            moveBy(1);
            return 0;
        default:
            break;
        }
    }
    return Plane::handleUserEvent(e);
}

UserEvent VirtualKeyPadActionSingleton::onActivate(Button* b) {
    VirtualKeyButton* k = dynamic_cast<VirtualKeyButton*>(b);
    if (k == nullptr) {
        if (b != nullptr) b->defocus(0);
        return 0;
    }
    UserEvent code = k->keyCode();
    if (code == F1) {
        k->defocus(0);
        if (theApplication != nullptr)
            theApplication->handleUserEvent(F1);
        else
            theScreen.dispatchUserEvent(F1);
        return 0;
    }
    k->delayedDefocus(VirtualKeyReleaseMs);
    return code;
}
