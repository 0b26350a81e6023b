// Polylines as tracks of geometry kind 5, and the groups sent as one map object: unbound points of a layer
// group as one point set, and the polylines of a received multi-part track as that track again.
#include <algorithm>
#include <cstdlib>

#include "plugin/arxutil/EntityUtil.h"
#include "plugin/exchange/EntityConvert.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"

namespace {

constexpr uint8_t kKindPolyline = 5;
constexpr uint8_t kKindPointSet = 6;

CPolylinePointItem VertexItem(const AcDbPolyline* polyline, unsigned int index, double bulge) {
    AcGePoint2d p;
    polyline->getPointAt(index, p);
    return CPolylinePointItem{p.x, p.y, 0.0, bulge};
}

// A track of kind 5 named from the binding; the points are filled by the caller.
MapTrackObj* NewPolylineTrack(int count, const CBindingRecord* binding, uint32_t color) {
    MapTrackObj* track = MapApiNewTrack(&g_MapApiLink);
    if (track == nullptr) {
        return nullptr;
    }
    track->m_pPoints =
        static_cast<MapObjPoint*>(std::calloc(static_cast<size_t>(std::max(count, 1)), sizeof(MapObjPoint)));
    if (track->m_pPoints == nullptr) {
        MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
        return nullptr;
    }
    track->m_nCount = count;
    track->m_byCoordKind = 2;
    track->m_byGeomKind = kKindPolyline;
    track->m_crLine = color;
    track->m_byOpacity = static_cast<BYTE>(binding->m_opacity);
    track->m_byLineStyle = static_cast<BYTE>(binding->m_lineStyle);
    if (binding->m_mapId != 0) {
        CStringToMultiByte(binding->m_name, track->m_szName, kMapNameBytes, kMapNameBytes - 1);
        if (!binding->m_remark.IsEmpty()) {
            const int size = binding->m_remark.GetLength() * 3 + 1;
            track->m_pText = static_cast<char*>(std::calloc(static_cast<size_t>(size), 1));
            if (track->m_pText != nullptr) {
                CStringToMultiByte(binding->m_remark, track->m_pText, size, 0);
            }
        }
    } else {
        CString name;
        MakeObjectName(name, kMapTypeTrack);
        CStringToMultiByte(name, track->m_szName, kMapNameBytes, kMapNameBytes - 1);
    }
    return track;
}

uint8_t WriteItems(const std::vector<CPolylinePointItem>& items, MapApiBuf* packet, CBindingRecord* binding) {
    const int count = std::min(static_cast<int>(items.size()), kMaxTrackPoints);
    MapTrackObj* track = NewPolylineTrack(count, binding, g_nCurrentColor);
    if (track == nullptr) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        MapObjPoint& point = track->m_pPoints[i];
        point.m_dY = items[static_cast<size_t>(i)].y;
        point.m_dX = items[static_cast<size_t>(i)].x;
        point.m_nHeight = TrackHeight(items[static_cast<size_t>(i)].z);
        point.m_dBulge = items[static_cast<size_t>(i)].bulge;
    }
    WriteMapObject(track, kMapTypeTrack, packet, binding);
    return 1;
}

// Opens the entity of a key in the working database; null when it can't be had.
AcDbEntity* OpenByKey(uint64_t key) {
    const AcDbObjectId id = CEntityUtil::GetObjectIdFromHandle(key);
    AcDbEntity* entity = nullptr;
    if (id.isNull() || acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk) {
        return nullptr;
    }
    return entity;
}

// An erased member keeps its place in its group: an undo brings it back there.
bool ErasedByKey(uint64_t key) {
    const AcDbObjectId id = CEntityUtil::GetObjectIdFromHandle(key);
    return !id.isNull() && id.isErased();
}

}  // namespace

std::vector<CPolylinePointItem> GetPolylinePoints(const AcDbPolyline* polyline) {
    std::vector<CPolylinePointItem> items;
    const unsigned int n = polyline->numVerts();
    if (n == 0) {
        return items;
    }
    for (unsigned int i = 0; i + 1 < n; ++i) {
        const bool last = i == n - 2;
        switch (polyline->segType(i)) {
            case AcDbPolyline::kArc: {
                double bulge = 0.0;
                polyline->getBulgeAt(i, bulge);
                items.push_back(VertexItem(polyline, i, bulge));
                break;
            }
            case AcDbPolyline::kLine:
            // A zero-length segment gives its vertex; the next segment keeps its own bulge.
            case AcDbPolyline::kCoincident:
                items.push_back(VertexItem(polyline, i, 0.0));
                break;
            case AcDbPolyline::kPoint:
                items.push_back(VertexItem(polyline, i, 0.0));
                break;
            case AcDbPolyline::kEmpty:
                if (!items.empty()) {
                    items.push_back(items.back());
                }
                break;
        }
        if (last) {
            items.push_back(VertexItem(polyline, i + 1, 0.0));
        }
    }
    if (polyline->isClosed() && !items.empty()) {
        // The closing segment keeps its bulge: a closed polyline of arcs stays round.
        double bulge = 0.0;
        if (polyline->segType(n - 1) == AcDbPolyline::kArc &&
            polyline->getBulgeAt(n - 1, bulge) == Acad::eOk) {
            items.back().bulge = bulge;
        }
        items.push_back(items.front());
    }
    return items;
}

std::vector<CPolylinePointItem> Get2dPolylineVertices(const AcDb2dPolyline* polyline) {
    std::vector<CPolylinePointItem> items;
    AcDbObjectIterator* it = polyline->vertexIterator();
    for (it->start(); !it->done(); it->step()) {
        const auto* vertex = AcDb2dVertex::cast(it->entity());
        // Control vertices of a splined polyline are not on the curve.
        if (vertex == nullptr || vertex->vertexType() == AcDb::k2dSplineCtlVertex) {
            continue;
        }
        const AcGePoint3d p = vertex->position();
        items.push_back(CPolylinePointItem{p.x, p.y, p.z, vertex->bulge()});
    }
    delete it;
    if (polyline->isClosed() && !items.empty()) {
        items.push_back(items.front());
    }
    return items;
}

AcGePoint3dArray Get3dPolylineVertices(const AcDb3dPolyline* polyline) {
    AcGePoint3dArray points;
    AcDbObjectIterator* it = polyline->vertexIterator();
    for (it->start(); !it->done(); it->step()) {
        const auto* vertex = AcDb3dPolylineVertex::cast(it->entity());
        if (vertex != nullptr && vertex->vertexType() != AcDb::k3dControlVertex) {
            points.append(vertex->position());
        }
    }
    delete it;
    if (polyline->isClosed() && !points.isEmpty()) {
        points.append(points[0]);
    }
    return points;
}

uint8_t ConvertPolyline(AcDbPolyline* polyline, MapApiBuf* packet, CBindingRecord* binding) {
    const std::vector<CPolylinePointItem> items = GetPolylinePoints(polyline);
    if (items.size() < 2) {
        return 0;
    }
    const int count = std::min(static_cast<int>(items.size()), kMaxTrackPoints);
    MapTrackObj* track = NewPolylineTrack(count, binding, g_nCurrentColor);
    if (track == nullptr) {
        return 0;
    }
    double width = 0.0;
    double startWidth = 0.0;
    double endWidth = 0.0;
    if (polyline->getConstantWidth(width) == Acad::eOk && width > 0.0) {
        track->m_nWidth = static_cast<DWORD>(width * 100.0);
    } else if (polyline->getWidthsAt(0, startWidth, endWidth) == Acad::eOk && startWidth > 0.0) {
        track->m_nWidth = static_cast<DWORD>(startWidth * 100.0);
    }
    for (int i = 0; i < count; ++i) {
        track->m_pPoints[i].m_dY = items[static_cast<size_t>(i)].y;
        track->m_pPoints[i].m_dX = items[static_cast<size_t>(i)].x;
        track->m_pPoints[i].m_dBulge = items[static_cast<size_t>(i)].bulge;
    }
    WriteMapObject(track, kMapTypeTrack, packet, binding);
    return 1;
}

// Two vertices make a line of any polyline kind: they are sent as the lightweight kind's are.
uint8_t Convert2dPolyline(AcDb2dPolyline* polyline, MapApiBuf* packet, CBindingRecord* binding) {
    const std::vector<CPolylinePointItem> items = Get2dPolylineVertices(polyline);
    if (items.size() < 2) {
        return 0;
    }
    return WriteItems(items, packet, binding);
}

uint8_t Convert3dPolyline(AcDb3dPolyline* polyline, MapApiBuf* packet, CBindingRecord* binding) {
    const AcGePoint3dArray points = Get3dPolylineVertices(polyline);
    if (points.length() < 2) {
        return 0;
    }
    std::vector<CPolylinePointItem> items;
    for (int i = 0; i < points.length(); ++i) {
        items.push_back(CPolylinePointItem{points[i].x, points[i].y, points[i].z, 0.0});
    }
    return WriteItems(items, packet, binding);
}

uint8_t ConvertMline(AcDbMline* mline, MapApiBuf* packet, CBindingRecord* binding) {
    // A multiline without vertices has nothing to show.
    if (mline->numVertices() == 0) {
        return 0;
    }
    std::vector<CPolylinePointItem> items;
    for (int i = 0; i < mline->numVertices(); ++i) {
        const AcGePoint3d p = mline->vertexAt(i);
        items.push_back(CPolylinePointItem{p.x, p.y, p.z, 0.0});
    }
    if (mline->closedMline()) {
        items.push_back(items.front());
    }
    return WriteItems(items, packet, binding);
}

uint32_t NewTemporaryGroupKey(const CDocSyncState& state) {
    CObjIdGenerator generator;
    for (;;) {
        const auto key = static_cast<uint32_t>(generator.NextId64() & 0x7FFFFFFF);
        if (key != 0 && state.m_pointGroups.Find(key) == nullptr &&
            state.m_trackGroups.Find(key) == nullptr && state.m_bindings.FindBinding(key) == nullptr) {
            return key;
        }
    }
}

uint8_t SendPointGroup(const std::vector<uint64_t>& keys, MapApiBuf* packet, CBindingRecord& templ) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr) {
        return 1;
    }
    g_nCurrentColor = 0;
    const uint32_t temp = NewTemporaryGroupKey(*state);
    AcGePoint3dArray positions;
    uint32_t firstColor = 0;
    for (uint64_t key : keys) {
        AcDbEntity* entity = OpenByKey(key);
        if (entity == nullptr) {
            continue;
        }
        if (auto* point = AcDbPoint::cast(entity)) {
            CBindingRecord* binding = GetLinkRecord(point, true);
            if (binding->m_mapId != 0) {
                if (!state->m_pointGroups.SetLinkModified(binding->m_mapId, true)) {
                    state->m_pointGroups.AddLinkEntity(binding->m_mapId, *binding, false);
                }
            } else {
                if (positions.isEmpty()) {
                    firstColor = GetEntityRgb(point);
                }
                positions.append(point->position());
                state->m_pointGroups.AddLinkEntity(temp, *binding, false);
            }
        }
        entity->close();
    }
    if (positions.length() == 1) {
        // A lone point is not sent: it stays in the drawing, unbound.
        if (CMapObjLink* link = state->m_pointGroups.Find(temp)) {
            for (uint64_t member : link->m_keys) {
                state->m_bindings.EraseBinding(member);
            }
        }
        state->m_pointGroups.RemoveLink(temp);
    } else if (positions.length() >= 2) {
        templ.m_key = temp;
        g_nCurrentColor = firstColor;
        WriteTrackFromPoints(positions, packet, &templ, kKindPointSet);
        // The group remembers the name it was sent under, so a re-send keeps it.
        if (CMapObjLink* link = state->m_pointGroups.Find(temp);
            link != nullptr && link->m_record != nullptr) {
            link->m_record->m_name = templ.m_name;
            link->m_record->m_parentId = templ.m_parentId;
        }
        RegisterTemporaryGroupKey(temp);
    }
    for (auto& [id, members] : state->m_pointGroups.CollectModified()) {
        g_nCurrentColor = 0;
        AcGePoint3dArray groupPoints;
        std::vector<uint64_t> stay;
        bool colored = false;
        for (uint64_t key : members) {
            AcDbEntity* entity = OpenByKey(key);
            if (entity == nullptr) {
                if (ErasedByKey(key)) {
                    stay.push_back(key);
                }
                continue;
            }
            if (auto* point = AcDbPoint::cast(entity)) {
                stay.push_back(key);
                groupPoints.append(point->position());
                if (!colored) {
                    g_nCurrentColor = GetEntityRgb(point);
                    colored = true;
                }
            }
            entity->close();
        }
        state->m_pointGroups.SetLinkEntities(id, stay);
        // A group left with one point still goes: the map would otherwise keep the points erased since.
        // One with none is deleted in the map when the command that erased them ends.
        if (groupPoints.isEmpty()) {
            continue;
        }
        CBindingRecord* record = state->m_pointGroups.SetLinkRecordId(id, id);
        CBindingRecord fallback = templ;
        if (record != nullptr) {
            // A group keeps its own folder; one that never had one takes the layer group's.
            if (record->m_parentId == 0) {
                record->m_parentId = templ.m_parentId;
            }
            record->m_key = id;
        } else {
            fallback.m_mapId = id;
            fallback.m_key = id;
            record = &fallback;
        }
        RegisterResentGroupKey(id);
        WriteTrackFromPoints(groupPoints, packet, record, kKindPointSet);
    }
    return 1;
}

uint8_t SendGroupedPolylines(const std::vector<uint64_t>& keys, MapApiBuf* packet, CBindingRecord& templ) {
    CDocSyncState* state = CurrentDocState();
    if (state == nullptr) {
        return 1;
    }
    for (uint64_t key : keys) {
        AcDbEntity* entity = OpenByKey(key);
        if (entity == nullptr) {
            continue;
        }
        if (AcDbPolyline::cast(entity) || AcDb3dPolyline::cast(entity)) {
            CBindingRecord* binding = GetLinkRecord(entity, true);
            if (binding->m_mapId != 0) {
                state->m_trackGroups.SetLinkModified(binding->m_mapId, true);
            }
        }
        entity->close();
    }
    for (auto& [id, members] : state->m_trackGroups.CollectModified()) {
        templ.m_mapId = id;
        templ.m_key = id;
        CBindingRecord* record = state->m_trackGroups.SetLinkRecordId(id, id);
        if (record != nullptr) {
            record->m_parentId = templ.m_parentId;
            record->m_key = id;
        } else {
            record = &templ;
        }
        // One track holds every part, lightweight and 3D alike, in member order.
        std::vector<std::vector<CPolylinePointItem>> parts;
        std::vector<uint64_t> stay;
        size_t total = 0;
        uint32_t color = 0;
        for (uint64_t key : members) {
            AcDbEntity* entity = OpenByKey(key);
            if (entity == nullptr) {
                if (ErasedByKey(key)) {
                    stay.push_back(key);
                }
                continue;
            }
            stay.push_back(key);
            if (stay.size() == 1) {
                color = GetEntityRgb(entity);
            }
            std::vector<CPolylinePointItem> items;
            if (auto* lw = AcDbPolyline::cast(entity)) {
                items = GetPolylinePoints(lw);
            } else if (auto* p3 = AcDb3dPolyline::cast(entity)) {
                const AcGePoint3dArray points = Get3dPolylineVertices(p3);
                for (int i = 0; i < points.length(); ++i) {
                    items.push_back(CPolylinePointItem{points[i].x, points[i].y, points[i].z, 0.0});
                }
            }
            entity->close();
            if (items.size() > 1 && total < static_cast<size_t>(kMaxTrackPoints)) {
                total += items.size();
                parts.push_back(std::move(items));
            }
        }
        state->m_trackGroups.SetLinkEntities(record->m_mapId, stay);
        if (total < 2) {
            continue;
        }
        const int count = static_cast<int>(std::min(total, static_cast<size_t>(kMaxTrackPoints)));
        record->m_lineStyle = templ.m_lineStyle;
        record->m_opacity = templ.m_opacity;
        MapTrackObj* track = NewPolylineTrack(count, record, color);
        if (track == nullptr) {
            continue;
        }
        int at = 0;
        for (size_t p = 0; p < parts.size() && at < count; ++p) {
            for (size_t i = 0; i < parts[p].size() && at < count; ++i, ++at) {
                MapObjPoint& point = track->m_pPoints[at];
                point.m_dY = parts[p][i].y;
                point.m_dX = parts[p][i].x;
                point.m_nHeight = TrackHeight(parts[p][i].z);
                point.m_dBulge = parts[p][i].bulge;
                if (p > 0 && i == 0) {
                    point.m_nHeight = static_cast<INT32>(kMultiPartFlag);
                }
            }
        }
        RegisterResentGroupKey(id);
        WriteMapObject(track, kMapTypeTrack, packet, record);
    }
    return 1;
}
