// fieldweaver: weaves pairs of GIF fields N, N+1 into PackBits TIFF frames N/2.
#include <cstdint>
#include <cstdio>

#include "converter_commands.h"
#include "frame_args.h"
#include "frame_names.h"
#include "frame_run.h"
#include "rgb_image.h"
#include "weave_fields.h"

namespace {

const char kProgram[] = "fieldweaver";
const char kSyntax[] = "Syntax is :\n fieldweaver im#start im#end width height\n";

}  // namespace

int main(int argc, char** argv) {
    FrameArgs args;
    int exit_status = 0;
    if (parse_frame_args(argc, argv, kProgram, kSyntax, 720, 270, &args, &exit_status) != 0) return exit_status;
    const int32_t w = args.width;
    const int32_t h = args.height;
    const BufferShape shapes[] = {{2, 1}, {1, 2}};
    if (check_frame_size(kProgram, w, h, shapes, 2) != 0) return 2;

    FrameRun run;
    if (frame_run_begin(&run, kProgram, &args, &exit_status) != 0) return exit_status;

    RgbImage field[2] = {{2 * w, h, nullptr}, {2 * w, h, nullptr}};
    RgbImage output = {w, 2 * h, nullptr};
    if (frame_run_alloc(&run, &field[0]) != 0 || frame_run_alloc(&run, &field[1]) != 0 ||
        frame_run_alloc(&run, &output) != 0) {
        image_free(&field[0]);
        image_free(&field[1]);
        image_free(&output);
        return 1;
    }

    // 64-bit counter: the pair after one starting at INT32_MAX - 1 ends the
    // loop instead of overflowing.
    for (int64_t n = args.first; n <= args.last; n += 2) {
        char base0[TEXT_BUFFER_SIZE], base1[TEXT_BUFFER_SIZE], out_base[TEXT_BUFFER_SIZE];
        char raw0[TEXT_BUFFER_SIZE], raw1[TEXT_BUFFER_SIZE];
        format_frame_name(base0, n);
        format_frame_name(base1, n + 1);
        format_frame_name(out_base, n / 2);
        format_raw_name(raw0, base0);
        format_raw_name(raw1, base1);
        const char* const in_flight[] = {raw0, raw1};
        frame_run_start_frame(&run, in_flight, 2);

        int decoded0 = frame_run_decode(&run, raw0, base0, "field 0");
        int decoded1 = frame_run_decode(&run, raw1, base1, "field 1");
        std::printf("\n%05d == %s+%s==>%s\n", static_cast<int>(n), raw0, raw1, TEMP_PPM_NAME);
        frame_run_read(&run, decoded0, raw0, base0, &field[0], "field 0");
        frame_run_read(&run, decoded1, raw1, base1, &field[1], "field 1");
        weave_fields(&field[0], &field[1], &output);
        int written = frame_run_write_temp(&run, &output, out_base);
        std::printf(CONVERT_COMMAND_FORMAT, TEMP_PPM_NAME, out_base);
        // An older _tmp.ppm would put another frame's picture under this number.
        if (written == 0) frame_run_convert(&run, out_base);
        frame_run_delete(&run, raw1);
        frame_run_delete(&run, raw0);
        frame_run_end_frame(&run);
    }

    frame_run_delete(&run, TEMP_PPM_NAME);
    image_free(&field[0]);
    image_free(&field[1]);
    image_free(&output);
    return frame_run_finish(&run);
}
