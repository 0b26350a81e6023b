// UTF-8 and UTF-16 conversions used inside the stand-in (the plug-in itself goes through the code-page
// functions). Strict conversions refuse malformed input; lenient ones put U+FFFD in its place.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Length of a NUL-terminated UTF-16 text in code units.
size_t WideLength(const char16_t* text);

// Converts UTF-8 to UTF-16. With strict set, malformed input (bad sequences, overlong forms, surrogates,
// values above U+10FFFF) fails and *ok is set false; otherwise each bad byte becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8, bool strict = false, bool* ok = nullptr);

// Converts UTF-16 to UTF-8. With strict set, an unpaired surrogate fails; otherwise it becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16, bool strict = false, bool* ok = nullptr);

// Case-insensitive comparison of UTF-16 texts (ASCII letters and the Latin-1 range fold; enough for the
// names the platform compares: window classes, registry keys, profile sections and keys, symbol names).
int CompareNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
char16_t ToUpperChar(char16_t c);
char16_t ToLowerChar(char16_t c);

}  // namespace platform
