// make_sample_frames: writes a numbered GIF frame sequence imNNNNN.gif for
// demos, tests and benchmarks, with giflib's encoder.
//
//   make_sample_frames [-flat|-photo] FIRST LAST WIDTH HEIGHT
//
// writes frames FIRST to LAST inclusive, as the programs read them (none
// where LAST < FIRST).
// The default picture is a moving pattern of bars and gradients; -photo is
// smooth, noisy, photograph-like content quantised to 256 colours (hard for
// LZW, like real frames); -flat is one colour per frame.
#include <fcntl.h>
#include <gif_lib.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A 6 x 7 x 6 colour cube plus greys: 256 entries.
void make_palette(GifColorType* colours) {
    int n = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                colours[n++] = {static_cast<GifByteType>(r * 51), static_cast<GifByteType>(g * 42),
                                static_cast<GifByteType>(b * 51)};
    for (int i = 0; n < 256; ++i, ++n) {
        GifByteType v = static_cast<GifByteType>(8 + i * 16);
        colours[n] = {v, v, v};
    }
}

int cube_index(int r, int g, int b) {
    auto level = [](int v, int levels) {
        int l = (v * (levels - 1) + 127) / 255;
        return l < 0 ? 0 : (l >= levels ? levels - 1 : l);
    };
    return (level(r, 6) * 7 + level(g, 7)) * 6 + level(b, 6);
}

uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// Smooth value noise in 0..1 with a little grain.
double noise(double x, double y, uint32_t seed) {
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    double fx = x - xi, fy = y - yi;
    auto at = [&](int a, int b) {
        return (hash(seed ^ hash(static_cast<uint32_t>(a) * 73856093U ^ static_cast<uint32_t>(b) * 19349663U)) &
                0xffff) /
               65535.0;
    };
    double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    double top = at(xi, yi) + (at(xi + 1, yi) - at(xi, yi)) * sx;
    double bottom = at(xi, yi + 1) + (at(xi + 1, yi + 1) - at(xi, yi + 1)) * sx;
    return top + (bottom - top) * sy;
}

void paint(std::vector<GifByteType>& raster, int width, int height, int frame, const char* style) {
    if (std::strcmp(style, "flat") == 0) {
        std::memset(raster.data(), cube_index(40 + frame * 13 % 200, 90, 200 - frame * 7 % 150), raster.size());
        return;
    }
    for (int y = 0; y < height; ++y) {
        GifByteType* row = &raster[static_cast<size_t>(y) * width];
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            if (std::strcmp(style, "photo") == 0) {
                double u = x / (width / 8.0), v = y / (height / 4.5);
                double shift = frame * 0.07;
                double n1 = noise(u + shift, v, 1) * 0.6 + noise(4 * u, 4 * v + shift, 2) * 0.3 +
                            noise(32 * u, 32 * v, 3 + frame) * 0.1;
                double n2 = noise(u * 1.3, v * 1.3 + shift, 4);
                r = static_cast<int>(255 * n1);
                g = static_cast<int>(255 * (0.5 * n1 + 0.5 * n2));
                b = static_cast<int>(255 * n2);
                int grain = static_cast<int>(hash(static_cast<uint32_t>(y * width + x) ^ frame) % 33) - 16;
                r += grain, g += grain, b += grain;
            } else {
                int bar = ((x + 8 * frame) / 16) % 6;
                r = (x * 255) / (width > 1 ? width - 1 : 1);
                g = (y * 255) / (height > 1 ? height - 1 : 1);
                b = bar * 51;
            }
            row[x] = static_cast<GifByteType>(cube_index(r < 0     ? 0
                                                         : r > 255 ? 255
                                                                   : r,
                                                         g < 0     ? 0
                                                         : g > 255 ? 255
                                                                   : g,
                                                         b < 0     ? 0
                                                         : b > 255 ? 255
                                                                   : b));
        }
    }
}

int write_gif(const char* name, const std::vector<GifByteType>& raster, int width, int height) {
    int error = 0;
    // giflib's own open would make the file private (0600); frames are ordinary files.
    int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    GifFileType* gif = fd < 0 ? nullptr : EGifOpenFileHandle(fd, &error);
    if (fd < 0) error = E_GIF_ERR_OPEN_FAILED;
    if (!gif) {
        std::fprintf(stderr, "make_sample_frames: %s: %s\n", name, GifErrorString(error));
        return -1;
    }
    GifColorType colours[256];
    make_palette(colours);
    ColorMapObject* map = GifMakeMapObject(256, colours);
    bool ok = map && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif, const_cast<GifByteType*>(&raster[static_cast<size_t>(y) * width]), width) == GIF_OK;
    int code = gif->Error;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false, code = error;
    if (!ok) {
        std::fprintf(stderr, "make_sample_frames: %s: %s\n", name, GifErrorString(code));
        return -1;
    }
    return 0;
}

// A whole decimal number in [low, high]: 0, else -1.
int parse_number(const char* text, long low, long high, int* value) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || v < low || v > high) return -1;
    *value = static_cast<int>(v);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* style = "bars";
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0' && !(argv[i][1] >= '0' && argv[i][1] <= '9'); ++i) {
        if (std::strcmp(argv[i], "-flat") == 0)
            style = "flat";
        else if (std::strcmp(argv[i], "-photo") == 0)
            style = "photo";
        else
            break;
    }
    if (argc - i != 4) {
        std::fprintf(stderr, "usage: make_sample_frames [-flat|-photo] FIRST LAST WIDTH HEIGHT\n");
        return 2;
    }
    int first, last, width, height;
    if (parse_number(argv[i], 0, 99999, &first) != 0 || parse_number(argv[i + 1], 0, 99999, &last) != 0) {
        std::fprintf(stderr, "make_sample_frames: frame numbers are 0 to 99999\n");
        return 2;
    }
    if (parse_number(argv[i + 2], 1, 65535, &width) != 0 || parse_number(argv[i + 3], 1, 65535, &height) != 0) {
        std::fprintf(stderr, "make_sample_frames: width and height are 1 to 65535\n");
        return 2;
    }
    std::vector<GifByteType> raster(static_cast<size_t>(width) * height);
    for (int n = first; n <= last; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "im%05d.gif", n);
        paint(raster, width, height, n, style);
        if (write_gif(name, raster, width, height) != 0) return 1;
    }
    return 0;
}
