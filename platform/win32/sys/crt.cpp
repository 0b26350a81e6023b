// C runtime calls of the real platform that glibc spells otherwise: 64-bit time and the ASCII compare.
#include <strings.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/win32/core/clock.h"
#include "platform/win32/sys/sys_api.h"

void _ftime64(struct __timeb64* out) {
    if (out == nullptr) {
        return;
    }
    // Seconds and milliseconds from one reading, so that a caller joining them never goes backwards.
    int64_t seconds = 0;
    int millis = 0;
    if (platform::clock::IsVirtual()) {
        seconds = platform::clock::WallTimeSeconds();
        millis = static_cast<int>(platform::clock::NowMs() % 1000);
    } else {
        struct timespec ts;
        ::clock_gettime(CLOCK_REALTIME, &ts);
        seconds = ts.tv_sec;
        millis = static_cast<int>(ts.tv_nsec / 1000000);
    }
    const time_t value = static_cast<time_t>(seconds);
    struct tm local {};
    ::localtime_r(&value, &local);
    out->time = seconds;
    out->millitm = static_cast<unsigned short>(millis);
    out->timezone = static_cast<short>(-local.tm_gmtoff / 60 + (local.tm_isdst > 0 ? 60 : 0));
    out->dstflag = static_cast<short>(local.tm_isdst > 0 ? 1 : 0);
}

errno_t _gmtime64_s(struct tm* out, const __time64_t* time) {
    if (out == nullptr) {
        return EINVAL;
    }
    std::memset(out, 0, sizeof(*out));
    if (time == nullptr || *time < 0 || *time > 32535215999LL) {
        return EINVAL;
    }
    const time_t value = static_cast<time_t>(*time);
    if (::gmtime_r(&value, out) == nullptr) {
        std::memset(out, 0, sizeof(*out));
        return EINVAL;
    }
    return 0;
}

__time64_t _mktime64(struct tm* time) {
    if (time == nullptr) {
        return -1;
    }
    return static_cast<__time64_t>(::mktime(time));
}

int _strnicmp(const char* a, const char* b, size_t count) {
    return ::strncasecmp(a, b, count);
}
