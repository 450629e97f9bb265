// How the converters report a failure: every function that can fail fills a
// ToolError with a one-line reason (no file name in it) and returns -1; the
// program's main prints it once, as "TOOL: FILE: reason", and exits with 1.
#pragma once

#include <cstdarg>
#include <cstdio>

// printf-style checks by the formats this C library's printf family takes:
// on MinGW that is MinGW's own (%zu, %lld), not msvcrt's.
#ifdef __MINGW_PRINTF_FORMAT
#define TOOL_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define TOOL_PRINTF_FORMAT printf
#endif

struct ToolError {
    char reason[256];
};

// Fills error with the printf-style reason; returns -1.
int tool_fail(ToolError* error, const char* format, ...) __attribute__((format(TOOL_PRINTF_FORMAT, 2, 3)));

// The same with the arguments in a va_list.
int tool_vfail(ToolError* error, const char* format, va_list args);

// Fills error with the system's text for errnum; returns -1.
int tool_fail_errno(ToolError* error, int errnum);

// The errno value that describes the calling thread's last failed system
// call: errno itself on POSIX; on Windows GetLastError() translated (ENOENT,
// EACCES, EEXIST, ENOSPC, ...; EIO for the rest). tool_error_posix.cpp and
// tool_error_win32.cpp.
int tool_last_errno();

// Prints "TOOL: FILE: reason" on stderr; returns the exit status 1.
int tool_report(const char* tool, const char* file, const ToolError* error);
