// Free-list pools behind the class-level operator new/delete of run-time objects (packets,
// sessions, list and stack nodes): blocks are recycled and never returned to the heap, so the
// steady state does not allocate.
#pragma once

#include <cstddef>
#include <new>

class FreeListPool {
public:
    // Constant-initialised, so a pool is ready for objects built during static initialisation.
    constexpr explicit FreeListPool(size_t blockSize)
        : size(blockSize < sizeof(void*) ? sizeof(void*) : blockSize) {}

    void* take(size_t n) {
        if (n != size) return ::operator new(n); // a derived class of another size
        if (head == nullptr) {
            ++made;
            return ::operator new(size);
        }
        void* p = head;
        head = *static_cast<void**>(p);
        --idle;
        return p;
    }
    void give(void* p, size_t n) {
        if (p == nullptr) return;
        if (n != size) {
            ::operator delete(p);
            return;
        }
        *static_cast<void**>(p) = head;
        head = p;
        ++idle;
    }

    // Blocks taken from the heap so far, and those waiting on the free list.
    unsigned blocksMade() const { return made; }
    unsigned blocksIdle() const { return idle; }
    unsigned blocksInUse() const { return made - idle; }

private:
    size_t size;
    void* head = nullptr;
    unsigned made = 0;
    unsigned idle = 0;
};
