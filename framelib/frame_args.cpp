#include "frame_args.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

int parse_frame_number(const char* text, int32_t* value) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (std::isspace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t magnitude = 0;
    for (; std::isdigit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > static_cast<int64_t>(INT32_MAX) + 1) return -1;
    }
    int64_t v = negative ? -magnitude : magnitude;
    if (v > INT32_MAX || v < INT32_MIN) return -1;
    *value = static_cast<int32_t>(v);
    return 0;
}

int parse_frame_args(int argc, char** argv, const char* program, const char* syntax, int32_t default_width,
                     int32_t default_height, FrameArgs* args, int* exit_status) {
    if (argc < 3) {
        std::fputs(syntax, stdout);
        // The message is all this run gives: not writing it is a failure.
        *exit_status = std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        if (*exit_status != 0) std::fprintf(stderr, "%s: standard output: %s\n", program, std::strerror(errno));
        return -1;
    }
    if (argc == 4) {
        std::fprintf(stderr, "%s: a width needs a height too\n", program);
        std::fputs(syntax, stderr);
        *exit_status = 2;
        return -1;
    }
    args->width = default_width;
    args->height = default_height;
    int32_t* targets[] = {&args->first, &args->last, &args->width, &args->height};
    int given = argc >= 5 ? 4 : 2;  // arguments after the fourth are ignored
    for (int i = 0; i < given; ++i) {
        if (parse_frame_number(argv[i + 1], targets[i]) != 0) {
            std::fprintf(stderr, "%s: invalid number '%s': outside %" PRId32 "..%" PRId32 "\n", program, argv[i + 1],
                         INT32_MIN, INT32_MAX);
            *exit_status = 2;
            return -1;
        }
    }
    return 0;
}

int check_frame_size(const char* program, int32_t width, int32_t height, const BufferShape* shapes, int shape_count) {
    if (width < 1 || height < 1) {
        std::fprintf(stderr, "%s: invalid size %" PRId32 " x %" PRId32 ": width and height must be at least 1\n",
                     program, width, height);
        return -1;
    }
    for (int i = 0; i < shape_count; ++i) {
        // Both factors are small, so these products stay far inside 64 bits.
        int64_t w = static_cast<int64_t>(width) * shapes[i].width_factor;
        int64_t h = static_cast<int64_t>(height) * shapes[i].height_factor;
        bool fits = w <= INT32_MAX && h <= INT32_MAX && w * h <= INT32_MAX / 3;
        if (!fits) {
            std::fprintf(stderr,
                         "%s: invalid size %" PRId32 " x %" PRId32 ": a %" PRId64 " x %" PRId64
                         " frame would need more than %" PRId32 " bytes\n",
                         program, width, height, w, h, INT32_MAX);
            return -1;
        }
    }
    return 0;
}
