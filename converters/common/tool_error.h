// How the converters report a failure: every function that can fail fills a
// ToolError with a one-line reason (no file name in it) and returns -1; the
// program's main prints it once, as "TOOL: FILE: reason", and exits with 1.
#pragma once

#include <cstdarg>

struct ToolError {
    char reason[256];
};

// Fills error with the printf-style reason; returns -1.
int tool_fail(ToolError* error, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The same with the arguments in a va_list.
int tool_vfail(ToolError* error, const char* format, va_list args);

// Fills error with the system's text for errnum; returns -1.
int tool_fail_errno(ToolError* error, int errnum);

// Prints "TOOL: FILE: reason" on stderr; returns the exit status 1.
int tool_report(const char* tool, const char* file, const ToolError* error);
