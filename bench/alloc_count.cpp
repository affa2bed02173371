// Allocation counting for the frame benchmark. A plain build replaces malloc,
// calloc and realloc (operator new goes through malloc); a build with
// AddressSanitizer uses the sanitizer's own allocation hook instead.
#include "alloc_count.h"

#include <pthread.h>

#include <atomic>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define ZOLTR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOLTR_ASAN 1
#endif
#endif

namespace {

// Written only while the counted thread is between start and stop.
std::atomic<bool> counting{false};
pthread_t countedThread;
long allocationCount;
int keptCount;
const void *kept[CountedAllocationsKept];

// Runs inside the allocator: it must not allocate itself.
void noteAllocation(const void *pointer)
{
    if (!pointer || !counting.load(std::memory_order_relaxed) || !pthread_equal(pthread_self(), countedThread))
        return;
    allocationCount++;
    if (keptCount < CountedAllocationsKept)
        kept[keptCount++] = pointer;
}

}  // namespace

#ifdef ZOLTR_ASAN
// The sanitizer runtime's hook (its header ships with clang only).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void *, size_t),
                                                         void (*freeHook)(const volatile void *));

static void asanMallocHook(const volatile void *pointer, size_t)
{
    noteAllocation(const_cast<const void *>(pointer));
}

// The runtime refuses a pair without a free hook.
static void asanFreeHook(const volatile void *) {}

static void installHook()
{
    static bool installed = false;
    if (!installed)
        installed = __sanitizer_install_malloc_and_free_hooks(asanMallocHook, asanFreeHook) != 0;
}
#else
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *old, size_t size);

void *malloc(size_t size) noexcept
{
    void *pointer = __libc_malloc(size);
    noteAllocation(pointer);
    return pointer;
}

void *calloc(size_t count, size_t size) noexcept
{
    void *pointer = __libc_calloc(count, size);
    noteAllocation(pointer);
    return pointer;
}

void *realloc(void *old, size_t size) noexcept
{
    void *pointer = __libc_realloc(old, size);
    noteAllocation(pointer);
    return pointer;
}
}

static void installHook() {}
#endif

void startCountingAllocations()
{
    installHook();
    allocationCount = 0;
    keptCount = 0;
    countedThread = pthread_self();
    counting.store(true);
}

void stopCountingAllocations()
{
    counting.store(false);
}

long countedAllocations()
{
    return allocationCount;
}

const void *countedAllocation(int index)
{
    return index >= 0 && index < keptCount ? kept[index] : nullptr;
}

int keptAllocations()
{
    return keptCount;
}
