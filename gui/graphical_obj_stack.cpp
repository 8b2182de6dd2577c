// Focus stack with recycled nodes.
#include "gui/graphical_obj_stack.h"

GraphicalObjStackNode* GraphicalObjStack::freeList = nullptr;

GraphicalObjStack::~GraphicalObjStack() {
    while (!empty())
        pop();
}

void GraphicalObjStack::push(GraphicalObj* obj) {
    GraphicalObjStackNode* n = freeList;
    if (n != nullptr)
        freeList = n->next;
    else
        n = new GraphicalObjStackNode;
    n->obj = obj;
    n->next = top;
    top = n;
}

void GraphicalObjStack::pop() {
    GraphicalObjStackNode* n = top;
    if (n == nullptr) return;
    top = n->next;
    n->obj = nullptr;
    n->next = freeList;
    freeList = n;
}
