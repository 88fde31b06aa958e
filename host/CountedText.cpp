#include "host/CountedText.h"

#include <cmath>
#include <cstdint>
#include <cstring>

void ClearText(CountedText* text) { memset(text->bytes, 0, sizeof(text->bytes)); }

CountedText* AppendText(CountedText* destination, const char* source, int16 start, int16 count) {
    if (source != nullptr && start >= 0) {
        int32 length = destination->bytes[0];
        for (int32 i = 0; i < count && length < countedTextCapacity; ++i) {
            ++length;
            destination->bytes[length] = static_cast<unsigned char>(source[start + i]);
        }
        destination->bytes[0] = static_cast<unsigned char>(length);
    }
    destination->bytes[destination->bytes[0] + 1] = 0;
    return destination;
}

CountedText* AppendCountedText(CountedText* destination, const CountedText* source) {
    if (source == nullptr) return AppendText(destination, nullptr, 0, 0);
    return AppendText(destination, reinterpret_cast<const char*>(source->bytes), 1,
                      static_cast<int16>(source->bytes[0]));
}

void IntegerText(int32 value, CountedText* destination) {
    ClearText(destination);
    char digits[12];
    int32 at = sizeof(digits);
    // Work on the magnitude as unsigned so that the lowest int32 has one too.
    uint32 magnitude = value < 0 ? 0u - static_cast<uint32>(value) : static_cast<uint32>(value);
    do {
        digits[--at] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[--at] = '-';
    AppendText(destination, digits, static_cast<int16>(at),
               static_cast<int16>(static_cast<int32>(sizeof(digits)) - at));
}

void DecimalText(CountedText* destination, double value, uint16 decimals) {
    ClearText(destination);
    bool negative = value < 0;
    double x = negative ? -value : value;
    // The integer part goes through int32: larger values and NaN are held
    // to what it can carry.
    const double largest = 2147483647.0;
    if (!(x <= largest)) x = largest;
    int32 n = decimals < 1 ? 1 : decimals;
    // More decimals than x times 10 to the n below 2 to the 31 can hold
    // carry no information a double has; at most 9 are written.
    const double limit = 2147483648.0;
    if (n > 9) n = 9;
    int64_t scale = 1;
    for (int32 i = 0; i < n; ++i) scale *= 10;
    while (n > 1 && x * static_cast<double>(scale) >= limit) {
        --n;
        scale /= 10;
    }

    // x scaled to n decimals: the digit after the n-th rounds half up, the
    // ones after it are cut off. Counting in integers from here on keeps the
    // digits exact (2.3 stays 2.3 although its double lies just below).
    double scaled = x * static_cast<double>(scale);
    double whole = std::floor(scaled);
    double cut = scaled - whole;
    bool carry = cut * 10 >= 5;
    int64_t units = static_cast<int64_t>(whole) + (carry ? 1 : 0);
    // Whether x has anything left beyond the n-th decimal after the carry.
    bool beyond = carry ? cut != 0.5 : cut != 0;

    // A last decimal of 0 is left out once.
    int32 written = n;
    if (n > 1 && units % 10 == 0) --written;

    CountedText integer;
    IntegerText(static_cast<int32>(units / scale), &integer);
    if (negative) AppendText(destination, "-", 0, 1);
    AppendCountedText(destination, &integer);
    AppendText(destination, ".", 0, 1);
    int64_t fraction = units % scale;
    int64_t place = scale;
    for (int32 k = 1;; ++k) {
        place /= 10;
        char digit = static_cast<char>('0' + fraction / place);
        AppendText(destination, &digit, 0, 1);
        fraction %= place;
        // Digits stop when nothing is left, or after the last decimal.
        if (fraction == 0 && !beyond) break;
        if (k >= written) break;
    }
}

void ExpandPlaceholders(CountedText* text, const CountedText* zero, const CountedText* one,
                        const CountedText* two) {
    const CountedText* arguments[3] = {zero, one, two};
    bool marked = false;
    // i is the 1-based position of the character examined.
    for (int32 i = 1; i <= TextLength(text); ++i) {
        char c = static_cast<char>(text->bytes[i]);
        if (!marked || c < '0' || c > '2') {
            marked = c == '^';
            continue;
        }
        marked = false;
        // The pair stands at i - 1 and i: rebuild the text around it.
        CountedText expanded;
        ClearText(&expanded);
        AppendText(&expanded, reinterpret_cast<const char*>(text->bytes), 1,
                   static_cast<int16>(i - 2));
        AppendCountedText(&expanded, arguments[c - '0']);
        AppendText(&expanded, reinterpret_cast<const char*>(text->bytes), static_cast<int16>(i + 1),
                   static_cast<int16>(TextLength(text) - i));
        *text = expanded;
        // The next character examined is the one now standing where the
        // digit stood: step back so that the loop's increment lands on i.
        --i;
    }
}
