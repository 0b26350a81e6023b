// Map objects as the map application's user makes them (every record kind the plug-in receives), and the
// malformed selection answers a faulty or hostile peer could send instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mapsim/records.h"

namespace mapsim {

class MapSim;

// One point of a track or shape: y before x on the wire; height 0x10000 starts a further part or ring.
struct SamplePoint {
    double x = 0;
    double y = 0;
    int32_t height = 0;
    double bulge = 0;
};

struct SampleMark {
    std::string name;
    std::string text;
    double x = 0, y = 0;
    int32_t height = 0;
    uint32_t icon = 0;
    uint32_t iconColor = 0x0000FF;
    uint8_t style = 1;  // 3: a label only
    uint8_t opacity = 0;
    uint8_t labelLevel = 20;
    uint32_t fontSize = 22;
    uint32_t labelColor = 0x00FF00;
    float rotation = 0;
};

struct SampleTrack {
    std::string name;
    std::string text;
    uint8_t kind = 5;  // geometry kind
    std::vector<SamplePoint> points;
    uint32_t color = 0xFF0000;
    uint32_t width = 3;
    uint8_t opacity = 50;
    uint8_t lineStyle = 0;
};

struct SampleShape {
    std::string name;
    std::string text;
    std::vector<SamplePoint> points;
    double startAngle = 0, endAngle = 0;
    uint16_t outerRings = 1;
    uint32_t lineColor = 0xFF0000, fillColor = 0x00FF00;
    uint8_t lineOpacity = 50, fillOpacity = 50;
};

struct SampleMulti {
    std::string name;
    std::string text;
    std::vector<std::vector<std::pair<double, double>>> parts;  // (x, y) items
    uint32_t color = 0x0000FF;
};

// The serialised records, as the map application stores and sends them.
Bytes MakeMarkRecord(const SampleMark& mark);
Bytes MakeTrackRecord(const SampleTrack& track);
Bytes MakeShapeRecord(const SampleShape& shape);
Bytes MakeMultiRecord(const SampleMulti& multi);
// A folder record of an exploded entity, counting its parts.
Bytes MakeExplodedFolderRecord(const std::string& name, uint32_t partCount);

// A folder "样例" under the top with one object of every kind the plug-in receives (label markers, point
// and icon markers, every track kind, multi-part tracks, shapes, a multi-part object, an exploded folder
// with its parts), each named and with a remark, some with tagged properties. Selects them all (the
// folder first) and returns the selection.
std::vector<uint32_t> AddSampleObjects(MapSim& map);

// Malformed selection answers: a label marker "ok" first, then the fault.
enum class Malformed {
    TotalBeyondEnd,     // the group header's total counts more bytes than were sent
    NegativeSize,       // a record whose payload size is negative
    ZeroSize,           // a record of size 0 between two good ones (legal: passed over)
    RecordPastEnd,      // the last record's payload reaches past the bytes sent
    ChildCountPastEnd,  // an exploded folder (id 900) counting more parts than follow
    UnterminatedName,   // a marker whose 100-byte name has no NUL
    TrackCountOverflow, // a track whose point count overflows the length check in 32 bits
    MultiNegativeItems, // a multi-part object with a part of negative item count
};
Bytes MalformedSelection(Malformed kind);
// By name ("TotalBeyondEnd", ...), false for an unknown name.
bool MalformedByName(const std::string& name, Malformed* kind);

}  // namespace mapsim
