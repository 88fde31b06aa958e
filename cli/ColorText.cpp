#include "cli/ColorText.h"

#include <cctype>
#include <cstring>

namespace {

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

RGBColor Widened(uint32_t red, uint32_t green, uint32_t blue) {
    return RGBColor{uint16(red * 257), uint16(green * 257), uint16(blue * 257)};
}

// #rgb (each digit repeated: #f80 is #ff8800), #rrggbb, #rrrrggggbbbb.
bool ParseHex(const std::string& text, RGBColor* colour) {
    const size_t digits = text.size() - 1;
    if (digits != 3 && digits != 6 && digits != 12) return false;
    const size_t width = digits / 3;
    const int32 scale = width == 1 ? 4369 : width == 2 ? 257 : 1;
    int32 components[3];
    for (int k = 0; k < 3; ++k) {
        components[k] = HexValue(text, 1 + k * width, width);
        if (components[k] < 0) return false;
        components[k] *= scale;
    }
    *colour = RGBColor{uint16(components[0]), uint16(components[1]), uint16(components[2])};
    return true;
}

// One component of rgb(...): a whole number 0..255 or a percentage
// 0%..100% (to the nearest 8-bit value), blanks around it allowed.
bool ParseComponent(const std::string& text, uint32_t* value) {
    size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ') ++begin;
    while (end > begin && text[end - 1] == ' ') --end;
    const bool percent = end > begin && text[end - 1] == '%';
    if (percent) --end;
    if (begin == end || end - begin > 3) return false;
    uint32_t number = 0;
    for (size_t i = begin; i < end; ++i) {
        if (!isdigit(static_cast<unsigned char>(text[i]))) return false;
        number = number * 10 + uint32_t(text[i] - '0');
    }
    if (number > (percent ? 100u : 255u)) return false;
    *value = percent ? (number * 255 + 50) / 100 : number;
    return true;
}

// rgb(r,g,b), any case.
bool ParseFunction(const std::string& lower, RGBColor* colour) {
    if (lower.compare(0, 4, "rgb(") != 0 || lower.back() != ')') return false;
    const std::string inside = lower.substr(4, lower.size() - 5);
    uint32_t components[3];
    size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        const size_t comma = inside.find(',', at);
        if ((k < 2) != (comma != std::string::npos)) return false;
        const std::string part = inside.substr(at, k < 2 ? comma - at : std::string::npos);
        if (!ParseComponent(part, &components[k])) return false;
        at = comma + 1;
    }
    *colour = Widened(components[0], components[1], components[2]);
    return true;
}

// X11's gray0 (black) to gray100 (white), also spelt grey.
bool ParseGrayLevel(const std::string& name, RGBColor* colour) {
    if (name.size() < 5 || (name.compare(0, 4, "gray") != 0 && name.compare(0, 4, "grey") != 0))
        return false;
    uint32_t percent = 0;
    const std::string digits = name.substr(4);
    if (digits.size() > 3) return false;
    for (char c : digits) {
        if (!isdigit(static_cast<unsigned char>(c))) return false;
        percent = percent * 10 + uint32_t(c - '0');
    }
    if (percent > 100) return false;
    const uint32_t level = (percent * 255 + 50) / 100;
    *colour = Widened(level, level, level);
    return true;
}

bool FindName(const std::string& name, RGBColor* colour) {
    size_t low = 0, high = namedColourCount;
    while (low < high) {
        const size_t middle = (low + high) / 2;
        const int order = strcmp(name.c_str(), namedColours[middle].name);
        if (order == 0) {
            const NamedColour& named = namedColours[middle];
            *colour = Widened(named.red, named.green, named.blue);
            return true;
        }
        if (order < 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return false;
}

}  // namespace

bool ParseColor(const std::string& text, RGBColor* colour) {
    if (text.empty()) return false;
    if (text[0] == '#') return ParseHex(text, colour);
    std::string lower;
    for (char c : text) lower += char(tolower(static_cast<unsigned char>(c)));
    if (lower.compare(0, 4, "rgb(") == 0) return ParseFunction(lower, colour);
    std::string name;
    for (char c : lower) {
        if (c != ' ' && c != '-' && c != '_') name += c;
    }
    return FindName(name, colour) || ParseGrayLevel(name, colour);
}

RGBColor GrayOf(RGBColor colour) {
    const uint32 weighted = 299u * colour.red + 587u * colour.green + 114u * colour.blue;
    const uint16 gray = uint16((weighted + 500) / 1000);
    return RGBColor{gray, gray, gray};
}
