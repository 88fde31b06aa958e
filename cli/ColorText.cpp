#include "cli/ColorText.h"

#include <cctype>

namespace {

struct NamedColour {
    const char* name;
    uint8_t red, green, blue;
};

const NamedColour namedColours[] = {
    {"black", 0, 0, 0},      {"white", 255, 255, 255}, {"red", 255, 0, 0},
    {"green", 0, 255, 0},    {"blue", 0, 0, 255},      {"yellow", 255, 255, 0},
    {"cyan", 0, 255, 255},   {"magenta", 255, 0, 255}, {"gray", 128, 128, 128},
    {"grey", 128, 128, 128},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads count hex digits; -1 when any is not one.
int32 HexValue(const std::string& text, size_t at, size_t count) {
    int32 value = 0;
    for (size_t i = 0; i < count; ++i) {
        const int digit = HexDigit(text[at + i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

}  // namespace

bool ParseColor(const std::string& text, RGBColor* colour) {
    if (!text.empty() && text[0] == '#') {
        const size_t digits = text.size() - 1;
        if (digits != 6 && digits != 12) return false;
        const size_t width = digits / 3;
        int32 components[3];
        for (int k = 0; k < 3; ++k) {
            components[k] = HexValue(text, 1 + k * width, width);
            if (components[k] < 0) return false;
            if (width == 2) components[k] *= 257;
        }
        *colour = RGBColor{uint16(components[0]), uint16(components[1]), uint16(components[2])};
        return true;
    }
    std::string lower;
    for (char c : text) lower += char(tolower(static_cast<unsigned char>(c)));
    for (const NamedColour& named : namedColours) {
        if (lower == named.name) {
            *colour = RGBColor{uint16(named.red * 257), uint16(named.green * 257),
                               uint16(named.blue * 257)};
            return true;
        }
    }
    return false;
}

RGBColor GrayOf(RGBColor colour) {
    const uint32 weighted = 299u * colour.red + 587u * colour.green + 114u * colour.blue;
    const uint16 gray = uint16((weighted + 500) / 1000);
    return RGBColor{gray, gray, gray};
}
