// The names of a frame's files in the current directory.
#pragma once

#include <cstdint>

#include "text_buffer.h"

#define FRAME_NAME_FORMAT "im%05d"  // the base name of frame n
#define RAW_NAME_FORMAT "%s.raw"    // the raw RGB24 file of a base name
#define TEMP_PPM_NAME "_tmp.ppm"    // the one PPM file of a run

// Base name of frame n, FRAME_NAME_FORMAT for every int. The loops may reach
// one past INT32_MAX (the second field of the last pair); such a name simply
// has more digits.
void format_frame_name(char (&buffer)[TEXT_BUFFER_SIZE], int64_t frame);

// Raw file name of a base name (RAW_NAME_FORMAT).
void format_raw_name(char (&buffer)[TEXT_BUFFER_SIZE], const char* base_name);
