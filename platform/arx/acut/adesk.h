// The SDK's basic integer types and its wide character.
#pragma once

#include <cstdint>

typedef char16_t ACHAR;
#ifndef ACRX_T
#define ACRX_T(x) u##x
#endif

namespace Adesk {
typedef int8_t Int8;
typedef uint8_t UInt8;
typedef int16_t Int16;
typedef uint16_t UInt16;
typedef int32_t Int32;
typedef uint32_t UInt32;
typedef int64_t Int64;
typedef uint64_t UInt64;
typedef intptr_t IntPtr;
typedef uintptr_t UIntPtr;
typedef intptr_t LongPtr;
typedef uintptr_t ULongPtr;
typedef bool Boolean;
constexpr Boolean kFalse = false;
constexpr Boolean kTrue = true;
}  // namespace Adesk
