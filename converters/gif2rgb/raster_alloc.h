// The screen's memory: a big frame costs a page fault per 4 KiB, so where
// the kernel gives huge pages on request (raster_alloc_posix.cpp) the
// raster gets them; elsewhere (raster_alloc_win32.cpp) it is plain malloc.
// Either way it is released with std::free; null when out of memory.
#pragma once

#include <cstddef>
#include <cstdint>

uint8_t* alloc_raster(size_t bytes);
