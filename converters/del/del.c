/* del: removes the named files, as the Windows interpreter's built-in does
 * for the programs here: files only. A directory is refused and kept
 * ("del: NAME: Is a directory"); a symbolic link is removed itself, never
 * what it points to. A file that is not there is not an error.
 * Plain C, so that it can be linked against a small static C library: the
 * programs start it twice for every frame. */
#define _POSIX_C_SOURCE 200809L /* unlink, lstat under -std=c11 */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fputs("usage: del FILE...\n", stderr);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        /* unlink, not remove: remove would take an empty directory too. */
        if (unlink(argv[i]) != 0 && errno != ENOENT) {
            int error = errno;
            struct stat st;
            /* Linux says EISDIR; POSIX lets a system say EPERM for a directory. */
            if (error == EPERM && lstat(argv[i], &st) == 0 && S_ISDIR(st.st_mode)) error = EISDIR;
            fprintf(stderr, "del: %s: %s\n", argv[i], strerror(error));
            status = 1;
        }
    }
    return status;
}
