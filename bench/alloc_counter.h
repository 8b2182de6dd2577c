// Counts heap allocations made through operator new, so benchmarks can report them.
#pragma once

#include <cstddef>

size_t allocationCount();
