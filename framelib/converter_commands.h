// The command lines that start the external converters and delete files.
// Each is formatted printf-style into a TEXT_BUFFER_SIZE buffer.
#pragma once

// The raw file name to produce, the base name of the GIF frame to decode.
#define DECODE_COMMAND_FORMAT "gif2rgb -1 -o %s %s.gif"
// The PPM file to convert, the base name of the TIFF file to produce.
#define CONVERT_COMMAND_FORMAT "raw2tiff -c packbits %s %s.tif"
// The name of the file to delete.
#define DELETE_COMMAND_FORMAT "del %s"
