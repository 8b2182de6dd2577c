// Object list with recycled nodes.
#include "gui/graphical_obj_list.h"

FreeListPool GraphicalObjListNode::pool(sizeof(GraphicalObjListNode));

GraphicalObjList::~GraphicalObjList() {
    while (next != nullptr)
        removeNode(next);
}

GraphicalObjListNode* GraphicalObjList::addObj(GraphicalObj* obj, GraphicalObjListNode* after) {
    GraphicalObjListNode* n = new GraphicalObjListNode;
    if (after == nullptr) after = last;
    n->obj = obj;
    n->prev = after;
    n->next = after->next;
    if (after->next != nullptr)
        after->next->prev = n;
    else
        last = n;
    after->next = n;
    return n;
}

void GraphicalObjList::removeNode(GraphicalObjListNode* node) {
    if (node == nullptr || node == this) return;
    node->prev->next = node->next;
    if (node->next != nullptr)
        node->next->prev = node->prev;
    else
        last = node->prev;
    delete node;
}

GraphicalObjListNode* GraphicalObjList::findNode(const GraphicalObj* obj) const {
    if (obj == nullptr) return nullptr;
    for (GraphicalObjListNode* n = next; n != nullptr; n = n->next)
        if (n->obj == obj) return n;
    return nullptr;
}
