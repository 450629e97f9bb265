// raw2tiff -c none|packbits|lzw|zip INFILE OUTFILE
//
// Converts a binary PPM (maxval 255) to an RGB TIFF. OUTFILE appears complete
// or not at all; every failure is one line on stderr and exit status 1.
// raw2tiff -h prints the version and the usage line.
#include <cstdio>
#include <cstring>
#include <tiffio.h>

#include "atomic_output.h"
#include "file_io.h"
#include "frametools_version.h"
#include "ppm_reader.h"
#include "tiff_writer.h"

namespace {

const char kUsage[] = "usage: raw2tiff -c none|packbits|lzw|zip INFILE OUTFILE\n";

int parse_compression(const char* name, TiffCompression* c) {
    static const struct {
        const char* name;
        TiffCompression value;
    } kNames[] = {{"none", TiffCompression::none},
                  {"packbits", TiffCompression::packbits},
                  {"lzw", TiffCompression::lzw},
                  {"zip", TiffCompression::zip}};
    for (const auto& n : kNames) {
        if (std::strcmp(name, n.name) == 0) {
            *c = n.value;
            return 0;
        }
    }
    return -1;
}

const char kTool[] = "raw2tiff";

// Exit status 0 or 1; the input is parsed before OUTFILE is touched.
int convert(const char* in_path, const char* out_path, TiffCompression compression) {
    PpmFile in;
    ToolError error;
    if (ppm_file_open(in_path, &in, &error) != 0) return tool_report(kTool, in_path, &error);
    AtomicOutput out;
    int rc = atomic_output_open(&out, out_path, &error);
    if (rc == 0) rc = tiff_write_rgb(out.fd, in.image, compression, &error);
    if (rc == 0) rc = atomic_output_commit(&out, &error);
    if (rc != 0) atomic_output_abort(&out);
    ppm_file_close(&in);
    return rc == 0 ? 0 : tool_report(kTool, out_path, &error);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "-h") == 0) {
        std::fputs("raw2tiff (frametools) " FRAMETOOLS_VERSION "\n", stdout);
        std::fputs(kUsage, stdout);
        return 0;
    }
    TiffCompression compression;
    if (argc != 5 || std::strcmp(argv[1], "-c") != 0 || parse_compression(argv[2], &compression) != 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char* in_path = argv[3];
    const char* out_path = argv[4];

    // A file-size limit should end in our error line and a removed temporary
    // file, not in a kill by SIGXFSZ.
    fd_size_limit_fails_writes();
    // Messages come from us only, one line each.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);

    return convert(in_path, out_path, compression);
}
