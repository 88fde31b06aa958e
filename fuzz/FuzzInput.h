// The fuzzer's bytes read as a stream of small decisions. Once the bytes
// run out every further decision is 0, so any prefix of an input is an
// input of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzInput {
    const uint8_t* data;
    size_t size;
    size_t used;
};

inline bool InputLeft(const FuzzInput* input) { return input->used < input->size; }

inline uint8_t TakeByte(FuzzInput* input) {
    return InputLeft(input) ? input->data[input->used++] : 0;
}

inline bool TakeBool(FuzzInput* input) { return (TakeByte(input) & 1) != 0; }

inline int16_t TakeInt16(FuzzInput* input) {
    uint16_t value = uint16_t(TakeByte(input)) | uint16_t(TakeByte(input) << 8);
    int16_t signedValue;
    memcpy(&signedValue, &value, sizeof value);
    return signedValue;
}

inline int32_t TakeInt32(FuzzInput* input) {
    uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) value |= uint32_t(TakeByte(input)) << shift;
    int32_t signedValue;
    memcpy(&signedValue, &value, sizeof value);
    return signedValue;
}

// 0 .. count - 1 (count at most 256).
inline int32_t TakeBelow(FuzzInput* input, int32_t count) {
    return count <= 1 ? 0 : TakeByte(input) % count;
}

// One entry of a table of values, picked by the next byte.
template <typename T, size_t N>
T TakeOneOf(FuzzInput* input, const T (&table)[N]) {
    return table[TakeBelow(input, int32_t(N))];
}
