#include "work_files.h"

const char* file_kind_text(FileKind kind) {
    switch (kind) {
        case FileKind::Missing: return "missing";
        case FileKind::Regular: return "a regular file";
        case FileKind::Directory: return "a directory";
        case FileKind::Symlink: return "a symbolic link";
        case FileKind::Fifo: return "a FIFO";
        case FileKind::Device: return "a device";
        case FileKind::Other: return "a special file";
    }
    return "a special file";
}
