// UTC and local time, the time pattern, the time-zone offset and local dates to seconds.
#include <cstdio>
#include <cstring>

#include "platform/win32/windows.h"
#include "plugin/cutil/cutil.h"

namespace {

// The weekday numerals in the GBK code page, Sunday first: 日 一 二 三 四 五 六.
constexpr unsigned char kWeekdayGbk[7][2] = {{0xC8, 0xD5}, {0xD2, 0xBB}, {0xB6, 0xFE}, {0xC8, 0xFD},
                                             {0xCB, 0xC4}, {0xCE, 0xE5}, {0xC1, 0xF9}};

// Overwrites the first occurrence of placeholder with the digits of value, as wide as the placeholder.
void Put(char* text, const char* placeholder, int value) {
    char* at = std::strstr(text, placeholder);
    if (at == nullptr) {
        return;
    }
    const size_t width = std::strlen(placeholder);
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%0*d", static_cast<int>(width), value);
    std::memcpy(at, digits + (std::strlen(digits) - width), width);
}

}  // namespace

struct tm* UtcTimeNow(struct tm* out, int64_t t) {
    __time64_t when = t != 0 ? static_cast<__time64_t>(t) : _time64(nullptr);
    if (_gmtime64_s(out, &when) != 0) {
        std::memset(out, 0, sizeof(*out));
    }
    return out;
}

int64_t NowSeconds() {
    return _time64(nullptr);
}

int64_t NowMillis() {
    struct __timeb64 now;
    _ftime64(&now);
    return static_cast<int64_t>(now.time) * 1000 + now.millitm;
}

char* FormatTime(char* out, int size, const char* pattern, int64_t t, int utc) {
    if (out == nullptr || pattern == nullptr || size < 1 ||
        std::strlen(pattern) > static_cast<size_t>(size) - 1) {
        return nullptr;
    }
    __time64_t when = t != 0 ? static_cast<__time64_t>(t) : _time64(nullptr);
    struct tm tm;
    if ((utc ? _gmtime64_s(&tm, &when) : _localtime64_s(&tm, &when)) != 0) {
        return nullptr;
    }
    std::memcpy(out, pattern, std::strlen(pattern) + 1);
    // Every placeholder is replaced by as many bytes as it has, so the text keeps its length.
    Put(out, "yyyy", tm.tm_year + 1900);
    Put(out, "mm", tm.tm_mon + 1);
    Put(out, "dd", tm.tm_mday);
    Put(out, "hh", tm.tm_hour);
    Put(out, "mi", tm.tm_min);
    Put(out, "ss", tm.tm_sec);
    if (char* at = std::strstr(out, "ww"); at != nullptr && tm.tm_wday >= 0 && tm.tm_wday < 7) {
        std::memcpy(at, kWeekdayGbk[tm.tm_wday], 2);
    }
    return out;
}

int TimeZoneOffset() {
    const __time64_t now = _time64(nullptr);
    struct tm local;
    struct tm utc;
    if (_localtime64_s(&local, &now) != 0 || _gmtime64_s(&utc, &now) != 0) {
        return 0;
    }
    int hours = local.tm_hour - utc.tm_hour;
    if (hours > 12) {
        hours -= 24;
    } else if (hours < -12) {
        hours += 24;
    }
    return hours * 3600;
}

int64_t MakeTime(int year, int month, int day, int hour, int minute, int second, int addZone) {
    if (year < 1970 || year > 3000 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) {
        return -1;
    }
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const __time64_t value = _mktime64(&tm);
    if (value == -1) {
        return -1;
    }
    return static_cast<int64_t>(value) + (addZone ? TimeZoneOffset() : 0);
}
