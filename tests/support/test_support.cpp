#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <gif_lib.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace {

void remove_tree(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (dir) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            std::string child = path + "/" + name;
            struct stat st;
            if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                chmod(child.c_str(), 0700);
                remove_tree(child);
            } else {
                unlink(child.c_str());
            }
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

}  // namespace

ScratchDir::ScratchDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/frametools-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) std::abort();
    path = buffer.data();
}

ScratchDir::~ScratchDir() { remove_tree(path); }

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> read_bytes(const std::string& path) {
    std::string s = read_file(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    write_file(path, std::string(bytes.begin(), bytes.end()));
}

bool file_exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> list_dir(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void write_script(const std::string& path, const std::string& text) {
    write_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    chmod(path.c_str(), 0755);
}

void write_gif(const std::string& path, int width, int height, const std::vector<uint8_t>& indices,
               const std::vector<uint8_t>& palette_rgb) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) std::abort();
    GifColorType colours[256] = {};
    for (size_t i = 0; i < 256 && 3 * i + 2 < palette_rgb.size(); ++i)
        colours[i] = {palette_rgb[3 * i], palette_rgb[3 * i + 1], palette_rgb[3 * i + 2]};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    for (int y = 0; y < height; ++y)
        EGifPutLine(gif, const_cast<GifByteType*>(&indices[static_cast<size_t>(y) * width]), width);
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
}

std::vector<uint8_t> decode_gif_with_giflib(const std::string& path, int* width, int* height) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    std::vector<uint8_t> rgb;
    if (!gif) return rgb;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
        *width = gif->SWidth;
        *height = gif->SHeight;
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        rgb.resize(static_cast<size_t>(*width) * *height * 3);
        for (int y = 0; y < image.ImageDesc.Height; ++y)
            for (int x = 0; x < image.ImageDesc.Width; ++x) {
                int index = image.RasterBits[static_cast<size_t>(y) * image.ImageDesc.Width + x];
                size_t at = (static_cast<size_t>(y + image.ImageDesc.Top) * *width + x + image.ImageDesc.Left) * 3;
                rgb[at] = map->Colors[index].Red;
                rgb[at + 1] = map->Colors[index].Green;
                rgb[at + 2] = map->Colors[index].Blue;
            }
    }
    DGifCloseFile(gif, &error);
    return rgb;
}

bool read_tiff(const std::string& path, TiffPicture* picture) {
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return false;
    uint32_t w = 0, h = 0;
    uint16_t compression = 0, samples = 0, bits = 0, photometric = 0, planar = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    picture->width = static_cast<int>(w);
    picture->height = static_cast<int>(h);
    picture->compression = compression;
    picture->samples = samples;
    picture->bits = bits;
    picture->photometric = photometric;
    picture->planar = planar;
    bool ok = samples == 3 && bits == 8 && planar == PLANARCONFIG_CONTIG;
    if (ok) {
        picture->rgb.assign(static_cast<size_t>(w) * h * 3, 0);
        for (uint32_t row = 0; ok && row < h; ++row)
            ok = TIFFReadScanline(tif, &picture->rgb[static_cast<size_t>(row) * w * 3], row) == 1;
    }
    TIFFClose(tif);
    return ok;
}

std::vector<uint8_t> random_bytes(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    return bytes;
}
