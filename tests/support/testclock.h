// Wall-clock bases for tests that read local time.
#pragma once

#include <cstdint>
#include <ctime>

namespace tarntest {

// The seconds since 1970 at which the local clock reads that date and time, whatever the zone (taken through
// mktime), so a wall base set to it shows exactly that time.
inline int64_t LocalSeconds(int year, int month, int day, int hour, int minute, int second) {
    struct tm when = {};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    when.tm_sec = second;
    when.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&when));
}

}  // namespace tarntest
