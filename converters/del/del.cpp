// del: removes the named files, as the Windows interpreter's built-in does
// for the programs here. A file that is not there is not an error.
#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: del FILE...\n", stderr);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::remove(argv[i]) != 0 && errno != ENOENT) {
            std::fprintf(stderr, "del: %s: %s\n", argv[i], std::strerror(errno));
            status = 1;
        }
    }
    return status;
}
