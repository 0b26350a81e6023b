// Entities to map-object records: one converter per class (marks, tracks, shapes), polylines and the groups
// of points and polylines sent as one map object, hatches, and entities sent exploded behind a folder.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/core/SyncState.h"
#include "plugin/maplink/mapobj.h"
#include "platform/arx/arxheaders.h"

class AcDbAttributeDefinition;
class AcDbMline;

// The colour code every converter writes into its record; set from each entity before it is converted.
extern uint32_t g_nCurrentColor;

// The lists one layer group's conversion gathers besides the packet.
struct CConvertLists {
    std::vector<uint64_t> m_pointKeys;      // unbound points sent later as one point group
    std::vector<uint64_t> m_deferredKeys;   // polylines of polyline groups, re-sent whole
    std::vector<AcGePoint3d> m_partPoints;  // points among the parts of an exploded entity
};

// Dispatches by class; 1 when a record was written or the entity was put on a list.
uint8_t ConvertEntity(AcDbEntity* entity, MapApiBuf* packet, CBindingRecord* binding, CConvertLists& lists,
                      uint32_t& childCount, std::vector<uint32_t>& deleteIds, bool nested);

uint8_t ConvertText(AcDbText* text, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertAttributeDefinition(AcDbAttributeDefinition* attdef, MapApiBuf* packet,
                                   CBindingRecord* binding);
uint8_t ConvertMText(AcDbMText* mtext, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertPoint(AcDbPoint* point, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertLine(AcDbLine* line, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertCircle(AcDbCircle* circle, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertArc(AcDbArc* arc, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertEllipse(AcDbEllipse* ellipse, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertSpline(AcDbSpline* spline, MapApiBuf* packet, CBindingRecord* binding);
// 0 when nothing was written (no points, or all exactly at the origin).
uint8_t WriteTrackFromPoints(const AcGePoint3dArray& points, MapApiBuf* packet, CBindingRecord* binding,
                             uint8_t geomKind, double startAngle = 0.0, double endAngle = 0.0);

// Label level and font size of a text of height h (the map shows height 2.5 at level 20 as size 22).
// growSmall: attribute definitions and multi-line texts also grow small heights.
void TextLevelAndSize(double height, bool growSmall, uint8_t& level, uint32_t& fontSize);
// A point's height field: z truncated into the i32 range, never the part marker.
INT32 TrackHeight(double z);

// ---- Polylines and groups ----
struct CPolylinePointItem {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double bulge = 0.0;
};
std::vector<CPolylinePointItem> GetPolylinePoints(const AcDbPolyline* polyline);
std::vector<CPolylinePointItem> Get2dPolylineVertices(const AcDb2dPolyline* polyline);
AcGePoint3dArray Get3dPolylineVertices(const AcDb3dPolyline* polyline);
uint8_t ConvertPolyline(AcDbPolyline* polyline, MapApiBuf* packet, CBindingRecord* binding);
uint8_t Convert2dPolyline(AcDb2dPolyline* polyline, MapApiBuf* packet, CBindingRecord* binding);
uint8_t Convert3dPolyline(AcDb3dPolyline* polyline, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertMline(AcDbMline* mline, MapApiBuf* packet, CBindingRecord* binding);
uint8_t SendPointGroup(const std::vector<uint64_t>& keys, MapApiBuf* packet, CBindingRecord& templ);
uint8_t SendGroupedPolylines(const std::vector<uint64_t>& keys, MapApiBuf* packet, CBindingRecord& templ);
// A temporary group key below 2^31 that names no group and no binding of the drawing.
uint32_t NewTemporaryGroupKey(const CDocSyncState& state);
// Tells the send road that the packet carries a point group under this temporary key.
void RegisterTemporaryGroupKey(uint32_t key);
// Tells the send road that the packet carries a group re-sent whole under its map id.
void RegisterResentGroupKey(uint32_t mapId);

// ---- Hatches and exploded entities ----
uint8_t ConvertHatch(AcDbHatch* hatch, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertHatchBoundaryObject(AcDbEntity* boundary, MapApiBuf* packet, CBindingRecord* binding);
uint8_t WriteShapeFromPoints(const AcGePoint3dArray& points, MapApiBuf* packet, CBindingRecord* binding);
uint8_t ConvertHatchLoops(AcDbHatch* hatch, MapApiBuf* packet, CBindingRecord* binding);
// The arcs of segments 0 and 1 of a polyline as one shape of two rings (0 when they give no area).
uint8_t WriteTwoArcShape(AcDbPolyline* polyline, MapApiBuf* packet, CBindingRecord* binding);
// The entity is sent as a folder record counting the records of its parts that follow it.
uint8_t ConvertExploded(AcDbEntity* entity, MapApiBuf* packet, CBindingRecord* binding, uint32_t& childCount,
                        std::vector<uint32_t>& deleteIds, bool nested);
uint8_t ConvertBlockReference(AcDbBlockReference* ref, MapApiBuf* packet, const CBindingRecord& templ,
                              uint32_t& childCount);
uint8_t ConvertRegion(AcDbRegion* region, MapApiBuf* packet, const CBindingRecord& templ,
                      uint32_t& childCount);
uint8_t ConvertByExplode(AcDbEntity* proxy, MapApiBuf* packet, const CBindingRecord& templ,
                         uint32_t& childCount);
uint8_t WritePointsAsTrack(const std::vector<uint64_t>& keys, MapApiBuf* packet, CBindingRecord& binding);
// Whether the entity goes out exploded (block references, regions, proxy entities).
bool IsExplodedClass(const AcDbEntity* entity);
