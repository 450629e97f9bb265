#include "program_runs.h"

#include <cstdio>

const char* const kFieldweaver = FIELDWEAVER_PATH;
const char* const kFramehalver = FRAMEHALVER_PATH;

std::string frame_name(long long n, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "im%05lld%s", n, extension);
    return name;
}

void Sequence::add_frames(int first, int last, int width, int height) {
    std::vector<uint8_t> palette = random_bytes(768, 99);
    for (int n = first; n <= last; ++n) {
        std::vector<uint8_t> indices = random_bytes(static_cast<size_t>(width) * height, static_cast<uint32_t>(n) + 1000);
        write_gif(dir / frame_name(n, ".gif"), width, height, indices, palette);
    }
}

std::vector<uint8_t> Sequence::frame_rgb(int n) const {
    int w = 0, h = 0;
    return decode_gif_with_giflib(dir / frame_name(n, ".gif"), &w, &h);
}

ProcessResult Sequence::run(const std::string& program, const std::vector<std::string>& args,
                            const std::vector<std::string>& env) const {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(argv, dir.path, env);
}
