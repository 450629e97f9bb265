// halve_frame with each kernel this processor has (BM_HalveFrame/plain,
// /ssse3, /avx512) and weave_fields, at their default sizes, each next to a
// memcpy of the same source and destination bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gaussian_weights.h"
#include "halve_frame.h"
#include "halve_frame_kernel.h"
#include "weave_fields.h"

namespace {

struct Buffer {
    std::vector<uint8_t> bytes;
    RgbImage image;
    Buffer(int width, int height, uint32_t seed)
        : bytes(static_cast<size_t>(width) * height * 3), image{width, height, nullptr} {
        std::mt19937 rng(seed);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
        image.pixels = bytes.data();
    }
};

// Reads the source bytes and writes as many bytes as the kernel does.
void copy_like(benchmark::State& state, const std::vector<const Buffer*>& sources, Buffer& destination) {
    size_t source_bytes = 0;
    for (const Buffer* s : sources) source_bytes += s->bytes.size();
    std::vector<uint8_t> sink(source_bytes);
    for (auto _ : state) {
        size_t at = 0;
        for (const Buffer* s : sources) {
            std::memcpy(sink.data() + at, s->bytes.data(), s->bytes.size());
            at += s->bytes.size();
        }
        std::memcpy(destination.bytes.data(), sink.data(), destination.bytes.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(source_bytes + destination.bytes.size()));
}

void BM_HalveFrame(benchmark::State& state, HalveKernel kernel) {
    Buffer source(5120, 2880, 1), destination(2560, 1440, 2);
    double centre, edge, corner;
    gaussian_weights(kFramehalverSigma, &centre, &edge, &corner);
    for (auto _ : state) {
        halve_frame_with(kernel, &source.image, &destination.image, centre, edge, corner);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(source.bytes.size() + destination.bytes.size()));
}

void BM_HalveFrameMemcpy(benchmark::State& state) {
    Buffer source(5120, 2880, 1), destination(2560, 1440, 2);
    copy_like(state, {&source}, destination);
}

void BM_WeaveFields(benchmark::State& state) {
    Buffer f0(1440, 270, 3), f1(1440, 270, 4), out(720, 540, 5);
    for (auto _ : state) {
        weave_fields(&f0.image, &f1.image, &out.image);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(f0.bytes.size() * 2 + out.bytes.size()));
}

void BM_WeaveFieldsMemcpy(benchmark::State& state) {
    Buffer f0(1440, 270, 3), f1(1440, 270, 4), out(720, 540, 5);
    copy_like(state, {&f0, &f1}, out);
}

}  // namespace

int main(int argc, char** argv) {
    for (HalveKernel kernel : kHalveKernels)
        if (halve_kernel_available(kernel))
            benchmark::RegisterBenchmark((std::string("BM_HalveFrame/") + halve_kernel_name(kernel)).c_str(),
                                         BM_HalveFrame, kernel)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(1.0);
    benchmark::RegisterBenchmark("BM_HalveFrameMemcpy", BM_HalveFrameMemcpy)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
    benchmark::RegisterBenchmark("BM_WeaveFields", BM_WeaveFields)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
    benchmark::RegisterBenchmark("BM_WeaveFieldsMemcpy", BM_WeaveFieldsMemcpy)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(1.0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
