// One 5120x2880 256-colour frame, decoded with our LZW and with giflib's.
// GIF2RGB_BENCH_GIF=path picks a real frame instead of the synthetic one.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "giflib_lines.h"

namespace {

using Bytes = std::vector<uint8_t>;

int append(GifFileType* gif, const GifByteType* data, int size) {
    Bytes* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + size);
    return size;
}

// Smooth gradients plus noise, quantised to 256 levels: compresses about as
// badly as a photograph does.
Bytes synthetic_frame() {
    const int w = 5120, h = 2880;
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error);
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>((i * 7) & 255),
                     static_cast<GifByteType>(255 - i)};
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifPutScreenDesc(gif, w, h, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr);
    std::vector<GifPixelType> row(w);
    uint32_t seed = 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            double v = 96 + 60 * std::sin(x * 0.004 + y * 0.002) + 50 * std::cos(y * 0.007);
            row[x] = static_cast<GifPixelType>(static_cast<int>(v + (seed >> 29)) & 255);
        }
        EGifPutLine(gif, row.data(), w);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

const Bytes& frame() {
    static Bytes bytes = [] {
        if (const char* path = std::getenv("GIF2RGB_BENCH_GIF")) {
            std::ifstream in(path, std::ios::binary);
            return Bytes(std::istreambuf_iterator<char>(in), {});
        }
        return synthetic_frame();
    }();
    return bytes;
}

void BM_Decode(benchmark::State& state) {
    const Bytes& gif = frame();
    const GifLzw* lzw = state.range(0) == 0 ? &kGifLzw : &kGifLzwGiflibLines;
    for (auto _ : state) {
        RgbImage image;
        ToolError error;
        if (gif_decode_memory(gif.data(), gif.size(), lzw, &image, &error) < 0) {
            state.SkipWithError(error.reason);
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
        std::free(image.pixels);
    }
    state.SetLabel(lzw == &kGifLzw ? "fast LZW" : "giflib DGifGetLine");
}
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
