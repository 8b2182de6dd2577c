// A stack of graphical objects (a layer's focus stack) whose nodes are recycled through a
// class-wide free list, so that focus changes do not allocate once warmed up.
#pragma once

#include "core/free_list_pool.h"

class GraphicalObj;

struct GraphicalObjStackNode {
    GraphicalObj* obj = nullptr;
    GraphicalObjStackNode* next = nullptr;

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;
};

class GraphicalObjStack {
public:
    GraphicalObjStack() = default;
    GraphicalObjStack(const GraphicalObjStack&) = delete;
    GraphicalObjStack& operator=(const GraphicalObjStack&) = delete;
    ~GraphicalObjStack();

    void push(GraphicalObj* obj);
    void pop();
    GraphicalObj* tos() const { return top != nullptr ? top->obj : nullptr; }
    bool empty() const { return top == nullptr; }

    GraphicalObjStackNode* top = nullptr;
};
