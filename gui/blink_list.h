// The one timer behind all blinking objects: every object in the list is shown and hidden
// in step, each phase lasting its own time.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "gui/graphical_obj_list.h"

class GraphicalObj;

class NotifiableBlinkListSingleton : public Notifiable {
public:
    void notify(NotificationEvent e, Data* d) override;
    void add(GraphicalObj* obj);
    void remove(GraphicalObj* obj);

    GraphicalObjList blinkObjects;
    uint32_t hiddenTime = 1000;
    uint32_t shownTime = 1000;
    bool phase = true;
};
