#include "atomic_output.h"

#include <cerrno>
#include <cstring>

#include "atomic_output_parts.h"
#include "file_io.h"

int atomic_output_take_name(AtomicOutput* out, const char* path, ToolError* error) {
    out->fd = -1;
    out->kind = 0;
    out->temp_path[0] = '\0';
    out->final_path[0] = '\0';
    size_t len = std::strlen(path);
    if (len == 0 || len + 16 > sizeof out->final_path) return tool_fail_errno(error, ENAMETOOLONG);
    std::memcpy(out->final_path, path, len + 1);
    if (std::strchr(kAtomicOutputSeparators, path[len - 1]) != nullptr) return tool_fail_errno(error, EISDIR);
    return 0;
}

size_t atomic_output_dir_length(const char* path) {
    size_t dir_len = 0;
    for (size_t i = 0; path[i] != '\0'; ++i)
        if (std::strchr(kAtomicOutputSeparators, path[i]) != nullptr) dir_len = i + 1;
    return dir_len;
}

void atomic_output_temp_pattern(AtomicOutput* out) {
    const char* path = out->final_path;  // its length was checked: this fits
    size_t dir_len = atomic_output_dir_length(path);
    size_t name_len = std::strlen(path + dir_len);
    char* p = out->temp_path;
    std::memcpy(p, path, dir_len);
    p += dir_len;
    *p++ = '.';
    std::memcpy(p, path + dir_len, name_len);
    std::memcpy(p + name_len, ".XXXXXX", 8);
}

void atomic_output_fill_suffix(char* temp_path, const unsigned char bytes[6]) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    char* x = temp_path + std::strlen(temp_path) - 6;
    for (int i = 0; i < 6; ++i) x[i] = kLetters[bytes[i] % 62];
}

int atomic_output_write(AtomicOutput* out, const void* data, size_t size, ToolError* error) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        int64_t n = fd_write(out->fd, p, size);
        if (n < 0) return tool_fail_errno(error, errno);
        if (n == 0) return tool_fail_errno(error, EIO);
        p += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}
