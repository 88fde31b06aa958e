// Reading a plug-in property list (the PiPL resource) as hosts do before
// they call any code of a plug-in: what kind of module it is, its menu
// name and category, the interface version, the entry point for each
// architecture and the image modes it supports.
#pragma once

#include "host/HostInterface.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A four-character code as stored in the list: the first character is the
// most significant byte.
constexpr uint32 FourChar(const char (&text)[5]) {
    return (uint32(uint8_t(text[0])) << 24) | (uint32(uint8_t(text[1])) << 16) |
           (uint32(uint8_t(text[2])) << 8) | uint32(uint8_t(text[3]));
}

const uint32 piplVendorPhotoshop = FourChar("8BIM");
const uint32 piplKindFilter = FourChar("8BFM");

struct PiplProperties {
    int32 propertyCount = 0;
    uint32 kind = 0;  // 0 when the list has no 'kind'
    std::string name;
    std::string category;
    bool haveVersion = false;
    uint16 versionMajor = 0;
    uint16 versionMinor = 0;
    std::string entryX86;  // 'wx86'
    std::string entryX64;  // '8664'
    bool haveModes = false;
    uint8_t modeFlags[2] = {0, 0};
    bool haveEnable = false;
    std::string enableExpression;
};

// Answers false with a reason when the bytes are no well-formed list.
bool ParsePipl(const uint8_t* bytes, size_t size, PiplProperties* properties, std::string* error);

// The entry point a host of this architecture calls ('wx86' for 32-bit,
// '8664' for 64-bit hosts); empty when the list names none.
std::string PiplEntryForThisHost(const PiplProperties& properties);

// Whether the 'mode' flags name an image mode (0..15).
bool PiplModeFlag(const PiplProperties& properties, int16 mode);

// Evaluates an enabling expression ('enbl') for an image mode: 1 enabled,
// 0 not, -1 when the expression is not understood. Understood: in (...),
// ==, !=, !, &&, ||, parentheses, true, false, PSHOP_ImageMode and the mode
// names (GrayScaleMode, RGBMode, Gray16Mode, ...).
int EvaluateEnableExpression(const std::string& expression, int16 mode);

// Whether a host enables the filter for the mode: the 'enbl' expression
// when there is one it understands, else the 'mode' flags; a list with
// neither enables every mode.
bool PiplEnablesMode(const PiplProperties& properties, int16 mode);

// "Grayscale", "RGB", "16-bit Grayscale", ... for modes 0..15; "mode N"
// otherwise.
std::string ImageModeName(int16 mode);

// The code as four characters, e.g. "8BFM".
std::string FourCharText(uint32 code);
