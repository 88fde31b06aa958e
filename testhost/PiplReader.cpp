#include "testhost/PiplReader.h"
#include "testhost/Failure.h"

#include <cctype>
#include <cstring>

namespace {

const int16 knownModes = 16;

// Mode names as enabling expressions spell them, by image mode.
const char* const expressionModeNames[knownModes] = {
    "BitmapMode",    "GrayScaleMode", "IndexedMode",      "RGBMode",     "CMYKMode",
    "HSLMode",       "HSBMode",       "MultichannelMode", "DuotoneMode", "LabMode",
    "Gray16Mode",    "RGB48Mode",     "Lab48Mode",        "CMYK64Mode",  "DeepMultichannelMode",
    "Duotone16Mode",
};

const char* const displayModeNames[knownModes] = {
    "Bitmap",
    "Grayscale",
    "Indexed Color",
    "RGB",
    "CMYK",
    "HSL",
    "HSB",
    "Multichannel",
    "Duotone",
    "Lab",
    "16-bit Grayscale",
    "48-bit RGB",
    "48-bit Lab",
    "64-bit CMYK",
    "Deep Multichannel",
    "16-bit Duotone",
};

uint32 ReadLittle32(const uint8_t* bytes) {
    return uint32(bytes[0]) | (uint32(bytes[1]) << 8) | (uint32(bytes[2]) << 16) |
           (uint32(bytes[3]) << 24);
}

// A counted string: length byte, then the characters.
bool ReadCountedString(const uint8_t* data, uint32 length, std::string* text) {
    if (length < 1 || data[0] > length - 1) return false;
    text->assign(reinterpret_cast<const char*>(data + 1), data[0]);
    return true;
}

// A zero-terminated string within the property's data.
std::string ReadTerminatedString(const uint8_t* data, uint32 length) {
    const void* zero = memchr(data, 0, length);
    const size_t count =
        zero != nullptr ? size_t(static_cast<const uint8_t*>(zero) - data) : length;
    return std::string(reinterpret_cast<const char*>(data), count);
}

bool ApplyProperty(uint32 key, const uint8_t* data, uint32 length, PiplProperties* properties,
                   std::string* error) {
    if (key == FourChar("kind")) {
        if (length < 4) return Fail(error, "property list: 'kind' is too short");
        properties->kind = ReadLittle32(data);
    } else if (key == FourChar("name")) {
        if (!ReadCountedString(data, length, &properties->name))
            return Fail(error, "property list: 'name' is not a counted string");
    } else if (key == FourChar("catg")) {
        if (!ReadCountedString(data, length, &properties->category))
            return Fail(error, "property list: 'catg' is not a counted string");
    } else if (key == FourChar("vers")) {
        if (length < 4) return Fail(error, "property list: 'vers' is too short");
        const uint32 version = ReadLittle32(data);
        properties->haveVersion = true;
        properties->versionMajor = uint16(version >> 16);
        properties->versionMinor = uint16(version & 0xFFFF);
    } else if (key == FourChar("wx86")) {
        properties->entryX86 = ReadTerminatedString(data, length);
    } else if (key == FourChar("8664")) {
        properties->entryX64 = ReadTerminatedString(data, length);
    } else if (key == FourChar("mode")) {
        if (length < 2) return Fail(error, "property list: 'mode' is too short");
        properties->haveModes = true;
        properties->modeFlags[0] = data[0];
        properties->modeFlags[1] = data[1];
    } else if (key == FourChar("enbl")) {
        properties->haveEnable = true;
        properties->enableExpression = ReadTerminatedString(data, length);
    }
    return true;
}

// ---- enabling expressions ------------------------------------------------

struct ExpressionReader {
    const std::string* text;
    size_t at;
    int16 mode;
    bool understood;
};

void SkipSpace(ExpressionReader* reader) {
    while (reader->at < reader->text->size() &&
           isspace(static_cast<unsigned char>((*reader->text)[reader->at])))
        ++reader->at;
}

bool Accept(ExpressionReader* reader, const char* token) {
    SkipSpace(reader);
    const size_t length = strlen(token);
    if (reader->text->compare(reader->at, length, token) != 0) return false;
    reader->at += length;
    return true;
}

std::string Identifier(ExpressionReader* reader) {
    SkipSpace(reader);
    const std::string& text = *reader->text;
    const size_t start = reader->at;
    while (reader->at < text.size() &&
           (isalnum(static_cast<unsigned char>(text[reader->at])) || text[reader->at] == '_'))
        ++reader->at;
    return text.substr(start, reader->at - start);
}

// The value of an operand: PSHOP_ImageMode is the current mode's name;
// mode names stand for themselves. Anything else is not understood.
std::string Operand(ExpressionReader* reader) {
    const std::string name = Identifier(reader);
    if (name == "PSHOP_ImageMode") {
        return reader->mode >= 0 && reader->mode < knownModes ? expressionModeNames[reader->mode]
                                                              : std::string("?");
    }
    for (const char* known : expressionModeNames) {
        if (name == known) return name;
    }
    reader->understood = false;
    return std::string();
}

bool OrExpression(ExpressionReader* reader);

bool Primary(ExpressionReader* reader) {
    if (Accept(reader, "(")) {
        const bool value = OrExpression(reader);
        if (!Accept(reader, ")")) reader->understood = false;
        return value;
    }
    const size_t start = reader->at;
    const std::string word = Identifier(reader);
    if (word == "true") return true;
    if (word == "false") return false;
    if (word == "in") {
        if (!Accept(reader, "(")) {
            reader->understood = false;
            return false;
        }
        const std::string subject = Operand(reader);
        bool found = false;
        while (Accept(reader, ",")) found = (Operand(reader) == subject) || found;
        if (!Accept(reader, ")")) reader->understood = false;
        return found;
    }
    reader->at = start;
    const std::string left = Operand(reader);
    if (Accept(reader, "==")) return left == Operand(reader);
    if (Accept(reader, "!=")) return left != Operand(reader);
    reader->understood = false;
    return false;
}

bool Unary(ExpressionReader* reader) {
    if (Accept(reader, "!")) return !Unary(reader);
    return Primary(reader);
}

bool AndExpression(ExpressionReader* reader) {
    bool value = Unary(reader);
    while (reader->understood && Accept(reader, "&&")) value = Unary(reader) && value;
    return value;
}

bool OrExpression(ExpressionReader* reader) {
    bool value = AndExpression(reader);
    while (reader->understood && Accept(reader, "||")) value = AndExpression(reader) || value;
    return value;
}

}  // namespace

std::string FourCharText(uint32 code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((code >> shift) & 0xFF);
        text += isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return text;
}

std::string ImageModeName(int16 mode) {
    if (mode >= 0 && mode < knownModes) return displayModeNames[mode];
    return "mode " + std::to_string(mode);
}

bool ParsePipl(const uint8_t* bytes, size_t size, PiplProperties* properties, std::string* error) {
    *properties = PiplProperties();
    if (bytes == nullptr || size < 10) return Fail(error, "property list: too short");
    const uint16 signature = uint16(bytes[0] | (bytes[1] << 8));
    if (signature != 1) return Fail(error, "property list: unknown format");
    if (ReadLittle32(bytes + 2) != 0) return Fail(error, "property list: unknown version");
    const uint32 count = ReadLittle32(bytes + 6);
    size_t offset = 10;
    for (uint32 i = 0; i < count; ++i) {
        if (size - offset < 16)
            return Fail(error, "property list: ends before property " + std::to_string(i + 1));
        const uint32 vendor = ReadLittle32(bytes + offset);
        const uint32 key = ReadLittle32(bytes + offset + 4);
        const uint32 length = ReadLittle32(bytes + offset + 12);
        offset += 16;
        if (length > size - offset)
            return Fail(error,
                        "property list: property '" + FourCharText(key) + "' runs past the end");
        if (vendor == piplVendorPhotoshop &&
            !ApplyProperty(key, bytes + offset, length, properties, error))
            return false;
        // Data is padded to a multiple of 4 bytes.
        const size_t padded = (size_t(length) + 3) & ~size_t(3);
        offset += padded <= size - offset ? padded : length;
        properties->propertyCount = int32(i + 1);
    }
    return true;
}

std::string PiplEntryForThisHost(const PiplProperties& properties) {
    return sizeof(void*) == 8 ? properties.entryX64 : properties.entryX86;
}

bool PiplModeFlag(const PiplProperties& properties, int16 mode) {
    if (!properties.haveModes || mode < 0 || mode >= knownModes) return false;
    return (properties.modeFlags[mode / 8] & (0x80 >> (mode % 8))) != 0;
}

int EvaluateEnableExpression(const std::string& expression, int16 mode) {
    ExpressionReader reader{&expression, 0, mode, true};
    const bool value = OrExpression(&reader);
    SkipSpace(&reader);
    if (!reader.understood || reader.at != expression.size()) return -1;
    return value ? 1 : 0;
}

bool PiplEnablesMode(const PiplProperties& properties, int16 mode) {
    if (properties.haveEnable) {
        const int verdict = EvaluateEnableExpression(properties.enableExpression, mode);
        if (verdict >= 0) return verdict == 1;
    }
    if (properties.haveModes) return PiplModeFlag(properties, mode);
    return true;
}
