// GIF's variable-width LZW, decoded straight into a caller's index buffer.
//
// Code widths, table growth and the full table (deferred clear) follow giflib
// exactly, so a stream giflib decodes correctly gives the same pixels here.
// Where giflib makes up pixels for a code that is not in the table yet, this
// decoder refuses the stream instead.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes past the end of the output buffer the decoder may scribble on: a last
// string may run over the image, and copies go 16 bytes at a time.
constexpr size_t kLzwOutputSlack = 4096 + 32;

// The compressed data arrives as GIF sub-blocks. Returns 1 with a block
// (1..255 bytes), 0 at the block terminator, -1 when reading failed.
struct LzwSource {
    void* ctx;
    int (*next_block)(void* ctx, const uint8_t** data, int* size);
};

enum LzwError {
    kLzwOk = 0,
    kLzwBadCodeSize,  // minimum code size not in 0..8
    kLzwInvalidCode,  // a code that is not in the table yet
    kLzwEarlyEnd,     // end-of-information code before the image was full
    kLzwOutOfData,    // the sub-blocks ended before the image was full
    kLzwReadFailed,   // the source reported a read error
};

// Decodes exactly pixel_count indices into out (which must have room for
// pixel_count + kLzwOutputSlack bytes) and stops reading blocks as soon as
// the image is full; whatever follows is the caller's to skip. Sets *error
// and returns -1 on failure, in which case out holds garbage.
int lzw_decode(int min_code_size, LzwSource source, uint8_t* out, size_t pixel_count, LzwError* error);

// The same, but each index goes through lut straight to 3 bytes of RGB (the
// 4th byte of each entry is scratch). out needs room for pixel_count * 3 +
// kLzwRgbOutputSlack bytes. No index is checked against the colour table:
// use this only when 2^min_code_size entries of lut are real colours.
constexpr size_t kLzwRgbOutputSlack = 3 * 4096 + 32;
int lzw_decode_rgb(int min_code_size, LzwSource source, const uint8_t (*lut)[4], uint8_t* out, size_t pixel_count,
                   LzwError* error);

const char* lzw_error_text(LzwError error);
