#include "raster_alloc.h"

#include <sys/mman.h>

#include <cstdlib>

uint8_t* alloc_raster(size_t bytes) {
    constexpr size_t kHuge = size_t{2} << 20;
    if (bytes < 2 * kHuge) return static_cast<uint8_t*>(std::malloc(bytes));
    size_t rounded = (bytes + kHuge - 1) & ~(kHuge - 1);
    void* p = nullptr;
    if (posix_memalign(&p, kHuge, rounded) != 0) return nullptr;
    madvise(p, rounded, MADV_HUGEPAGE);
    return static_cast<uint8_t*>(p);
}
