#include "tool_error.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

int tool_vfail(ToolError* error, const char* format, va_list args) {
    std::vsnprintf(error->reason, sizeof error->reason, format, args);
    return -1;
}

int tool_fail(ToolError* error, const char* format, ...) {
    va_list args;
    va_start(args, format);
    tool_vfail(error, format, args);
    va_end(args);
    return -1;
}

int tool_fail_errno(ToolError* error, int errnum) { return tool_fail(error, "%s", std::strerror(errnum)); }

int tool_report(const char* tool, const char* file, const ToolError* error) {
    std::fprintf(stderr, "%s: %s: %s\n", tool, file, error->reason);
    return 1;
}
