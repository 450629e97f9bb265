// Decodes arbitrary bytes both ways: neither may crash, and where both give
// a picture it must be the same one. Our decoder may refuse what giflib
// takes only for a code that is not in the table yet (see lzw_decode.h).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "giflib_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Real screens up to 5120x2880 are fine; bigger ones only cost the
    // fuzzer memory and time.
    if (size >= 10 && static_cast<size_t>(data[6] | data[7] << 8) * (data[8] | data[9] << 8) > (size_t{1} << 22))
        return 0;
    RgbImage fast, ref;
    ToolError fast_error, ref_error;
    int fast_rc = gif_decode_memory(data, size, &kGifLzw, &fast, &fast_error);
    int ref_rc = gif_decode_memory(data, size, &kGifLzwGiflibLines, &ref, &ref_error);
    if (fast_rc == 0 && ref_rc == 0) {
        size_t bytes = static_cast<size_t>(fast.width) * fast.height * 3;
        if (fast.width != ref.width || fast.height != ref.height || std::memcmp(fast.pixels, ref.pixels, bytes) != 0)
            std::abort();
    } else if (fast_rc != ref_rc) {
        if (fast_rc == 0 || std::strstr(fast_error.reason, "undefined LZW code") == nullptr) std::abort();
    }
    std::free(fast.pixels);
    std::free(ref.pixels);
    return 0;
}
