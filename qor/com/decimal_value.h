#pragma once
// Byte counts cross the interface as DECIMAL values with scale 0 and sign 0,
// the count in the low 64 bits.

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

namespace qor {

inline DECIMAL ToDecimal(uint64_t count) {
    DECIMAL value = {};
    value.scale = 0;
    value.sign = 0;
    value.Hi32 = 0;
    value.Lo64 = count;
    return value;
}

inline uint64_t FromDecimal(const DECIMAL& value) { return value.Lo64; }

}  // namespace qor
