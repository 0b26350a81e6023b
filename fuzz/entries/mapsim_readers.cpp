// The simulator's readers: what they accept writes back to what they read.
#include <cstdlib>
#include <cstring>

#include "fuzz/entries/entries.h"
#include "mapsim/records.h"

namespace tarnfuzz {

std::string RunMapsimReaders(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return {};
    }
    // A block of its own, so that a read past its end is caught.
    const std::size_t n = size - 1;
    auto* bytes = static_cast<std::uint8_t*>(std::malloc(n > 0 ? n : 1));
    std::memcpy(bytes, data + 1, n);
    std::string problem;
    switch (data[0] % 4) {
        case 0: {
            const mapsim::Header header = mapsim::Header::Read(bytes, n);
            mapsim::Bytes back;
            header.Write(back);
            if (n >= mapsim::kHeaderSize && std::memcmp(back.data(), bytes, mapsim::kHeaderSize) != 0) {
                problem = "a request header does not write back as read";
            }
            break;
        }
        case 1: {
            static const std::uint32_t kTypes[] = {30, 7, 8, 13, 11, 0};
            const std::uint32_t type = kTypes[n % 6];
            mapsim::SerialisedFormOk(type, bytes, n);
            break;
        }
        case 2: {
            const std::optional<mapsim::Packet> packet = mapsim::ReadPacket(bytes, n);
            if (packet) {
                const mapsim::Bytes written = mapsim::WritePacket(*packet);
                const std::optional<mapsim::Packet> again =
                    mapsim::ReadPacket(written.data(), written.size());
                if (!again || again->folder != packet->folder ||
                    again->records.size() != packet->records.size()) {
                    problem = "a packet written from what was read does not read the same";
                } else {
                    for (size_t i = 0; i < again->records.size(); ++i) {
                        if (again->records[i].payload != packet->records[i].payload ||
                            again->records[i].key != packet->records[i].key) {
                            problem = "a packet record changed through writing and reading";
                        }
                    }
                }
            }
            break;
        }
        default: {
            const mapsim::MapFileRecord record = mapsim::MapFileRecord::Read(bytes, n);
            const mapsim::Bytes written = record.Write();
            const mapsim::MapFileRecord again = mapsim::MapFileRecord::Read(written.data(), written.size());
            // A path that fills its field comes back cut at a whole character.
            const bool pathOk = record.pathTerminated
                                    ? again.path == record.path
                                    : record.path.compare(0, again.path.size(), again.path) == 0;
            if (!pathOk || again.id != record.id || again.total != record.total ||
                again.flag != record.flag) {
                problem = "a map-file record changed through writing and reading";
            }
            break;
        }
    }
    std::free(bytes);
    return problem;
}

}  // namespace tarnfuzz
