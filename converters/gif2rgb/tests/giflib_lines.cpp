#include "giflib_lines.h"

#include <gif_lib.h>

namespace {

// DGifGetLine skips what is left of the image's data after its last row.
int giflib_indices(GifFileType* gif, int, uint8_t* out, size_t, LzwError* error) {
    const int w = gif->Image.Width;
    for (int r = 0; r < gif->Image.Height; ++r) {
        if (DGifGetLine(gif, out + static_cast<size_t>(r) * w, w) == GIF_ERROR) {
            *error = kLzwReadFailed;
            return -1;
        }
    }
    return 0;
}

}  // namespace

// giflib makes up pixels for codes not in the table yet: any index may come.
const GifLzw kGifLzwGiflibLines = {giflib_indices, nullptr, false};
