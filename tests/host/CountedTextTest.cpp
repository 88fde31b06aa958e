// Counted texts: appending, number text and placeholder expansion.
#include "host/CountedText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

CountedText Text(const char* characters) {
    CountedText text;
    ClearText(&text);
    AppendText(&text, characters, 0, static_cast<int16>(strlen(characters)));
    return text;
}

// The characters as a string, after checking the length byte and the zero
// byte that must follow the last character.
std::string Chars(const CountedText& text) {
    int32 length = TextLength(&text);
    EXPECT_LE(length, countedTextCapacity);
    EXPECT_EQ(text.bytes[length + 1], 0) << "no zero byte after the characters";
    return std::string(reinterpret_cast<const char*>(text.bytes + 1), static_cast<size_t>(length));
}

std::string Decimal(double value, uint16 decimals) {
    CountedText text;
    memset(text.bytes, 0x55, sizeof(text.bytes));  // old contents must not show through
    DecimalText(&text, value, decimals);
    return Chars(text);
}

std::string Expand(const char* message, const CountedText* zero, const CountedText* one,
                   const CountedText* two) {
    CountedText text = Text(message);
    ExpandPlaceholders(&text, zero, one, two);
    return Chars(text);
}

TEST(CountedText, AppendsFromZeroTerminatedAndCountedSources) {
    CountedText text;
    ClearText(&text);
    for (unsigned char byte : text.bytes) ASSERT_EQ(byte, 0);
    EXPECT_EQ(AppendText(&text, "abcdef", 2, 3), &text);
    EXPECT_EQ(Chars(text), "cde");
    CountedText other = Text("XY");
    AppendText(&text, reinterpret_cast<const char*>(other.bytes), 1, 2);
    EXPECT_EQ(Chars(text), "cdeXY");
    AppendCountedText(&text, &other);
    EXPECT_EQ(Chars(text), "cdeXYXY");
    EXPECT_STREQ(TextChars(&text), "cdeXYXY");
}

TEST(CountedText, AppendsNothingForEmptyOrUnusableRequests) {
    CountedText text = Text("ab");
    AppendText(&text, "xyz", 0, 0);
    AppendText(&text, "xyz", 0, -5);
    AppendText(&text, "xyz", -1, 2);
    AppendText(&text, nullptr, 0, 3);
    AppendCountedText(&text, nullptr);
    EXPECT_EQ(Chars(text), "ab");
}

TEST(CountedText, CutsAt254Characters) {
    std::string source;
    for (int i = 0; i < 300; ++i) source += static_cast<char>('a' + i % 26);
    CountedText text;
    memset(text.bytes, 0x7F, sizeof(text.bytes));
    ClearText(&text);
    AppendText(&text, source.c_str(), 0, 300);
    EXPECT_EQ(text.bytes[0], 254);
    EXPECT_EQ(Chars(text), source.substr(0, 254));
    EXPECT_EQ(text.bytes[255], 0);

    // Already full: a further append changes nothing.
    AppendText(&text, "zz", 0, 2);
    EXPECT_EQ(Chars(text), source.substr(0, 254));

    // Filling up in small steps stops at the same place.
    CountedText stepwise;
    ClearText(&stepwise);
    for (int i = 0; i < 300; i += 7)
        AppendText(&stepwise, source.c_str(), static_cast<int16>(i), 7);
    EXPECT_EQ(Chars(stepwise), source.substr(0, 254));
}

TEST(CountedText, IntegerText) {
    CountedText text = Text("old");
    IntegerText(-42, &text);
    EXPECT_EQ(text.bytes[0], 3);
    EXPECT_EQ(Chars(text), "-42");
    IntegerText(0, &text);
    EXPECT_EQ(Chars(text), "0");
    IntegerText(1200, &text);
    EXPECT_EQ(Chars(text), "1200");
    IntegerText(INT32_MAX, &text);
    EXPECT_EQ(Chars(text), "2147483647");
    IntegerText(INT32_MIN, &text);
    EXPECT_EQ(Chars(text), "-2147483648");
}

TEST(CountedText, DecimalTextRoundsAndDropsOneTrailingZero) {
    EXPECT_EQ(Decimal(3.0, 1), "3.0");
    EXPECT_EQ(Decimal(1.25, 1), "1.3");
    EXPECT_EQ(Decimal(2.5, 1), "2.5");
    EXPECT_EQ(Decimal(7.0, 2), "7.0");
    EXPECT_EQ(Decimal(0.5, 2), "0.5");
    EXPECT_EQ(Decimal(0.0, 1), "0.0");
    EXPECT_EQ(Decimal(1.24, 1), "1.2");   // below the half: cut off
    EXPECT_EQ(Decimal(9.96, 1), "10.0");  // the carry reaches the integer part
    EXPECT_EQ(Decimal(2.5, 3), "2.5");    // digits stop when nothing is left
    EXPECT_EQ(Decimal(1.2345, 2), "1.23");
    EXPECT_EQ(Decimal(1.0625, 2), "1.06");  // a zero inside the digits stays
    EXPECT_EQ(Decimal(12.0, 3), "12.0");    // nothing left: digits stop
    // Only the n-th decimal is dropped when it is 0; the one before it stays
    // because something follows it in the value.
    EXPECT_EQ(Decimal(1.2004, 3), "1.20");
    EXPECT_EQ(Decimal(3.0, 0), "3.0");  // one digit at the least
}

TEST(CountedText, DecimalTextDigitsAreExactForValuesJustBelowTheirDecimal) {
    // 2.3 and 1.38 are stored a hair below those decimals; their digits
    // still come out as written.
    EXPECT_EQ(Decimal(2.3, 1), "2.3");
    EXPECT_EQ(Decimal(1.38, 2), "1.38");
    EXPECT_EQ(Decimal(1.375, 2), "1.38");
    EXPECT_EQ(Decimal(0.1, 1), "0.1");
    EXPECT_EQ(Decimal(0.7, 3), "0.7");
}

TEST(CountedText, DecimalTextOutsideTheUsualRange) {
    EXPECT_EQ(Decimal(-1.25, 1), "-1.3");
    EXPECT_EQ(Decimal(4294967296.5, 1), "2147483647.0");
    EXPECT_EQ(Decimal(1e300, 2), "2147483647.0");
    EXPECT_EQ(Decimal(0.1, 65535), "0.1");
    // At most 9 decimals; a value below the 9th writes zeros up to the 8th.
    EXPECT_EQ(Decimal(1e-15, 20), "0.00000000");
    // Fewer decimals when x times 10 to the n would pass 2 to the 31.
    EXPECT_EQ(Decimal(123456.789, 5), "123456.789");
    EXPECT_EQ(Decimal(2147483646.96, 1), "2147483647.0");
}

TEST(CountedText, ExpandsPlaceholders) {
    CountedText version = Text("3.0");
    CountedText empty = Text("");
    CountedText word = Text("abc");
    EXPECT_EQ(Expand("Version ^1 or later", nullptr, &version, nullptr), "Version 3.0 or later");
    EXPECT_EQ(Expand("a^0b", nullptr, &version, nullptr), "ab");
    EXPECT_EQ(Expand("a^2b", nullptr, &version, nullptr), "ab");
    EXPECT_EQ(Expand("a^1b", nullptr, nullptr, nullptr), "ab");
    EXPECT_EQ(Expand("a^1b", nullptr, &empty, nullptr), "ab");
    EXPECT_EQ(Expand("^0|^1|^2", &word, &version, &empty), "abc|3.0|");
    EXPECT_EQ(Expand("^^1", nullptr, &version, nullptr), "^3.0");
    EXPECT_EQ(Expand("^3 ^x1 ^", nullptr, &version, nullptr), "^3 ^x1 ^");
    EXPECT_EQ(Expand("", nullptr, &version, nullptr), "");
}

TEST(CountedText, ExpansionSkipsWhatFollowsAReplacement) {
    // The first inserted character is not looked at again.
    CountedText caret = Text("^");
    EXPECT_EQ(Expand("^11", nullptr, &caret, nullptr), "^1");
    // From the second inserted character on, the scan goes on as usual.
    CountedText nested = Text("x^2");
    CountedText two = Text("Z");
    EXPECT_EQ(Expand("^1", nullptr, &nested, &two), "xZ");
    // A removed pair: the character that followed it is skipped too.
    EXPECT_EQ(Expand("^0^1", nullptr, &two, nullptr), "^1");
    EXPECT_EQ(Expand("^0a^1", nullptr, &two, nullptr), "aZ");
}

TEST(CountedText, ExpansionStaysWithin254Characters) {
    std::string filler(250, '.');
    CountedText long_argument = Text(filler.c_str());
    std::string message = "ab^1cd";
    std::string expanded = Expand(message.c_str(), nullptr, &long_argument, nullptr);
    EXPECT_EQ(expanded, "ab" + filler + "cd");
    expanded = Expand("abcd^1efgh", nullptr, &long_argument, nullptr);
    EXPECT_EQ(expanded.size(), 254u);
    EXPECT_EQ(expanded, "abcd" + filler);

    // An argument that brings its own placeholder grows the text only up to
    // the cut, and the scan still ends.
    CountedText growing = Text("x^1");
    expanded = Expand("^1", nullptr, &growing, nullptr);
    EXPECT_EQ(expanded.size(), 254u);
    EXPECT_EQ(expanded.substr(0, 10), "xxxxxxxxxx");
}

}  // namespace
