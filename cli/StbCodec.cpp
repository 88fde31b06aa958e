// The bodies of the stb decoder (PNG decoding) and of stb's writer (used
// for its zlib compressor only; the PNG container is written by PngWrite).
#include "cli/StbConfig.h"

#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
