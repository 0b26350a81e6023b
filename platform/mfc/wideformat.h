// The wide printf of the real platform, written once for CString::Format, acutPrintf and the plug-in's own
// wide formatting. Its conventions differ from glibc's wide printf:
//   %s  wide string (const char16_t*), %S narrow string (const char*, ANSI code page); %hs narrow, %ls/%ws
//   wide %c  wide character, %C narrow character; %hc narrow, %lc/%wc wide %ld %lu %lx are 32-bit (long is 32
//   bits there); %lld %I64d %I64u %I64x are 64-bit; %Id %Iu pointer-sized %d %i %u %o %x %X %f %F %e %E %g %G
//   %a %A %p %%; flags "-+ 0#", width and precision, both also as '*'
// Numbers are formatted with the "C" locale whatever the process locale is. A null string prints "(null)".
// %n writes nothing (refused, as the real runtime does by default); an unknown conversion is copied as is.
#pragma once

#include <cstdarg>
#include <string>

namespace platform {

std::u16string FormatWideV(const char16_t* format, va_list args);
std::u16string FormatWide(const char16_t* format, ...);

}  // namespace platform
