// Counts the heap allocations made by the main thread while counting is on,
// and keeps the addresses of the first few thousand, so that a frame's
// allocations can be told apart: world objects the game creates, or anything else.
#pragma once

#include <cstddef>

constexpr int CountedAllocationsKept = 8192;

void startCountingAllocations();
void stopCountingAllocations();
long countedAllocations();                 // since the last start
const void *countedAllocation(int index);  // the index-th one, if it was kept
int keptAllocations();
