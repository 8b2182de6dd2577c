// Replaces the global operator new to count allocations.
#include "bench/alloc_counter.h"

#include <cstdlib>
#include <new>

namespace {
size_t allocations = 0;
}

size_t allocationCount() {
    return allocations;
}

void* operator new(size_t n) {
    ++allocations;
    void* p = malloc(n == 0 ? 1 : n);
    if (p == nullptr) abort();
    return p;
}
void* operator new[](size_t n) {
    return operator new(n);
}
void operator delete(void* p) noexcept {
    free(p);
}
void operator delete[](void* p) noexcept {
    free(p);
}
void operator delete(void* p, size_t) noexcept {
    free(p);
}
void operator delete[](void* p, size_t) noexcept {
    free(p);
}
