// Our PackBits rows decoded by libtiff must give back the input.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "packbits_encoder.h"
#include "tests/tiff_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size < 2) return 0;
    // The first byte picks the row length; the rest is whole rows of it.
    size_t row_bytes = data[0] + 1u;
    const unsigned char* rows_data = data + 1;
    size_t rows = (size - 1) / row_bytes;
    if (rows == 0) {
        row_bytes = size - 1;
        rows = 1;
    }
    std::vector<unsigned char> packed(rows * packbits_bound(row_bytes));
    size_t n = 0;
    for (size_t r = 0; r < rows; ++r) {
        size_t k = packbits_encode_row(rows_data + r * row_bytes, row_bytes, &packed[n]);
        if (k > packbits_bound(row_bytes)) std::abort();
        n += k;
    }
    if (packbits_well_formed(packed.data(), n, row_bytes, rows) != 0) {
        std::fprintf(stderr, "malformed PackBits\n");
        std::abort();
    }
    std::vector<unsigned char> decoded;
    std::string complaints;
    if (libtiff_unpack(packed.data(), n, row_bytes, rows, &decoded, &complaints) != 0 || !complaints.empty() ||
        !std::equal(decoded.begin(), decoded.end(), rows_data) || decoded.size() != rows * row_bytes) {
        std::fprintf(stderr, "libtiff decodes something else: %s\n", complaints.c_str());
        std::abort();
    }
    return 0;
}
