// PNG encoding of a labyrinth image with libpng: milliseconds and file size
// for every zlib level with each row filter choice, to pick the default of
// the command line's --compression. The image is read from the PNG given
// (a result of vorn), or drawn as a plain lattice labyrinth of 4000 x 3000.
#include "cli/WholeImage.h"

#include <png.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Sink {
    size_t bytes = 0;
};

void Count(png_structp png, png_bytep, size_t length) {
    static_cast<Sink*>(png_get_io_ptr(png))->bytes += length;
}
void NoFlush(png_structp) {}

// Encodes 8-bit RGB rows to nowhere; answers the size, sets the time.
size_t Encode(const std::vector<uint8_t>& pixels, int width, int height, int level, int filters,
              double* milliseconds) {
    const Clock::time_point start = Clock::now();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Sink sink;
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, &sink, Count, NoFlush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, pixels.data() + size_t(y) * size_t(width) * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    *milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return sink.bytes;
}

}  // namespace

int main(int argc, char** argv) {
    int width = 4000, height = 3000;
    std::vector<uint8_t> pixels;
    if (argc > 1) {
        WholeImage image;
        std::string error;
        if (!ReadImageFile(argv[1], &image, &error) || image.channels != 3 || image.bitDepth != 8) {
            fprintf(stderr, "bench_pngencode: %s\n",
                    error.empty() ? "needs an 8-bit RGB PNG" : error.c_str());
            return 1;
        }
        width = image.width;
        height = image.height;
        pixels.assign(image.samples.begin(), image.samples.end());
    } else {
        pixels.assign(size_t(width) * height * 3, 255);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (x % 11 == 0 || y % 11 == 0 || ((x * 7 + y * 13) % 97 == 0))
                    memset(&pixels[(size_t(y) * width + x) * 3], 0, 3);
    }
    struct Filter {
        const char* name;
        int flags;
    };
    const Filter filters[] = {{"none", PNG_FILTER_NONE},
                              {"sub", PNG_FILTER_SUB},
                              {"up", PNG_FILTER_UP},
                              {"adaptive", PNG_ALL_FILTERS}};
    printf("PNG encoding of %dx%d 8-bit RGB (%.1f MB raw), best of 3\n", width, height,
           pixels.size() / 1e6);
    printf("%-6s %-9s %10s %12s\n", "level", "filter", "ms", "bytes");
    for (int level : {0, 1, 2, 3, 6, 9}) {
        for (const Filter& filter : filters) {
            if (level == 0 && filter.flags != PNG_FILTER_NONE) continue;
            double best = 1e30;
            size_t bytes = 0;
            for (int round = 0; round < 3; ++round) {
                double ms = 0;
                bytes = Encode(pixels, width, height, level, filter.flags, &ms);
                if (ms < best) best = ms;
            }
            printf("%-6d %-9s %10.1f %12zu\n", level, filter.name, best, bytes);
        }
    }
    return 0;
}
