// Focus stack with recycled nodes.
#include "gui/graphical_obj_stack.h"

FreeListPool GraphicalObjStackNode::pool(sizeof(GraphicalObjStackNode));

GraphicalObjStack::~GraphicalObjStack() {
    while (!empty())
        pop();
}

void GraphicalObjStack::push(GraphicalObj* obj) {
    top = new GraphicalObjStackNode{obj, top};
}

void GraphicalObjStack::pop() {
    GraphicalObjStackNode* n = top;
    if (n == nullptr) return;
    top = n->next;
    delete n;
}
