// Base64 against the published vectors, both alphabets, and the refusal of bad text and small buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "plugin/cutil/cutil.h"

namespace {

std::string Encode(const std::string& data, int (*encode)(const void*, uint32_t, char*, int)) {
    char out[256];
    const int n = encode(data.data(), static_cast<uint32_t>(data.size()), out, sizeof(out));
    EXPECT_GE(n, 0);
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(out));
    return out;
}

// Decodes into an exact-size heap block of size bytes; the bytes, or "<refused>".
std::string Decode(const std::string& text, int size = 64) {
    std::unique_ptr<uint8_t[]> out(new uint8_t[size]);
    const int n = Base64Decode(text.c_str(), out.get(), size);
    if (n < 0) {
        return "<refused>";
    }
    EXPECT_EQ(out[n], 0) << "NUL after the bytes";
    return std::string(reinterpret_cast<const char*>(out.get()), static_cast<size_t>(n));
}

TEST(Base64, EncodesThePublishedVectorsInBothAlphabets) {
    const char* vectors[][2] = {{"", ""},
                                {"f", "Zg=="},
                                {"fo", "Zm8="},
                                {"foo", "Zm9v"},
                                {"foob", "Zm9vYg=="},
                                {"fooba", "Zm9vYmE="},
                                {"foobar", "Zm9vYmFy"}};
    for (const auto& v : vectors) {
        EXPECT_EQ(Encode(v[0], Base64Encode), v[1]);
        std::string unpadded = v[1];
        unpadded.erase(unpadded.find_last_not_of('=') + 1);
        EXPECT_EQ(Encode(v[0], Base64EncodeAlt), unpadded);
        EXPECT_EQ(Decode(v[1]), v[0]);
        EXPECT_EQ(Decode(unpadded), v[0]);
    }

    // 62 and 63: "+/" padded, "_-" unpadded; the decoder reads both, and "*" and "!" as 62.
    const std::string high("\xfb\xef\xff\xfe", 4);
    EXPECT_EQ(Encode(high, Base64Encode), "++///g==");
    EXPECT_EQ(Encode(high, Base64EncodeAlt), "__---g");
    EXPECT_EQ(Decode("++///g=="), high);
    EXPECT_EQ(Decode("__---g"), high);
    EXPECT_EQ(Decode("*!/-/g"), high);

    char custom[16];
    EXPECT_EQ(Base64EncodeCore("\x00\x01", 2, custom, sizeof(custom), kBase64Alphabet), 3);
    EXPECT_STREQ(custom, "AAE");

    // Every byte value survives the trip.
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
    }
    char text[400];
    ASSERT_EQ(Base64Encode(all.data(), 256, text, sizeof(text)), 344);
    EXPECT_EQ(Decode(text, 257), all);
}

TEST(Base64, ShortLastGroupsGiveTheirWholeBytes) {
    EXPECT_EQ(Decode("Zg"), "f");                      // two characters, second byte 0: one byte
    EXPECT_EQ(Decode("Zh"), std::string("f\x10", 2));  // second byte not 0: two bytes
    EXPECT_EQ(Decode("Zm8"), "fo");
    EXPECT_EQ(Decode("Z"), "d");  // one character: one byte
    EXPECT_EQ(Decode("Zm9vZ"), "food");
    EXPECT_EQ(Decode("Zm9v").size(), 3u);
}

TEST(Base64, RefusesBadTextAndSmallBuffers) {
    EXPECT_EQ(Decode("Zm9v YmFy"), "<refused>");  // a blank is no base64
    EXPECT_EQ(Decode("Zm9v\nYmFy"), "<refused>");
    EXPECT_EQ(Decode("Zm.v"), "<refused>");
    EXPECT_EQ(Decode("Zm9\xC3\xA9"), "<refused>");
    EXPECT_EQ(Decode("=Zm9"), "<refused>");      // padding cannot open a group
    EXPECT_EQ(Decode("Zg=a"), "<refused>");      // data after the padding
    EXPECT_EQ(Decode("Zg==Zm9v"), "<refused>");  // text after the padding
    EXPECT_EQ(Decode(""), "");

    // Exactly enough room for the bytes and the NUL, and one less.
    EXPECT_EQ(Decode("Zm9vYmFy", 7), "foobar");
    EXPECT_EQ(Decode("Zm9vYmFy", 6), "<refused>");
    EXPECT_EQ(Decode("Zm8=", 3), "fo");
    EXPECT_EQ(Decode("Zm8=", 2), "<refused>");
    EXPECT_EQ(Base64Decode(nullptr, nullptr, 0), -1);

    char out[9];
    EXPECT_EQ(Base64Encode("foobar", 6, out, 9), 8);
    EXPECT_EQ(Base64Encode("foobar", 6, out, 8), -1);
    EXPECT_EQ(Base64Encode("fooba", 5, out, 8), -1);  // padded to 8
    EXPECT_EQ(Base64EncodeAlt("fooba", 5, out, 8), 7);
    EXPECT_EQ(Base64EncodeAlt("fooba", 5, out, 7), -1);
    EXPECT_EQ(Base64Encode(nullptr, 3, out, 9), -1);
    EXPECT_EQ(Base64EncodeCore("f", 1, out, 9, "short"), -1);
}

}  // namespace
