// Reading plug-in property lists built here field by field, as a
// resource compiler lays them out.
#include "cli/PluginList.h"
#include "testhost/PiplReader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ListBuilder {
    std::vector<uint8_t> bytes;
    uint32 count = 0;
};

void Little16(std::vector<uint8_t>* out, uint16 value) {
    out->push_back(uint8_t(value));
    out->push_back(uint8_t(value >> 8));
}

void Little32(std::vector<uint8_t>* out, uint32 value) {
    for (int shift = 0; shift < 32; shift += 8) out->push_back(uint8_t(value >> shift));
}

ListBuilder NewList() {
    ListBuilder list;
    Little16(&list.bytes, 1);
    Little32(&list.bytes, 0);
    Little32(&list.bytes, 0);  // count, patched by Finished
    return list;
}

// One property; data is padded with zeros to a multiple of 4 and the
// stored length counts the padding unless exactLength is set.
void AddProperty(ListBuilder* list, uint32 vendor, uint32 key, std::vector<uint8_t> data,
                 bool exactLength = false) {
    const size_t length = data.size();
    while (data.size() % 4 != 0) data.push_back(0);
    Little32(&list->bytes, vendor);
    Little32(&list->bytes, key);
    Little32(&list->bytes, 0);
    Little32(&list->bytes, uint32(exactLength ? length : data.size()));
    list->bytes.insert(list->bytes.end(), data.begin(), data.end());
    ++list->count;
}

std::vector<uint8_t> Counted(const std::string& text, size_t extraZeros) {
    std::vector<uint8_t> data(1 + text.size() + extraZeros, 0);
    data[0] = uint8_t(text.size());
    for (size_t i = 0; i < text.size(); ++i) data[1 + i] = uint8_t(text[i]);
    return data;
}

std::vector<uint8_t> Terminated(const std::string& text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

std::vector<uint8_t> Code(uint32 code) {
    std::vector<uint8_t> data;
    Little32(&data, code);
    return data;
}

std::vector<uint8_t> Finished(ListBuilder list) {
    for (int k = 0; k < 4; ++k) list.bytes[6 + k] = uint8_t(list.count >> (8 * k));
    return list.bytes;
}

const char* const vornEnable =
    "in (PSHOP_ImageMode, GrayScaleMode, RGBMode, Gray16Mode, RGB48Mode)";

// The filter's own list: kind, name, category, version, entry point,
// modes, enabling expression and a property the reader passes over.
std::vector<uint8_t> VornList() {
    ListBuilder list = NewList();
    const uint32 v = piplVendorPhotoshop;
    AddProperty(&list, v, FourChar("kind"), Code(FourChar("8BFM")));
    AddProperty(&list, v, FourChar("name"), Counted("Vorn...", 4));
    AddProperty(&list, v, FourChar("catg"), Counted("BramixPlug", 1));
    AddProperty(&list, v, FourChar("vers"), Code(0x00040000));
    AddProperty(&list, v, FourChar("wx86"), Terminated("PluginMain"));
    AddProperty(&list, v, FourChar("mode"), {0x50, 0x00, 0x00, 0x00});
    AddProperty(&list, v, FourChar("enbl"), Terminated(vornEnable));
    AddProperty(&list, v, FourChar("fici"), std::vector<uint8_t>(28, 1));
    return Finished(list);
}

TEST(PiplReader, ReadsTheFilterList) {
    const std::vector<uint8_t> bytes = VornList();
    PiplProperties p;
    std::string error;
    ASSERT_TRUE(ParsePipl(bytes.data(), bytes.size(), &p, &error)) << error;
    EXPECT_EQ(p.propertyCount, 8);
    EXPECT_EQ(p.kind, piplKindFilter);
    EXPECT_EQ(FourCharText(p.kind), "8BFM");
    EXPECT_EQ(p.name, "Vorn...");
    EXPECT_EQ(p.category, "BramixPlug");
    EXPECT_TRUE(p.haveVersion);
    EXPECT_EQ(p.versionMajor, 4);
    EXPECT_EQ(p.versionMinor, 0);
    EXPECT_EQ(p.entryX86, "PluginMain");
    EXPECT_EQ(p.entryX64, "");
    EXPECT_EQ(PiplEntryForThisHost(p), sizeof(void*) == 8 ? "" : "PluginMain");
    EXPECT_TRUE(p.haveModes);
    EXPECT_EQ(p.enableExpression, vornEnable);
    // Codes are stored least significant byte first: '8BFM' as M, F, B, 8.
    EXPECT_EQ(bytes[10], 'M');
    EXPECT_EQ(bytes[13], '8');
}

TEST(PiplReader, ModeFlagsAndEnablingExpression) {
    const std::vector<uint8_t> bytes = VornList();
    PiplProperties p;
    std::string error;
    ASSERT_TRUE(ParsePipl(bytes.data(), bytes.size(), &p, &error)) << error;
    for (int16 mode = 0; mode < 16; ++mode) {
        const bool flagged = mode == plugInModeGrayScale || mode == plugInModeRGBColor;
        const bool enabled = flagged || mode == plugInModeGray16 || mode == plugInModeRGB48;
        EXPECT_EQ(PiplModeFlag(p, mode), flagged) << mode;
        EXPECT_EQ(PiplEnablesMode(p, mode), enabled) << mode;
    }
    // Without the expression the flags decide; without both every mode.
    p.haveEnable = false;
    EXPECT_FALSE(PiplEnablesMode(p, plugInModeRGB48));
    EXPECT_TRUE(PiplEnablesMode(p, plugInModeRGBColor));
    p.enableExpression = "PSHOP_ImageDepth == 16";  // not understood
    p.haveEnable = true;
    EXPECT_FALSE(PiplEnablesMode(p, plugInModeGray16));
    EXPECT_TRUE(PiplEnablesMode(p, plugInModeGrayScale));
    p.haveEnable = false;
    p.haveModes = false;
    EXPECT_TRUE(PiplEnablesMode(p, plugInModeRGB48));
    // The second flag byte holds the 16-bit modes.
    p.haveModes = true;
    p.modeFlags[0] = 0;
    p.modeFlags[1] = 0x30;
    EXPECT_TRUE(PiplModeFlag(p, plugInModeGray16));
    EXPECT_TRUE(PiplModeFlag(p, plugInModeRGB48));
    EXPECT_FALSE(PiplModeFlag(p, 9));
    EXPECT_EQ(ImageModeName(plugInModeRGB48), "48-bit RGB");
    EXPECT_EQ(ImageModeName(99), "mode 99");
}

TEST(PiplReader, EnablingExpressions) {
    EXPECT_EQ(EvaluateEnableExpression(vornEnable, plugInModeGray16), 1);
    EXPECT_EQ(EvaluateEnableExpression(vornEnable, 4), 0);
    const char* either = "PSHOP_ImageMode == RGBMode || PSHOP_ImageMode == GrayScaleMode";
    EXPECT_EQ(EvaluateEnableExpression(either, plugInModeGrayScale), 1);
    EXPECT_EQ(EvaluateEnableExpression(either, plugInModeRGB48), 0);
    const char* notIndexed = "!in(PSHOP_ImageMode,IndexedMode,BitmapMode) && true";
    EXPECT_EQ(EvaluateEnableExpression(notIndexed, 2), 0);
    EXPECT_EQ(EvaluateEnableExpression(notIndexed, 3), 1);
    EXPECT_EQ(EvaluateEnableExpression("(PSHOP_ImageMode != LabMode)", 9), 0);
    EXPECT_EQ(EvaluateEnableExpression("false || (true && !false)", 0), 1);
    for (const char* unknown : {"", "in (PSHOP_ImageDepth, 8)", "PSHOP_ImageMode ==", "in (",
                                "true true", "(true", "RGBMode"}) {
        EXPECT_EQ(EvaluateEnableExpression(unknown, 3), -1) << unknown;
    }
}

TEST(PiplReader, PaddingAndOtherVendors) {
    ListBuilder list = NewList();
    // A name whose stored length is exact (5 bytes) and padded to 8.
    AddProperty(&list, piplVendorPhotoshop, FourChar("name"), Counted("Abcd", 0), true);
    AddProperty(&list, FourChar("ACME"), FourChar("kind"), Code(FourChar("XXXX")));
    AddProperty(&list, piplVendorPhotoshop, FourChar("8664"), Terminated("Entry64"));
    const std::vector<uint8_t> bytes = Finished(list);
    PiplProperties p;
    std::string error;
    ASSERT_TRUE(ParsePipl(bytes.data(), bytes.size(), &p, &error)) << error;
    EXPECT_EQ(p.name, "Abcd");
    EXPECT_EQ(p.kind, 0u);  // another vendor's 'kind' is not ours
    EXPECT_EQ(p.entryX64, "Entry64");
    EXPECT_FALSE(p.haveModes);
}

TEST(PiplReader, DamagedListsAreRefused) {
    std::vector<uint8_t> bytes = VornList();
    PiplProperties p;
    std::string error;
    EXPECT_FALSE(ParsePipl(bytes.data(), 9, &p, &error));
    for (size_t cut : {size_t(12), size_t(30), bytes.size() - 1}) {
        EXPECT_FALSE(ParsePipl(bytes.data(), cut, &p, &error)) << cut;
        EXPECT_NE(error.find("property list"), std::string::npos);
    }
    std::vector<uint8_t> badFormat = bytes;
    badFormat[0] = 2;
    EXPECT_FALSE(ParsePipl(badFormat.data(), badFormat.size(), &p, &error));
    std::vector<uint8_t> badVersion = bytes;
    badVersion[2] = 1;
    EXPECT_FALSE(ParsePipl(badVersion.data(), badVersion.size(), &p, &error));

    // A counted string longer than its property.
    ListBuilder list = NewList();
    AddProperty(&list, piplVendorPhotoshop, FourChar("catg"), {200, 'a', 'b', 'c'});
    const std::vector<uint8_t> longString = Finished(list);
    EXPECT_FALSE(ParsePipl(longString.data(), longString.size(), &p, &error));
    EXPECT_NE(error.find("catg"), std::string::npos);

    // A property length that runs past the end.
    ListBuilder huge = NewList();
    AddProperty(&huge, piplVendorPhotoshop, FourChar("name"), Counted("x", 2));
    std::vector<uint8_t> tooLong = Finished(huge);
    tooLong[10 + 12] = 0xF0;
    EXPECT_FALSE(ParsePipl(tooLong.data(), tooLong.size(), &p, &error));
    EXPECT_NE(error.find("runs past the end"), std::string::npos);
    EXPECT_FALSE(ParsePipl(nullptr, 0, &p, &error));
}

TEST(PiplReader, ListingNamesWhatAHostShows) {
    const std::vector<uint8_t> bytes = VornList();
    PiplProperties p;
    std::string error;
    ASSERT_TRUE(ParsePipl(bytes.data(), bytes.size(), &p, &error)) << error;
    const std::string text = DescribePropertyLists("Vorn.8bf", {p});
    for (const char* expected :
         {"Vorn.8bf:\n", "kind:       8BFM (filter)", "category:   BramixPlug",
          "name:       Vorn...", "interface:  4.0", "entry wx86: PluginMain", "entry 8664: none",
          "mode flags: Grayscale, RGB\n",
          "modes:      Grayscale, RGB, 16-bit Grayscale, 48-bit RGB\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    }
    PiplProperties other;
    other.kind = FourChar("8BAM");
    other.haveEnable = true;
    other.enableExpression = "PSHOP_ImageDepth == 8";
    const std::string two = DescribePropertyLists("x.8bf", {p, other});
    EXPECT_NE(two.find("x.8bf (property list 2):\n  kind:       8BAM\n"), std::string::npos) << two;
    EXPECT_NE(two.find("(not understood; the mode flags decide)"), std::string::npos);
    EXPECT_NE(two.find("mode flags: not given"), std::string::npos);
}

}  // namespace
