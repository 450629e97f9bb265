// PackBits (TIFF compression 32773) encoding of one row at a time: TIFF
// readers decode row by row, so a run must never cross a row boundary.
#pragma once

#include <cstddef>

// Room packbits_encode_row may need for a row of n bytes.
inline size_t packbits_bound(size_t n) { return n + n / 128 + 1; }

// Encodes n bytes (n > 0) into out, which has packbits_bound(n) bytes of room;
// returns the encoded size. Literal runs hold 1..128 bytes, repeat runs
// 2..128; the no-op code -128 is never written.
size_t packbits_encode_row(const unsigned char* in, size_t n, unsigned char* out);
