#include "raster_alloc.h"

#include <cstdlib>

uint8_t* alloc_raster(size_t bytes) { return static_cast<uint8_t*>(std::malloc(bytes)); }
