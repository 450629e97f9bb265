// The Windows side: a temporary file ".NAME.XXXXXX" in the output's
// directory, deleted on close from the moment it exists, so that nothing is
// left of it however the process ends (TerminateProcess included). At
// commit the mark is taken off and the file renamed over the name through
// its own handle; a file renamed while still marked would be deleted under
// its new name at close.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <vector>

#include "atomic_output.h"
#include "atomic_output_parts.h"

const char kAtomicOutputSeparators[] = "/\\";

namespace {

enum OutputKind {
    kTempOnClose,  // the temporary file, created deleted-on-close; renamed over the name at commit
    kTempMarked,   // the same, marked for deletion right after its creation
    kDirect,       // a device or a pipe named directly, written in place
};

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// Sets or clears the file's deletion at close. A file created with
// FILE_FLAG_DELETE_ON_CLOSE (on_close) needs FileDispositionInfoEx for that
// (Windows 10 1709 on; Wine 8 has it); one marked afterwards takes
// FileDispositionInfo.
bool mark_for_deletion(HANDLE handle, bool remove, bool on_close) {
    if (on_close) {
        // FileDispositionInfoEx and its flags, which MinGW's headers offer
        // only for newer _WIN32_WINNT values.
        const FILE_INFO_BY_HANDLE_CLASS kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
        const DWORD kDelete = 0x1, kOnClose = 0x8;
        struct {
            DWORD Flags;
        } disposition = {kOnClose | (remove ? kDelete : 0)};
        return SetFileInformationByHandle(handle, kFileDispositionInfoEx, &disposition, sizeof disposition) != 0;
    }
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Creates the temporary file at out->temp_path, marked for deletion. Best
// with FILE_FLAG_DELETE_ON_CLOSE, so that not even an end between the
// create and the mark can leave it behind; where the mark cannot be taken
// off such a file again (no FileDispositionInfoEx), created plainly and
// marked at once. *on_close says which.
HANDLE create_marked(const char* path, bool* on_close) {
    const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    HANDLE handle = CreateFileA(path, access, share, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    *on_close = true;
    if (mark_for_deletion(handle, true, true)) return handle;  // the Ex form works here
    CloseHandle(handle);                                       // deleted with the close
    *on_close = false;
    handle = CreateFileA(path, access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    if (mark_for_deletion(handle, true, false)) return handle;
    DWORD error = GetLastError();
    CloseHandle(handle);
    DeleteFileA(path);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

void random_bytes(unsigned char bytes[6]) {
    static unsigned counter = 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint64_t mix = static_cast<uint64_t>(now.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 20) ^
                   (++counter * 2654435761u);
    for (int i = 0; i < 6; ++i) {
        mix = mix * 6364136223846793005ull + 1442695040888963407ull;
        bytes[i] = static_cast<unsigned char>(mix >> 33);
    }
}

// What is at the name now: 0 free or a file (the temporary file is the way
// then), 1 a device or pipe (out->fd opened on it in place), -1 refused.
int look_at_name(AtomicOutput* out, ToolError* error) {
    HANDLE h = CreateFileA(out->final_path, FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;  // nothing there, or the rename will say why
    DWORD type = GetFileType(h);
    BY_HANDLE_FILE_INFORMATION info;
    bool directory = type == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
                     (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                     !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    CloseHandle(h);
    if (directory) return tool_fail_errno(error, EISDIR);
    if (type == FILE_TYPE_DISK) return 0;
    HANDLE device = CreateFileA(out->final_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) return tool_fail_errno(error, tool_last_errno());
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(device), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(device);
        return tool_fail_errno(error, EMFILE);
    }
    out->fd = fd;
    out->kind = kDirect;
    return 1;
}

// The final name as the rename wants it: wide, absolute.
std::vector<wchar_t> wide_full_path(const char* path) {
    int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 0) return {};
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), n);
    DWORD full = GetFullPathNameW(wide.data(), 0, nullptr, nullptr);
    if (full == 0) return wide;
    std::vector<wchar_t> absolute(full);
    DWORD got = GetFullPathNameW(wide.data(), full, absolute.data(), nullptr);
    if (got == 0 || got >= full) return wide;
    absolute.resize(got + 1);
    return absolute;
}

// Renames the file open at handle to `to`, replacing what is there.
bool rename_over(HANDLE handle, const char* to) {
    std::vector<wchar_t> name = wide_full_path(to);
    if (name.empty()) return false;
    size_t name_bytes = (name.size() - 1) * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes + sizeof(wchar_t), 0);
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name_bytes);
    std::memcpy(info->FileName, name.data(), name_bytes);
    return SetFileInformationByHandle(handle, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

}  // namespace

int atomic_output_open(AtomicOutput* out, const char* path, ToolError* error) {
    if (atomic_output_take_name(out, path, error) != 0) return -1;
    out->kind = kTempOnClose;
    int rc = look_at_name(out, error);
    if (rc != 0) return rc < 0 ? -1 : 0;

    atomic_output_temp_pattern(out);
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool on_close = true;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        unsigned char bytes[6];
        random_bytes(bytes);
        atomic_output_fill_suffix(out->temp_path, bytes);
        handle = create_marked(out->temp_path, &on_close);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        int saved = tool_last_errno();
        out->temp_path[0] = '\0';
        return tool_fail_errno(error, saved);
    }
    out->kind = on_close ? kTempOnClose : kTempMarked;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        out->temp_path[0] = '\0';
        return tool_fail_errno(error, EMFILE);
    }
    out->fd = fd;
    return 0;
}

int atomic_output_commit(AtomicOutput* out, ToolError* error) {
    if (out->fd < 0) return tool_fail_errno(error, EBADF);
    int fd = out->fd;
    out->fd = -1;
    if (out->kind == kDirect) return _close(fd) == 0 ? 0 : tool_fail_errno(error, errno);
    HANDLE handle = handle_of(fd);
    int rc = 0;
    // The mark comes off first: a file renamed while still marked is deleted
    // under its new name when it is closed.
    bool on_close = out->kind == kTempOnClose;
    if (!mark_for_deletion(handle, false, on_close)) {
        rc = tool_fail_errno(error, tool_last_errno());
    } else if (!rename_over(handle, out->final_path)) {
        rc = tool_fail_errno(error, tool_last_errno());
        mark_for_deletion(handle, true, on_close);
    }
    if (_close(fd) != 0 && rc == 0) rc = tool_fail_errno(error, errno);
    out->temp_path[0] = '\0';
    return rc;
}

void atomic_output_abort(AtomicOutput* out) {
    int saved = errno;
    if (out->fd >= 0) {
        _close(out->fd);  // still marked: the temporary file goes with it
        out->fd = -1;
    }
    out->temp_path[0] = '\0';
    errno = saved;
}
