// ADS value types and the result buffer, the typed linked list through which the host passes values.
#pragma once

#include "platform/arx/acut/adesk.h"
#include "platform/arx/acut/adscodes.h"

typedef double ads_real;
typedef ads_real ads_point[3];
typedef Adesk::LongPtr ads_name[2];
typedef ads_real ads_matrix[4][4];
typedef ads_real* ads_pointp;
typedef Adesk::LongPtr* ads_namep;

enum { X = 0, Y = 1, Z = 2 };

struct ads_binary {
    short clen;
    char* buf;
};

union ads_u_val {
    ads_real rreal;
    ads_real rpoint[3];
    short rint;
    ACHAR* rstring;  // owned by the buffer: acutRelRb frees it
    Adesk::LongPtr rlname[2];
    Adesk::Int32 rlong;
    Adesk::Int64 mnInt64;
    ads_binary rbinary;
    unsigned char ihandle[8];
};

struct resbuf {
    struct resbuf* rbnext;
    short restype;
    union ads_u_val resval;
};

namespace platform {

// What a result buffer of a type holds.
enum class RbKind { kNone, kReal, kPoint, kShort, kLong, kInt64, kString, kName, kBinary, kUnknown };

// The value kind of an ADS type code or DXF group code; kUnknown for codes with no meaning.
RbKind RbKindOf(int restype);

// A deep copy of a chain (strings and binary data duplicated); null for null.
resbuf* DuplicateRbChain(const resbuf* chain);

// Strings in result buffers are allocated here (malloc) and freed with acutDelString / free.
ACHAR* RbDupString(const ACHAR* text);

}  // namespace platform
