// Blink timer: one delayed notification for all blinking objects.
#include "gui/blink_list.h"

#include "gui/graphical_obj.h"

NotifiableBlinkListSingleton GraphicalObj::blinkList;

void NotifiableBlinkListSingleton::add(GraphicalObj* obj) {
    bool wasEmpty = blinkObjects.empty();
    blinkObjects.addObj(obj, nullptr);
    obj->blinkState = BLINKING;
    // An object still hidden here is about to be shown.
    if (wasEmpty) delayedNotify(TimerEvent, obj->hidden ? shownTime : hiddenTime);
}

void NotifiableBlinkListSingleton::remove(GraphicalObj* obj) {
    blinkObjects.removeObj(obj);
    if (blinkObjects.empty()) cancelDelayedNotify(AnyEvent);
}

void NotifiableBlinkListSingleton::notify(NotificationEvent e, Data*) {
    if (e != TimerEvent || blinkObjects.empty()) return;
    for (GraphicalObjListNode* n = blinkObjects.first(); n != nullptr;) {
        GraphicalObjListNode* next = n->next; // a stage may stop another object's blinking
        GraphicalObj* obj = n->obj;
        obj->blinkState = IN_BLINK_STAGE;
        obj->blinkStage(phase);
        obj->blinkState = BLINKING;
        n = next;
    }
    phase = !phase;
    if (!blinkObjects.empty()) delayedNotify(TimerEvent, phase ? hiddenTime : shownTime);
}
