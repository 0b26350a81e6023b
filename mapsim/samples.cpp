#include "mapsim/samples.h"

#include <limits>

#include "mapsim/mapsim.h"

namespace mapsim {
namespace {

constexpr size_t kMarkFixed = 416;
constexpr size_t kPointFixed = 200;  // tracks and shapes
constexpr size_t kMultiFixed = 480;
constexpr size_t kPointSize = 48;
constexpr size_t kPartSize = 1432;
constexpr uint8_t kPlaneCoords = 2;

size_t Round8(size_t n) {
    return (n + 7) / 8 * 8;
}

// The fixed part's name, then the remark's length and bytes after it, padded to 8 where the kind is.
Bytes FixedWithText(size_t fixed, const std::string& name, const std::string& text, bool padded) {
    Bytes bytes(fixed, 0);
    PutText(bytes, 0, kNameSize, name);
    Put<uint32_t>(bytes, fixed, static_cast<uint32_t>(text.size()));
    PutBytes(bytes, fixed + 4, text.data(), text.size());
    if (padded) {
        bytes.resize(Round8(bytes.size()), 0);
    }
    return bytes;
}

void AppendPoints(Bytes& bytes, const std::vector<SamplePoint>& points) {
    for (const SamplePoint& p : points) {
        const size_t at = bytes.size();
        bytes.resize(at + kPointSize, 0);
        Put<double>(bytes, at, p.y);
        Put<double>(bytes, at + 8, p.x);
        Put<int32_t>(bytes, at + 20, p.height);
        Put<double>(bytes, at + 24, p.bulge);
    }
}

// A folder record filling the selection: its record in the map, and the packet record that carries it.
PacketRecord Record(uint32_t type, uint32_t id, uint32_t parent, Bytes payload) {
    PacketRecord record;
    record.type = type;
    record.id = id;
    record.parent = parent;
    record.payload = std::move(payload);
    return record;
}

Bytes OkMarker() {
    SampleMark mark;
    mark.name = "ok";
    mark.x = 10;
    mark.y = 20;
    return MakeMarkRecord(mark);
}

Packet GoodStart() {
    Packet packet;
    packet.folder = kRootFolder;
    packet.records.push_back(Record(kTypeMark, 801, 0, OkMarker()));
    return packet;
}

Bytes TotalBeyondEnd() {
    Bytes bytes = WritePacket(GoodStart());
    Put<uint32_t>(bytes, 16, Get<uint32_t>(bytes, 16) + 100000);
    return bytes;
}

Bytes NegativeSize() {
    Packet packet = GoodStart();
    packet.records.push_back(Record(kTypeMark, 802, 0, OkMarker()));
    Bytes bytes = WritePacket(packet);
    const size_t second = kPacketHeadSize + kObjectHeaderSize + packet.records[0].payload.size();
    Put<int32_t>(bytes, second, -64);  // would step back onto itself
    return bytes;
}

Bytes ZeroSize() {
    Packet packet = GoodStart();
    packet.records.push_back(Record(kTypeMark, 802, 0, {}));
    SampleMark mark;
    mark.name = "after";
    packet.records.push_back(Record(kTypeMark, 803, 0, MakeMarkRecord(mark)));
    return WritePacket(packet);
}

Bytes RecordPastEnd() {
    Packet packet = GoodStart();
    packet.records.push_back(Record(kTypeMark, 802, 0, OkMarker()));
    Bytes bytes = WritePacket(packet);
    bytes.resize(bytes.size() - 40);  // the total still counts the whole record
    return bytes;
}

Bytes ChildCountPastEnd() {
    Packet packet = GoodStart();
    packet.records.push_back(Record(kTypeFolder, 900, 0, MakeExplodedFolderRecord("炸开的块", 1000)));
    packet.records.push_back(Record(kTypeMark, 901, 900, OkMarker()));
    return WritePacket(packet);
}

Bytes UnterminatedName() {
    Packet packet = GoodStart();
    Bytes mark = OkMarker();
    std::fill(mark.begin(), mark.begin() + kNameSize, static_cast<uint8_t>('N'));
    packet.records.push_back(Record(kTypeMark, 802, 0, std::move(mark)));
    return WritePacket(packet);
}

Bytes TrackCountOverflow() {
    Packet packet = GoodStart();
    SampleTrack track;
    track.name = "overflow";
    track.points = {{0, 0}, {10, 0}};
    Bytes bytes = MakeTrackRecord(track);
    // 0x05555556 points of 48 bytes are 2^32 + 32 bytes: in 32 bits the claim would look like 32 bytes.
    Put<int32_t>(bytes, 120, 0x05555556);
    packet.records.push_back(Record(kTypeTrack, 802, 0, std::move(bytes)));
    return WritePacket(packet);
}

Bytes MultiNegativeItems() {
    Packet packet = GoodStart();
    SampleMulti multi;
    multi.name = "negative";
    multi.parts = {{{0, 0}, {5, 5}}, {{10, 10}}};
    Bytes bytes = MakeMultiRecord(multi);
    const size_t head = Round8(kMultiFixed + 4);
    Put<int32_t>(bytes, head + kPartSize + 1416, -5);
    packet.records.push_back(Record(kTypeMulti, 802, 0, std::move(bytes)));
    return WritePacket(packet);
}

struct MalformedEntry {
    Malformed kind;
    const char* name;
    Bytes (*make)();
};

const MalformedEntry kMalformed[] = {
    {Malformed::TotalBeyondEnd, "TotalBeyondEnd", &TotalBeyondEnd},
    {Malformed::NegativeSize, "NegativeSize", &NegativeSize},
    {Malformed::ZeroSize, "ZeroSize", &ZeroSize},
    {Malformed::RecordPastEnd, "RecordPastEnd", &RecordPastEnd},
    {Malformed::ChildCountPastEnd, "ChildCountPastEnd", &ChildCountPastEnd},
    {Malformed::UnterminatedName, "UnterminatedName", &UnterminatedName},
    {Malformed::TrackCountOverflow, "TrackCountOverflow", &TrackCountOverflow},
    {Malformed::MultiNegativeItems, "MultiNegativeItems", &MultiNegativeItems},
};

// The square ring of a side about a corner.
std::vector<SamplePoint> Square(double x, double y, double side, int32_t firstHeight = 0) {
    return {{x, y, firstHeight}, {x + side, y}, {x + side, y + side}, {x, y + side}};
}

}  // namespace

Bytes MakeMarkRecord(const SampleMark& mark) {
    Bytes bytes = FixedWithText(kMarkFixed, mark.name, mark.text, false);
    Put<double>(bytes, 112, mark.y);
    Put<double>(bytes, 120, mark.x);
    Put<uint8_t>(bytes, 128, kPlaneCoords);
    Put<int32_t>(bytes, 132, mark.height);
    Put<uint32_t>(bytes, 144, mark.icon);
    Put<uint32_t>(bytes, 148, mark.iconColor);
    Put<uint8_t>(bytes, 153, mark.style);
    Put<uint8_t>(bytes, 262, mark.opacity);
    Put<uint8_t>(bytes, 265, mark.labelLevel);
    Put<uint32_t>(bytes, 268, mark.fontSize);
    Put<uint32_t>(bytes, 272, mark.labelColor);
    Put<float>(bytes, 280, mark.rotation);
    return bytes;
}

Bytes MakeTrackRecord(const SampleTrack& track) {
    Bytes bytes = FixedWithText(kPointFixed, track.name, track.text, true);
    Put<int32_t>(bytes, 120, static_cast<int32_t>(track.points.size()));
    Put<uint8_t>(bytes, 124, kPlaneCoords);
    Put<uint32_t>(bytes, 144, track.color);
    Put<uint32_t>(bytes, 148, track.width);
    Put<uint8_t>(bytes, 152, track.opacity);
    Put<uint8_t>(bytes, 153, track.kind);
    Put<uint8_t>(bytes, 154, track.lineStyle);
    AppendPoints(bytes, track.points);
    return bytes;
}

Bytes MakeShapeRecord(const SampleShape& shape) {
    Bytes bytes = FixedWithText(kPointFixed, shape.name, shape.text, true);
    Put<int32_t>(bytes, 120, static_cast<int32_t>(shape.points.size()));
    Put<uint8_t>(bytes, 124, kPlaneCoords);
    Put<double>(bytes, 128, shape.startAngle);
    Put<double>(bytes, 136, shape.endAngle);
    Put<uint8_t>(bytes, 144, 1);
    Put<uint8_t>(bytes, 145, shape.lineOpacity);
    Put<uint8_t>(bytes, 146, shape.fillOpacity);
    Put<uint16_t>(bytes, 150, shape.outerRings);
    Put<uint32_t>(bytes, 152, shape.lineColor);
    Put<uint32_t>(bytes, 156, shape.fillColor);
    AppendPoints(bytes, shape.points);
    return bytes;
}

Bytes MakeMultiRecord(const SampleMulti& multi) {
    Bytes bytes = FixedWithText(kMultiFixed, multi.name, multi.text, true);
    Put<int32_t>(bytes, 120, static_cast<int32_t>(multi.parts.size()));
    Put<uint32_t>(bytes, 428, multi.color);
    for (const auto& part : multi.parts) {
        const size_t at = bytes.size();
        bytes.resize(at + kPartSize, 0);
        Put<int32_t>(bytes, at + 1416, static_cast<int32_t>(part.size()));
    }
    for (const auto& part : multi.parts) {
        for (const auto& [x, y] : part) {
            const size_t at = bytes.size();
            Put<double>(bytes, at, y);
            Put<double>(bytes, at + 8, x);
        }
    }
    return bytes;
}

Bytes MakeExplodedFolderRecord(const std::string& name, uint32_t partCount) {
    Bytes bytes = MakeFolderRecord(name);
    Put<uint32_t>(bytes, 100, partCount);
    Put<uint8_t>(bytes, 115, 1);
    return bytes;
}

std::vector<uint32_t> AddSampleObjects(MapSim& map) {
    const uint32_t folder = map.AddFolder(kRootFolder, "样例");
    std::vector<uint32_t> ids = {folder};
    const auto add = [&](uint32_t type, Bytes bytes) { ids.push_back(map.AddObject(type, folder, std::move(bytes))); };
    const std::string tagged =
        "<?zavrel_ct name=\"测点\"?>\r\n\"编号\":\"A-01\",\r\n\"高程\":\"12.5\",\r\n\"已核\":true\r\n}";

    SampleMark label;
    label.name = "测站 A";
    label.text = tagged;
    label.x = 100;
    label.y = 200;
    label.style = 3;
    label.labelLevel = 18;
    label.rotation = 30;
    add(kTypeMark, MakeMarkRecord(label));
    SampleMark twoLines = label;
    twoLines.name = "第一行\r\n第二行";
    twoLines.text = "两行标注";
    twoLines.x = 140;
    twoLines.rotation = 0;
    add(kTypeMark, MakeMarkRecord(twoLines));
    SampleMark point;
    point.name = "井盖";
    point.text = "普通点";
    point.x = 120;
    point.y = 210;
    point.height = 3;
    add(kTypeMark, MakeMarkRecord(point));
    SampleMark icon = point;
    icon.name = "图标点";
    icon.x = 130;
    icon.icon = 4;
    add(kTypeMark, MakeMarkRecord(icon));

    SampleTrack road;
    road.name = "道路";
    road.text = "沥青";
    road.points = {{0, 0}, {50, 0, 0, 0.5}, {80, 30}};
    add(kTypeTrack, MakeTrackRecord(road));
    SampleTrack pipe = road;
    pipe.name = "管线";
    pipe.points = {{0, 50}, {40, 50, 3}, {80, 60, 5}};
    pipe.lineStyle = 5;
    add(kTypeTrack, MakeTrackRecord(pipe));
    SampleTrack wide = road;
    wide.name = "宽线";
    wide.kind = 1;
    wide.width = 350;
    wide.points = {{0, 100}, {60, 100}};
    add(kTypeTrack, MakeTrackRecord(wide));
    SampleTrack points = road;
    points.name = "点集";
    points.kind = 6;
    points.points = {{200, 0}, {210, 5}, {220, 0}};
    add(kTypeTrack, MakeTrackRecord(points));
    SampleTrack circle = road;
    circle.name = "圆";
    circle.kind = 7;
    circle.points = {{300, 0, 0, 0}, {310, 0, 0, 360}};
    add(kTypeTrack, MakeTrackRecord(circle));
    SampleTrack arc = circle;
    arc.name = "圆弧";
    arc.points = {{300, 50, 0, 30}, {310, 50, 0, 120}};
    add(kTypeTrack, MakeTrackRecord(arc));
    SampleTrack threePoint = circle;
    threePoint.name = "三点弧";
    threePoint.points = {{330, 0}, {340, 10}, {350, 0}};
    add(kTypeTrack, MakeTrackRecord(threePoint));
    SampleTrack ellipse = road;
    ellipse.name = "椭圆";
    ellipse.kind = 9;
    ellipse.points = {{400, 0, 0, 0}, {420, 0, 0, 360}, {400, 10}};
    add(kTypeTrack, MakeTrackRecord(ellipse));
    SampleTrack spline = road;
    spline.name = "样条";
    spline.kind = 10;
    spline.points = {{450, 0}, {460, 20}, {480, -10}, {500, 5}};
    add(kTypeTrack, MakeTrackRecord(spline));
    SampleTrack parts = road;
    parts.name = "多段线";
    parts.points = {{0, 150}, {20, 150}, {20, 170}, {40, 150, 0x10000}, {60, 150}, {60, 170}};
    add(kTypeTrack, MakeTrackRecord(parts));

    SampleShape rectangle;
    rectangle.name = "矩形";
    rectangle.text = "地块";
    rectangle.points = {{0, 300}, {30, 320}};
    add(kTypeShape, MakeShapeRecord(rectangle));
    SampleShape disc = rectangle;
    disc.name = "圆形";
    disc.points = {{50, 310}, {60, 300}};
    disc.endAngle = 360;
    add(kTypeShape, MakeShapeRecord(disc));
    SampleShape polygon = rectangle;
    polygon.name = "多边形";
    polygon.points = Square(100, 300, 10);
    add(kTypeShape, MakeShapeRecord(polygon));
    SampleShape holed = rectangle;
    holed.name = "带洞";
    holed.points = Square(150, 300, 40);
    for (const SamplePoint& p : Square(160, 310, 10, 0x10000)) {
        holed.points.push_back(p);
    }
    add(kTypeShape, MakeShapeRecord(holed));

    SampleMulti multi;
    multi.name = "组合线";
    multi.text = "两部分";
    multi.parts = {{{0, 400}, {10, 400}, {10, 410}}, {{20, 400}, {30, 400}, {30, 410}, {40, 420}}};
    add(kTypeMulti, MakeMultiRecord(multi));

    // An entity exploded into a folder by some drawing, with its two parts.
    const uint32_t exploded = map.AddFolder(folder, "炸开的块");
    ids.push_back(exploded);
    SampleMark partMark = point;
    partMark.name = "块内点";
    partMark.x = 500;
    partMark.y = 500;
    map.AddObject(kTypeMark, exploded, MakeMarkRecord(partMark));
    SampleTrack partLine = road;
    partLine.name = "块内线";
    partLine.points = {{500, 500}, {520, 520}};
    map.AddObject(kTypeTrack, exploded, MakeTrackRecord(partLine));
    map.MarkExploded(exploded);

    map.Select(ids);
    return ids;
}

Bytes MalformedSelection(Malformed kind) {
    for (const MalformedEntry& entry : kMalformed) {
        if (entry.kind == kind) {
            return entry.make();
        }
    }
    return {};
}

bool MalformedByName(const std::string& name, Malformed* kind) {
    for (const MalformedEntry& entry : kMalformed) {
        if (name == entry.name) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

}  // namespace mapsim
