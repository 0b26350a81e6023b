#include "plugin/exchange/EntityConvert.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "plugin/core/Settings.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"

uint32_t g_nCurrentColor = 0;

namespace {

// Single-precision pi and 2 pi, as the map application computes its angles.
constexpr double kPi = 3.1415927410125732;
constexpr double kTwoPi = 6.2831854820251465;
constexpr double kBaseTextHeight = 2.5;
constexpr uint8_t kBaseLevel = 20;
constexpr uint32_t kBaseFontSize = 22;
constexpr uint8_t kMinLevel = 1;
constexpr uint8_t kMaxLevel = 28;

void SetName(char* field, const CString& name) {
    CStringToMultiByte(name, field, kMapNameBytes, kMapNameBytes - 1);
}

char* RemarkCopy(const CString& remark) {
    if (remark.IsEmpty()) {
        return nullptr;
    }
    const int size = remark.GetLength() * 3 + 1;
    char* text = static_cast<char*>(std::calloc(static_cast<size_t>(size), 1));
    if (text != nullptr) {
        CStringToMultiByte(remark, text, size, 0);
    }
    return text;
}

CString DefaultName(int type) {
    CString name;
    MakeObjectName(name, type);
    return name;
}

// A mark from a text: its string as the name, the label sized from the height.
uint8_t WriteTextMark(const CString& string, const AcGePoint3d& position, double height, double rotation,
                      bool growSmall, MapApiBuf* packet, CBindingRecord* binding,
                      bool nameIsWording = false) {
    MapMarkObj* mark = MapApiNewMarker(&g_MapApiLink);
    if (mark == nullptr) {
        return 0;
    }
    mark->m_crIcon = g_nCurrentColor;
    mark->m_crLabel = g_nCurrentColor;
    mark->m_fRotation = static_cast<float>(rotation * 180.0 / kPi);
    mark->m_byIsText = 1;
    mark->m_byOpacity = static_cast<BYTE>(100 - std::min<uint32_t>(binding->m_opacity, 100));
    TextLevelAndSize(height, growSmall, mark->m_byLabelLevel, mark->m_nFontSize);
    mark->m_nIcon = 0;
    mark->m_byCoordKind = 2;
    mark->m_dY = position.y;
    mark->m_dX = position.x;
    mark->m_nHeight = TrackHeight(position.z);
    mark->m_byStyle = 3;
    SetName(mark->m_szName, string);
    if (binding->m_mapId != 0) {
        mark->m_pText = RemarkCopy(binding->m_remark);
    }
    // A text's wording is its name: the binding takes the wording sent, so that a text edited in the drawing
    // is not set back to its old name when its link is written.
    if (nameIsWording) {
        binding->m_name.Empty();
    }
    WriteMapObject(mark, kMapTypeMark, packet, binding);
    return 1;
}

// The host prints what is sent; the text is an argument, never the format.
void EchoText(const CString& text) {
    acutPrintf(u"%s", text.GetString());
}

bool AllAtOrigin(const AcGePoint3dArray& points) {
    for (int i = 0; i < points.length(); ++i) {
        if (points[i].x != 0.0 || points[i].y != 0.0 || points[i].z != 0.0) {
            return false;
        }
    }
    return true;
}

}  // namespace

void TextLevelAndSize(double height, bool growSmall, uint8_t& level, uint32_t& fontSize) {
    level = kBaseLevel;
    fontSize = kBaseFontSize;
    // A height of 0 (or not a number) would never leave the loops below: it keeps the base size.
    if (!(height > 0.0) || !std::isfinite(height)) {
        return;
    }
    double h = height;
    while (h / kBaseTextHeight > 2.0 && level > kMinLevel) {
        --level;
        h /= 2.0;
    }
    while (growSmall && h / kBaseTextHeight < 0.5 && level < kMaxLevel) {
        ++level;
        h *= 2.0;
    }
    if (h != kBaseTextHeight) {
        const double size = std::trunc(kBaseFontSize * h / kBaseTextHeight);
        fontSize = size >= 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
    }
}

INT32 TrackHeight(double z) {
    if (!std::isfinite(z)) {
        return 0;
    }
    const double t = std::trunc(z);
    if (t >= std::numeric_limits<INT32>::max()) {
        return std::numeric_limits<INT32>::max();
    }
    if (t <= std::numeric_limits<INT32>::min()) {
        return std::numeric_limits<INT32>::min();
    }
    const auto height = static_cast<INT32>(t);
    // The map application reads 0x10000 as the start of a further part.
    constexpr auto kMarker = static_cast<INT32>(kMultiPartFlag);
    return height == kMarker ? kMarker - 1 : height;
}

uint8_t ConvertText(AcDbText* text, MapApiBuf* packet, CBindingRecord* binding) {
    const CString string(text->textString().kACharPtr());
    EchoText(string);
    return WriteTextMark(string, text->position(), text->height(), text->rotation(), false, packet, binding,
                         true);
}

uint8_t ConvertAttributeDefinition(AcDbAttributeDefinition* attdef, MapApiBuf* packet,
                                   CBindingRecord* binding) {
    return WriteTextMark(CString(attdef->tagConst()), attdef->position(), attdef->height(),
                         attdef->rotation(), true, packet, binding);
}

uint8_t ConvertMText(AcDbMText* mtext, MapApiBuf* packet, CBindingRecord* binding) {
    const CString string(mtext->text().kACharPtr());
    EchoText(string);
    return WriteTextMark(string, mtext->location(), mtext->textHeight(), mtext->rotation(), true, packet,
                         binding, true);
}

uint8_t ConvertPoint(AcDbPoint* point, MapApiBuf* packet, CBindingRecord* binding) {
    MapMarkObj* mark = MapApiNewMarker(&g_MapApiLink);
    if (mark == nullptr) {
        return 0;
    }
    const AcGePoint3d position = point->position();
    mark->m_crIcon = g_nCurrentColor;
    mark->m_byCoordKind = 2;
    mark->m_dY = position.y;
    mark->m_dX = position.x;
    mark->m_nHeight = TrackHeight(position.z);
    mark->m_nIcon = 4;
    mark->m_byStyle = 1;
    if (binding->m_mapId != 0) {
        SetName(mark->m_szName, binding->m_name);
        mark->m_pText = RemarkCopy(binding->m_remark);
    } else {
        SetName(mark->m_szName, DefaultName(kMapTypeMark));
    }
    WriteMapObject(mark, kMapTypeMark, packet, binding);
    return 1;
}

uint8_t WriteTrackFromPoints(const AcGePoint3dArray& points, MapApiBuf* packet, CBindingRecord* binding,
                             uint8_t geomKind, double startAngle, double endAngle) {
    if (points.isEmpty() || AllAtOrigin(points)) {
        return 0;
    }
    MapTrackObj* track = MapApiNewTrack(&g_MapApiLink);
    if (track == nullptr) {
        return 0;
    }
    const int count = std::min(points.length(), kMaxTrackPoints);
    track->m_pPoints =
        static_cast<MapObjPoint*>(std::calloc(static_cast<size_t>(count), sizeof(MapObjPoint)));
    if (track->m_pPoints == nullptr) {
        MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
        return 0;
    }
    track->m_nCount = count;
    track->m_byCoordKind = 2;
    track->m_byGeomKind = geomKind;
    track->m_byOpacity = static_cast<BYTE>(binding->m_opacity);
    track->m_byLineStyle = static_cast<BYTE>(binding->m_lineStyle);
    track->m_crLine = g_nCurrentColor;
    for (int i = 0; i < count; ++i) {
        track->m_pPoints[i].m_dY = points[i].y;
        track->m_pPoints[i].m_dX = points[i].x;
        track->m_pPoints[i].m_nHeight = TrackHeight(points[i].z);
    }
    if (geomKind == 9 && (startAngle != 0.0 || endAngle != 0.0) && count >= 2) {
        double start = startAngle * 180.0 / kPi;
        double end = endAngle * 180.0 / kPi;
        if (start > end) {
            end += 360.0;
        }
        track->m_pPoints[0].m_dBulge = start;
        track->m_pPoints[1].m_dBulge = end;
    }
    if (binding->m_mapId > 0) {
        if (binding->m_name.IsEmpty()) {
            binding->m_name = DefaultName(kMapTypeTrack);
        }
        SetName(track->m_szName, binding->m_name);
        track->m_pText = RemarkCopy(binding->m_remark);
    } else {
        SetName(track->m_szName, DefaultName(kMapTypeTrack));
    }
    WriteMapObject(track, kMapTypeTrack, packet, binding);
    return 1;
}

uint8_t ConvertLine(AcDbLine* line, MapApiBuf* packet, CBindingRecord* binding) {
    AcGePoint3dArray points;
    AcGePoint3d p;
    line->getStartPoint(p);
    points.append(p);
    line->getEndPoint(p);
    points.append(p);
    return WriteTrackFromPoints(points, packet, binding, 5);
}

// A circle or arc without a radius has no start point: the map would take the origin for one.
bool HasRadius(double radius) {
    return radius > 0.0 && std::isfinite(radius);
}

uint8_t ConvertCircle(AcDbCircle* circle, MapApiBuf* packet, CBindingRecord* binding) {
    AcGePoint3d start;
    if (!HasRadius(circle->radius()) || circle->getStartPoint(start) != Acad::eOk) {
        return 0;
    }
    AcGePoint3dArray points;
    points.append(circle->center());
    points.append(start);
    return WriteTrackFromPoints(points, packet, binding, 7);
}

uint8_t ConvertArc(AcDbArc* arc, MapApiBuf* packet, CBindingRecord* binding) {
    AcGePoint3d start;
    AcGePoint3d middle;
    AcGePoint3d end;
    double endParam = 0.0;
    double length = 0.0;
    // All three points or none: an arc sent with a point missing would be another curve.
    if (!HasRadius(arc->radius()) || arc->getStartPoint(start) != Acad::eOk ||
        arc->getEndParam(endParam) != Acad::eOk || arc->getDistAtParam(endParam, length) != Acad::eOk ||
        !(length > 0.0) || arc->getPointAtDist(length / 2.0, middle) != Acad::eOk ||
        arc->getEndPoint(end) != Acad::eOk) {
        return 0;
    }
    AcGePoint3dArray points;
    points.append(start);
    points.append(middle);
    points.append(end);
    return WriteTrackFromPoints(points, packet, binding, 7);
}

uint8_t ConvertEllipse(AcDbEllipse* ellipse, MapApiBuf* packet, CBindingRecord* binding) {
    AcGePoint3dArray points;
    const AcGePoint3d centre = ellipse->center();
    points.append(centre);
    points.append(centre + ellipse->majorAxis());
    points.append(centre + ellipse->minorAxis());
    double start = ellipse->startAngle();
    double end = ellipse->endAngle();
    const AcGeVector3d n = ellipse->normal();
    if (n.x == 0.0 && n.y == 0.0 && n.z == -1.0) {
        // Seen from below the angles run the other way round.
        const double newStart = kTwoPi - end;
        end = kTwoPi - start;
        start = newStart;
    }
    return WriteTrackFromPoints(points, packet, binding, 9, start, end);
}

uint8_t ConvertSpline(AcDbSpline* spline, MapApiBuf* packet, CBindingRecord* binding) {
    AcGePoint3dArray points;
    for (int i = 0; i < spline->numControlPoints(); ++i) {
        AcGePoint3d p;
        if (spline->getControlPointAt(i, p) == Acad::eOk) {
            points.append(p);
        }
    }
    return WriteTrackFromPoints(points, packet, binding, 10);
}

bool IsExplodedClass(const AcDbEntity* entity) {
    if (AcDbBlockReference::cast(entity) != nullptr || AcDbRegion::cast(entity) != nullptr) {
        return true;
    }
    const CString name(entity->isA()->name());
    return name == u"AcDbZombieEntity" || name == u"AcDbProxyObject";
}

namespace {

// What a converter works with besides the entity.
struct ConvertCall {
    MapApiBuf* packet;
    CBindingRecord* binding;
    CConvertLists& lists;
    uint32_t& childCount;
    bool nested;
};

// A record written for a part of an exploded entity counts as one of the entity's children.
uint8_t Counted(uint8_t result, ConvertCall& call) {
    if (call.nested && result != 0) {
        ++call.childCount;
    }
    return result;
}

uint8_t PointEntity(AcDbEntity* entity, ConvertCall& call) {
    auto* point = static_cast<AcDbPoint*>(entity);
    // A point bound to a map object of its own (a received marker) is that marker: its edit goes as it. A
    // member of a point set goes with its set, icons or not: as a marker it would take the set's place.
    const bool ownMarker = call.binding->m_mapId != 0 && call.binding->m_groupMember == 0;
    const bool setMember = call.binding->m_mapId != 0 && call.binding->m_groupMember != 0;
    if (!call.nested && !setMember && (g_Settings.m_bPointAsIcon || ownMarker)) {
        return ConvertPoint(point, call.packet, call.binding);
    }
    // Points of exploded parts have no key in the drawing: their positions travel instead.
    if (call.nested) {
        call.lists.m_partPoints.push_back(point->position());
    } else {
        call.lists.m_pointKeys.push_back(HandleToUInt32(point->handle()));
    }
    return 1;
}

uint8_t ImageEntity(AcDbEntity* entity, ConvertCall& call) {
    AcGePoint3d origin;
    AcGeVector3d u;
    AcGeVector3d v;
    static_cast<AcDbRasterImage*>(entity)->getOrientation(origin, u, v);
    AcDbPoint temp(AcGePoint3d(origin.x + u.x / 2.0, origin.y, origin.z));
    return Counted(ConvertPoint(&temp, call.packet, call.binding), call);
}

// Polylines of a polyline group are sent later with their whole group.
template <class Polyline, uint8_t (*Convert)(Polyline*, MapApiBuf*, CBindingRecord*)>
uint8_t PolylineEntity(AcDbEntity* entity, ConvertCall& call) {
    if (!call.nested && call.binding->m_groupMember) {
        call.lists.m_deferredKeys.push_back(call.binding->m_key);
        return 1;
    }
    return Counted(Convert(static_cast<Polyline*>(entity), call.packet, call.binding), call);
}

template <class Entity, uint8_t (*Convert)(Entity*, MapApiBuf*, CBindingRecord*)>
uint8_t RecordEntity(AcDbEntity* entity, ConvertCall& call) {
    return Counted(Convert(static_cast<Entity*>(entity), call.packet, call.binding), call);
}

struct EntityConverter {
    AcRxClass* (*desc)();
    uint8_t (*convert)(AcDbEntity* entity, ConvertCall& call);
};

// The converter of each class the map takes as records. An entity goes by the nearest of its classes
// listed here (an attribute definition by its own entry, not by the text's).
const EntityConverter kConverters[] = {
    {AcDbPoint::desc, PointEntity},
    {AcDbAttributeDefinition::desc, RecordEntity<AcDbAttributeDefinition, ConvertAttributeDefinition>},
    {AcDbText::desc, RecordEntity<AcDbText, ConvertText>},
    {AcDbMText::desc, RecordEntity<AcDbMText, ConvertMText>},
    {AcDbRasterImage::desc, ImageEntity},
    {AcDbEllipse::desc, RecordEntity<AcDbEllipse, ConvertEllipse>},
    {AcDbLine::desc, RecordEntity<AcDbLine, ConvertLine>},
    {AcDbCircle::desc, RecordEntity<AcDbCircle, ConvertCircle>},
    {AcDbArc::desc, RecordEntity<AcDbArc, ConvertArc>},
    {AcDbSpline::desc, RecordEntity<AcDbSpline, ConvertSpline>},
    {AcDbPolyline::desc, PolylineEntity<AcDbPolyline, ConvertPolyline>},
    {AcDb3dPolyline::desc, PolylineEntity<AcDb3dPolyline, Convert3dPolyline>},
    {AcDb2dPolyline::desc, PolylineEntity<AcDb2dPolyline, Convert2dPolyline>},
    {AcDbMline::desc, RecordEntity<AcDbMline, ConvertMline>},
    {AcDbHatch::desc, RecordEntity<AcDbHatch, ConvertHatch>},
};

const EntityConverter* FindConverter(const AcRxClass* cls) {
    for (; cls != nullptr; cls = cls->myParent()) {
        for (const EntityConverter& converter : kConverters) {
            if (converter.desc() == cls) {
                return &converter;
            }
        }
    }
    return nullptr;
}

}  // namespace

uint8_t ConvertEntity(AcDbEntity* entity, MapApiBuf* packet, CBindingRecord* binding, CConvertLists& lists,
                      uint32_t& childCount, std::vector<uint32_t>& deleteIds, bool nested) {
    if (entity == nullptr) {
        return 0;
    }
    g_nCurrentColor = GetEntityRgb(entity);
    binding->m_opacity = GetMapOpacity(entity);
    binding->m_lineStyle = GetMapLineStyle(entity);
    if (const EntityConverter* converter = FindConverter(entity->isA())) {
        ConvertCall call{packet, binding, lists, childCount, nested};
        return converter->convert(entity, call);
    }
    if (IsExplodedClass(entity)) {
        ConvertExploded(entity, packet, binding, childCount, deleteIds, nested);
    }
    return 0;
}
