// The wire records the map application reads and writes, as field offsets and small value types of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mapsim/wire.h"

namespace mapsim {

inline constexpr uint16_t kMarker = 101;
inline constexpr size_t kHeaderSize = 16;
inline constexpr size_t kNameSize = 100;
inline constexpr size_t kFolderSize = 176;
inline constexpr size_t kListEntrySize = 108;
inline constexpr size_t kPacketHeadSize = 80;
inline constexpr size_t kObjectHeaderSize = 64;
inline constexpr size_t kAnswerRecordSize = 64;
inline constexpr size_t kMapFileRecordSize = 472;
inline constexpr size_t kMapFilePathSize = 260;
inline constexpr size_t kAssocBlockSize = 40;
inline constexpr size_t kAssocItemSize = 80;
inline constexpr size_t kResolutionRecordSize = 104;

inline constexpr uint32_t kTypeFolder = 30;
inline constexpr uint32_t kTypeMark = 7;
inline constexpr uint32_t kTypeTrack = 8;
inline constexpr uint32_t kTypeShape = 13;
inline constexpr uint32_t kTypeMulti = 11;

// The 16-byte request header: marker, type, flag, parent, object id or argument, value or flags.
struct Header {
    uint16_t marker = kMarker;
    uint8_t type = 0;
    uint8_t flag = 0;
    uint32_t parent = 0;
    uint32_t object = 0;
    uint32_t value = 0;

    static Header Read(const uint8_t* data, size_t size);
    void Write(Bytes& bytes) const;
};

// A 176-byte folder record with its name (cut to 99 bytes) and the allocation byte at 111 set.
Bytes MakeFolderRecord(const std::string& name);

// Whether a serialised object of a type has exactly the length its fixed part, text and counted arrays
// demand (multi-part objects: at least). Counts and lengths come from the sender, so the sums are 64-bit.
bool SerialisedFormOk(uint32_t type, const uint8_t* data, size_t size);

// One object record of a transfer packet: the 64-byte object header's fields and the serialised object.
struct PacketRecord {
    uint32_t type = 0;
    uint32_t id = 0;
    uint32_t parent = 0;
    uint64_t key = 0;
    Bytes payload;
};

// A transfer packet: 16-byte header (drawing folder at 4), group header (total at 16, folder at 28), records.
struct Packet {
    uint32_t folder = 0;
    std::vector<PacketRecord> records;
};

// Reads a packet; nullopt when the total or a record size reaches past the bytes received.
std::optional<Packet> ReadPacket(const uint8_t* data, size_t size);
Bytes WritePacket(const Packet& packet);

// Writes a transfer packet record by record straight into its bytes, so that a large answer is neither
// gathered as records first nor grown by doubling: the sizes of all records are known up front.
class PacketWriter {
public:
    explicit PacketWriter(size_t payloadBytes, size_t records);
    void Add(uint32_t type, uint32_t id, uint32_t parent, uint64_t key, const Bytes& payload);
    // The packet with its head; the writer is spent.
    Bytes Finish(uint32_t folder);

private:
    Bytes m_bytes;
};

// A map-file request record (472 bytes), every field of it.
struct MapFileRecord {
    uint64_t id = 0;
    uint64_t serial = 0;
    uint32_t mode = 0;
    int32_t status = 0;
    std::string path;  // UTF-8
    bool pathTerminated = true;
    uint8_t written = 0;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    uint8_t kind = 0;
    uint32_t level = 0;
    uint32_t mapId = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t total = 0;
    uint32_t done = 0;
    uint32_t captureParam = 0;
    uint8_t flag = 0;

    static MapFileRecord Read(const uint8_t* data, size_t size);
    Bytes Write() const;
};

// One associated point (80 bytes): longitude, latitude, valid byte, drawing X and Y.
struct AssocPoint {
    double longitude = 0;
    double latitude = 0;
    uint8_t valid = 0;
    double x = 0;
    double y = 0;
};

}  // namespace mapsim
