// MD5 against digests taken from the RFC 1321 suite and the system's md5sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugin/cutil/cutil.h"

namespace {

std::string Hex(const uint8_t digest[16]) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

std::string Md5Hex(const std::string& text) {
    uint8_t digest[16];
    Md5Buffer(digest, text.data(), static_cast<uint32_t>(text.size()));
    return Hex(digest);
}

// The 63-bit key other parts of the plug-in take from a digest: its first 8 bytes little-endian, top bit
// cleared.
uint64_t Key63(const uint8_t digest[16]) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | digest[i];
    }
    return v & 0x7fffffffffffffffull;
}

TEST(Md5, MatchesReferenceDigests) {
    struct Case {
        std::string text;
        const char* hex;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890"
         "1234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Padding boundaries: the length field fits after 55 bytes, not after 56; 64 ends a block exactly.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
        {std::string(1000, 'a'), "cabe45dcc9ae5b66ba86600cca6b8ba8"},
        {"\xE4\xB8\xAD", "aed1dfbc31703955e64806b799b67645"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Md5Hex(c.text), c.hex) << "length " << c.text.size();
    }
}

TEST(Md5, UpdatesInPiecesEqualOneShot) {
    std::vector<uint8_t> data(100000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i % 251);
    }
    uint8_t whole[16];
    Md5Buffer(whole, data.data(), static_cast<uint32_t>(data.size()));
    EXPECT_EQ(Hex(whole), "28cb595c158e9b74e34ae9e8da710fff");

    const std::vector<std::vector<uint32_t>> splits = {
        {1, 63, 1}, {63, 1, 64, 0, 65}, {7, 13, 31, 127, 55, 56, 9}, {64, 64, 64}, {99999}};
    for (const auto& pieces : splits) {
        Md5Context ctx;
        Md5Init(&ctx);
        size_t at = 0;
        for (size_t k = 0; at < data.size(); ++k) {
            const uint32_t n =
                static_cast<uint32_t>(std::min<size_t>(pieces[k % pieces.size()], data.size() - at));
            Md5Update(&ctx, data.data() + at, n);
            at += n;
        }
        uint8_t digest[16];
        Md5Final(digest, &ctx);
        EXPECT_EQ(Hex(digest), Hex(whole)) << "split starting " << pieces[0];
    }

    // Every split point of a 130-byte text, two pieces each.
    for (uint32_t cut = 0; cut <= 130; ++cut) {
        Md5Context ctx;
        Md5Init(&ctx);
        Md5Update(&ctx, data.data(), cut);
        Md5Update(&ctx, data.data() + cut, 130 - cut);
        uint8_t digest[16];
        uint8_t oneShot[16];
        Md5Final(digest, &ctx);
        Md5Buffer(oneShot, data.data(), 130);
        EXPECT_EQ(Hex(digest), Hex(oneShot)) << "cut at " << cut;
    }

    // A stream past 2^32 bits (512 MiB and 3 bytes, a mebibyte at a time): the bit count carries into its
    // high word, and the padding holds all 64 bits of it.
    std::vector<uint8_t> mebibyte(1 << 20);
    for (size_t i = 0; i < mebibyte.size(); ++i) {
        mebibyte[i] = static_cast<uint8_t>(i % 251);
    }
    Md5Context ctx;
    Md5Init(&ctx);
    for (int i = 0; i < 512; ++i) {
        Md5Update(&ctx, mebibyte.data(), static_cast<uint32_t>(mebibyte.size()));
    }
    Md5Update(&ctx, "abc", 3);
    uint8_t digest[16];
    Md5Final(digest, &ctx);
    EXPECT_EQ(Hex(digest), "70980cfa6991a3d0f238c12da67e59cc");
}

TEST(Md5, KeysFromDigestsClearTheTopBit) {
    uint8_t digest[16];
    Md5Buffer(digest, "", 0);
    EXPECT_EQ(Key63(digest), 0x04b2008fd98c1dd4ull);
    EXPECT_EQ(Key63(digest), 338333539836370388ull);
    // "abc" reads 0xb04fd23c98500190 raw: the top bit is set and must go.
    Md5Buffer(digest, "abc", 3);
    EXPECT_EQ(digest[7], 0xb0);
    EXPECT_EQ(Key63(digest), 0x304fd23c98500190ull);
    EXPECT_EQ(Key63(digest), 3481232194675933584ull);
}

}  // namespace
