#include <cerrno>

#include "tool_error.h"

int tool_last_errno() { return errno; }
