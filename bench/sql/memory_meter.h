#pragma once

#include <cstddef>

namespace lumi::bench {

// Heap bytes held through operator new (our engine's allocations): the
// current amount and the highest since the last reset.
size_t HeapNow();
size_t HeapPeak();
void ResetHeapPeak();

}  // namespace lumi::bench
