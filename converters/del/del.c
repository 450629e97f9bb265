/* del: removes the named files, as the Windows interpreter's built-in does
 * for the programs here. A file that is not there is not an error.
 * Plain C, so that it can be linked against a small static C library: the
 * programs start it twice for every frame. */
#include <errno.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fputs("usage: del FILE...\n", stderr);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        if (remove(argv[i]) != 0 && errno != ENOENT) {
            fprintf(stderr, "del: %s: %s\n", argv[i], strerror(errno));
            status = 1;
        }
    }
    return status;
}
