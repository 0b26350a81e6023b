#include "plugin/exchange/EntityBuilders.h"

#include <cmath>

#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/arxutil/ArcUtil.h"
#include "plugin/arxutil/CircleUtil.h"
#include "plugin/arxutil/DocWriteLock.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"
#include "plugin/arxutil/EllipseUtil.h"
#include "plugin/arxutil/EntityProperty.h"
#include "plugin/arxutil/EntityUtil.h"
#include "plugin/arxutil/HatchUtil.h"
#include "plugin/arxutil/LineUtil.h"
#include "plugin/arxutil/PolylineUtil.h"
#include "plugin/arxutil/SplineUtil.h"
#include "plugin/core/PointIcon.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/mapobj.h"

namespace {

constexpr double kPi = 3.1415927410125732;  // the single-precision pi the map application uses
constexpr double kHalfPi = 1.5707963705062866;
constexpr double kTwoPi = 6.283185307179586;
constexpr int kLabelLevel = 20;  // the level at which a label has its nominal size
constexpr int kDefaultFontSize = 14;
constexpr double kFullTurnTolerance = 1e-4;  // a sent full ellipse ends at 359.99998998 degrees

// Track geometry kinds that change the entity built.
constexpr BYTE kKindPolyline = 5;
constexpr BYTE kKindPointSet = 6;
constexpr BYTE kKindCircle = 7;
constexpr BYTE kKindEllipse = 9;
constexpr BYTE kKindSpline = 10;

AcDbDatabase* WorkingDb() {
    return acdbHostApplicationServices()->workingDatabase();
}

int ClampPercent(int percent) {
    return percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

CEntityProperty MakeProperty(const ACHAR* layerName, uint32_t rgb, int opacity) {
    CEntityProperty prop;
    prop.m_strLayerName = layerName != nullptr ? layerName : u"";
    prop.m_bByLayer = g_Settings.m_nColorByLayer != 0;
    prop.m_color = MakeRgbColor(rgb);
    prop.m_nOpacity = ClampPercent(opacity);
    return prop;
}

bool Finite(double v) {
    return std::isfinite(v);
}

bool PointsFinite(const MapObjPoint* points, int count) {
    for (int i = 0; i < count; ++i) {
        if (!Finite(points[i].m_dX) || !Finite(points[i].m_dY) || !Finite(points[i].m_dBulge)) {
            return false;
        }
    }
    return true;
}

// The height a point stands at; the part marker is no height.
double Height(const MapObjPoint& p) {
    return p.m_nHeight == static_cast<INT32>(kMultiPartFlag) ? 0.0 : double(p.m_nHeight);
}

AcGePoint3d At3d(const MapObjPoint& p) {
    return AcGePoint3d(p.m_dX, p.m_dY, Height(p));
}

uint64_t KeyOf(AcDbObjectId id) {
    return HandleToUInt32(id.handle());
}

// Parts cut before every point that carries the part marker; the last ends with the last point.
std::vector<std::vector<MapObjPoint>> CutParts(const MapObjPoint* points, int count) {
    std::vector<std::vector<MapObjPoint>> parts(1);
    for (int i = 0; i < count; ++i) {
        if (points[i].m_nHeight == static_cast<INT32>(kMultiPartFlag) && !parts.back().empty()) {
            parts.emplace_back();
        }
        parts.back().push_back(points[i]);
    }
    return parts;
}

// A lightweight polyline through the points with their bulges (or none) and a constant width, posted.
AcDbObjectId PostPolyline(const std::vector<MapObjPoint>& points, bool bulges, double width,
                          const CEntityProperty& prop) {
    if (points.size() < 2) {
        return AcDbObjectId();
    }
    auto* poly = new AcDbPolyline(static_cast<unsigned>(points.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        poly->addVertexAt(static_cast<unsigned>(i), AcGePoint2d(points[i].m_dX, points[i].m_dY),
                          bulges ? points[i].m_dBulge : 0.0, 0.0, 0.0);
    }
    if (width > 0) {
        poly->setConstantWidth(width);
    }
    return CDwgDatabaseUtil::PostToModelSpace(poly, prop, WorkingDb());
}

AcDbObjectId Post3dPolyline(const std::vector<MapObjPoint>& points, const CEntityProperty& prop) {
    if (points.size() < 2) {
        return AcDbObjectId();
    }
    AcGePoint3dArray vertices;
    for (const MapObjPoint& p : points) {
        vertices.append(At3d(p));
    }
    return CPolylineUtil::Add3dPolyline(vertices, prop);
}

// The constant width of a track: its line width in hundredths, whole units only.
double TrackWidth(const MapTrackObj* track) {
    const auto width = static_cast<INT32>(track->m_nWidth);
    return width > 0 ? double(width / 100) : 0.0;
}

// Binds a grouped entity: its own group-member binding, and a member of the group under mapId.
void BindGroupMember(CMapObjLinkTable& groups, CBindingTable& bindings, uint32_t mapId,
                     const MapTrackObj* track, AcDbObjectId id) {
    auto* record = new CBindingRecord;
    record->m_groupMember = 1;
    record->m_mapId = mapId;
    record->m_key = KeyOf(id);
    record->m_name = MultiByteToCString(track->m_szName);
    record->m_remark = MultiByteToCString(track->m_pText);
    groups.AddLinkEntity(mapId, *record, false);
    bindings.SetBinding(record->m_key, record, false);
}

// Replaces the group of mapId by the entities just built (the former members are erased with their
// bindings). Without a state or a map id the entities stay unbound.
void RebindGroup(CMapObjLinkTable CDocSyncState::*table, uint32_t mapId, const MapTrackObj* track,
                 const std::vector<AcDbObjectId>& ids) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr || mapId == 0) {
        return;
    }
    CMapObjLinkTable& groups = state->*table;
    groups.EmptyLink(mapId);
    auto* record = new CBindingRecord;
    record->m_mapId = mapId;
    record->m_name = MultiByteToCString(track->m_szName);
    record->m_remark = MultiByteToCString(track->m_pText);
    record->m_groupMember = 1;
    groups.SetLinkRecord(mapId, record);
    for (AcDbObjectId id : ids) {
        BindGroupMember(groups, state->m_bindings, mapId, track, id);
    }
}

// Circle or arc of a 2-point circle or ellipse track: centre and a point on it, angles in the bulges.
AcDbObjectId BuildCircleTrack(const MapTrackObj* track, const CEntityProperty& prop) {
    const MapObjPoint& p0 = track->m_pPoints[0];
    const MapObjPoint& p1 = track->m_pPoints[1];
    const AcGePoint3d centre = At3d(p0);
    const double radius = centre.distanceTo(AcGePoint3d(p1.m_dX, p1.m_dY, centre.z));
    if (p0.m_dBulge == 0 && (p1.m_dBulge == 0 || p1.m_dBulge == 360)) {
        return CCircleUtil::Add(centre, AcGeVector3d::kZAxis, radius, prop, WorkingDb());
    }
    return CArcUtil::Add(centre, AcGeVector3d::kZAxis, radius, p0.m_dBulge * kPi / 180,
                         p1.m_dBulge * kPi / 180, prop);
}

// Arc through three points, given counter-clockwise; points on one line make no arc, so a polyline.
AcDbObjectId BuildThreePointArc(const MapTrackObj* track, const CEntityProperty& prop) {
    const MapObjPoint* p = track->m_pPoints;
    const AcGePoint3d a = At3d(p[0]), b = At3d(p[1]), c = At3d(p[2]);
    const double cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    const double scale = a.distanceTo(b) * b.distanceTo(c);
    if (!(std::fabs(cross) > 1e-12 * scale) || scale == 0) {
        return PostPolyline({p[0], p[1], p[2]}, false, 0, prop);
    }
    const std::vector<AcGePoint2d> flat = {{a.x, a.y}, {b.x, b.y}, {c.x, c.y}};
    if (IsClockwise(flat, true) == 1) {
        return CArcUtil::Add(c, b, a, prop);
    }
    return CArcUtil::Add(a, b, c, prop);
}

// Ellipse or elliptical arc: centre, the end of one axis, the end of the other; angles in the bulges.
AcDbObjectId BuildEllipseTrack(const MapTrackObj* track, const CEntityProperty& prop) {
    const MapObjPoint* p = track->m_pPoints;
    const AcGePoint3d centre = At3d(p[0]);
    AcGeVector3d v(p[1].m_dX - centre.x, p[1].m_dY - centre.y, 0);
    const double first = v.length();
    const double second = AcGeVector3d(p[2].m_dX - centre.x, p[2].m_dY - centre.y, 0).length();
    if (!(first > 0) || !(second > 0)) {
        return AcDbObjectId();
    }
    double ratio = second / first;
    double offset = 0;
    if (ratio > 1) {
        // The longer axis is the second: v turned a quarter, and the angles turned back with it.
        const bool turnedClockwise = (v.x > 0 && v.y > 0) || (v.x <= 0 && v.y <= 0);
        v = turnedClockwise ? AcGeVector3d(v.y, -v.x, 0) : AcGeVector3d(-v.y, v.x, 0);
        v *= ratio;
        ratio = 1 / ratio;
        offset = turnedClockwise ? kHalfPi : -kHalfPi;
    }
    const double start = p[0].m_dBulge, end = p[1].m_dBulge;
    if (start == 0 && std::fabs(end - 360) < kFullTurnTolerance) {
        return CEllipseUtil::Add(centre, AcGeVector3d::kZAxis, v, ratio, prop, 0, kTwoPi);
    }
    return CEllipseUtil::Add(centre, AcGeVector3d::kZAxis, v, ratio, prop, start * kPi / 180 + offset,
                             end * kPi / 180 + offset);
}

AcDbObjectId BuildSingleTrack(const MapTrackObj* track, const CEntityProperty& prop, bool heights,
                              bool arcs) {
    const int count = track->m_nCount;
    const std::vector<MapObjPoint> points(track->m_pPoints, track->m_pPoints + count);
    const bool flat = !heights || arcs;
    switch (track->m_byGeomKind) {
        case kKindCircle:
            if (count == 2) {
                return BuildCircleTrack(track, prop);
            }
            return count == 3 ? BuildThreePointArc(track, prop) : AcDbObjectId();
        case kKindEllipse:
            if (count == 2) {
                return BuildCircleTrack(track, prop);
            }
            if (count == 3) {
                return BuildEllipseTrack(track, prop);
            }
            break;
        case kKindSpline: {
            AcGePoint3dArray control;
            for (const MapObjPoint& p : points) {
                control.append(At3d(p));
            }
            return CSplineUtil::Add(control, prop, 4);
        }
        case kKindPolyline:
            return flat ? PostPolyline(points, true, 0, prop) : Post3dPolyline(points, prop);
        default:
            break;
    }
    return flat ? PostPolyline(points, false, TrackWidth(track), prop) : Post3dPolyline(points, prop);
}

// The closed outline of a ring (its first point repeated at the end when it differs from the last).
AcDbObjectId PostRing(const std::vector<MapObjPoint>& ring, const CEntityProperty& prop) {
    if (ring.size() < 3) {
        return AcDbObjectId();
    }
    AcGePoint2dArray points;
    for (const MapObjPoint& p : ring) {
        points.append(AcGePoint2d(p.m_dX, p.m_dY));
    }
    if (points[0] != points[points.length() - 1]) {
        points.append(points[0]);
    }
    return CPolylineUtil::Add(points, prop, 0);
}

void EraseAll(const AcDbObjectIdArray& ids) {
    for (int i = 0; i < ids.length(); ++i) {
        CEntityUtil::Erase(ids[i]);
    }
}

// One shape is built in a transaction of its own: its outline is construction only, and when the hatch
// can't be made, or the outline it was built over can't be erased once it stands, the transaction is rolled
// back and nothing of the shape stays.
class CShapeBuild {
public:
    CShapeBuild() {
        if (AcApDocument* doc = acDocManager->curDocument()) {
            m_transactions = doc->transactionManager();
            m_transactions->startTransaction();
        }
    }
    ~CShapeBuild() { Drop(AcDbObjectId(), AcDbObjectIdArray()); }
    CShapeBuild(const CShapeBuild&) = delete;
    CShapeBuild& operator=(const CShapeBuild&) = delete;

    // The hatch when it stands and its construction is gone; otherwise the null id and nothing left.
    AcDbObjectId Finish(AcDbObjectId hatch, const AcDbObjectIdArray& construction) {
        bool gone = !hatch.isNull();
        for (int i = 0; gone && i < construction.length(); ++i) {
            gone = construction[i].isErased();
        }
        if (!gone) {
            Drop(hatch, construction);
            return AcDbObjectId();
        }
        if (m_transactions != nullptr) {
            m_transactions->endTransaction();
            m_transactions = nullptr;
        }
        return hatch;
    }

private:
    void Drop(AcDbObjectId hatch, const AcDbObjectIdArray& construction) {
        if (m_transactions != nullptr) {
            if (m_transactions->abortTransaction() != Acad::eOk) {
                m_transactions->endTransaction();
            }
            m_transactions = nullptr;
        }
        // What a rollback left standing (nothing, unless the host keeps no record to roll back by) goes as
        // far as it can.
        EraseAll(construction);
        if (!hatch.isNull()) {
            CEntityUtil::Erase(hatch);
        }
    }

    AcTransactionManager* m_transactions = nullptr;
};

// The outline of a two-point shape: rectangle, circle, ellipse, or a sector closed by a polyline from the
// arc's start through the centre to its end. False when the corners make none.
bool BuildTwoPointOutline(const MapShapeObj* shape, const CEntityProperty& prop,
                          AcDbObjectIdArray& boundary) {
    const AcGePoint2d p0(shape->m_pPoints[0].m_dX, shape->m_pPoints[0].m_dY);
    const AcGePoint2d p1(shape->m_pPoints[1].m_dX, shape->m_pPoints[1].m_dY);
    if (p0.x == p1.x || p0.y == p1.y) {
        return false;
    }
    const double start = shape->m_dStartAngle, end = shape->m_dEndAngle;
    const bool square = p0.x - p1.x == p1.y - p0.y;
    AcDbObjectId id;
    if (start == 0 && end == 0) {
        id = CPolylineUtil::AddRectangle(p0, p1, 0, prop);
    } else if (start == 0 && std::fabs(end - 360) < kFullTurnTolerance) {
        const double midX = (p0.x + p1.x) / 2;
        id = square ? CCircleUtil::Add(AcGePoint2d(midX, p0.y), AcGePoint2d(midX, p1.y), prop)
                    : CEllipseUtil::AddByRectangle(p0, p1, prop);
    } else {
        id = square ? CArcUtil::AddByTwoPoints(p0, p1, start, end, prop)
                    : CEllipseUtil::AddArcByRectangle(p0, p1, prop, start * kPi / 180, end * kPi / 180);
        if (id.isNull()) {
            return false;
        }
        AcGePoint2dArray keys;
        if (square) {
            AcDbArc* arc = nullptr;
            if (acdbOpenObject(arc, id, AcDb::kForRead) == Acad::eOk) {
                AcGePoint3d s, e;
                arc->getStartPoint(s);
                arc->getEndPoint(e);
                const AcGePoint3d c = arc->center();
                keys.append(AcGePoint2d(s.x, s.y));
                keys.append(AcGePoint2d(c.x, c.y));
                keys.append(AcGePoint2d(e.x, e.y));
                arc->close();
            }
        } else {
            keys = CEllipseUtil::GetKeyPoints(id);
        }
        boundary.append(id);
        const AcDbObjectId closing = keys.length() == 3 ? CPolylineUtil::Add(keys, prop, 0) : AcDbObjectId();
        if (closing.isNull()) {
            EraseAll(boundary);
            boundary.setLogicalLength(0);
            return false;
        }
        boundary.append(closing);
        return true;
    }
    if (id.isNull()) {
        return false;
    }
    boundary.append(id);
    return true;
}

}  // namespace

double LabelHeight(int fontSize, int level) {
    double height = 2.5 * fontSize / 22;
    for (; level < kLabelLevel; ++level) {
        height *= 2;
    }
    for (; level > kLabelLevel; --level) {
        height /= 2;
    }
    return height;
}

int IsClockwise(const std::vector<AcGePoint2d>& points, bool flip) {
    const double s = flip ? 1.0 : -1.0;
    const size_t n = points.size();
    int count = 0;
    for (size_t i = 0; i < n; ++i) {
        const AcGePoint2d& a = points[i];
        const AcGePoint2d& b = points[(i + 1) % n];
        const AcGePoint2d& c = points[(i + 2) % n];
        const double cross = (b.x - a.x) * (s * c.y - s * b.y) - (s * b.y - s * a.y) * (c.x - b.x);
        count += cross > 0 ? 1 : cross < 0 ? -1 : 0;
    }
    return count < 0 ? 1 : count == 0 ? 0 : -1;
}

AcDbObjectId CreateSignEntities(MapMarkObj* marker, const ACHAR* layerName, bool lock) {
    if (marker == nullptr || !Finite(marker->m_dX) || !Finite(marker->m_dY) || !Finite(marker->m_fRotation)) {
        return AcDbObjectId();
    }
    AcApDocument* doc = lock ? acDocManager->curDocument() : nullptr;
    CDocWriteLock guard(doc);
    if (doc != nullptr && !guard.Locked()) {
        return AcDbObjectId();
    }
    const bool label = marker->m_byStyle == 3;
    const AcGePoint3d position(marker->m_dX, marker->m_dY, double(marker->m_nHeight));
    if (!label) {
        CEntityProperty prop = MakeProperty(layerName, marker->m_crIcon, 100);
        LoadIconImage();
        if (g_Settings.m_bPointAsIcon != 0 && !g_idIconImageDef.isNull() && marker->m_nIcon >= 1) {
            AcDbObjectId imageId;
            return AddImgPoint(imageId, g_idIconImageDef, position, g_Settings.m_nIconSize, prop);
        }
        return CDwgDatabaseUtil::PostToModelSpace(new AcDbPoint(position), prop, WorkingDb());
    }

    CEntityProperty prop = MakeProperty(layerName, marker->m_crLabel, 100 - int(marker->m_byOpacity));
    // Single precision, as the map application turns its degrees.
    const float radians = marker->m_fRotation * 3.1415927f / 180.0f;
    CString text = MultiByteToCString(marker->m_szName);
    const bool multiLine = text.Find(u"\r\n") >= 1;
    if (static_cast<INT32>(marker->m_nFontSize) <= 0) {
        marker->m_nFontSize = kDefaultFontSize;
    }
    if (marker->m_byLabelLevel == 0) {
        const int level = g_Settings.m_nTextLevel;
        if (level <= 0 || level > 255) {
            return AcDbObjectId();
        }
        marker->m_byLabelLevel = static_cast<BYTE>(level);
    }
    const double height = LabelHeight(static_cast<int>(marker->m_nFontSize), marker->m_byLabelLevel);
    AcDbEntity* entity = nullptr;
    if (multiLine) {
        text.Replace(u"\r\n", u"\\P");
        auto* mtext = new AcDbMText;
        mtext->setTextHeight(height);
        mtext->setContents(text);
        mtext->setLocation(position);
        mtext->setRotation(radians);
        entity = mtext;
    } else {
        auto* single = new AcDbText;
        single->setHeight(height);
        single->setTextString(text);
        single->setPosition(position);
        single->setRotation(radians);
        entity = single;
    }
    entity->setColor(MakeRgbColor(marker->m_crLabel));
    return CDwgDatabaseUtil::PostToModelSpace(entity, prop, WorkingDb());
}

AcDbObjectId CreateTrackEntities(const MapTrackObj* track, const ACHAR* layerName, uint32_t mapId,
                                 CBuildKind* kind) {
    if (kind != nullptr) {
        *kind = CBuildKind::kNothing;
    }
    if (track == nullptr || track->m_nCount <= 0 || track->m_pPoints == nullptr ||
        !PointsFinite(track->m_pPoints, track->m_nCount)) {
        return AcDbObjectId();
    }
    CEntityProperty prop = MakeProperty(layerName, track->m_crLine, track->m_byOpacity);
    prop.m_strLinetype = LineStyleName(track->m_byLineStyle);
    const int count = track->m_nCount;

    if (track->m_byGeomKind == kKindPointSet) {
        std::vector<AcDbObjectId> ids;
        for (int i = 0; i < count; ++i) {
            const AcDbObjectId id = CDwgDatabaseUtil::PostToModelSpace(
                new AcDbPoint(At3d(track->m_pPoints[i])), prop, WorkingDb());
            if (!id.isNull()) {
                ids.push_back(id);
            }
        }
        if (ids.empty()) {
            return AcDbObjectId();
        }
        RebindGroup(&CDocSyncState::m_pointGroups, mapId, track, ids);
        if (kind != nullptr) {
            *kind = CBuildKind::kPointGroup;
        }
        return AcDbObjectId();
    }

    bool parts = false, heights = false, arcs = false;
    for (int i = 0; i < count; ++i) {
        const MapObjPoint& p = track->m_pPoints[i];
        parts = parts || (i > 0 && p.m_nHeight == static_cast<INT32>(kMultiPartFlag));
        heights = heights || (p.m_nHeight != 0 && p.m_nHeight != static_cast<INT32>(kMultiPartFlag));
        arcs = arcs || p.m_dBulge != 0;
    }
    if (!parts) {
        const AcDbObjectId id = BuildSingleTrack(track, prop, heights, arcs);
        if (kind != nullptr && !id.isNull()) {
            *kind = CBuildKind::kSingle;
        }
        return id;
    }
    // One entity per part, bound as one polyline group.
    std::vector<AcDbObjectId> ids;
    for (const std::vector<MapObjPoint>& part : CutParts(track->m_pPoints, count)) {
        const AcDbObjectId id = (!heights || arcs) ? PostPolyline(part, true, TrackWidth(track), prop)
                                                   : Post3dPolyline(part, prop);
        if (!id.isNull()) {
            ids.push_back(id);
        }
    }
    if (ids.empty()) {
        return AcDbObjectId();
    }
    RebindGroup(&CDocSyncState::m_trackGroups, mapId, track, ids);
    if (kind != nullptr) {
        *kind = CBuildKind::kTrackGroup;
    }
    return AcDbObjectId();
}

AcDbObjectId CreateShapeEntities(const MapShapeObj* shape, const ACHAR* layerName) {
    if (shape == nullptr || shape->m_nCount < 2 || shape->m_pPoints == nullptr ||
        !PointsFinite(shape->m_pPoints, shape->m_nCount) || !Finite(shape->m_dStartAngle) ||
        !Finite(shape->m_dEndAngle)) {
        return AcDbObjectId();
    }
    // The outline goes once the hatch stands: it is drawn on the layer the host gives, not the object's,
    // whose lock would keep it from being erased.
    const CEntityProperty outline = MakeProperty(nullptr, shape->m_crLine, 100 - int(shape->m_byLineOpacity));
    const CEntityProperty fill = MakeProperty(layerName, shape->m_crFill, shape->m_byFillOpacity);
    const int count = shape->m_nCount;
    bool rings = false;
    for (int i = 1; i < count; ++i) {
        rings = rings || shape->m_pPoints[i].m_nHeight == static_cast<INT32>(kMultiPartFlag);
    }

    CShapeBuild build;
    if (!rings) {
        AcDbObjectIdArray boundary;
        if (count == 2) {
            if (!BuildTwoPointOutline(shape, outline, boundary)) {
                return AcDbObjectId();
            }
        } else {
            const AcDbObjectId id =
                PostRing(std::vector<MapObjPoint>(shape->m_pPoints, shape->m_pPoints + count), outline);
            if (id.isNull()) {
                return AcDbObjectId();
            }
            boundary.append(id);
        }
        return build.Finish(CHatchUtil::Add(boundary, fill, false, u"SOLID"), boundary);
    }

    const std::vector<std::vector<MapObjPoint>> all = CutParts(shape->m_pPoints, count);
    const size_t outerCount = std::min<size_t>(shape->m_nHatchCount, all.size());
    std::vector<AcDbObjectIdArray> outer, inner;
    AcDbObjectIdArray posted;
    for (size_t i = 0; i < all.size(); ++i) {
        const AcDbObjectId id = PostRing(all[i], outline);
        if (id.isNull()) {
            continue;
        }
        posted.append(id);
        AcDbObjectIdArray loop;
        loop.append(id);
        (i < outerCount ? outer : inner).push_back(loop);
    }
    if (posted.length() == 0) {
        return AcDbObjectId();
    }
    return build.Finish(CHatchUtil::Add(outer, inner, fill, false, u"SOLID"), posted);
}

AcDbObjectId CreateMultiPartEntity(const MapMultiObj* multi, const ACHAR* layerName) {
    if (multi == nullptr || multi->m_nPartCount <= 0 || multi->m_pParts == nullptr) {
        return AcDbObjectId();
    }
    const CEntityProperty prop = MakeProperty(layerName, multi->m_crColor, 100);
    std::vector<MapObjPoint> vertices;
    for (int i = 0; i < multi->m_nPartCount; ++i) {
        const MapMultiPart& part = multi->m_pParts[i];
        if (part.m_nItemCount < 1 || part.m_pItems == nullptr) {
            continue;
        }
        for (int k = 0; k < part.m_nItemCount && vertices.size() < size_t(kMapMaxPoints); ++k) {
            const MapMultiItem& item = part.m_pItems[k];
            if (!Finite(item.m_dX) || !Finite(item.m_dY)) {
                return AcDbObjectId();
            }
            MapObjPoint p{};
            p.m_dX = item.m_dX;
            p.m_dY = item.m_dY;
            vertices.push_back(p);
        }
    }
    return PostPolyline(vertices, false, 0, prop);
}
