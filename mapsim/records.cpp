#include "mapsim/records.h"

#include <utility>

namespace mapsim {

namespace {

uint64_t Round8(uint64_t v) {
    return (v + 7) / 8 * 8;
}

// Fixed part, text-length offset and array element size of each serialised type.
struct FormSpec {
    uint32_t type;
    uint64_t fixed;    // the record's fixed part; the text length follows at this offset
    uint64_t element;  // 48 for points, 1432 for parts, 0 for no array
    bool padded;       // text padded to a multiple of 8 before the array
};

constexpr FormSpec kForms[] = {
    {kTypeMark, 416, 0, false},
    {kTypeTrack, 200, 48, true},
    {kTypeShape, 200, 48, true},
    {kTypeMulti, 480, 1432, true},
};

}  // namespace

Header Header::Read(const uint8_t* data, size_t size) {
    Header h;
    h.marker = Get<uint16_t>(data, size, 0);
    h.type = Get<uint8_t>(data, size, 2);
    h.flag = Get<uint8_t>(data, size, 3);
    h.parent = Get<uint32_t>(data, size, 4);
    h.object = Get<uint32_t>(data, size, 8);
    h.value = Get<uint32_t>(data, size, 12);
    return h;
}

void Header::Write(Bytes& bytes) const {
    Put<uint16_t>(bytes, 0, marker);
    Put<uint8_t>(bytes, 2, type);
    Put<uint8_t>(bytes, 3, flag);
    Put<uint32_t>(bytes, 4, parent);
    Put<uint32_t>(bytes, 8, object);
    Put<uint32_t>(bytes, 12, value);
}

Bytes MakeFolderRecord(const std::string& name) {
    Bytes folder(kFolderSize, 0);
    PutText(folder, 0, kNameSize, name);
    folder[111] = 1;
    return folder;
}

bool SerialisedFormOk(uint32_t type, const uint8_t* data, size_t size) {
    if (type == kTypeFolder) {
        return size == kFolderSize;
    }
    for (const FormSpec& form : kForms) {
        if (form.type != type) {
            continue;
        }
        const uint64_t n = size;
        if (n < form.fixed + 4) {
            return false;
        }
        const uint64_t textLength = Get<uint32_t>(data, size, form.fixed);
        const uint64_t textEnd = form.fixed + 4 + textLength;
        if (!form.padded) {
            return n == textEnd;
        }
        const uint64_t head = Round8(textEnd);
        const int32_t count = Get<int32_t>(data, size, 120);
        if (n < head || count < 0) {
            return false;
        }
        const uint64_t arrays = head + static_cast<uint64_t>(count) * form.element;
        if (type != kTypeMulti) {
            return n == arrays;
        }
        if (n < arrays) {
            return false;
        }
        // The items of every part follow the parts, 16 bytes each.
        uint64_t items = 0;
        for (int32_t i = 0; i < count; ++i) {
            const int32_t partItems = Get<int32_t>(data, size, head + i * form.element + 1416);
            if (partItems < 0) {
                return false;
            }
            items += static_cast<uint64_t>(partItems);
        }
        return n >= arrays + items * 16;
    }
    return false;
}

std::optional<Packet> ReadPacket(const uint8_t* data, size_t size) {
    if (size < kPacketHeadSize) {
        return std::nullopt;
    }
    Packet packet;
    packet.folder = Get<uint32_t>(data, size, 4);
    const uint64_t total = Get<uint32_t>(data, size, 16);
    if (total > size - kPacketHeadSize) {
        return std::nullopt;
    }
    const uint64_t end = kPacketHeadSize + total;
    uint64_t at = kPacketHeadSize;
    while (at < end) {
        if (end - at < kObjectHeaderSize) {
            return std::nullopt;
        }
        const int32_t length = Get<int32_t>(data, size, at);
        if (length < 0 || static_cast<uint64_t>(length) > end - at - kObjectHeaderSize) {
            return std::nullopt;
        }
        PacketRecord record;
        record.type = Get<uint32_t>(data, size, at + 4);
        record.id = Get<uint32_t>(data, size, at + 8);
        record.parent = Get<uint32_t>(data, size, at + 12);
        record.key = Get<uint64_t>(data, size, at + 16);
        const uint8_t* body = data + at + kObjectHeaderSize;
        record.payload.assign(body, body + length);
        packet.records.push_back(std::move(record));
        at += kObjectHeaderSize + static_cast<uint64_t>(length);
    }
    return packet;
}

Bytes WritePacket(const Packet& packet) {
    size_t payloadBytes = 0;
    for (const PacketRecord& record : packet.records) {
        payloadBytes += record.payload.size();
    }
    PacketWriter writer(payloadBytes, packet.records.size());
    for (const PacketRecord& record : packet.records) {
        writer.Add(record.type, record.id, record.parent, record.key, record.payload);
    }
    return writer.Finish(packet.folder);
}

PacketWriter::PacketWriter(size_t payloadBytes, size_t records) {
    m_bytes.reserve(kPacketHeadSize + records * kObjectHeaderSize + payloadBytes);
    m_bytes.resize(kPacketHeadSize, 0);
}

void PacketWriter::Add(uint32_t type, uint32_t id, uint32_t parent, uint64_t key, const Bytes& payload) {
    const size_t at = m_bytes.size();
    m_bytes.resize(at + kObjectHeaderSize, 0);
    Put<int32_t>(m_bytes, at, static_cast<int32_t>(payload.size()));
    Put<uint32_t>(m_bytes, at + 4, type);
    Put<uint32_t>(m_bytes, at + 8, id);
    Put<uint32_t>(m_bytes, at + 12, parent);
    Put<uint64_t>(m_bytes, at + 16, key);
    m_bytes.insert(m_bytes.end(), payload.begin(), payload.end());
}

Bytes PacketWriter::Finish(uint32_t folder) {
    Header head;
    head.parent = folder;
    head.Write(m_bytes);
    Put<uint32_t>(m_bytes, 16, static_cast<uint32_t>(m_bytes.size() - kPacketHeadSize));
    Put<uint32_t>(m_bytes, 28, folder);
    return std::move(m_bytes);
}

MapFileRecord MapFileRecord::Read(const uint8_t* data, size_t size) {
    MapFileRecord r;
    r.id = Get<uint64_t>(data, size, 0);
    r.serial = Get<uint64_t>(data, size, 8);
    r.mode = Get<uint32_t>(data, size, 16);
    r.status = Get<int32_t>(data, size, 20);
    r.path = GetText(data, size, 24, kMapFilePathSize);
    r.pathTerminated = IsTerminated(data, size, 24, kMapFilePathSize);
    r.written = Get<uint8_t>(data, size, 280);
    r.minX = Get<double>(data, size, 304);
    r.minY = Get<double>(data, size, 312);
    r.maxX = Get<double>(data, size, 320);
    r.maxY = Get<double>(data, size, 328);
    r.kind = Get<uint8_t>(data, size, 336);
    r.level = Get<uint32_t>(data, size, 340);
    r.mapId = Get<uint32_t>(data, size, 344);
    r.width = Get<uint32_t>(data, size, 348);
    r.height = Get<uint32_t>(data, size, 352);
    r.total = Get<uint32_t>(data, size, 368);
    r.done = Get<uint32_t>(data, size, 372);
    r.captureParam = Get<uint32_t>(data, size, 376);
    r.flag = Get<uint8_t>(data, size, 384);
    return r;
}

Bytes MapFileRecord::Write() const {
    Bytes bytes(kMapFileRecordSize, 0);
    Put<uint64_t>(bytes, 0, id);
    Put<uint64_t>(bytes, 8, serial);
    Put<uint32_t>(bytes, 16, mode);
    Put<int32_t>(bytes, 20, status);
    PutText(bytes, 24, kMapFilePathSize, path);
    Put<uint8_t>(bytes, 280, written);
    Put<double>(bytes, 304, minX);
    Put<double>(bytes, 312, minY);
    Put<double>(bytes, 320, maxX);
    Put<double>(bytes, 328, maxY);
    Put<uint8_t>(bytes, 336, kind);
    Put<uint32_t>(bytes, 340, level);
    Put<uint32_t>(bytes, 344, mapId);
    Put<uint32_t>(bytes, 348, width);
    Put<uint32_t>(bytes, 352, height);
    Put<uint32_t>(bytes, 368, total);
    Put<uint32_t>(bytes, 372, done);
    Put<uint32_t>(bytes, 376, captureParam);
    Put<uint8_t>(bytes, 384, flag);
    return bytes;
}

}  // namespace mapsim
