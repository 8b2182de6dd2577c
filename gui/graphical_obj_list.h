// A doubly linked list of graphical objects (a collection's children, the blink list). The
// list object is its own head sentinel; nodes are recycled through a class-wide pool.
#pragma once

#include "core/free_list_pool.h"

class GraphicalObj;

struct GraphicalObjListNode {
    GraphicalObj* obj = nullptr;
    GraphicalObjListNode* next = nullptr;
    GraphicalObjListNode* prev = nullptr;

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;
};

class GraphicalObjList : public GraphicalObjListNode {
public:
    GraphicalObjList() : last(this) {}
    GraphicalObjList(const GraphicalObjList&) = delete;
    GraphicalObjList& operator=(const GraphicalObjList&) = delete;
    ~GraphicalObjList();

    // Inserts after `after` (after the last node when null); returns the new node.
    GraphicalObjListNode* addObj(GraphicalObj* obj, GraphicalObjListNode* after);
    void removeNode(GraphicalObjListNode* node);
    GraphicalObjListNode* findNode(const GraphicalObj* obj) const;
    void removeObj(const GraphicalObj* obj) { removeNode(findNode(obj)); }
    bool empty() const { return next == nullptr; }
    GraphicalObjListNode* first() const { return next; }

    GraphicalObjListNode* last;
};
