// A 2560x1440 frame as PackBits TIFF: our encoder with raw strips against
// libtiff's own PackBits path, each into a temporary file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <tiffio.h>
#include <unistd.h>
#include <vector>

#include "packbits_encoder.h"
#include "tiff_writer.h"

namespace {

const int kWidth = 2560, kHeight = 1440;

// 0: flat colour (no byte repeats: all literals); 1: smooth gradient with
// dithering noise, like a photo cut to 256 colours; 2: black.
const std::vector<unsigned char>& frame(int kind) {
    static std::vector<unsigned char> frames[3];
    const unsigned char flat[3] = {0x33, 0x66, 0x99};
    std::vector<unsigned char>& f = frames[kind];
    if (f.empty()) {
        f.resize(static_cast<size_t>(kWidth) * kHeight * 3);
        std::mt19937 rng(1);
        for (size_t i = 0; i < f.size(); ++i) {
            size_t x = (i / 3) % kWidth, y = i / 3 / kWidth;
            f[i] = kind == 0   ? flat[i % 3]
                   : kind == 1 ? static_cast<unsigned char>((x / 10 + y / 6 + i % 3 * 40) + rng() % 3)
                               : 0;
        }
    }
    return f;
}

int scratch_fd() {
    static FILE* file = std::tmpfile();
    int fd = fileno(file);
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) return -1;
    return fd;
}

void BM_EncodeRows(benchmark::State& state) {
    const std::vector<unsigned char>& f = frame(static_cast<int>(state.range(0)));
    const size_t row = kWidth * 3;
    std::vector<unsigned char> out(packbits_bound(row));
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            benchmark::DoNotOptimize(packbits_encode_row(&f[y * row], row, out.data()));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.size()));
}

void BM_OurTiff(benchmark::State& state) {
    const std::vector<unsigned char>& f = frame(static_cast<int>(state.range(0)));
    // Read only: tiff_write_rgb never writes through the pixels.
    RgbImage image = {kWidth, kHeight, const_cast<unsigned char*>(f.data())};
    ToolError error;
    for (auto _ : state) {
        if (tiff_write_rgb(scratch_fd(), image, TiffCompression::packbits, &error) != 0) {
            state.SkipWithError(error.reason);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.size()));
}

void BM_LibtiffTiff(benchmark::State& state) {
    std::vector<unsigned char> f = frame(static_cast<int>(state.range(0)));
    const uint32_t rows = static_cast<uint32_t>(kTiffStripBytes / (kWidth * 3));
    for (auto _ : state) {
        TIFF* tif = TIFFFdOpen(dup(scratch_fd()), "bench", "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
        for (uint32_t y = 0, s = 0; y < static_cast<uint32_t>(kHeight); y += rows, ++s) {
            uint32_t n = std::min<uint32_t>(rows, kHeight - y);
            TIFFWriteEncodedStrip(tif, s, &f[y * kWidth * 3], n * kWidth * 3);
        }
        TIFFClose(tif);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.size()));
}

}  // namespace

BENCHMARK(BM_EncodeRows)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurTiff)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffTiff)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
