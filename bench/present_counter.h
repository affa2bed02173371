// A count of presented frames kept in a small file that the real-window
// measurement reads from outside while the program runs: the path comes from
// ZOLTR_PRESENT_COUNTER; without it nothing is counted.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

// The counter, mapped from the file at the first call; null when there is none.
inline volatile std::uint64_t *presentCounter()
{
    static volatile std::uint64_t *counter = [] {
        const char *path = getenv("ZOLTR_PRESENT_COUNTER");
        if (!path || !*path)
            return static_cast<volatile std::uint64_t *>(nullptr);
        int file = open(path, O_RDWR | O_CREAT, 0644);
        if (file < 0)
            return static_cast<volatile std::uint64_t *>(nullptr);
        void *mapped = MAP_FAILED;
        if (ftruncate(file, sizeof(std::uint64_t)) == 0)
            mapped = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
        close(file);
        return mapped == MAP_FAILED ? nullptr : static_cast<volatile std::uint64_t *>(mapped);
    }();
    return counter;
}

inline void countPresent()
{
    if (volatile std::uint64_t *counter = presentCounter())
        *counter = *counter + 1;
}
