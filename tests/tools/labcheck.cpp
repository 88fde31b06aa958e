// A checker for the command-line host's results, and a maker of test
// images, for the end-to-end tests in tests/system. It reads image files
// with the host's own readers, which the unit tests check on their own; it
// writes each in the format its name gives (.png, .jpg, .tif).
//
//   labcheck make W H CHANNELS DEPTH OUT.png    test image (gradients, alpha ramp)
//   labcheck sample OUT.png                     the 320x240 sample picture
//   labcheck disc W H OUT.png [CX CY R]         disc selection mask
//   labcheck check IN.png OUT.png AMOUNT FG BG [MASK.png]
//   labcheck same A.png B.png                   exit 0 when the pixels are equal
//   labcheck info X.png                         "W H CHANNELS DEPTH"
#include "cli/ColorText.h"
#include "cli/ImageTransfer.h"
#include "cli/SelectionMask.h"
#include "cli/WholeImage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

int Usage() {
    fputs("usage: labcheck make|sample|disc|check|same|info ... (see the source)\n", stderr);
    return 2;
}

int Failed(const std::string& message) {
    printf("FAIL: %s\n", message.c_str());
    return 1;
}

bool Load(const char* path, WholeImage* image) {
    std::string error;
    if (ReadImageFile(path, image, &error)) return true;
    fprintf(stderr, "labcheck: %s\n", error.c_str());
    return false;
}

bool Save(const char* path, const WholeImage& image) {
    std::string error;
    ImageFormat format = imageFormatPng;
    if (!FormatFromExtension(path, &format)) format = imageFormatPng;
    if (WriteImageFile(path, image, format, EncodeOptions(), &error)) return true;
    fprintf(stderr, "labcheck: %s\n", error.c_str());
    return false;
}

int MakeImage(int32_t width, int32_t height, int32_t channels, int32_t depth, const char* path) {
    WholeImage image = BlankImage(width, height, channels, depth);
    const double full = depth == 16 ? 65535.0 : 255.0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint16_t* pixel = &image.samples[(size_t(y) * width + x) * channels];
            const double u = double(x) / (width > 1 ? width - 1 : 1);
            const double v = double(y) / (height > 1 ? height - 1 : 1);
            const double values[4] = {u, v, 0.5 + 0.5 * sin(7.0 * u + 5.0 * v),
                                      0.25 + 0.75 * (1.0 - u * v)};
            const int32_t colours = channels == 2 || channels == 4 ? channels - 1 : channels;
            for (int32_t c = 0; c < colours; ++c) {
                // Odd low bits at 16 bits, so that rounding on the way
                // through the host's scale would show.
                pixel[c] = uint16_t(lround(values[c] * full)) | (depth == 16 ? 1 : 0);
            }
            if (colours < channels)
                pixel[channels - 1] = uint16_t(lround(values[3] * full)) | (depth == 16 ? 1 : 0);
        }
    }
    return Save(path, image) ? 0 : 1;
}

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

double Mix(double a, double b, double t) { return a + (b - a) * t; }

int MakeSample(const char* path) {
    const int32_t width = 320, height = 240;
    WholeImage image;
    image.width = width;
    image.height = height;
    image.channels = 3;
    image.bitDepth = 8;
    image.samples.resize(size_t(width) * height * 3);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            // An evening sky with the sun low, far blue ridges, green hills
            // in front and a lake at the bottom.
            const double sun = exp(-(pow(u - 0.68, 2) + pow((v - 0.42) * 1.3, 2)) * 90.0);
            double r = Mix(0.16, 0.98, v * 1.4), g = Mix(0.22, 0.62, v * 1.2),
                   b = Mix(0.52, 0.45, v);
            r += 0.6 * sun;
            g += 0.5 * sun;
            b += 0.25 * sun;
            const double ridge = 0.50 + 0.05 * sin(13.0 * u + 0.7) + 0.03 * sin(31.0 * u + 2.0);
            const double hill = 0.62 + 0.07 * sin(7.0 * u + 2.4) + 0.025 * sin(19.0 * u);
            const double shore = 0.84 + 0.01 * sin(11.0 * u);
            if (v > ridge) {
                const double t = Clamp01((v - ridge) * 6.0);
                r = Mix(0.36, 0.22, t);
                g = Mix(0.34, 0.26, t);
                b = Mix(0.55, 0.42, t);
            }
            if (v > hill) {
                const double t = Clamp01((v - hill) / (shore - hill));
                const double light = 0.5 + 0.5 * cos(7.0 * u + 2.4 - 1.2);  // lit slopes
                r = Mix(0.22, 0.10, t) + 0.10 * light;
                g = Mix(0.50, 0.30, t) + 0.12 * light;
                b = Mix(0.16, 0.10, t);
            }
            if (v > shore) {
                // The lake mirrors the sky, darker and with ripples.
                const double mirrored = 2 * shore - v;
                const double ripple = 0.04 * sin(90.0 * v + 6.0 * sin(20.0 * u));
                const double glint = exp(-pow((u - 0.68) * 9.0, 2)) * 0.35;
                r = Mix(0.16, 0.98, mirrored * 1.4) * 0.55 + ripple + glint;
                g = Mix(0.22, 0.62, mirrored * 1.2) * 0.55 + ripple + glint * 0.8;
                b = Mix(0.52, 0.45, mirrored) * 0.7 + ripple + glint * 0.4;
            }
            const double rgb[3] = {r, g, b};
            for (int c = 0; c < 3; ++c)
                image.samples[(size_t(y) * width + x) * 3 + c] =
                    uint16_t(lround(Clamp01(rgb[c]) * 255));
        }
    }
    return Save(path, image) ? 0 : 1;
}

// A disc selection; with corners, the top-left and bottom-right pixels are
// selected too, so the bounding box is the whole image however small the
// disc.
int MakeDisc(int32_t width, int32_t height, const char* path, double cx, double cy, double radius,
             bool corners) {
    WholeImage image = BlankImage(width, height, 1, 8);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            image.samples[size_t(y) * width + x] = dx * dx + dy * dy <= radius * radius ? 255 : 0;
        }
    }
    if (corners) {
        image.samples.front() = 255;
        image.samples.back() = 255;
    }
    return Save(path, image) ? 0 : 1;
}

// The value a colour component comes back as in an image of this depth.
uint16_t Expected(uint16_t component, int32_t depth) {
    if (depth == 8) return uint16_t((uint32_t(component) * 255 + 32767) / 65535);
    return component;
}

bool Matches(const uint16_t* pixel, const uint16_t* colour, int32_t colours, int32_t depth) {
    for (int32_t c = 0; c < colours; ++c) {
        const int32_t difference = int32_t(pixel[c]) - int32_t(colour[c]);
        if (difference > (depth == 16 ? 1 : 0) || difference < (depth == 16 ? -1 : 0)) return false;
    }
    return true;
}

struct CheckInput {
    WholeImage in, out;
    std::vector<uint8_t> mask;  // empty: no selection
    int32_t pitch;
    uint16_t wall[3], corridor[3];
};

std::string At(int32_t x, int32_t y) {
    return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
}

int Check(const CheckInput& job) {
    const WholeImage& in = job.in;
    const WholeImage& out = job.out;
    const int32_t w = in.width, h = in.height, channels = in.channels;
    if (out.width != w || out.height != h || out.channels != channels ||
        out.bitDepth != in.bitDepth)
        return Failed("output kind or size differs from the input");
    const bool alpha = (in.channels == 2 || in.channels == 4);
    const int32_t colours = alpha ? channels - 1 : channels;
    const bool haveMask = !job.mask.empty();
    Rect rect = {0, 0, int16_t(h), int16_t(w)};
    if (haveMask && !MaskBounds(job.mask.data(), size_t(w), w, h, &rect))
        return Failed("the mask selects nothing");
    auto maskAt = [&](int32_t x, int32_t y) -> uint8_t {
        return haveMask ? job.mask[size_t(y) * w + x] : 255;
    };
    auto inRect = [&](int32_t x, int32_t y) {
        return y >= rect.top && y < rect.bottom && x >= rect.left && x < rect.right;
    };

    // 0 corridor, 1 wall, 2 unselected (a seed wall the host hides),
    // 3 partly selected (a blend; not judged).
    const int32_t rw = rect.right - rect.left, rh = rect.bottom - rect.top;
    std::vector<uint8_t> kind(size_t(rw) * rh, 0);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint16_t* a = &in.samples[(size_t(y) * w + x) * channels];
            const uint16_t* b = &out.samples[(size_t(y) * w + x) * channels];
            if (alpha && a[channels - 1] != b[channels - 1])
                return Failed("alpha changed at " + At(x, y));
            const uint8_t m = inRect(x, y) ? maskAt(x, y) : 0;
            if (m == 0) {
                for (int32_t c = 0; c < colours; ++c)
                    if (a[c] != b[c]) return Failed("unselected pixel changed at " + At(x, y));
                if (inRect(x, y)) kind[size_t(y - rect.top) * rw + (x - rect.left)] = 2;
                continue;
            }
            uint8_t& k = kind[size_t(y - rect.top) * rw + (x - rect.left)];
            if (m != 255) {
                k = 3;
                continue;
            }
            const bool isWall = Matches(b, job.wall, colours, in.bitDepth);
            const bool isCorridor = Matches(b, job.corridor, colours, in.bitDepth);
            if (!isWall && !isCorridor)
                return Failed("pixel " + At(x, y) + " is neither the wall nor the corridor colour");
            k = isWall ? 1 : 0;
        }
    }

    auto kindAt = [&](int32_t x, int32_t y) -> int {
        if (x < 0 || y < 0 || x >= rw || y >= rh) return -1;
        return kind[size_t(y) * rw + x];
    };
    // Outline: selected pixels on the rectangle's edge or next to an
    // unselected one; they must be walls.
    auto outline = [&](int32_t x, int32_t y) {
        const int k = kindAt(x, y);
        if (k < 0 || k == 2) return false;
        if (x == 0 || y == 0 || x == rw - 1 || y == rh - 1) return true;
        return kindAt(x - 1, y) == 2 || kindAt(x + 1, y) == 2 || kindAt(x, y - 1) == 2 ||
               kindAt(x, y + 1) == 2;
    };
    auto cornerFill = [&](int32_t x, int32_t y) {
        const bool l = outline(x - 1, y), r = outline(x + 1, y);
        const bool u = outline(x, y - 1), d = outline(x, y + 1);
        return (l && u && !outline(x - 1, y - 1)) || (r && u && !outline(x + 1, y - 1)) ||
               (r && d && !outline(x + 1, y + 1)) || (l && d && !outline(x - 1, y + 1));
    };
    int64_t walls = 0, latticeWalls = 0, outlineCells = 0;
    std::deque<std::pair<int32_t, int32_t>> queue;
    std::vector<uint8_t> reached(kind.size(), 0);
    for (int32_t y = 0; y < rh; ++y) {
        for (int32_t x = 0; x < rw; ++x) {
            const int k = kindAt(x, y);
            if (outline(x, y)) {
                ++outlineCells;
                if (k == 0)
                    return Failed("outline pixel " + At(x + rect.left, y + rect.top) +
                                  " is no wall");
            }
            if (k == 2 || (outline(x, y) && k == 1)) {
                reached[size_t(y) * rw + x] = 1;
                queue.push_back({x, y});
            }
            if (k != 1) continue;
            ++walls;
            if (outline(x, y) || cornerFill(x, y)) continue;
            if (y % job.pitch != 0 && x % job.pitch != 0)
                return Failed("wall pixel " + At(x + rect.left, y + rect.top) +
                              " is off the lattice of pitch " + std::to_string(job.pitch));
            ++latticeWalls;
        }
    }
    // Walls grow from the seeds one pixel at a time, so every wall pixel
    // is joined to a seed through walls (partly selected pixels may pass).
    while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        const int32_t dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
        for (int n = 0; n < 4; ++n) {
            const int32_t nx = x + dx[n], ny = y + dy[n];
            const int k = kindAt(nx, ny);
            if (k != 1 && k != 3) continue;
            if (reached[size_t(ny) * rw + nx]) continue;
            reached[size_t(ny) * rw + nx] = 1;
            queue.push_back({nx, ny});
        }
    }
    for (int32_t y = 0; y < rh; ++y)
        for (int32_t x = 0; x < rw; ++x)
            if (kindAt(x, y) == 1 && !reached[size_t(y) * rw + x])
                return Failed("wall pixel " + At(x + rect.left, y + rect.top) +
                              " is not joined to the outline");
    if (rw > 2 * job.pitch + 2 && rh > 2 * job.pitch + 2 && latticeWalls == 0)
        return Failed("no labyrinth grew inside the rectangle");
    printf(
        "ok: rectangle %dx%d at %s, pitch %d, %lld wall pixels (%lld on the lattice, %lld on the "
        "outline)\n",
        rw, rh, At(rect.left, rect.top).c_str(), job.pitch, (long long)walls,
        (long long)latticeWalls, (long long)outlineCells);
    return 0;
}

int CheckCommand(int argc, char** argv) {
    if (argc < 7) return Usage();
    CheckInput job;
    if (!Load(argv[2], &job.in) || !Load(argv[3], &job.out)) return 2;
    job.pitch = atoi(argv[4]) + 1;
    RGBColor fg, bg;
    if (!ParseColor(argv[5], &fg) || !ParseColor(argv[6], &bg)) return Usage();
    if (job.in.channels < 3) {
        fg = GrayOf(fg);
        bg = GrayOf(bg);
    }
    const uint16_t fgc[3] = {fg.red, fg.green, fg.blue}, bgc[3] = {bg.red, bg.green, bg.blue};
    for (int c = 0; c < 3; ++c) {
        job.wall[c] = Expected(fgc[c], job.in.bitDepth);
        job.corridor[c] = Expected(bgc[c], job.in.bitDepth);
    }
    if (argc > 7) {
        WholeImage maskImage;
        std::string error;
        if (!Load(argv[7], &maskImage)) return 2;
        if (!MaskFromWhole(maskImage, job.in.width, job.in.height, &job.mask, &error)) {
            fprintf(stderr, "labcheck: %s\n", error.c_str());
            return 2;
        }
    }
    return Check(job);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "make" && argc == 7)
        return MakeImage(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), argv[6]);
    if (command == "sample" && argc == 3) return MakeSample(argv[2]);
    if (command == "disc" && (argc == 5 || argc == 8 || argc == 9)) {
        const int32_t w = atoi(argv[2]), h = atoi(argv[3]);
        if (argc == 5)
            return MakeDisc(w, h, argv[4], w / 2.0, h / 2.0, (w < h ? w : h) * 0.4, false);
        const bool corners = argc > 8 && std::string(argv[8]) == "corners";
        return MakeDisc(w, h, argv[4], atof(argv[5]), atof(argv[6]), atof(argv[7]), corners);
    }
    if (command == "check") return CheckCommand(argc, argv);
    if (command == "same" && argc == 4) {
        WholeImage a, b;
        if (!Load(argv[2], &a) || !Load(argv[3], &b)) return 2;
        const bool same = a.width == b.width && a.height == b.height && a.channels == b.channels &&
                          a.bitDepth == b.bitDepth && a.samples == b.samples;
        return same ? 0 : 1;
    }
    if (command == "info" && argc == 3) {
        WholeImage image;
        if (!Load(argv[2], &image)) return 2;
        printf("%d %d %d %d\n", image.width, image.height, image.channels, image.bitDepth);
        return 0;
    }
    return Usage();
}
