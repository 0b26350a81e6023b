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

// The round functions in their cheapest equivalent forms. b is the register computed last, so each form
// leaves as little as possible to do once b is known.
inline uint32_t F(uint32_t b, uint32_t c, uint32_t d) {
    return d ^ (b & (c ^ d));
}
inline uint32_t H(uint32_t b, uint32_t c, uint32_t d) {
    return b ^ (c ^ d);
}
inline uint32_t I(uint32_t b, uint32_t c, uint32_t d) {
    return c ^ (b | ~d);
}

template <int Shift>
inline uint32_t Rotl(uint32_t x) {
    return (x << Shift) | (x >> (32 - Shift));
}

inline uint32_t LoadLe32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void StoreLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// One step: a := b + ((a + f(b, c, d) + word + constant) <<< shift). The word and constant are added first
// so that sum is ready before f is. Every step is written out with its word index, constant and shift as
// constants: as loops the compiler keeps them at run time.
template <uint32_t (*Fn)(uint32_t, uint32_t, uint32_t), int Shift>
inline void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t word, uint32_t constant) {
    a = b + Rotl<Shift>(a + (word + constant) + Fn(b, c, d));
}

// Round 2's G = (b & d) | (c & ~d): the two halves share no bit, so they may be added apart, and the half
// without b is added before b is known.
template <int Shift>
inline void StepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t word, uint32_t constant) {
    a = b + Rotl<Shift>((a + (word + constant) + (c & ~d)) + (b & d));
}

void Transform(uint32_t state[4], const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = LoadLe32(block + 4 * i);
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    // Round 1: words i (mod 16).
    Step<F, 7>(a, b, c, d, x[0], kSine[0]);
    Step<F, 12>(d, a, b, c, x[1], kSine[1]);
    Step<F, 17>(c, d, a, b, x[2], kSine[2]);
    Step<F, 22>(b, c, d, a, x[3], kSine[3]);
    Step<F, 7>(a, b, c, d, x[4], kSine[4]);
    Step<F, 12>(d, a, b, c, x[5], kSine[5]);
    Step<F, 17>(c, d, a, b, x[6], kSine[6]);
    Step<F, 22>(b, c, d, a, x[7], kSine[7]);
    Step<F, 7>(a, b, c, d, x[8], kSine[8]);
    Step<F, 12>(d, a, b, c, x[9], kSine[9]);
    Step<F, 17>(c, d, a, b, x[10], kSine[10]);
    Step<F, 22>(b, c, d, a, x[11], kSine[11]);
    Step<F, 7>(a, b, c, d, x[12], kSine[12]);
    Step<F, 12>(d, a, b, c, x[13], kSine[13]);
    Step<F, 17>(c, d, a, b, x[14], kSine[14]);
    Step<F, 22>(b, c, d, a, x[15], kSine[15]);
    // Round 2: words 5i + 1 (mod 16).
    StepG<5>(a, b, c, d, x[1], kSine[16]);
    StepG<9>(d, a, b, c, x[6], kSine[17]);
    StepG<14>(c, d, a, b, x[11], kSine[18]);
    StepG<20>(b, c, d, a, x[0], kSine[19]);
    StepG<5>(a, b, c, d, x[5], kSine[20]);
    StepG<9>(d, a, b, c, x[10], kSine[21]);
    StepG<14>(c, d, a, b, x[15], kSine[22]);
    StepG<20>(b, c, d, a, x[4], kSine[23]);
    StepG<5>(a, b, c, d, x[9], kSine[24]);
    StepG<9>(d, a, b, c, x[14], kSine[25]);
    StepG<14>(c, d, a, b, x[3], kSine[26]);
    StepG<20>(b, c, d, a, x[8], kSine[27]);
    StepG<5>(a, b, c, d, x[13], kSine[28]);
    StepG<9>(d, a, b, c, x[2], kSine[29]);
    StepG<14>(c, d, a, b, x[7], kSine[30]);
    StepG<20>(b, c, d, a, x[12], kSine[31]);
    // Round 3: words 3i + 5 (mod 16).
    Step<H, 4>(a, b, c, d, x[5], kSine[32]);
    Step<H, 11>(d, a, b, c, x[8], kSine[33]);
    Step<H, 16>(c, d, a, b, x[11], kSine[34]);
    Step<H, 23>(b, c, d, a, x[14], kSine[35]);
    Step<H, 4>(a, b, c, d, x[1], kSine[36]);
    Step<H, 11>(d, a, b, c, x[4], kSine[37]);
    Step<H, 16>(c, d, a, b, x[7], kSine[38]);
    Step<H, 23>(b, c, d, a, x[10], kSine[39]);
    Step<H, 4>(a, b, c, d, x[13], kSine[40]);
    Step<H, 11>(d, a, b, c, x[0], kSine[41]);
    Step<H, 16>(c, d, a, b, x[3], kSine[42]);
    Step<H, 23>(b, c, d, a, x[6], kSine[43]);
    Step<H, 4>(a, b, c, d, x[9], kSine[44]);
    Step<H, 11>(d, a, b, c, x[12], kSine[45]);
    Step<H, 16>(c, d, a, b, x[15], kSine[46]);
    Step<H, 23>(b, c, d, a, x[2], kSine[47]);
    // Round 4: words 7i (mod 16).
    Step<I, 6>(a, b, c, d, x[0], kSine[48]);
    Step<I, 10>(d, a, b, c, x[7], kSine[49]);
    Step<I, 15>(c, d, a, b, x[14], kSine[50]);
    Step<I, 21>(b, c, d, a, x[5], kSine[51]);
    Step<I, 6>(a, b, c, d, x[12], kSine[52]);
    Step<I, 10>(d, a, b, c, x[3], kSine[53]);
    Step<I, 15>(c, d, a, b, x[10], kSine[54]);
    Step<I, 21>(b, c, d, a, x[1], kSine[55]);
    Step<I, 6>(a, b, c, d, x[8], kSine[56]);
    Step<I, 10>(d, a, b, c, x[15], kSine[57]);
    Step<I, 15>(c, d, a, b, x[6], kSine[58]);
    Step<I, 21>(b, c, d, a, x[13], kSine[59]);
    Step<I, 6>(a, b, c, d, x[4], kSine[60]);
    Step<I, 10>(d, a, b, c, x[11], kSine[61]);
    Step<I, 15>(c, d, a, b, x[2], kSine[62]);
    Step<I, 21>(b, c, d, a, x[9], kSine[63]);
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
