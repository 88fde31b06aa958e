// Counted texts: a length byte, up to 254 characters and a zero byte, in a
// fixed 256-byte buffer; the message text of the host version alert is built
// in one.
#pragma once

#include "host/HostInterface.h"

const int32 countedTextCapacity = 254;  // characters; the zero byte follows them

struct CountedText {
    // bytes[0]: length L (0..254); bytes[1..L]: the characters; bytes[L + 1]: 0.
    unsigned char bytes[256];
};

// The characters from byte 1 on, zero-terminated.
inline const char* TextChars(const CountedText* text) {
    return reinterpret_cast<const char*>(text->bytes + 1);
}
inline int32 TextLength(const CountedText* text) { return text->bytes[0]; }

// Sets the text to empty (every byte zero).
void ClearText(CountedText* text);

// Appends count characters of source from index start on (0 for a
// zero-terminated string, 1 for the characters of a counted text). Stops at
// 254 characters; a count of 0 or below, a negative start or a null source
// appends nothing. Answers the destination.
CountedText* AppendText(CountedText* destination, const char* source, int16 start, int16 count);

// Appends the characters of another counted text (none when it is null).
CountedText* AppendCountedText(CountedText* destination, const CountedText* source);

// Replaces the destination by the signed decimal text of value.
void IntegerText(int32 value, CountedText* destination);

// Replaces the destination by value written with up to decimals digits after
// the point: the next digit rounds half up, a last decimal of 0 is dropped
// once (for two or more decimals), trailing digits stop when nothing is left,
// and at least one digit always follows the point.
void DecimalText(CountedText* destination, double value, uint16 decimals);

// Replaces "^0", "^1" and "^2" by the matching argument; an absent or empty
// argument removes the pair. The first character of an inserted text is not
// examined again, nor the character after a removed pair.
void ExpandPlaceholders(CountedText* text, const CountedText* zero, const CountedText* one,
                        const CountedText* two);
