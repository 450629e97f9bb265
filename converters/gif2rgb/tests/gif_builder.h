// Builds GIF files byte by byte for the tests, including broken ones.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Packs LZW codes LSB first at the widths a decoder reads them with, and
// keeps the table size the way a decoder would, so a test knows which codes
// are defined (first_free() <= code < next_free()) and which one is the
// code being defined (next_free(), valid only after a first code).
struct CodeWriter {
    int min_code_size;
    int width;
    int max_code1;
    int running;
    int next_free;
    bool have_prev;
    uint64_t acc;
    int nacc;
    Bytes bytes;
};

inline void code_writer_reset_table(CodeWriter* w) {
    w->width = w->min_code_size + 1;
    w->max_code1 = 1 << w->width;
    w->running = (1 << w->min_code_size) + 2;
    w->next_free = w->running;
    w->have_prev = false;
}

inline CodeWriter code_writer(int min_code_size) {
    CodeWriter w{};
    w.min_code_size = min_code_size;
    code_writer_reset_table(&w);
    return w;
}

inline void put_code(CodeWriter* w, int code) {
    w->acc |= static_cast<uint64_t>(code & ((1 << w->width) - 1)) << w->nacc;
    w->nacc += w->width;
    while (w->nacc >= 8) {
        w->bytes.push_back(static_cast<uint8_t>(w->acc));
        w->acc >>= 8;
        w->nacc -= 8;
    }
    if (w->running < 4097 && ++w->running > w->max_code1 && w->width < 12) {
        w->max_code1 <<= 1;
        ++w->width;
    }
    int clear = 1 << w->min_code_size;
    if (code == clear) {
        code_writer_reset_table(w);
    } else if (code != clear + 1) {
        if (w->have_prev && w->next_free < 4096) ++w->next_free;
        w->have_prev = true;
    }
}

inline Bytes finish_codes(CodeWriter* w) {
    if (w->nacc > 0) w->bytes.push_back(static_cast<uint8_t>(w->acc));
    w->acc = 0;
    w->nacc = 0;
    return w->bytes;
}

inline void put16(Bytes* b, int v) {
    b->push_back(static_cast<uint8_t>(v));
    b->push_back(static_cast<uint8_t>(v >> 8));
}

// A colour table of 2^bits entries, entry i = (i, 255 - i, i * 7).
inline void put_table(Bytes* b, int bits) {
    for (int i = 0; i < (1 << bits); ++i) {
        b->push_back(static_cast<uint8_t>(i));
        b->push_back(static_cast<uint8_t>(255 - i));
        b->push_back(static_cast<uint8_t>(i * 7));
    }
}

inline Bytes gif_header(int sw, int sh, int global_bits, int bg_index) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    put16(&b, sw);
    put16(&b, sh);
    b.push_back(global_bits > 0 ? static_cast<uint8_t>(0xF0 | (global_bits - 1)) : 0);
    b.push_back(static_cast<uint8_t>(bg_index));
    b.push_back(0);
    if (global_bits > 0) put_table(&b, global_bits);
    return b;
}

inline void put_gce(Bytes* b, int disposal, int transparent) {
    const uint8_t flags = static_cast<uint8_t>((disposal << 2) | (transparent >= 0 ? 1 : 0));
    const uint8_t t = static_cast<uint8_t>(transparent >= 0 ? transparent : 0);
    b->insert(b->end(), {0x21, 0xF9, 4, flags, 0, 0, t, 0});
}

struct ImageSpec {
    int x, y, w, h;
    bool interlaced;
    int local_bits;  // 0: none
    int min_code_size;
    int block_size;  // sub-block length to split the data into, 1..255
};

// Image descriptor, table, code size, data in sub-blocks, terminator.
inline void put_image(Bytes* b, const ImageSpec& s, const Bytes& data) {
    b->push_back(0x2C);
    put16(b, s.x);
    put16(b, s.y);
    put16(b, s.w);
    put16(b, s.h);
    uint8_t flags = s.interlaced ? 0x40 : 0;
    if (s.local_bits > 0) flags |= static_cast<uint8_t>(0x80 | (s.local_bits - 1));
    b->push_back(flags);
    if (s.local_bits > 0) put_table(b, s.local_bits);
    b->push_back(static_cast<uint8_t>(s.min_code_size));
    int block = s.block_size > 0 ? s.block_size : 255;
    for (size_t i = 0; i < data.size(); i += static_cast<size_t>(block)) {
        size_t n = data.size() - i < static_cast<size_t>(block) ? data.size() - i : block;
        b->push_back(static_cast<uint8_t>(n));
        b->insert(b->end(), data.begin() + static_cast<long>(i), data.begin() + static_cast<long>(i + n));
    }
    b->push_back(0);
}

// Codes that spell out `pixels` one literal at a time between a clear and an
// end code.
inline Bytes literal_codes(int min_code_size, const Bytes& pixels) {
    CodeWriter w = code_writer(min_code_size);
    put_code(&w, 1 << min_code_size);
    for (uint8_t p : pixels) {
        // Keep the table from filling so every literal stays at a known width.
        if (w.next_free >= 4000) put_code(&w, 1 << min_code_size);
        put_code(&w, p);
    }
    put_code(&w, (1 << min_code_size) + 1);
    return finish_codes(&w);
}
