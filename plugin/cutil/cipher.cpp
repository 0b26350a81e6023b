// The four-round block cipher in 64-bit cipher-feedback mode, and the buffer forms over it.
#include <cstring>

#include "plugin/cutil/cutil.h"

namespace {

constexpr int kRounds = 4;
constexpr int kSubkeys = 28;
// Every byte of a buffer is masked before encryption and after decryption.
constexpr uint8_t kBufferMask = 0xA5;

// Multiplication modulo 65537 with 0 standing for 65536, so every word has an inverse.
uint16_t Mul(uint16_t a, uint16_t b) {
    const uint64_t x = a != 0 ? a : 0x10000u;
    const uint64_t y = b != 0 ? b : 0x10000u;
    return static_cast<uint16_t>((x * y) % 0x10001u);  // 65536 comes out as 0
}

uint16_t Add(uint16_t a, uint16_t b) {
    return static_cast<uint16_t>(a + b);
}

uint16_t LoadWord(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

void StoreWord(uint8_t* p, uint16_t w) {
    p[0] = static_cast<uint8_t>(w >> 8);
    p[1] = static_cast<uint8_t>(w);
}

// A context whose count is out of range (never set so here) restarts on a block boundary rather than
// indexing outside the register.
void CheckLeft(CfbContext* context) {
    if (context->bytesLeft > 8) {
        context->bytesLeft = 0;
    }
}

// One block of key stream into the register; the register as it was is kept for CfbSync.
void NextBlock(CfbContext* context) {
    std::memcpy(context->previous, context->feedback, 8);
    EncryptBlock(context->feedback, context->feedback, context->subkeys);
}

}  // namespace

void ExpandKey(const uint8_t key[16], uint16_t subkeys[28]) {
    for (int i = 0; i < 8; ++i) {
        subkeys[i] = LoadWord(key + 2 * i);
    }
    // Each group of eight is the previous group's 128 bits rotated left by 25: word j takes the low 7 bits
    // of one word and the high 9 of the next, the last two wrapping to the start of the group.
    for (int i = 8; i < kSubkeys; ++i) {
        const int base = i - (i % 8) - 8;
        const int a = base + (i % 8 + 1) % 8;
        const int b = base + (i % 8 + 2) % 8;
        subkeys[i] = static_cast<uint16_t>((subkeys[a] << 9) | (subkeys[b] >> 7));
    }
}

void EncryptBlock(const uint8_t in[8], uint8_t out[8], const uint16_t subkeys[28]) {
    uint16_t x1 = LoadWord(in);
    uint16_t x2 = LoadWord(in + 2);
    uint16_t x3 = LoadWord(in + 4);
    uint16_t x4 = LoadWord(in + 6);
    const uint16_t* z = subkeys;
    for (int round = 0; round < kRounds; ++round, z += 6) {
        x1 = Mul(x1, z[0]);
        x2 = Add(x2, z[1]);
        x3 = Add(x3, z[2]);
        x4 = Mul(x4, z[3]);
        uint16_t t = Mul(static_cast<uint16_t>(x1 ^ x3), z[4]);
        const uint16_t u = Mul(Add(static_cast<uint16_t>(x2 ^ x4), t), z[5]);
        t = Add(t, u);
        x1 = static_cast<uint16_t>(x1 ^ u);
        x4 = static_cast<uint16_t>(x4 ^ t);
        const uint16_t newX2 = static_cast<uint16_t>(x3 ^ u);
        x3 = static_cast<uint16_t>(x2 ^ t);
        x2 = newX2;
    }
    // The output transform undoes the last round's swap of the middle words.
    StoreWord(out, Mul(x1, z[0]));
    StoreWord(out + 2, Add(x3, z[1]));
    StoreWord(out + 4, Add(x2, z[2]));
    StoreWord(out + 6, Mul(x4, z[3]));
}

void CfbSetIv(CfbContext* context, const uint8_t iv[8]) {
    if (iv != nullptr) {
        std::memcpy(context->feedback, iv, 8);
    } else {
        std::memset(context->feedback, 0, 8);
    }
    context->bytesLeft = 0;
}

void CfbInitKey(CfbContext* context, const uint8_t key[16]) {
    ExpandKey(key, context->subkeys);
    CfbSetIv(context, nullptr);
}

void CfbWipe(CfbContext* context) {
    // Through a volatile pointer, so that clearing a context about to die is not optimised away.
    volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(context);
    for (size_t i = 0; i < sizeof(*context); ++i) {
        p[i] = 0;
    }
}

void CfbSync(CfbContext* context) {
    const uint32_t n = context->bytesLeft;
    if (n == 0 || n > 8) {
        return;
    }
    uint8_t shifted[8];
    std::memcpy(shifted, context->previous + (8 - n), n);
    std::memcpy(shifted + n, context->feedback, 8 - n);
    std::memcpy(context->feedback, shifted, 8);
    context->bytesLeft = 0;
}

void CfbEncrypt(CfbContext* context, const uint8_t* in, uint8_t* out, uint32_t count) {
    CheckLeft(context);
    uint32_t i = 0;
    while (context->bytesLeft > 0 && i < count) {
        uint8_t& reg = context->feedback[8 - context->bytesLeft];
        reg = static_cast<uint8_t>(reg ^ in[i]);
        out[i++] = reg;
        --context->bytesLeft;
    }
    while (i < count) {
        NextBlock(context);
        const uint32_t take = count - i < 8 ? count - i : 8;
        for (uint32_t k = 0; k < take; ++k, ++i) {
            context->feedback[k] = static_cast<uint8_t>(context->feedback[k] ^ in[i]);
            out[i] = context->feedback[k];
        }
        context->bytesLeft = 8 - take;
    }
}

void CfbDecrypt(CfbContext* context, const uint8_t* in, uint8_t* out, uint32_t count) {
    CheckLeft(context);
    uint32_t i = 0;
    while (context->bytesLeft > 0 && i < count) {
        uint8_t& reg = context->feedback[8 - context->bytesLeft];
        const uint8_t cipher = in[i];  // read first: out may be in
        out[i++] = static_cast<uint8_t>(reg ^ cipher);
        reg = cipher;
        --context->bytesLeft;
    }
    while (i < count) {
        NextBlock(context);
        const uint32_t take = count - i < 8 ? count - i : 8;
        for (uint32_t k = 0; k < take; ++k, ++i) {
            const uint8_t cipher = in[i];
            out[i] = static_cast<uint8_t>(context->feedback[k] ^ cipher);
            context->feedback[k] = cipher;
        }
        context->bytesLeft = 8 - take;
    }
}

void CipherBuffer(const uint8_t key[16], const uint8_t* in, uint8_t* out, uint32_t count, int encrypt) {
    CfbContext context;
    CfbInitKey(&context, key);
    CfbSync(&context);
    if (encrypt) {
        for (uint32_t i = 0; i < count; ++i) {
            out[i] = static_cast<uint8_t>(in[i] ^ kBufferMask);
        }
        CfbEncrypt(&context, out, out, count);
    } else {
        CfbDecrypt(&context, in, out, count);
        for (uint32_t i = 0; i < count; ++i) {
            out[i] = static_cast<uint8_t>(out[i] ^ kBufferMask);
        }
    }
    CfbWipe(&context);
}

void CipherBufferAlias(const uint8_t key[16], const uint8_t* in, uint8_t* out, uint32_t count, int encrypt) {
    CipherBuffer(key, in, out, count, encrypt);
}

int CipherBufferMd5(const uint8_t key[16], const uint8_t* in, uint8_t* out, uint32_t count, int encrypt) {
    uint8_t digest[16];
    if (encrypt) {
        if (count > UINT32_MAX - 16) {
            return 0;
        }
        Md5Buffer(digest, in, count);  // before the cipher: out may be in
        CipherBuffer(key, in, out, count, 1);
        std::memcpy(out + count, digest, 16);
        return 1;
    }
    if (count < 16) {
        return 0;
    }
    const uint32_t textCount = count - 16;
    // The stored digest is taken from the input: with separate buffers the output never held it.
    uint8_t stored[16];
    std::memcpy(stored, in + textCount, 16);
    CipherBuffer(key, in, out, textCount, 0);
    Md5Buffer(digest, out, textCount);
    if (std::memcmp(digest, stored, 16) != 0) {
        // A wrong key or a changed byte: nothing unverified is left for the caller to use.
        std::memset(out, 0, textCount);
        return 0;
    }
    return 1;
}
