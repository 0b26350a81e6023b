// Identity in the drawing database: handles (persistent, per database) and object ids (valid for one opening
// of a drawing only). An id is an opaque serial drawn from a process-wide counter that never repeats, so an
// id kept across a close and reopen of a drawing matches nothing in the new database: code that must survive
// a reopen keeps handles.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/arx/acge/acarray.h"
#include "platform/arx/acut/adesk.h"

class AcDbDatabase;
class AcDbObject;

namespace AcDb {

enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };

}  // namespace AcDb

// A 64-bit handle, unique within its database and never reused there; it survives save and reopen.
class AcDbHandle {
public:
    AcDbHandle() = default;
    AcDbHandle(Adesk::UInt64 value) : m_value(value) {}  // NOLINT: implicit as in the host
    AcDbHandle(Adesk::UInt32 low, Adesk::UInt32 high)
        : m_value(static_cast<Adesk::UInt64>(high) << 32 | low) {}
    // Parses hexadecimal text ("1F"); bad text gives the null handle.
    explicit AcDbHandle(const ACHAR* hex);

    operator Adesk::UInt64() const { return m_value; }  // NOLINT: implicit as in the host
    Adesk::UInt64 value() const { return m_value; }
    Adesk::UInt32 low() const { return static_cast<Adesk::UInt32>(m_value); }
    Adesk::UInt32 high() const { return static_cast<Adesk::UInt32>(m_value >> 32); }
    bool isNull() const { return m_value == 0; }
    void setNull() { m_value = 0; }
    AcDbHandle& operator++() {
        ++m_value;
        return *this;
    }
    bool operator==(const AcDbHandle& other) const { return m_value == other.m_value; }
    bool operator!=(const AcDbHandle& other) const { return m_value != other.m_value; }
    bool operator<(const AcDbHandle& other) const { return m_value < other.m_value; }
    // Upper-case hexadecimal without leading zeros ("0" for null); false when the buffer is too small.
    bool getIntoAsciiBuffer(ACHAR* buffer, size_t count) const;

private:
    Adesk::UInt64 m_value = 0;
};

class AcDbObjectId {
public:
    AcDbObjectId() = default;

    static const AcDbObjectId kNull;

    bool isNull() const { return m_serial == 0; }
    void setNull() { m_serial = 0; }
    // False for the null id and for ids whose database is gone.
    bool isValid() const;
    // Erased objects keep their ids; false for null and stale ids.
    bool isErased() const;
    // Null handle for null and stale ids.
    AcDbHandle handle() const;
    // Null for null and stale ids.
    AcDbDatabase* database() const;
    // The raw token, only for printing and hashing; it is not a handle.
    Adesk::Int64 asOldId() const { return static_cast<Adesk::Int64>(m_serial); }

    bool operator==(const AcDbObjectId& other) const { return m_serial == other.m_serial; }
    bool operator!=(const AcDbObjectId& other) const { return m_serial != other.m_serial; }
    bool operator<(const AcDbObjectId& other) const { return m_serial < other.m_serial; }
    bool operator>(const AcDbObjectId& other) const { return m_serial > other.m_serial; }
    bool operator<=(const AcDbObjectId& other) const { return m_serial <= other.m_serial; }
    bool operator>=(const AcDbObjectId& other) const { return m_serial >= other.m_serial; }

    // Stand-in internals: ids are made by the database only.
    explicit AcDbObjectId(std::uint64_t serial) : m_serial(serial) {}
    std::uint64_t serial() const { return m_serial; }

private:
    std::uint64_t m_serial = 0;
};

typedef AcArray<AcDbObjectId> AcDbObjectIdArray;
typedef AcArray<void*> AcDbVoidPtrArray;
