// raw2tiff -c none|packbits|lzw|zip INFILE OUTFILE
//
// Converts a binary PPM (maxval 255) to an RGB TIFF. OUTFILE appears complete
// or not at all; every failure is one line on stderr and exit status 1.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include "atomic_output.h"
#include "ppm_reader.h"
#include "tiff_writer.h"

namespace {

const char kUsage[] = "usage: raw2tiff -c none|packbits|lzw|zip INFILE OUTFILE\n";

struct InputFile {
    unsigned char* data;
    size_t size;
    bool mapped;
};

// Reads the whole file in one go: a regular file is mapped (no copy of the
// frame), anything else (a pipe) is read into a growing buffer.
int read_input(const char* path, InputFile* in) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        in->size = static_cast<size_t>(st.st_size);
        // Read-only: populating a writable private mapping would copy every page.
        void* p = mmap(nullptr, in->size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        int saved = errno;
        close(fd);
        if (p == MAP_FAILED) {
            errno = saved;
            return -1;
        }
        in->data = static_cast<unsigned char*>(p);
        in->mapped = true;
        return 0;
    }
    in->mapped = false;
    size_t capacity = 1 << 16;
    in->data = static_cast<unsigned char*>(std::malloc(capacity));
    in->size = 0;
    for (;;) {
        if (in->data == nullptr) {
            close(fd);
            errno = ENOMEM;
            return -1;
        }
        ssize_t n = read(fd, in->data + in->size, capacity - in->size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int saved = errno;
            std::free(in->data);
            close(fd);
            errno = saved;
            return -1;
        }
        if (n == 0) break;
        in->size += static_cast<size_t>(n);
        if (in->size == capacity) {
            capacity *= 2;
            unsigned char* grown = static_cast<unsigned char*>(std::realloc(in->data, capacity));
            if (grown == nullptr) std::free(in->data);
            in->data = grown;
        }
    }
    close(fd);
    return 0;
}

void release_input(InputFile* in) {
    if (in->mapped) {
        munmap(in->data, in->size);
    } else {
        std::free(in->data);
    }
}

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

int fail(const char* file, const char* reason) {
    std::fprintf(stderr, "raw2tiff: %s: %s\n", file, reason);
    return 1;
}

// Exit status 0 or 1; the input is parsed before OUTFILE is touched.
int convert(const InputFile& in, const char* in_path, const char* out_path, TiffCompression compression) {
    PpmRaster image;
    char reason[512];
    if (ppm_parse(in.data, in.size, &image, reason, sizeof reason) != 0) return fail(in_path, reason);
    AtomicOutput out;
    if (atomic_output_open(&out, out_path) != 0) return fail(out_path, std::strerror(errno));
    if (tiff_write_rgb(out.fd, image, compression, reason, sizeof reason) != 0) {
        atomic_output_abort(&out);
        return fail(out_path, reason);
    }
    if (atomic_output_commit(&out) != 0) return fail(out_path, std::strerror(errno));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "-h") == 0) {
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
    signal(SIGXFSZ, SIG_IGN);
    // Messages come from us only, one line each.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);

    InputFile in;
    if (read_input(in_path, &in) != 0) return fail(in_path, std::strerror(errno));
    int status = convert(in, in_path, out_path, compression);
    release_input(&in);
    return status;
}
