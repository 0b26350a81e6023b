// The block cipher, its cipher-feedback stream and the buffer forms, against published key-schedule and
// round material and by round trips.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "plugin/cutil/cutil.h"

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t kKey[16] = {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8};

// memcmp that takes the empty vectors' null data.
bool Same(const uint8_t* a, const uint8_t* b, size_t n) {
    return n == 0 || std::memcmp(a, b, n) == 0;
}

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) {
        b[i] = static_cast<uint8_t>(seed + i * 37);
    }
    return b;
}

TEST(Cipher, KeyScheduleAndBlockMatchPublishedVectors) {
    uint16_t subkeys[28];
    ExpandKey(kKey, subkeys);
    const uint16_t expected[28] = {0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,
                                   0x0008, 0x0400, 0x0600, 0x0800, 0x0a00, 0x0c00, 0x0e00,
                                   0x1000, 0x0200, 0x0010, 0x0014, 0x0018, 0x001c, 0x0020,
                                   0x0004, 0x0008, 0x000c, 0x2800, 0x3000, 0x3800, 0x4000};
    for (int i = 0; i < 28; ++i) {
        EXPECT_EQ(subkeys[i], expected[i]) << "subkey " << i;
    }

    // Four rounds of the published trace, then the output transform with subkeys 24 to 27.
    const uint8_t plain[8] = {0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03};
    const uint8_t cipher[8] = {0xca, 0x46, 0xf6, 0x5b, 0xe4, 0x58, 0x11, 0x6d};
    uint8_t out[8];
    EncryptBlock(plain, out, subkeys);
    EXPECT_EQ(0, std::memcmp(out, cipher, 8));
    uint8_t inPlace[8];
    std::memcpy(inPlace, plain, 8);
    EncryptBlock(inPlace, inPlace, subkeys);
    EXPECT_EQ(0, std::memcmp(inPlace, cipher, 8));

    // In CFB the first block of key stream is the encrypted vector.
    CfbContext context;
    CfbInitKey(&context, kKey);
    EXPECT_EQ(context.bytesLeft, 0u);
    CfbSetIv(&context, plain);
    uint8_t zeros[8] = {};
    CfbEncrypt(&context, zeros, zeros, 8);
    EXPECT_EQ(0, std::memcmp(zeros, cipher, 8));
    EXPECT_EQ(context.bytesLeft, 0u);
    EXPECT_EQ(0, std::memcmp(context.previous, plain, 8));

    CfbWipe(&context);
    const CfbContext cleared{};
    EXPECT_EQ(0, std::memcmp(&context, &cleared, sizeof(context)));
}

TEST(Cipher, StreamInPiecesEqualsStreamAtOnceBothWays) {
    const Bytes plain = Pattern(41, 3);
    Bytes whole(plain.size());
    CfbContext context;
    CfbInitKey(&context, kKey);
    CfbEncrypt(&context, plain.data(), whole.data(), static_cast<uint32_t>(plain.size()));
    EXPECT_NE(whole, plain);

    // Pieces of 3 and 5 bytes, and other splits that cross block boundaries.
    for (const std::vector<uint32_t>& cuts : std::vector<std::vector<uint32_t>>{
             {3, 5, 3, 5, 3, 5, 3, 5, 3, 5, 1}, {1, 7, 8, 9, 16}, {8, 8, 8, 8, 8, 1}, {0, 41}, {40, 1}}) {
        CfbContext enc;
        CfbInitKey(&enc, kKey);
        CfbContext dec;
        CfbInitKey(&dec, kKey);
        Bytes pieces(plain.size());
        Bytes back(plain.size());
        uint32_t at = 0;
        for (uint32_t n : cuts) {
            CfbEncrypt(&enc, plain.data() + at, pieces.data() + at, n);
            CfbDecrypt(&dec, pieces.data() + at, back.data() + at, n);
            at += n;
        }
        ASSERT_EQ(at, plain.size());
        EXPECT_EQ(pieces, whole);
        EXPECT_EQ(back, plain);
    }

    // Deciphering in place.
    Bytes buffer = whole;
    CfbInitKey(&context, kKey);
    CfbDecrypt(&context, buffer.data(), buffer.data(), static_cast<uint32_t>(buffer.size()));
    EXPECT_EQ(buffer, plain);
}

TEST(Cipher, SyncStartsTheNextByteOnAFreshBlock) {
    const uint8_t iv[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    const Bytes plain = Pattern(11, 50);
    CfbContext context;
    CfbInitKey(&context, kKey);
    CfbSetIv(&context, iv);
    Bytes out(11);
    CfbEncrypt(&context, plain.data(), out.data(), 3);
    EXPECT_EQ(context.bytesLeft, 5u);
    CfbSync(&context);
    EXPECT_EQ(context.bytesLeft, 0u);
    CfbEncrypt(&context, plain.data() + 3, out.data() + 3, 8);

    // The same as a fresh stream whose vector is the last 8 bytes of vector and cipher so far.
    uint8_t tail[8];
    std::memcpy(tail, iv + 3, 5);
    std::memcpy(tail + 5, out.data(), 3);
    CfbContext fresh;
    CfbInitKey(&fresh, kKey);
    CfbSetIv(&fresh, tail);
    Bytes expected(8);
    CfbEncrypt(&fresh, plain.data() + 3, expected.data(), 8);
    EXPECT_EQ(Bytes(out.begin() + 3, out.end()), expected);

    // On a block boundary it changes nothing.
    CfbContext before = fresh;
    CfbSync(&fresh);
    EXPECT_EQ(0, std::memcmp(&before, &fresh, sizeof(fresh)));
}

TEST(Cipher, BufferRoundTripsAtEveryLengthAroundTheBlock) {
    const uint8_t zeroKey[16] = {};
    for (const uint8_t* key : {kKey, zeroKey}) {
        for (uint32_t n = 0; n <= 25; ++n) {
            const Bytes plain = Pattern(n, static_cast<uint8_t>(n));
            // Exact-size heap buffers, so a byte read or written past either end shows under ASan.
            std::unique_ptr<uint8_t[]> cipher(new uint8_t[n + 1]);
            std::unique_ptr<uint8_t[]> back(new uint8_t[n + 1]);
            CipherBuffer(key, plain.data(), cipher.get(), n, 1);
            if (n >= 4) {
                EXPECT_FALSE(Same(cipher.get(), plain.data(), n)) << n;
            }
            CipherBufferAlias(key, cipher.get(), back.get(), n, 0);
            EXPECT_TRUE(Same(back.get(), plain.data(), n)) << n;

            Bytes inPlace = plain;
            CipherBuffer(key, inPlace.data(), inPlace.data(), n, 1);
            EXPECT_TRUE(Same(inPlace.data(), cipher.get(), n)) << n;
            CipherBuffer(key, inPlace.data(), inPlace.data(), n, 0);
            EXPECT_EQ(inPlace, plain) << n;
        }
    }
}

TEST(Cipher, DigestCheckedBufferRoundTripsAndFailsClosed) {
    const uint8_t wrongKey[16] = {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 9};
    for (uint32_t n = 0; n <= 25; ++n) {
        const Bytes plain = Pattern(n, static_cast<uint8_t>(200 + n));
        Bytes sealed(n + 16);
        ASSERT_EQ(CipherBufferMd5(kKey, plain.data(), sealed.data(), n, 1), 1);
        uint8_t digest[16];
        Md5Buffer(digest, plain.data(), n);
        EXPECT_EQ(0, std::memcmp(sealed.data() + n, digest, 16)) << "digest in clear after the cipher text";

        // Out of place into exactly n bytes: the stored digest is read from the input, never past the output.
        std::unique_ptr<uint8_t[]> out(new uint8_t[n + 1]);
        EXPECT_EQ(CipherBufferMd5(kKey, sealed.data(), out.get(), n + 16, 0), 1) << n;
        EXPECT_TRUE(Same(out.get(), plain.data(), n)) << n;

        // In place.
        Bytes buffer = sealed;
        EXPECT_EQ(CipherBufferMd5(kKey, buffer.data(), buffer.data(), n + 16, 0), 1) << n;
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + n), plain) << n;

        // A wrong key, and each kind of changed byte, fail and leave no deciphered text behind.
        // (An empty text has the same digest under every key.)
        buffer = sealed;
        EXPECT_EQ(CipherBufferMd5(wrongKey, buffer.data(), buffer.data(), n + 16, 0), n == 0 ? 1 : 0) << n;
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + n), Bytes(n, 0)) << n;
        for (uint32_t at : {0u, n / 2, n + 15}) {
            buffer = sealed;
            buffer[at] ^= 0x01;
            EXPECT_EQ(CipherBufferMd5(kKey, buffer.data(), out.get(), n + 16, 0), 0) << n << " at " << at;
        }
    }
    // Too short to hold a digest.
    uint8_t small[15] = {};
    uint8_t out[15];
    EXPECT_EQ(CipherBufferMd5(kKey, small, out, 15, 0), 0);
    EXPECT_EQ(CipherBufferMd5(kKey, small, out, 0, 0), 0);
}

}  // namespace
