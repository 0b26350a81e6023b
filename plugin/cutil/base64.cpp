// Base64 in the standard and the alternative alphabet, and the decoder that reads both.
#include <climits>
#include <cstring>

#include "plugin/cutil/cutil.h"

namespace {

// The value of a text byte in either alphabet ("*" and "!" also stand for 62), or -1 for any other byte:
// a text with such a byte is not base64 and is refused rather than read as something else.
int Value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    switch (c) {
        case '+':
        case '*':
        case '!':
        case '_':
            return 62;
        case '/':
        case '-':
            return 63;
        default:
            return -1;
    }
}

// Characters for count bytes without padding.
size_t UnpaddedLength(uint32_t count) {
    static constexpr size_t kTail[3] = {0, 2, 3};
    return static_cast<size_t>(count) / 3 * 4 + kTail[count % 3];
}

}  // namespace

int Base64EncodeCore(const void* data, uint32_t count, char* out, int size, const char* alphabet) {
    if (out == nullptr || alphabet == nullptr || std::strlen(alphabet) < 64 ||
        (data == nullptr && count != 0)) {
        return -1;
    }
    const size_t length = UnpaddedLength(count);
    if (size < 1 || length > static_cast<size_t>(size) - 1) {
        return -1;
    }
    const auto* in = static_cast<const uint8_t*>(data);
    size_t n = 0;
    uint32_t i = 0;
    for (; count - i >= 3; i += 3) {
        const uint32_t group = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
        out[n++] = alphabet[group >> 18];
        out[n++] = alphabet[(group >> 12) & 63];
        out[n++] = alphabet[(group >> 6) & 63];
        out[n++] = alphabet[group & 63];
    }
    if (count - i == 1) {
        out[n++] = alphabet[in[i] >> 2];
        out[n++] = alphabet[(in[i] & 3) << 4];
    } else if (count - i == 2) {
        out[n++] = alphabet[in[i] >> 2];
        out[n++] = alphabet[((in[i] & 3) << 4) | (in[i + 1] >> 4)];
        out[n++] = alphabet[(in[i + 1] & 15) << 2];
    }
    out[n] = '\0';
    return static_cast<int>(n);
}

int Base64Encode(const void* data, uint32_t count, char* out, int size) {
    const size_t padded = (static_cast<size_t>(count) + 2) / 3 * 4;
    if (out == nullptr || size < 1 || padded > static_cast<size_t>(size) - 1) {
        return -1;
    }
    int n = Base64EncodeCore(data, count, out, size, kBase64Alphabet);
    if (n < 0) {
        return -1;
    }
    while (static_cast<size_t>(n) < padded) {
        out[n++] = '=';
    }
    out[n] = '\0';
    return n;
}

int Base64EncodeAlt(const void* data, uint32_t count, char* out, int size) {
    return Base64EncodeCore(data, count, out, size, kBase64AltAlphabet);
}

int Base64Decode(const char* text, uint8_t* out, int size) {
    if (text == nullptr || out == nullptr || size < 1) {
        return -1;
    }
    size_t n = 0;
    size_t i = 0;
    const size_t room = static_cast<size_t>(size) - 1;  // the NUL after the bytes
    while (text[i] != '\0') {
        int v[4] = {0, 0, 0, 0};
        int chars = 0;
        bool padded = false;
        for (int place = 0; place < 4 && text[i] != '\0'; ++place, ++i) {
            const char c = text[i];
            if (c == '=') {
                if (place == 0) {
                    out[0] = 0;
                    return -1;
                }
                padded = true;  // leaves this place out
                continue;
            }
            const int value = Value(c);
            if (value < 0 || padded) {
                out[0] = 0;
                return -1;  // not base64, or data after the padding
            }
            v[chars++] = value;
        }
        if (padded && text[i] != '\0') {
            out[0] = 0;
            return -1;
        }
        const uint8_t b[3] = {static_cast<uint8_t>((v[0] << 2) | (v[1] >> 4)),
                              static_cast<uint8_t>(((v[1] & 15) << 4) | (v[2] >> 2)),
                              static_cast<uint8_t>(((v[2] & 3) << 6) | v[3])};
        // A short group ends the text: one character gives a byte, two give two unless the second is 0,
        // three give two.
        size_t take = 3;
        if (chars == 1) {
            take = 1;
        } else if (chars == 2) {
            take = b[1] == 0 ? 1 : 2;
        } else if (chars == 3) {
            take = 2;
        }
        if (take > room - n) {
            out[0] = 0;
            return -1;
        }
        std::memcpy(out + n, b, take);
        n += take;
        if (chars < 4) {
            break;
        }
    }
    out[n] = 0;
    return n > static_cast<size_t>(INT_MAX) ? -1 : static_cast<int>(n);
}
