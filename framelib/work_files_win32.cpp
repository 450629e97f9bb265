#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "work_files.h"

namespace {

void set_errno_from(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION: errno = EACCES; break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
        default: errno = EIO; break;
    }
}

// Opens the name itself (a reparse point such as a symbolic link is not
// followed) and lets only a regular file through, in binary mode.
FILE* open_stream(const char* name, DWORD access, DWORD disposition, bool single_link, int flags, const char* mode) {
    HANDLE handle = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        DWORD attributes = GetFileAttributesA(name);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            errno = EISDIR;
        else
            set_errno_from(error);
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    int error = 0;
    if (!GetFileInformationByHandle(handle, &info) || GetFileType(handle) != FILE_TYPE_DISK)
        error = EINVAL;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        error = ELOOP;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        error = EISDIR;
    else if (single_link && info.nNumberOfLinks != 1)
        error = EMLINK;
    if (error != 0) {
        CloseHandle(handle);
        errno = error;
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(fd, mode);
    if (!file) _close(fd);
    return file;
}

}  // namespace

int probe_file(const char* name, FileProbe* probe) {
    *probe = FileProbe{FileKind::Missing, 0, 0, 0, 0};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data)) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 0;
        set_errno_from(error);
        return -1;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        probe->kind = FileKind::Symlink;
        return 0;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        probe->kind = FileKind::Directory;
        return 0;
    }
    probe->kind = FileKind::Regular;
    probe->size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    probe->links = 1;
    HANDLE handle = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    if (handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info)) {
        probe->links = info.nNumberOfLinks;
        probe->device = info.dwVolumeSerialNumber;
        probe->inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return 0;
}

FILE* open_for_reading(const char* name) {
    return open_stream(name, GENERIC_READ, OPEN_EXISTING, false, _O_RDONLY, "rb");
}

FILE* open_for_rewrite(const char* name) {
    return open_stream(name, GENERIC_WRITE, OPEN_ALWAYS, true, _O_WRONLY, "wb");
}

int cut_at_position(FILE* file) {
    if (std::fflush(file) != 0) return -1;
    __int64 end = _ftelli64(file);
    if (end < 0) return -1;
    errno_t error = _chsize_s(_fileno(file), end);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

int remove_name(const char* name) {
    if (DeleteFileA(name)) return 0;
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        errno = EISDIR;
        return -1;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && RemoveDirectoryA(name))
        return 0;  // a directory link: the link goes, not what it points to
    set_errno_from(GetLastError());
    return -1;
}

void remove_helper_leftovers(const char* name) {
    std::string pattern = std::string(".") + name + ".??????";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    const size_t length = std::strlen(name) + 8;
    do {
        if (std::strlen(found.cFileName) == length &&
            !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            DeleteFileA(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

int read_file_start(const char* name, uint8_t* bytes, int count) {
    FILE* file = open_for_reading(name);
    if (!file) return -1;
    size_t got = std::fread(bytes, 1, static_cast<size_t>(count), file);
    std::fclose(file);
    if (got != static_cast<size_t>(count)) {
        errno = EIO;
        return -1;
    }
    return 0;
}
