// Names of a frame's files and the command lines of the external converters.
#pragma once

#include <cstdint>

#define FRAME_NAME_FORMAT "im%05d"
#define RAW_NAME_FORMAT "%s.raw"
#define TEMP_PPM_NAME "_tmp.ppm"
#define DECODE_COMMAND_FORMAT "gif2rgb -1 -o %s %s.gif"
#define CONVERT_COMMAND_FORMAT "raw2tiff -c packbits %s %s.tif"
#define DELETE_COMMAND_FORMAT "del %s"

enum { TEXT_BUFFER_SIZE = 256 };

// Base name of frame n, FRAME_NAME_FORMAT for every int. The loops may reach
// one past INT32_MAX (the second field of the last pair); such a name simply
// has more digits.
void format_frame_name(char (&buffer)[TEXT_BUFFER_SIZE], int64_t frame);

// Raw file name of a base name (RAW_NAME_FORMAT).
void format_raw_name(char (&buffer)[TEXT_BUFFER_SIZE], const char* base_name);
