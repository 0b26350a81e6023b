// MD5 as RFC 1321 defines it: 64-byte blocks, four rounds of sixteen steps, little-endian words.
#include <cstring>

#include "plugin/cutil/cutil.h"

namespace {

// floor(abs(sin(i + 1)) * 2^32) for the 64 steps.
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts: four per round, repeated over the round's sixteen steps.
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

inline uint32_t Rotl(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline uint32_t LoadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void StoreLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// One step: the round's function f of (b, c, d), then a += f + word + constant, rotated, plus b; the four
// registers then shift one place.
inline void Step(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t f, uint32_t word, int i,
                 int shift) {
    const uint32_t t = d;
    d = c;
    c = b;
    b = b + Rotl(a + f + word + kSine[i], shift);
    a = t;
}

void Transform(uint32_t state[4], const uint8_t block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = LoadLe32(block + 4 * i);
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    // The message word of step i: i, 5i + 1, 3i + 5 and 7i (mod 16) in rounds 1 to 4.
    for (int i = 0; i < 16; ++i) {
        Step(a, b, c, d, (b & c) | (~b & d), x[i], i, kShift[0][i & 3]);
    }
    for (int i = 16; i < 32; ++i) {
        Step(a, b, c, d, (b & d) | (c & ~d), x[(5 * i + 1) & 15], i, kShift[1][i & 3]);
    }
    for (int i = 32; i < 48; ++i) {
        Step(a, b, c, d, b ^ c ^ d, x[(3 * i + 5) & 15], i, kShift[2][i & 3]);
    }
    for (int i = 48; i < 64; ++i) {
        Step(a, b, c, d, c ^ (b | ~d), x[(7 * i) & 15], i, kShift[3][i & 3]);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

void Md5Init(Md5Context* context) {
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->count[0] = 0;
    context->count[1] = 0;
    std::memset(context->buffer, 0, sizeof(context->buffer));
}

void Md5Update(Md5Context* context, const void* data, uint32_t count) {
    if (count == 0) {
        return;
    }
    const uint8_t* in = static_cast<const uint8_t*>(data);
    uint32_t used = (context->count[0] >> 3) & 63;
    // The 64-bit bit count, carried from the low word into the high one.
    const uint32_t bitsLow = count << 3;
    context->count[0] += bitsLow;
    if (context->count[0] < bitsLow) {
        ++context->count[1];
    }
    context->count[1] += count >> 29;

    if (used != 0) {
        const uint32_t room = 64 - used;
        if (count < room) {
            std::memcpy(context->buffer + used, in, count);
            return;
        }
        std::memcpy(context->buffer + used, in, room);
        Transform(context->state, context->buffer);
        in += room;
        count -= room;
    }
    for (; count >= 64; in += 64, count -= 64) {
        Transform(context->state, in);
    }
    if (count != 0) {
        std::memcpy(context->buffer, in, count);
    }
}

void Md5Final(uint8_t digest[16], Md5Context* context) {
    uint8_t bits[8];
    StoreLe32(bits, context->count[0]);
    StoreLe32(bits + 4, context->count[1]);
    // Pad with 0x80 and zeros to 56 bytes mod 64, then the bit count of the message before padding.
    static const uint8_t kPadding[64] = {0x80};
    const uint32_t used = (context->count[0] >> 3) & 63;
    Md5Update(context, kPadding, used < 56 ? 56 - used : 120 - used);
    Md5Update(context, bits, 8);
    for (int i = 0; i < 4; ++i) {
        StoreLe32(digest + 4 * i, context->state[i]);
    }
    std::memset(context, 0, sizeof(*context));
}

void Md5Buffer(uint8_t digest[16], const void* data, uint32_t count) {
    Md5Context context;
    Md5Init(&context);
    Md5Update(&context, data, count);
    Md5Final(digest, &context);
}
