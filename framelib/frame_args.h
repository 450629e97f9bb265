// The command line shared by both programs: first, last [width height].
#pragma once

#include <cstdint>

struct FrameArgs {
    int32_t first;
    int32_t last;
    int32_t width;   // W of the program's output
    int32_t height;  // H of the program's output
};

// Decimal text as atoi reads it (leading white space, optional sign, digits
// up to the first other character; no digits gives 0), but a value outside
// the 32-bit signed range is refused: -1.
int parse_frame_number(const char* text, int32_t* value);

// Reads the arguments. Returns -1 when the program should end at once, with
// *exit_status set: 0 after the syntax message for fewer than two arguments,
// 2 for exactly three arguments or an argument out of range (message on
// stderr). `syntax` is the program's syntax message.
int parse_frame_args(int argc, char** argv, const char* program, const char* syntax, int32_t default_width,
                     int32_t default_height, FrameArgs* args, int* exit_status);

// A buffer the program needs, as multiples of W and H.
struct BufferShape {
    int32_t width_factor;
    int32_t height_factor;
};

// Checks that W and H are at least 1 and that every buffer's dimensions and
// byte count fit a signed 32-bit int. Otherwise prints
// "<program>: invalid size ..." with the reason and returns -1.
int check_frame_size(const char* program, int32_t width, int32_t height, const BufferShape* shapes, int shape_count);
