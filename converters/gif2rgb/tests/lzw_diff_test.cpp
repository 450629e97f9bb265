// Our LZW decoder against giflib's DGifGetLine, through the whole frame
// decoder: same pictures, same refusals. The one deliberate difference: a
// code that is not in the table yet. giflib makes up pixels for it and goes
// on; we refuse the file. Such a case passes only when the stream was built
// with such a code (or, for mutated files, when that is our reason).
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "gif_builder.h"
#include "giflib_lines.h"

namespace {

struct Outcome {
    bool ok;
    std::string reason;
    Bytes rgb;
};

Outcome decode(const Bytes& gif, const GifLzw* lzw) {
    RgbImage image;
    ToolError error;
    Outcome o;
    o.ok = gif_decode_memory(gif.data(), gif.size(), lzw, &image, &error) == 0;
    if (o.ok) {
        o.rgb.assign(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 3);
        std::free(image.pixels);
    } else {
        o.reason = error.reason;
    }
    return o;
}

const char kUndefined[] = "undefined LZW code";

// Returns whether the two decoders disagreed in the one permitted way.
bool expect_same(const Bytes& gif, bool may_have_undefined_code, const std::string& what) {
    Outcome fast = decode(gif, &kGifLzw);
    Outcome ref = decode(gif, &kGifLzwGiflibLines);
    if (fast.ok && ref.ok) {
        EXPECT_TRUE(fast.rgb == ref.rgb) << what;
        return false;
    }
    if (!fast.ok && !ref.ok) return false;
    bool permitted = !fast.ok && may_have_undefined_code && fast.reason.find(kUndefined) != std::string::npos;
    EXPECT_TRUE(permitted) << what << ": ours " << (fast.ok ? "ok" : fast.reason) << ", giflib "
                           << (ref.ok ? "ok" : ref.reason);
    return permitted;
}

int write_to_bytes(GifFileType* gif, const GifByteType* data, int size) {
    static_cast<Bytes*>(gif->UserData)->insert(static_cast<Bytes*>(gif->UserData)->end(), data, data + size);
    return size;
}

// A one-image GIF written by giflib's own encoder.
Bytes giflib_encode(int sw, int sh, const ImageSpec& s, int bits, const Bytes& pixels) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, write_to_bytes, &error);
    std::vector<GifColorType> colors(1u << bits);
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(i * 3), static_cast<GifByteType>(255 - i)};
    ColorMapObject* map = GifMakeMapObject(1 << bits, colors.data());
    EGifPutScreenDesc(gif, sw, sh, bits, 0, map);
    EGifPutImageDesc(gif, s.x, s.y, s.w, s.h, s.interlaced, nullptr);
    for (int r = 0; r < s.h; ++r) EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data()) + r * s.w, s.w);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// Random geometry; half the time the usual full-width bottom-aligned frame.
ImageSpec random_geometry(std::mt19937* rng, int* sw, int* sh) {
    auto pick = [rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(*rng); };
    *sw = pick(1, 70);
    *sh = pick(1, 70);
    ImageSpec s{};
    if (pick(0, 1)) {
        s.w = *sw;
        s.h = pick(1, *sh);
        s.y = *sh - s.h;
    } else {
        s.w = pick(1, *sw);
        s.h = pick(1, *sh);
        s.x = pick(0, *sw + 2);
        s.y = pick(0, *sh + 2);
    }
    s.interlaced = pick(0, 3) == 0;
    s.block_size = pick(0, 3) == 0 ? pick(1, 254) : 255;
    return s;
}

TEST(LzwDifferential, GiflibEncodedImages) {
    std::mt19937 rng(1);
    for (int i = 0; i < 400; ++i) {
        int sw, sh;
        ImageSpec s = random_geometry(&rng, &sw, &sh);
        int bits = std::uniform_int_distribution<int>(1, 8)(rng);
        int run = std::uniform_int_distribution<int>(1, 20)(rng);
        Bytes pixels(static_cast<size_t>(s.w) * s.h);
        int v = 0;
        for (size_t p = 0; p < pixels.size(); ++p) {
            if (rng() % run == 0) v = static_cast<int>(rng() % (1u << bits));
            pixels[p] = static_cast<uint8_t>(v);
        }
        Bytes gif = giflib_encode(sw, sh, s, bits, pixels);
        EXPECT_TRUE(decode(gif, &kGifLzw).ok);
        expect_same(gif, false, "encoded " + std::to_string(i));
    }
}

// Big noisy images fill the code table many times over.
TEST(LzwDifferential, TableFillsAndClears) {
    std::mt19937 rng(2);
    for (int bits : {1, 2, 4, 8}) {
        ImageSpec s{0, 0, 300, 200, false, 0, 0, 255};
        Bytes pixels(static_cast<size_t>(s.w) * s.h);
        for (uint8_t& p : pixels) p = static_cast<uint8_t>(rng() % (1u << bits));
        Bytes gif = giflib_encode(300, 200, s, bits, pixels);
        Outcome fast = decode(gif, &kGifLzw);
        ASSERT_TRUE(fast.ok) << fast.reason;
        expect_same(gif, false, "noise " + std::to_string(bits));
    }
}

enum Flaw { kNone, kEarlyEnd, kUndefinedCode, kNoEnd, kCut, kTrailing };

// Code streams written by hand: any code size, table full with and without a
// clear (deferred clear), codes defined a moment ago, and deliberate flaws.
Bytes adversarial_gif(std::mt19937* rng, Flaw flaw) {
    auto pick = [rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(*rng); };
    int mcs = pick(0, 8);
    int clear = 1 << mcs;
    int sw, sh;
    ImageSpec s = random_geometry(rng, &sw, &sh);
    if (pick(0, 2) == 0) {  // large enough to fill the table
        sw = s.w = pick(60, 90);
        sh = s.h = pick(60, 90);
        s.x = s.y = 0;
    }
    s.min_code_size = mcs;
    size_t pixels = static_cast<size_t>(s.w) * s.h;
    // Mostly literals keeps strings short, so the table fills before the image.
    int literal_share = pick(30, 95);
    bool clears = pick(0, 1);
    CodeWriter w = code_writer(mcs);
    if (pick(0, 3)) put_code(&w, clear);
    size_t codes = pixels + static_cast<size_t>(pick(0, 20));
    size_t flaw_at = static_cast<size_t>(pick(0, static_cast<int>(codes)));
    for (size_t n = 0; n < codes; ++n) {
        if (n == flaw_at && flaw == kEarlyEnd) {
            put_code(&w, clear + 1);
        } else if (n == flaw_at && flaw == kUndefinedCode && w.next_free + 1 < (1 << w.width)) {
            put_code(&w, pick(w.next_free + 1, (1 << w.width) - 1));
        } else if (clears && w.next_free == 4096 && pick(0, 3) == 0) {
            put_code(&w, clear);
        } else if (!w.have_prev || pick(0, 99) < literal_share) {
            put_code(&w, pick(0, clear - 1));
        } else if (pick(0, 9) == 0 && w.next_free < 4096) {
            put_code(&w, w.next_free);  // the code being defined right now
        } else if (w.next_free > clear + 2) {
            put_code(&w, pick(clear + 2, w.next_free - 1));
        } else {
            put_code(&w, pick(0, clear - 1));
        }
    }
    if (flaw != kNoEnd && flaw != kCut) put_code(&w, clear + 1);
    if (flaw == kTrailing)
        for (int n = pick(1, 50); n > 0; --n) put_code(&w, pick(0, (1 << w.width) - 1));
    Bytes data = finish_codes(&w);
    if (flaw == kCut) data.resize(data.size() * static_cast<size_t>(pick(0, 99)) / 100);
    Bytes gif = gif_header(sw, sh, mcs > 0 ? mcs : 1, 0);
    put_image(&gif, s, data);
    gif.push_back(0x3B);
    return gif;
}

TEST(LzwDifferential, AdversarialCodeStreams) {
    std::mt19937 rng(3);
    int ok = 0, refused = 0, differ = 0;
    for (int i = 0; i < 3000; ++i) {
        Flaw flaw = static_cast<Flaw>(i % 6);
        Bytes gif = adversarial_gif(&rng, flaw);
        differ += expect_same(gif, flaw == kUndefinedCode, "stream " + std::to_string(i));
        (decode(gif, &kGifLzw).ok ? ok : refused) += 1;
    }
    // Both outcomes must really occur, or the cases test little.
    EXPECT_GT(ok, 500);
    EXPECT_GT(refused, 500);
    EXPECT_GT(differ, 10);
}

TEST(LzwDifferential, MutatedFiles) {
    std::mt19937 rng(4);
    for (int i = 0; i < 3000; ++i) {
        Bytes gif = adversarial_gif(&rng, kNone);
        int flips = std::uniform_int_distribution<int>(1, 4)(rng);
        for (int f = 0; f < flips; ++f) {
            size_t at = std::uniform_int_distribution<size_t>(0, gif.size() - 1)(rng);
            gif[at] = static_cast<uint8_t>(rng());
        }
        expect_same(gif, true, "mutant " + std::to_string(i));
    }
}

}  // namespace
