// framehalver: halves GIF frames 2W x 2H with a 3x3 Gaussian into PackBits
// TIFF frames W x H of the same numbers.
#include <cstdint>
#include <cstdio>

#include "converter_commands.h"
#include "frame_args.h"
#include "frame_names.h"
#include "frame_run.h"
#include "gaussian_weights.h"
#include "halve_frame.h"
#include "rgb_image.h"

namespace {

const char kProgram[] = "framehalver";
const char kSyntax[] = "Syntax is :\n framehalver im#start im#end width height\n";

}  // namespace

int main(int argc, char** argv) {
    FrameArgs args;
    int exit_status = 0;
    if (parse_frame_args(argc, argv, kProgram, kSyntax, 2560, 1440, &args, &exit_status) != 0) return exit_status;
    const int32_t w = args.width;
    const int32_t h = args.height;
    const BufferShape shapes[] = {{2, 2}, {1, 1}};
    if (check_frame_size(kProgram, w, h, shapes, 2) != 0) return 2;

    FrameRun run;
    if (frame_run_begin(&run, kProgram, &args, &exit_status) != 0) return exit_status;

    RgbImage source = {2 * w, 2 * h, nullptr};
    RgbImage destination = {w, h, nullptr};
    if (frame_run_alloc(&run, &source) != 0 || frame_run_alloc(&run, &destination) != 0) {
        image_free(&source);
        image_free(&destination);
        return 1;
    }
    double centre, edge, corner;
    gaussian_weights(kFramehalverSigma, &centre, &edge, &corner);

    // 64-bit counter: a last frame of INT32_MAX ends the loop after that frame.
    for (int64_t n = args.first; n <= args.last; ++n) {
        char base[TEXT_BUFFER_SIZE], raw[TEXT_BUFFER_SIZE];
        format_frame_name(base, n);
        format_raw_name(raw, base);
        const char* const in_flight[] = {raw};
        frame_run_start_frame(&run, in_flight, 1);

        int decoded = frame_run_decode(&run, raw, base, "the source buffer");
        std::printf("\n%05d == %s ==>%s\n", static_cast<int>(n), raw, TEMP_PPM_NAME);
        frame_run_read(&run, decoded, raw, base, &source, "the source buffer");
        halve_frame(&source, &destination, centre, edge, corner);
        int written = frame_run_write_temp(&run, &destination, base);
        std::printf(CONVERT_COMMAND_FORMAT, TEMP_PPM_NAME, base);
        std::putchar('\n');
        // An older _tmp.ppm would put another frame's picture under this number.
        if (written == 0) frame_run_convert(&run, base);
        frame_run_delete(&run, raw);
        frame_run_end_frame(&run);
    }

    frame_run_delete(&run, TEMP_PPM_NAME);
    image_free(&source);
    image_free(&destination);
    return frame_run_finish(&run);
}
