#include "test_support.h"

#include <gif_lib.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Everything under path, then path; directories the tests made unreadable
// or unwritable are opened up first, read-only files made writable.
void remove_tree(const fs::path& path) {
    std::error_code ec;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) children.push_back(it->path());
    for (const fs::path& child : children) {
        if (fs::symlink_status(child, ec).type() == fs::file_type::directory) {
            fs::permissions(child, fs::perms::owner_all, fs::perm_options::replace, ec);
            remove_tree(child);
        } else if (!fs::remove(child, ec)) {
            fs::permissions(child, fs::perms::owner_write, fs::perm_options::add, ec);
            fs::remove(child, ec);
        }
    }
    fs::remove(path, ec);
}

}  // namespace

ScratchDir::ScratchDir() {
    // TMPDIR on POSIX, TMP or TEMP on Windows.
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) std::abort();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::string name = "frametools-test-";
        for (int i = 0; i < 8; ++i) name += kLetters[random() % 36];
        fs::path candidate = base / name;
        if (fs::create_directory(candidate, ec)) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
            path = native_path(candidate.string());
            return;
        }
    }
    std::abort();
}

ScratchDir::~ScratchDir() { remove_tree(path); }

std::string native_path(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return ec ? path : absolute.string();
}

std::string lf_lines(const std::string& text) {
    std::string lf;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
    return lf;
}

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
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

std::vector<std::string> list_dir(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void write_script(const std::string& path, const std::string& text) {
    write_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    std::error_code ec;
    fs::permissions(path, fs::perms(0755), fs::perm_options::replace, ec);
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

ProcessResult run_process(const std::vector<std::string>& argv, const std::string& cwd,
                          const std::vector<std::string>& env) {
    ProcessSpec request;
    request.argv = argv;
    request.cwd = cwd;
    request.env = env;
    return run_process(request);
}
