#include "frame_names.h"

#include <cinttypes>
#include <cstdio>

void format_frame_name(char (&buffer)[TEXT_BUFFER_SIZE], int64_t frame) {
    if (frame >= INT32_MIN && frame <= INT32_MAX)
        std::snprintf(buffer, sizeof buffer, FRAME_NAME_FORMAT, static_cast<int>(frame));
    else
        std::snprintf(buffer, sizeof buffer, "im%05" PRId64, frame);
}

void format_raw_name(char (&buffer)[TEXT_BUFFER_SIZE], const char* base_name) {
    std::snprintf(buffer, sizeof buffer, RAW_NAME_FORMAT, base_name);
}
