// Result buffers: allocation, release, building from argument lists, copying.
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "platform/arx/acut/acutads.h"

namespace platform {

RbKind RbKindOf(int t) {
    switch (t) {
        case RTREAL:
        case RTANG:
        case RTORINT:
            return RbKind::kReal;
        case RTPOINT:
        case RT3DPOINT:
            return RbKind::kPoint;
        case RTSHORT:
            return RbKind::kShort;
        case RTLONG:
            return RbKind::kLong;
        case RTSTR:
        case RTDXF0:
            return RbKind::kString;
        case RTENAME:
        case RTPICKS:
            return RbKind::kName;
        case RTNONE:
        case RTVOID:
        case RTLB:
        case RTLE:
        case RTDOTE:
        case RTNIL:
        case RTT:
            return RbKind::kNone;
        default:
            break;
    }
    // DXF group codes, by their ranges.
    struct Range {
        int from;
        int to;
        RbKind kind;
    };
    static const Range kRanges[] = {
        {-5, -5, RbKind::kNone},       {-4, -4, RbKind::kString},    {-3, -3, RbKind::kNone},
        {-2, -1, RbKind::kName},       {0, 9, RbKind::kString},      {10, 39, RbKind::kPoint},
        {40, 59, RbKind::kReal},       {60, 79, RbKind::kShort},     {90, 99, RbKind::kLong},
        {100, 102, RbKind::kString},   {105, 105, RbKind::kString},  {110, 139, RbKind::kPoint},
        {140, 149, RbKind::kReal},     {160, 169, RbKind::kInt64},   {170, 179, RbKind::kShort},
        {210, 239, RbKind::kPoint},    {270, 299, RbKind::kShort},   {300, 309, RbKind::kString},
        {310, 319, RbKind::kBinary},   {320, 329, RbKind::kString},  {330, 369, RbKind::kName},
        {370, 389, RbKind::kShort},    {390, 399, RbKind::kName},    {400, 409, RbKind::kShort},
        {410, 419, RbKind::kString},   {420, 429, RbKind::kLong},    {430, 439, RbKind::kString},
        {440, 459, RbKind::kLong},     {460, 469, RbKind::kReal},    {470, 479, RbKind::kString},
        {480, 481, RbKind::kName},     {999, 1003, RbKind::kString}, {1004, 1004, RbKind::kBinary},
        {1005, 1009, RbKind::kString}, {1010, 1039, RbKind::kPoint}, {1040, 1042, RbKind::kReal},
        {1060, 1070, RbKind::kShort},  {1071, 1071, RbKind::kLong},
    };
    for (const Range& r : kRanges) {
        if (t >= r.from && t <= r.to) {
            return r.kind;
        }
    }
    return RbKind::kUnknown;
}

ACHAR* RbDupString(const ACHAR* text) {
    if (text == nullptr) {
        return nullptr;
    }
    size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    auto* copy = static_cast<ACHAR*>(std::malloc((n + 1) * sizeof(ACHAR)));
    if (copy != nullptr) {
        std::memcpy(copy, text, (n + 1) * sizeof(ACHAR));
    }
    return copy;
}

namespace {

void CopyBinary(const ads_binary& from, ads_binary& to) {
    to.clen = 0;
    to.buf = nullptr;
    if (from.buf != nullptr && from.clen > 0) {
        to.buf = static_cast<char*>(std::malloc(static_cast<size_t>(from.clen)));
        if (to.buf != nullptr) {
            std::memcpy(to.buf, from.buf, static_cast<size_t>(from.clen));
            to.clen = from.clen;
        }
    }
}

}  // namespace

resbuf* DuplicateRbChain(const resbuf* chain) {
    resbuf* head = nullptr;
    resbuf** tail = &head;
    for (const resbuf* rb = chain; rb != nullptr; rb = rb->rbnext) {
        resbuf* copy = acutNewRb(rb->restype);
        copy->resval = rb->resval;
        switch (RbKindOf(rb->restype)) {
            case RbKind::kString:
                copy->resval.rstring = RbDupString(rb->resval.rstring);
                break;
            case RbKind::kBinary:
                CopyBinary(rb->resval.rbinary, copy->resval.rbinary);
                break;
            default:
                break;
        }
        *tail = copy;
        tail = &copy->rbnext;
    }
    return head;
}

}  // namespace platform

resbuf* acutNewRb(int type) {
    auto* rb = new resbuf;
    std::memset(static_cast<void*>(rb), 0, sizeof(resbuf));
    rb->restype = static_cast<short>(type);
    return rb;
}

int acutRelRb(resbuf* rb) {
    while (rb != nullptr) {
        resbuf* next = rb->rbnext;
        switch (platform::RbKindOf(rb->restype)) {
            case platform::RbKind::kString:
                std::free(rb->resval.rstring);
                break;
            case platform::RbKind::kBinary:
                std::free(rb->resval.rbinary.buf);
                break;
            default:
                break;
        }
        delete rb;
        rb = next;
    }
    return RTNORM;
}

resbuf* acutBuildList(int type, ...) {
    va_list args;
    va_start(args, type);
    resbuf* head = nullptr;
    resbuf** tail = &head;
    bool failed = false;
    for (int t = type; t != 0 && t != RTNONE; t = va_arg(args, int)) {
        const platform::RbKind kind = platform::RbKindOf(t);
        if (kind == platform::RbKind::kUnknown) {
            failed = true;
            break;
        }
        resbuf* rb = acutNewRb(t);
        *tail = rb;
        tail = &rb->rbnext;
        switch (kind) {
            case platform::RbKind::kReal:
                rb->resval.rreal = va_arg(args, double);
                break;
            case platform::RbKind::kPoint: {
                const ads_real* p = va_arg(args, const ads_real*);
                if (p != nullptr) {
                    rb->resval.rpoint[X] = p[X];
                    rb->resval.rpoint[Y] = p[Y];
                    // A 2D point supplies no Z.
                    rb->resval.rpoint[Z] = (t == RTPOINT) ? 0.0 : p[Z];
                }
                break;
            }
            case platform::RbKind::kShort:
                rb->resval.rint = static_cast<short>(va_arg(args, int));
                break;
            case platform::RbKind::kLong:
                rb->resval.rlong = static_cast<Adesk::Int32>(va_arg(args, int));
                break;
            case platform::RbKind::kInt64:
                rb->resval.mnInt64 = va_arg(args, Adesk::Int64);
                break;
            case platform::RbKind::kString:
                rb->resval.rstring = platform::RbDupString(va_arg(args, const ACHAR*));
                break;
            case platform::RbKind::kName: {
                const Adesk::LongPtr* name = va_arg(args, const Adesk::LongPtr*);
                if (name != nullptr) {
                    rb->resval.rlname[0] = name[0];
                    rb->resval.rlname[1] = name[1];
                }
                break;
            }
            case platform::RbKind::kBinary: {
                const ads_binary* chunk = va_arg(args, const ads_binary*);
                if (chunk != nullptr) {
                    platform::CopyBinary(*chunk, rb->resval.rbinary);
                }
                break;
            }
            case platform::RbKind::kNone:
            case platform::RbKind::kUnknown:
                break;
        }
    }
    va_end(args);
    if (failed) {
        acutRelRb(head);
        return nullptr;
    }
    return head;
}

ACHAR* acutNewString(const ACHAR* text) {
    return platform::RbDupString(text);
}

void acutDelString(ACHAR*& text) {
    std::free(text);
    text = nullptr;
}
