// gif2rgb -1 -o OUTFILE GIFFILE
//
// Writes the picture GIFFILE ends with as raw RGB24 (screen width x height x 3
// bytes, top row first, no header). OUTFILE appears whole or not at all.
// Exit status: 0 done, 1 the GIF or the output failed, 2 usage error.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "atomic_output.h"
#include "gif_frame_decode.h"

namespace {

const char kUsage[] = "usage: gif2rgb -1 -o OUTFILE GIFFILE\n";

int usage_error() {
    std::fputs(kUsage, stderr);
    return 2;
}

int write_error(const char* path) {
    std::fprintf(stderr, "gif2rgb: %s: %s\n", path, std::strerror(errno));
    return -1;
}

int write_output(const char* path, const RgbRaster* raster) {
    AtomicOutput out;
    size_t bytes = static_cast<size_t>(raster->width) * raster->height * 3;
    if (atomic_output_open(&out, path) < 0 || atomic_output_write(&out, raster->pixels, bytes) < 0 ||
        atomic_output_commit(&out) < 0) {
        atomic_output_abort(&out);  // keeps errno
        return write_error(path);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool one_file = false;
    const char* out_path = nullptr;
    const char* gif_path = nullptr;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!options_done && arg[0] == '-' && arg[1] != '\0') {
            if (std::strcmp(arg, "-h") == 0 && argc == 2) {
                std::fputs(kUsage, stdout);
                return 0;
            } else if (std::strcmp(arg, "-1") == 0) {
                one_file = true;
            } else if (std::strcmp(arg, "-o") == 0 && i + 1 < argc && out_path == nullptr) {
                out_path = argv[++i];
            } else if (std::strcmp(arg, "--") == 0) {
                options_done = true;
            } else {
                return usage_error();
            }
        } else if (gif_path == nullptr) {
            gif_path = arg;
        } else {
            return usage_error();
        }
    }
    // Separate R, G and B files are not supported, so -1 is required.
    if (!one_file || out_path == nullptr || out_path[0] == '\0' || gif_path == nullptr)
        return usage_error();

    RgbRaster raster;
    char reason[kGifReasonSize];
    if (gif_decode_file(gif_path, kGifLzwFast, &raster, reason) < 0) {
        std::fprintf(stderr, "gif2rgb: %s: %s\n", gif_path, reason);
        return 1;
    }
    int rc = write_output(out_path, &raster);
    rgb_raster_free(&raster);
    return rc < 0 ? 1 : 0;
}
