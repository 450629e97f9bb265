#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "file_io.h"
#include "input_file.h"

namespace {

const char* kind_text(DWORD type) {
    switch (type) {
        case FILE_TYPE_PIPE: return "a FIFO";
        case FILE_TYPE_CHAR: return "a character device";
        default: return "not a file";
    }
}

}  // namespace

int input_open(const char* path, int* fd, int64_t* size, ToolError* error) {
    *fd = -1;
    // A directory cannot be opened without FILE_FLAG_BACKUP_SEMANTICS: it is
    // told apart by its attributes when the open fails.
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        int saved = tool_last_errno();
        DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return tool_fail(error, "not a regular file (a directory)");
        return tool_fail(error, "cannot open: %s", std::strerror(saved));
    }
    DWORD type = GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION info;
    if (type != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return tool_fail(error, "not a regular file (%s)", kind_text(type));
    }
    if (!GetFileInformationByHandle(handle, &info)) {
        int saved = tool_last_errno();
        CloseHandle(handle);
        return tool_fail(error, "cannot open: %s", std::strerror(saved));
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        CloseHandle(handle);
        return tool_fail(error, "not a regular file (a directory)");
    }
    int f = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (f < 0) {
        CloseHandle(handle);
        return tool_fail(error, "cannot open: %s", std::strerror(EMFILE));
    }
    *fd = f;
    *size = static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    return 0;
}

// No mapping: exactly the bytes asked for, read into memory.
int input_map(int fd, size_t bytes, void** data, ToolError* error) {
    void* buffer = std::malloc(bytes > 0 ? bytes : 1);
    if (buffer == nullptr) return tool_fail(error, "out of memory");
    size_t got = 0;
    if (fd_read_at(fd, buffer, bytes, 0, &got) != 0 || got != bytes) {
        int saved = got != bytes ? EIO : errno;
        std::free(buffer);
        return tool_fail(error, "read error: %s", std::strerror(saved));
    }
    *data = buffer;
    return 0;
}

void input_unmap(void* data, size_t) { std::free(data); }
