// Hatches as shapes (from their associated circle or ellipse, or from their loops, outer rings first), and
// entities sent exploded: a folder record standing for the entity, followed by the records of its parts.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "plugin/arxutil/ArcUtil.h"
#include "plugin/arxutil/EntityUtil.h"
#include "plugin/arxutil/HatchUtil.h"
#include "plugin/exchange/EntityConvert.h"
#include "plugin/core/LinkRecord.h"
#include "plugin/exchange/SendRoad.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"

namespace {

// A loop is a hole when it is an island (outermost) and not the external boundary, whatever else its type
// says: the hatches this plug-in builds mark holes so, and so do other programs' (a derived island too).
bool IsHoleLoop(Adesk::Int32 type) {
    return (type & AcDbHatch::kOutermost) != 0 && (type & AcDbHatch::kExternal) == 0;
}

constexpr double kPi = 3.1415927410125732;
constexpr int kBoundarySamples = 100;
constexpr uint8_t kKindPointSet = 6;

const char16_t* const kTextBlockExplodeFailed = u"炸开块失败\n";
const char16_t* const kTextRegionExplodeFailed = u"炸开面域失败\n";

using Ring = std::vector<AcGePoint3d>;

// A shape with the hatch's colour and opacity, named from the binding; points filled by the caller.
MapShapeObj* NewShape(int count, const CBindingRecord* binding) {
    MapShapeObj* shape = MapApiNewShape(&g_MapApiLink);
    if (shape == nullptr) {
        return nullptr;
    }
    shape->m_pPoints =
        static_cast<MapObjPoint*>(std::calloc(static_cast<size_t>(count), sizeof(MapObjPoint)));
    if (shape->m_pPoints == nullptr) {
        MapApiFreeObj(&g_MapApiLink, shape, kMapTypeShape);
        return nullptr;
    }
    shape->m_nCount = count;
    shape->m_crLine = g_nCurrentColor;
    shape->m_crFill = g_nCurrentColor;
    shape->m_byLineOpacity = static_cast<BYTE>(binding->m_opacity);
    shape->m_byFillOpacity = static_cast<BYTE>(binding->m_opacity);
    shape->m_byCoordKind = 2;
    if (binding->m_mapId > 0) {
        CStringToMultiByte(binding->m_name, shape->m_szName, kMapNameBytes, kMapNameBytes - 1);
        if (!binding->m_remark.IsEmpty()) {
            const int size = binding->m_remark.GetLength() * 3 + 1;
            shape->m_pText = static_cast<char*>(std::calloc(static_cast<size_t>(size), 1));
            if (shape->m_pText != nullptr) {
                CStringToMultiByte(binding->m_remark, shape->m_pText, size, 0);
            }
        }
    } else {
        CString name;
        MakeObjectName(name, kMapTypeShape);
        CStringToMultiByte(name, shape->m_szName, kMapNameBytes, kMapNameBytes - 1);
    }
    return shape;
}

Ring ToRing(const AcGePoint3dArray& points) {
    Ring ring;
    for (int i = 0; i < points.length(); ++i) {
        ring.push_back(points[i]);
    }
    return ring;
}

// One shape of rings: the outer rings first, then the inner ones, each ring after the first marked as a new
// part, at most the track's point limit; the count of outer rings written is the shape's outline count.
// Fewer than three points make no area and write nothing (0).
uint8_t WriteRingShape(const std::vector<Ring>& outer, const std::vector<Ring>& inner, MapApiBuf* packet,
                       CBindingRecord* binding) {
    size_t total = 0;
    for (const Ring& ring : outer) {
        total += ring.size();
    }
    for (const Ring& ring : inner) {
        total += ring.size();
    }
    if (total < 3) {
        return 0;
    }
    const int count = static_cast<int>(std::min(total, static_cast<size_t>(kMaxTrackPoints)));
    MapShapeObj* shape = NewShape(count, binding);
    if (shape == nullptr) {
        return 0;
    }
    int at = 0;
    WORD outerWritten = 0;
    auto fill = [&](const std::vector<Ring>& rings, bool counted) {
        for (const Ring& ring : rings) {
            if (at >= count) {
                return;
            }
            // Only rings that made it into the shape are counted as outer rings.
            if (counted) {
                ++outerWritten;
            }
            for (size_t i = 0; i < ring.size() && at < count; ++i, ++at) {
                shape->m_pPoints[at].m_dY = ring[i].y;
                shape->m_pPoints[at].m_dX = ring[i].x;
                if (i == 0 && at > 0) {
                    shape->m_pPoints[at].m_nHeight = static_cast<INT32>(kMultiPartFlag);
                }
            }
        }
    };
    fill(outer, true);
    fill(inner, false);
    shape->m_nHatchCount = outerWritten;
    WriteMapObject(shape, kMapTypeShape, packet, binding);
    return 1;
}

int ExplodeKind(const AcDbEntity* entity) {
    if (AcDbBlockReference::cast(entity) != nullptr) {
        return kMapTypeBlockRef;
    }
    if (AcDbRegion::cast(entity) != nullptr) {
        return kMapTypeRegion;
    }
    return kMapTypeProxy;
}

// The entity's parts, each converted as an entity of its own; their records follow one another.
uint8_t ConvertParts(AcDbVoidPtrArray& parts, MapApiBuf* packet, const CBindingRecord& templ,
                     uint32_t& childCount) {
    CConvertLists lists;
    std::vector<uint32_t> deleteIds;
    for (int i = 0; i < parts.length(); ++i) {
        std::unique_ptr<AcDbEntity> part(static_cast<AcDbEntity*>(parts[i]));
        // A part is not in the drawing: a fresh binding, whatever link its block definition carried.
        CBindingRecord binding;
        uint32_t partCount = 0;
        ConvertEntity(part.get(), packet, &binding, lists, partCount, deleteIds, true);
        childCount += partCount;
    }
    if (lists.m_partPoints.size() >= 2) {
        AcGePoint3dArray points;
        for (const AcGePoint3d& p : lists.m_partPoints) {
            points.append(p);
        }
        CBindingRecord binding = templ;
        if (WriteTrackFromPoints(points, packet, &binding, kKindPointSet) != 0) {
            ++childCount;
        }
    }
    return 1;
}

void DeleteParts(AcDbVoidPtrArray& parts) {
    for (int i = 0; i < parts.length(); ++i) {
        delete static_cast<AcDbEntity*>(parts[i]);
    }
    parts.setLogicalLength(0);
}

}  // namespace

uint8_t ConvertHatch(AcDbHatch* hatch, MapApiBuf* packet, CBindingRecord* binding) {
    AcDbObjectIdArray ids;
    hatch->getAssocObjIds(ids);
    if (ids.length() == 1) {
        AcDbEntity* boundary = nullptr;
        if (acdbOpenAcDbEntity(boundary, ids[0], AcDb::kForRead) == Acad::eOk) {
            const uint8_t result = ConvertHatchBoundaryObject(boundary, packet, binding);
            boundary->close();
            if (result != 0) {
                return result;
            }
        }
    }
    return ConvertHatchLoops(hatch, packet, binding);
}

uint8_t ConvertHatchBoundaryObject(AcDbEntity* boundary, MapApiBuf* packet, CBindingRecord* binding) {
    AcDbCurve* curve = nullptr;
    if (AcDbEllipse::cast(boundary) != nullptr || AcDbCircle::cast(boundary) != nullptr) {
        curve = AcDbCurve::cast(boundary);
    }
    if (curve == nullptr) {
        return 0;
    }
    AcGePoint3dArray points;
    for (int i = 0; i < kBoundarySamples; ++i) {
        AcGePoint3d p;
        // A sample the curve refuses is left out; too few leave the hatch to its loops.
        if (curve->getPointAtParam(kPi * 2 / kBoundarySamples * i, p) == Acad::eOk) {
            points.append(p);
        }
    }
    return WriteShapeFromPoints(points, packet, binding);
}

uint8_t WriteShapeFromPoints(const AcGePoint3dArray& points, MapApiBuf* packet, CBindingRecord* binding) {
    if (points.length() < 3) {
        return 0;
    }
    const int count = std::min(points.length(), kMaxTrackPoints);
    MapShapeObj* shape = NewShape(count, binding);
    if (shape == nullptr) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        shape->m_pPoints[i].m_dY = points[i].y;
        shape->m_pPoints[i].m_dX = points[i].x;
    }
    WriteMapObject(shape, kMapTypeShape, packet, binding);
    return 1;
}

uint8_t ConvertHatchLoops(AcDbHatch* hatch, MapApiBuf* packet, CBindingRecord* binding) {
    std::vector<Ring> outer;
    std::vector<Ring> inner;
    for (int i = 0; i < hatch->numLoops(); ++i) {
        Adesk::Int32 type = hatch->loopTypeAt(i);
        if (type & AcDbHatch::kPolyline) {
            AcGePoint2dArray vertices;
            AcGeDoubleArray bulges;
            if (hatch->getLoopAt(i, type, vertices, bulges) == Acad::eOk && !vertices.isEmpty()) {
                AcGePoint3dArray points;
                CHatchUtil::GetPolylineLoopPoints(points, vertices, bulges);
                if (!points.isEmpty()) {
                    (IsHoleLoop(type) ? inner : outer).push_back(ToRing(points));
                }
                continue;
            }
        }
        AcGeVoidPointerArray edges;
        AcGeIntArray edgeTypes;
        if (hatch->getLoopAt(i, type, edges, edgeTypes) != Acad::eOk || edges.isEmpty()) {
            continue;
        }
        AcGePoint3dArray points;
        if (type & (AcDbHatch::kOutermost | AcDbHatch::kExternal)) {
            CHatchUtil::GetEdgeLoopPoints(points, edges, edgeTypes);
            if (!points.isEmpty()) {
                (IsHoleLoop(type) ? inner : outer).push_back(ToRing(points));
            }
        }
    }
    // Islands without any outer loop are the shape's outline themselves.
    if (outer.empty()) {
        outer.swap(inner);
    }
    return WriteRingShape(outer, inner, packet, binding);
}

uint8_t WriteTwoArcShape(AcDbPolyline* polyline, MapApiBuf* packet, CBindingRecord* binding) {
    constexpr double kArcStepDegrees = 3.0;
    std::vector<Ring> rings(2);
    for (unsigned int i = 0; i < 2; ++i) {
        AcGeCircArc2d arc;
        // A straight or missing segment gives an empty ring.
        if (polyline->segType(i) != AcDbPolyline::kArc || polyline->getArcSegAt(i, arc) != Acad::eOk) {
            continue;
        }
        AcGePoint3dArray points;
        CArcUtil::GetSamplePoints(arc, points, true, kArcStepDegrees);
        rings[i] = ToRing(points);
    }
    // The first arc's ring is the outline, the second's follows it as a part of its own.
    return WriteRingShape({rings[0]}, {rings[1]}, packet, binding);
}

namespace {

// A visible attribute is shown by a copy of it among the parts.
void ShowAttribute(const AcDbAttribute* attribute, AcDbVoidPtrArray& parts) {
    if (!attribute->isInvisible()) {
        if (auto* copy = static_cast<AcDbEntity*>(attribute->clone())) {
            parts.append(copy);
        }
    }
}

}  // namespace

// The parts show what the reference shows: a constant definition its text, the other definitions nothing
// (they only ask for a value at the insertion), and each visible attribute of the reference its value.
void ShowAttributeValues(const AcDbBlockReference* ref, AcDbVoidPtrArray& parts) {
    AcDbVoidPtrArray shown;
    for (int i = 0; i < parts.length(); ++i) {
        auto* part = static_cast<AcDbEntity*>(parts[i]);
        const auto* definition = AcDbAttributeDefinition::cast(part);
        if (definition == nullptr) {
            shown.append(part);
            continue;
        }
        if (definition->isConstant() && !definition->isInvisible()) {
            auto* text = new AcDbText(definition->position(), definition->textString().kACharPtr(),
                                      definition->textStyle(), definition->height(), definition->rotation());
            text->setPropertiesFrom(definition);
            shown.append(text);
        }
        delete part;
    }
    parts = shown;
    // The attributes are placed already: those of a reference in the drawing are opened by id, those of a
    // nested reference that an outer explode copied are held by the copy itself.
    std::unique_ptr<AcDbObjectIterator> it(ref->attributeIterator());
    for (; it != nullptr && !it->done(); it->step()) {
        if (const auto* held = AcDbAttribute::cast(it->entity())) {
            ShowAttribute(held, parts);
            continue;
        }
        AcDbAttribute* attribute = nullptr;
        if (acdbOpenObject(attribute, it->objectId(), AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        ShowAttribute(attribute, parts);
        attribute->close();
    }
}

uint8_t ConvertBlockReference(AcDbBlockReference* ref, MapApiBuf* packet, const CBindingRecord& templ,
                              uint32_t& childCount) {
    AcDbVoidPtrArray parts;
    Acad::ErrorStatus es = ref->explode(parts);
    if (es == Acad::eCannotScaleNonUniformly) {
        // The host refuses a non-uniform scale for some parts: a copy at unit scale is exploded (the
        // drawing is not touched) and each part takes the reference's scale where it can.
        DeleteParts(parts);
        std::unique_ptr<AcDbBlockReference> copy(static_cast<AcDbBlockReference*>(ref->clone()));
        if (copy != nullptr && copy->setScaleFactors(AcGeScale3d(1.0, 1.0, 1.0)) == Acad::eOk) {
            es = copy->explode(parts);
            const AcGeMatrix3d rescale = ref->blockTransform() * copy->blockTransform().inverse();
            for (int i = 0; es == Acad::eOk && i < parts.length(); ++i) {
                auto* part = static_cast<AcDbEntity*>(parts[i]);
                if (part->transformBy(rescale) != Acad::eOk) {
                    WriteDebugLogF(u"%s: sent at unit scale", part->isA()->name());
                }
            }
        }
    }
    if (es != Acad::eOk) {
        DeleteParts(parts);
        acutPrintf(kTextBlockExplodeFailed);
        return 0;
    }
    ShowAttributeValues(ref, parts);
    return ConvertParts(parts, packet, templ, childCount);
}

uint8_t ConvertRegion(AcDbRegion* region, MapApiBuf* packet, const CBindingRecord& templ,
                      uint32_t& childCount) {
    AcDbVoidPtrArray parts;
    if (region->explode(parts) != Acad::eOk) {
        DeleteParts(parts);
        acutPrintf(kTextRegionExplodeFailed);
        return 0;
    }
    return ConvertParts(parts, packet, templ, childCount);
}

uint8_t ConvertByExplode(AcDbEntity* proxy, MapApiBuf* packet, const CBindingRecord& templ,
                         uint32_t& childCount) {
    AcDbVoidPtrArray parts;
    if (proxy->explode(parts) != Acad::eOk) {
        DeleteParts(parts);
        acutPrintf(kTextBlockExplodeFailed);
        return 0;
    }
    return ConvertParts(parts, packet, templ, childCount);
}

uint8_t ConvertExploded(AcDbEntity* entity, MapApiBuf* packet, CBindingRecord* binding, uint32_t& childCount,
                        std::vector<uint32_t>& deleteIds, bool nested) {
    const DWORD start = packet->m_nUsed;
    MapFolderObj* folder = nullptr;
    bool deleting = false;
    if (!nested) {
        folder = MapApiNewFolder(&g_MapApiLink);
        if (folder == nullptr) {
            return 0;
        }
        CString name;
        MakeObjectName(name, ExplodeKind(entity));
        if (auto* ref = AcDbBlockReference::cast(entity)) {
            AcDbBlockTableRecord* block = nullptr;
            if (acdbOpenObject(block, ref->blockTableRecord(), AcDb::kForRead) == Acad::eOk) {
                AcString blockName;
                if (block->getName(blockName) == Acad::eOk && !blockName.isEmpty()) {
                    name = CString(blockName.kACharPtr());
                }
                block->close();
            }
        }
        // A name the user gave the object (in its property dialog) stays its name.
        if (binding->m_mapId != 0 && !binding->m_name.IsEmpty()) {
            name = binding->m_name;
        }
        CStringToMultiByte(name, folder->m_szName, kMapNameBytes, kMapNameBytes - 1);
        // The folder's bytes are reserved now and written once its parts are counted.
        DWORD size = 0;
        BYTE* serialised = MapApiSerializeObj(&g_MapApiLink, folder, kMapTypeFolder, &size);
        std::free(serialised);
        std::vector<BYTE> zeros(kObjectHeaderBytes + size, 0);
        if (serialised == nullptr || !MapApiBufAppend(packet, zeros.data(), static_cast<int>(zeros.size()))) {
            MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
            return 0;
        }
        if (binding->m_mapId != 0) {
            deleteIds.push_back(binding->m_mapId);
            deleting = true;
        }
    }
    CBindingRecord templ;
    templ.m_opacity = binding->m_opacity;
    uint8_t result = 0;
    if (auto* ref = AcDbBlockReference::cast(entity)) {
        result = ConvertBlockReference(ref, packet, templ, childCount);
    } else if (auto* region = AcDbRegion::cast(entity)) {
        result = ConvertRegion(region, packet, templ, childCount);
    } else {
        result = ConvertByExplode(entity, packet, templ, childCount);
    }
    if (nested) {
        return result;
    }
    if (result == 0) {
        // Nothing to stand for: the old folder stays in the map and no empty one is sent.
        packet->m_nUsed = start;
        if (deleting) {
            deleteIds.pop_back();
        }
        MapApiFreeObj(&g_MapApiLink, folder, kMapTypeFolder);
        return 0;
    }
    folder->m_nChildCount = childCount;
    folder->m_byExploded = 1;
    const DWORD end = packet->m_nUsed;
    packet->m_nUsed = start;
    WriteMapObject(folder, kMapTypeFolder, packet, binding);
    packet->m_nUsed = end;
    return result;
}

uint8_t WritePointsAsTrack(const std::vector<uint64_t>& keys, MapApiBuf* packet, CBindingRecord& binding) {
    if (keys.size() < 2) {
        return 0;
    }
    AcGePoint3dArray positions;
    for (uint64_t key : keys) {
        const AcDbObjectId id = CEntityUtil::GetObjectIdFromHandle(key);
        AcDbEntity* entity = nullptr;
        if (id.isNull() || acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        if (const auto* point = AcDbPoint::cast(entity)) {
            positions.append(point->position());
        }
        entity->close();
    }
    if (positions.length() < 2) {
        return 0;
    }
    return WriteTrackFromPoints(positions, packet, &binding, kKindPointSet);
}
