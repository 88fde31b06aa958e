#include "dialogs/AmountText.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t ParseAmountText(const char* text) {
    if (text == nullptr) return 0;
    while (IsBlank(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    // The box holds at most seven characters; the limit only guards the
    // arithmetic for longer text.
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value < 1000000000) value = value * 10 + (*text - '0');
    }
    if (value > 2147483647) value = 2147483647;
    return static_cast<int32_t>(negative ? -value : value);
}

bool AcceptTypedAmount(int32_t value, int32_t rangeMin, int32_t rangeMax, int32_t amount) {
    return value >= rangeMin && value <= rangeMax && value != amount;
}

int32_t ClampToRange(int32_t value, int32_t lo, int32_t hi) {
    if (value < lo) return lo;
    if (value > hi) return hi;
    return value;
}
