// Xrecords: an object holding a chain of typed values (result buffers by DXF group code). Every group-code
// kind is kept exactly: strings, reals, 16/32/64-bit integers, points, binary chunks, handles (as strings)
// and object ids (groups 330-369, as entity names).
#pragma once

#include <string>
#include <vector>

#include "platform/arx/acdb/dbobject.h"
#include "platform/arx/acut/adsdef.h"

class AcDbXrecord : public AcDbObject {
    TARN_DB_DECLARE_MEMBERS(AcDbXrecord)
    TARN_DB_STATE(AcDbXrecord, AcDbObject, m_data)
public:
    AcDbXrecord() = default;

    // A copy of the data; the caller frees it with acutRelRb. Null (and eOk) for an empty Xrecord.
    Acad::ErrorStatus rbChain(resbuf** chain, AcDbDatabase* auxDb = nullptr) const;
    // Replaces the data with a copy of the chain (null empties it). eInvalidResBuf (data unchanged) for a
    // type that is not a group code with a value.
    Acad::ErrorStatus setFromRbChain(const resbuf* chain, AcDbDatabase* auxDb = nullptr);
    Acad::ErrorStatus setFromRbChain(const resbuf& chain, AcDbDatabase* auxDb = nullptr) {
        return setFromRbChain(&chain, auxDb);
    }
    bool isXlateReferences() const { return true; }

    struct Item {
        short code = 0;
        platform::RbKind kind = platform::RbKind::kNone;
        double real = 0.0;
        double point[3] = {0.0, 0.0, 0.0};
        Adesk::Int64 integer = 0;
        std::u16string text;
        std::string bytes;
        AcDbObjectId id;
    };
    // The stored items (writers of drawing files and tests).
    std::vector<Item> tarnItems() const;
    // The bytes the items take in memory.
    size_t tarnDataBytes() const { return m_data.capacity(); }

private:
    // The items packed one after another, each its code (2 bytes) and its value at its own size: a real 8
    // bytes, a point 24, an integer 2, 4 or 8 as its kind, a name its id's 8; a text or binary chunk its
    // length (4 bytes) and its units. A link of a dozen items takes about what its values do.
    std::vector<char> m_data;
};
