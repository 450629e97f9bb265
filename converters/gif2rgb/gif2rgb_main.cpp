// gif2rgb -1 -o OUTFILE GIFFILE
//
// Writes the picture GIFFILE ends with as raw RGB24 (screen width x height x 3
// bytes, top row first, no header). OUTFILE appears whole or not at all.
// Exit status: 0 done, 1 the GIF or the output failed, 2 usage error.
// gif2rgb -h prints the version and the usage line.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "atomic_output.h"
#include "frametools_version.h"
#include "gif_frame_decode.h"

namespace {

const char kUsage[] = "usage: gif2rgb -1 -o OUTFILE GIFFILE\n";

int usage_error() {
    std::fputs(kUsage, stderr);
    return 2;
}

int write_output(const char* path, const RgbImage* image, ToolError* error) {
    AtomicOutput out;
    size_t bytes = static_cast<size_t>(image->width) * image->height * 3;
    if (atomic_output_open(&out, path, error) < 0 || atomic_output_write(&out, image->pixels, bytes, error) < 0 ||
        atomic_output_commit(&out, error) < 0) {
        atomic_output_abort(&out);
        return -1;
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
                std::fputs("gif2rgb (frametools) " FRAMETOOLS_VERSION "\n", stdout);
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
    if (!one_file || out_path == nullptr || out_path[0] == '\0' || gif_path == nullptr) return usage_error();

    RgbImage image;
    ToolError error;
    if (gif_decode_file(gif_path, &image, &error) < 0) return tool_report("gif2rgb", gif_path, &error);
    int rc = write_output(out_path, &image, &error);
    std::free(image.pixels);
    return rc < 0 ? tool_report("gif2rgb", out_path, &error) : 0;
}
