// The programs' command line: any argument texts, any count.
//
// Input: up to six NUL-separated texts after the program name. Whatever
// parse_frame_args accepts must then pass or fail the size check cleanly,
// and every frame name the loop could form must fit its buffer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "converter_commands.h"
#include "frame_args.h"
#include "frame_names.h"
#include "rgb_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> texts = {"fieldweaver"};
    std::string current;
    for (size_t i = 0; i < size && texts.size() < 7; ++i) {
        if (data[i] == 0) {
            texts.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (texts.size() < 7) texts.push_back(current);
    std::vector<char*> argv;
    for (std::string& t : texts) argv.push_back(&t[0]);
    argv.push_back(nullptr);

    FrameArgs args;
    int exit_status = -1;
    if (parse_frame_args(static_cast<int>(texts.size()), argv.data(), "fieldweaver", "syntax\n", 720, 270, &args,
                         &exit_status) != 0) {
        if (exit_status != 0 && exit_status != 2) __builtin_trap();
        return 0;
    }
    const BufferShape weaver[] = {{2, 1}, {1, 2}};
    const BufferShape halver[] = {{2, 2}, {1, 1}};
    for (const BufferShape* shapes : {weaver, halver}) {
        if (check_frame_size("p", args.width, args.height, shapes, 2) != 0) continue;
        for (int i = 0; i < 2; ++i) {
            RgbImage image = {args.width * shapes[i].width_factor, args.height * shapes[i].height_factor, nullptr};
            int64_t bytes = image_byte_count(&image);
            if (bytes <= 0 || bytes > INT32_MAX) __builtin_trap();
        }
    }
    for (int64_t n : {int64_t{args.first}, int64_t{args.first} + 1, int64_t{args.last}, int64_t{args.last} + 1,
                      int64_t{args.first} / 2}) {
        char base[TEXT_BUFFER_SIZE], raw[TEXT_BUFFER_SIZE], line[TEXT_BUFFER_SIZE];
        format_frame_name(base, n);
        format_raw_name(raw, base);
        int length = std::snprintf(line, sizeof line, DECODE_COMMAND_FORMAT, raw, base);
        if (length < 0 || length >= TEXT_BUFFER_SIZE) __builtin_trap();
    }
    return 0;
}
