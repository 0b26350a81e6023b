// The host's drawing and editing commands. Points are world coordinates (the host's user coordinate system
// stays the world's); angles are typed in degrees.
#include <algorithm>
#include <any>
#include <cmath>
#include <functional>
#include <optional>

#include "host/console.h"
#include "host/hostcmds.h"
#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbcircle.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbextents.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbmline.h"
#include "platform/arx/acdb/dbmlinestyle.h"
#include "platform/arx/acdb/dbpline.h"
#include "platform/arx/acdb/dbpoint.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dbtext.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/arx/aced/acedss.h"
#include "platform/arx/aced/acedssfilter.h"
#include "platform/arx/aced/acedview.h"
#include "platform/arx/acge/geplane.h"
#include "platform/win32/core/unicode.h"

namespace tarnhost {
namespace {

using platform::CommandOutcome;

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kMaxTextLength = 2047;
constexpr size_t kMaxNameLength = 511;

AcGePoint3d Pt(const ads_point p) {
    return AcGePoint3d(p[0], p[1], p[2]);
}

AcDbDatabase* WorkingDb() {
    return acdbHostApplicationServices()->workingDatabase();
}

CommandOutcome LineCommand() {
    ads_point first, prev, next;
    int rc = acedGetPoint(nullptr, u"\nSpecify first point: ", first);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    ads_point_set(first, prev);
    int segments = 0;
    for (;;) {
        acedInitGet(0, segments >= 2 ? u"Close" : nullptr);
        rc = acedGetPoint(
            prev, segments >= 2 ? u"\nSpecify next point or [Close]: " : u"\nSpecify next point: ", next);
        if (rc == RTKWORD) {
            AppendToModelSpace(new AcDbLine(Pt(prev), Pt(first)));
            return CommandOutcome::kEnded;
        }
        if (rc != RTNORM) {
            return Ended(rc);
        }
        if (AppendToModelSpace(new AcDbLine(Pt(prev), Pt(next))).isNull()) {
            return CommandOutcome::kFailed;
        }
        ++segments;
        ads_point_set(next, prev);
    }
}

CommandOutcome CircleCommand() {
    ads_point center;
    int rc = acedGetPoint(nullptr, u"\nSpecify center point for circle: ", center);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    double radius = 0.0;
    acedInitGet(RSG_NONULL | RSG_NOZERO | RSG_NONEG, nullptr);
    rc = acedGetReal(u"\nSpecify radius of circle: ", &radius);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    return AppendToModelSpace(new AcDbCircle(Pt(center), AcGeVector3d::kZAxis, radius)).isNull()
               ? CommandOutcome::kFailed
               : CommandOutcome::kEnded;
}

// An arc through three points: the circle through them, swept counter-clockwise from whichever end makes
// the second point lie on the way.
CommandOutcome ArcCommand() {
    ads_point s, m, e;
    const ACHAR* prompts[] = {u"\nSpecify start point of arc: ", u"\nSpecify second point of arc: ",
                              u"\nSpecify end point of arc: "};
    double* points[] = {s, m, e};
    for (int i = 0; i < 3; ++i) {
        const int rc = acedGetPoint(i > 0 ? points[i - 1] : nullptr, prompts[i], points[i]);
        if (rc != RTNORM) {
            return Ended(rc);
        }
    }
    const double orient = (m[0] - s[0]) * (e[1] - s[1]) - (m[1] - s[1]) * (e[0] - s[0]);
    if (std::fabs(orient) < 1e-12) {
        acutPrintf(u"\nThe three points lie on a line: no arc.");
        return CommandOutcome::kFailed;
    }
    // The circumcentre.
    const double a2 = s[0] * s[0] + s[1] * s[1], b2 = m[0] * m[0] + m[1] * m[1],
                 c2 = e[0] * e[0] + e[1] * e[1];
    const double d = 2.0 * (s[0] * (m[1] - e[1]) + m[0] * (e[1] - s[1]) + e[0] * (s[1] - m[1]));
    const double cx = (a2 * (m[1] - e[1]) + b2 * (e[1] - s[1]) + c2 * (s[1] - m[1])) / d;
    const double cy = (a2 * (e[0] - m[0]) + b2 * (s[0] - e[0]) + c2 * (m[0] - s[0])) / d;
    const double radius = std::hypot(s[0] - cx, s[1] - cy);
    double start = std::atan2(s[1] - cy, s[0] - cx);
    double end = std::atan2(e[1] - cy, e[0] - cx);
    if (orient < 0) {
        std::swap(start, end);
    }
    auto* arc = new AcDbArc(AcGePoint3d(cx, cy, s[2]), radius, start < 0 ? start + 2 * kPi : start,
                            end < 0 ? end + 2 * kPi : end);
    return AppendToModelSpace(arc).isNull() ? CommandOutcome::kFailed : CommandOutcome::kEnded;
}

// The points of a path picked one after another, "Close" offered from closeFrom points on. Done when the
// command ends here (no start point, cancelled before a second point, fewer than two points); else rc is
// the status of the last input and the path is built.
struct PickedPath {
    std::vector<AcGePoint3d> vertices;
    bool closed = false;
    int rc = RTNORM;
    std::optional<CommandOutcome> done;
};

PickedPath PickPath(size_t closeFrom) {
    PickedPath path;
    ads_point prev;
    path.rc = acedGetPoint(nullptr, u"\nSpecify start point: ", prev);
    if (path.rc != RTNORM) {
        path.done = Ended(path.rc);
        return path;
    }
    path.vertices.push_back(Pt(prev));
    for (;;) {
        ads_point next;
        const bool offerClose = path.vertices.size() >= closeFrom;
        acedInitGet(0, offerClose ? u"Close" : nullptr);
        path.rc = acedGetPoint(
            prev, offerClose ? u"\nSpecify next point or [Close]: " : u"\nSpecify next point: ", next);
        if (path.rc == RTKWORD) {
            path.closed = true;
            break;
        }
        if (path.rc == RTCAN && path.vertices.size() < 2) {
            path.done = CommandOutcome::kCancelled;
            return path;
        }
        if (path.rc != RTNORM) {
            break;  // Enter ends the path, Esc keeps what was drawn as the host does
        }
        path.vertices.push_back(Pt(next));
        ads_point_set(next, prev);
    }
    if (path.vertices.size() < 2) {
        path.done = CommandOutcome::kEnded;
    }
    return path;
}

CommandOutcome PlineCommand() {
    const PickedPath path = PickPath(2);
    if (path.done) {
        return *path.done;
    }
    auto* pline = new AcDbPolyline(static_cast<unsigned int>(path.vertices.size()));
    for (unsigned int i = 0; i < path.vertices.size(); ++i) {
        pline->addVertexAt(i, AcGePoint2d(path.vertices[i].x, path.vertices[i].y));
    }
    pline->setClosed(path.closed);
    pline->setElevation(path.vertices.back().z);
    return AppendToModelSpace(pline).isNull() ? CommandOutcome::kFailed : Ended(path.rc);
}

// A multiline of the style "Standard" (made when the drawing has none) along the points picked, closed on
// request.
CommandOutcome MlineCommand() {
    const PickedPath path = PickPath(3);
    if (path.done) {
        return *path.done;
    }
    const AcDbObjectId style = platform::StandardMlineStyle(WorkingDb());
    auto* mline = new AcDbMline;
    if (!style.isNull()) {
        mline->setStyle(style);
    }
    for (const AcGePoint3d& vertex : path.vertices) {
        mline->appendSeg(vertex);
    }
    mline->setClosedMline(path.closed);
    return AppendToModelSpace(mline).isNull() ? CommandOutcome::kFailed : Ended(path.rc);
}

// Two opposite corners: a closed four-vertex polyline.
CommandOutcome RectangCommand() {
    ads_point first;
    int rc = acedGetPoint(nullptr, u"\nSpecify first corner point: ", first);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    ads_point other;
    rc = acedGetPoint(first, u"\nSpecify other corner point: ", other);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const double xs[4] = {first[0], other[0], other[0], first[0]};
    const double ys[4] = {first[1], first[1], other[1], other[1]};
    auto* pline = new AcDbPolyline(4);
    for (unsigned int i = 0; i < 4; ++i) {
        pline->addVertexAt(i, AcGePoint2d(xs[i], ys[i]));
    }
    pline->setClosed(true);
    pline->setElevation(first[2]);
    return AppendToModelSpace(pline).isNull() ? CommandOutcome::kFailed : CommandOutcome::kEnded;
}

CommandOutcome TextCommand() {
    ads_point at;
    int rc = acedGetPoint(nullptr, u"\nSpecify start point of text: ", at);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    double height = 2.5;
    acedInitGet(RSG_NOZERO | RSG_NONEG, nullptr);
    rc = acedGetReal(u"\nSpecify height <2.5000>: ", &height);
    if (rc != RTNORM && rc != RTNONE) {
        return Ended(rc);
    }
    double degrees = 0.0;
    rc = acedGetReal(u"\nSpecify rotation angle of text <0>: ", &degrees);
    if (rc != RTNORM && rc != RTNONE) {
        return Ended(rc);
    }
    const std::u16string text = AskString(1, u"\nEnter text: ", kMaxTextLength, rc);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    if (text.empty()) {
        return CommandOutcome::kEnded;
    }
    auto* entity = new AcDbText(Pt(at), text.c_str(), AcDbObjectId(), height, degrees * kPi / 180.0);
    return AppendToModelSpace(entity).isNull() ? CommandOutcome::kFailed : CommandOutcome::kEnded;
}

CommandOutcome PointCommand() {
    ads_point at;
    const int rc = acedGetPoint(nullptr, u"\nSpecify a point: ", at);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    return AppendToModelSpace(new AcDbPoint(Pt(at))).isNull() ? CommandOutcome::kFailed
                                                              : CommandOutcome::kEnded;
}

// Opens each entity for write and applies the edit; entities on locked layers are counted and skipped. The
// edit is called directly, not through a std::function: it runs once an entity, on selections of millions.
template <class Edit>
CommandOutcome EditEach(const std::vector<AcDbObjectId>& ids, const Edit& edit) {
    int locked = 0;
    for (AcDbObjectId id : ids) {
        AcDbEntity* entity = nullptr;
        const Acad::ErrorStatus es = acdbOpenObject(entity, id, AcDb::kForWrite);
        if (es == Acad::eOnLockedLayer) {
            ++locked;
            continue;
        }
        if (es != Acad::eOk) {
            continue;
        }
        const Acad::ErrorStatus done = edit(entity);
        if (done != Acad::eOk) {
            acutPrintf(u"\nCould not change %s: %s", DescribeEntity(entity).c_str(),
                       acadErrorStatusText(done));
        }
        entity->close();
    }
    if (locked > 0) {
        acutPrintf(u"\n%d %s on a locked layer.", locked, locked == 1 ? u"was" : u"were");
    }
    return CommandOutcome::kEnded;
}

// Two points, the second asked from the first (a displacement, a line, a window's corners): RTNORM, or the
// first answer that was not a point.
int GetTwoPoints(const ACHAR* firstPrompt, const ACHAR* secondPrompt, ads_point first, ads_point second) {
    int rc = acedGetPoint(nullptr, firstPrompt, first);
    if (rc == RTNORM) {
        rc = acedGetPoint(first, secondPrompt, second);
    }
    return rc;
}

// A copy of each entity, transformed and appended to model space; one that can't be opened or transformed is
// left out.
void AppendTransformedCopies(const std::vector<AcDbObjectId>& ids, const AcGeMatrix3d& matrix) {
    for (AcDbObjectId id : ids) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        auto* copy = static_cast<AcDbEntity*>(entity->clone());
        entity->close();
        copy->tarnDetachCopy();
        if (copy->transformBy(matrix) != Acad::eOk) {
            delete copy;
            continue;
        }
        AppendToModelSpace(copy);
    }
}

CommandOutcome EraseCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    return EditEach(ids, [](AcDbEntity* entity) { return entity->erase(); });
}

CommandOutcome MoveCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    ads_point base, to;
    const int rc = GetTwoPoints(u"\nSpecify base point: ", u"\nSpecify second point: ", base, to);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const AcGeMatrix3d shift = AcGeMatrix3d::translation(Pt(to) - Pt(base));
    return EditEach(ids, [&shift](AcDbEntity* entity) { return entity->transformBy(shift); });
}

CommandOutcome RotateCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    ads_point base;
    double degrees = 0.0;
    int rc = acedGetPoint(nullptr, u"\nSpecify base point: ", base);
    if (rc == RTNORM) {
        rc = acedGetReal(u"\nSpecify rotation angle: ", &degrees);
    }
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const AcGeMatrix3d turn = AcGeMatrix3d::rotation(degrees * kPi / 180.0, AcGeVector3d::kZAxis, Pt(base));
    return EditEach(ids, [&turn](AcDbEntity* entity) { return entity->transformBy(turn); });
}

CommandOutcome CopyCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    ads_point base, to;
    const int rc = GetTwoPoints(u"\nSpecify base point: ", u"\nSpecify second point: ", base, to);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    AppendTransformedCopies(ids, AcGeMatrix3d::translation(Pt(to) - Pt(base)));
    return CommandOutcome::kEnded;
}

CommandOutcome ScaleCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    ads_point base;
    double factor = 0.0;
    int rc = acedGetPoint(nullptr, u"\nSpecify base point: ", base);
    if (rc == RTNORM) {
        acedInitGet(RSG_NONULL | RSG_NOZERO | RSG_NONEG, nullptr);
        rc = acedGetReal(u"\nSpecify scale factor: ", &factor);
    }
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const AcGeMatrix3d scale = AcGeMatrix3d::scaling(factor, Pt(base));
    return EditEach(ids, [&scale](AcDbEntity* entity) { return entity->transformBy(scale); });
}

// STRETCH: the vertices inside the stretch window move. A line or lightweight polyline crossing the window
// moves only its vertices inside; any other entity moves when it lies wholly inside, else stays.
CommandOutcome StretchCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    ads_point corner, opposite, base, to;
    int rc = GetTwoPoints(u"\nSpecify first corner of the stretch window: ", u"\nSpecify opposite corner: ",
                          corner, opposite);
    if (rc == RTNORM) {
        rc = GetTwoPoints(u"\nSpecify base point: ", u"\nSpecify second point: ", base, to);
    }
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const double left = std::min(corner[0], opposite[0]);
    const double right = std::max(corner[0], opposite[0]);
    const double bottom = std::min(corner[1], opposite[1]);
    const double top = std::max(corner[1], opposite[1]);
    const auto inside = [&](const AcGePoint3d& p) {
        return p.x >= left && p.x <= right && p.y >= bottom && p.y <= top;
    };
    const AcGeVector3d shift = Pt(to) - Pt(base);
    return EditEach(ids, [&](AcDbEntity* entity) {
        if (auto* line = AcDbLine::cast(entity)) {
            Acad::ErrorStatus es = Acad::eOk;
            if (inside(line->startPoint())) {
                es = line->setStartPoint(line->startPoint() + shift);
            }
            if (es == Acad::eOk && inside(line->endPoint())) {
                es = line->setEndPoint(line->endPoint() + shift);
            }
            return es;
        }
        if (auto* polyline = AcDbPolyline::cast(entity)) {
            Acad::ErrorStatus es = Acad::eOk;
            for (unsigned int i = 0; es == Acad::eOk && i < polyline->numVerts(); ++i) {
                AcGePoint2d p;
                polyline->getPointAt(i, p);
                if (inside(AcGePoint3d(p.x, p.y, 0.0))) {
                    es = polyline->setPointAt(i, AcGePoint2d(p.x + shift.x, p.y + shift.y));
                }
            }
            return es;
        }
        AcDbExtents box;
        if (entity->getGeomExtents(box) == Acad::eOk && inside(box.minPoint()) && inside(box.maxPoint())) {
            return entity->transformBy(AcGeMatrix3d::translation(shift));
        }
        return Acad::eOk;
    });
}

// MIRROR: the selected entities mirrored about the line through two points, as copies; when the source
// objects are to be erased, the entities themselves are mirrored in place.
CommandOutcome MirrorCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    ads_point first, second;
    int rc = GetTwoPoints(u"\nSpecify first point of mirror line: ",
                          u"\nSpecify second point of mirror line: ", first, second);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const AcGeVector3d along = Pt(second) - Pt(first);
    if (along.isZeroLength()) {
        acutPrintf(u"\nThe mirror line needs two different points.");
        return CommandOutcome::kFailed;
    }
    acedInitGet(0, u"Yes No");
    ACHAR answer[8] = u"";
    rc = acedGetKword(u"\nErase source objects? [Yes/No] <N>: ", answer, 8);
    if (rc != RTNORM && rc != RTNONE) {
        return Ended(rc);
    }
    const bool inPlace = rc == RTNORM && std::u16string(answer) == u"Yes";
    const AcGeMatrix3d mirror =
        AcGeMatrix3d::mirroring(AcGePlane(Pt(first), along.crossProduct(AcGeVector3d::kZAxis)));
    if (inPlace) {
        return EditEach(ids, [&mirror](AcDbEntity* entity) { return entity->transformBy(mirror); });
    }
    AppendTransformedCopies(ids, mirror);
    return CommandOutcome::kEnded;
}

// A grip drag of one entity: what the host runs as GRIP_STRETCH when a selected entity's grip is moved (here
// the whole entity moves with it).
CommandOutcome GripStretchCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    ads_point from, to;
    const int rc = GetTwoPoints(u"\nSpecify grip point: ", u"\nSpecify stretch point: ", from, to);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const AcGeMatrix3d shift = AcGeMatrix3d::translation(Pt(to) - Pt(from));
    return EditEach({ids.front()}, [&shift](AcDbEntity* entity) { return entity->transformBy(shift); });
}

// Exporting drawing web files is not done here: the command only runs, with its notifications.
CommandOutcome ExportDwfCommand() {
    acutPrintf(u"\nEXPORTDWF writes nothing here.");
    return CommandOutcome::kEnded;
}

// SELECT makes the pick-first selection that the next editing command uses. It always asks: a selection
// made before is replaced, never taken as the answer.
CommandOutcome SelectCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    platform::SetPickFirst({});
    const bool any = SelectEntities(ids, outcome);
    platform::SetPickFirst(any ? ids : std::vector<AcDbObjectId>());
    return outcome;
}

bool ModelSpaceExtents(AcDbExtents& extents) {
    bool any = false;
    for (AcDbObjectId id : ModelSpaceIds(WorkingDb())) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        AcDbExtents one;
        if (entity->getGeomExtents(one) == Acad::eOk) {
            if (any) {
                extents.addExt(one);
            } else {
                extents = one;
            }
            any = true;
        }
        entity->close();
    }
    return any;
}

CommandOutcome ZoomCommand() {
    ads_point a, b;
    acedInitGet(0, u"All Extents Window");
    int rc = acedGetPoint(nullptr, u"\nSpecify corner of window or [All/Extents/Window]: ", a);
    AcGePoint3d low, high;
    ACHAR keyword[32] = u"";
    if (rc == RTKWORD) {
        acedGetInput(keyword, 32);
    }
    if (rc == RTKWORD && std::u16string(keyword) != u"Window") {
        AcDbExtents extents;
        if (!ModelSpaceExtents(extents)) {
            return CommandOutcome::kEnded;  // an empty drawing keeps its view
        }
        low = extents.minPoint();
        high = extents.maxPoint();
    } else {
        if (rc == RTKWORD) {
            rc = acedGetPoint(nullptr, u"\nSpecify first corner: ", a);
        }
        if (rc == RTNORM) {
            rc = acedGetPoint(a, u"\nSpecify opposite corner: ", b);
        }
        if (rc != RTNORM) {
            return Ended(rc);
        }
        low = AcGePoint3d(std::min(a[0], b[0]), std::min(a[1], b[1]), 0.0);
        high = AcGePoint3d(std::max(a[0], b[0]), std::max(a[1], b[1]), 0.0);
    }
    // A drawing of one point still gets a view of some size.
    const double width = std::max(high.x - low.x, 1e-6);
    const double height = std::max(high.y - low.y, 1e-6);
    auto* view = new AcDbViewTableRecord();
    view->setCenterPoint(AcGePoint2d((low.x + high.x) / 2.0, (low.y + high.y) / 2.0));
    view->setWidth(width);
    view->setHeight(height);
    const Acad::ErrorStatus es = acedSetCurrentView(view, nullptr);
    delete view;
    return es == Acad::eOk ? CommandOutcome::kEnded : CommandOutcome::kFailed;
}

// ---- -LAYER

std::u16string AskText(const ACHAR* prompt, int& rc) {
    return AskString(0, prompt, kMaxNameLength, rc);
}

// The layer of that name, made when missing. Null id (with a message) for a name the table refuses.
AcDbObjectId MakeLayer(const std::u16string& name) {
    AcDbLayerTable* table = nullptr;
    if (WorkingDb()->getLayerTable(table, AcDb::kForWrite) != Acad::eOk) {
        return AcDbObjectId();
    }
    AcDbObjectId id;
    if (table->getAt(name.c_str(), id) != Acad::eOk) {
        auto* record = new AcDbLayerTableRecord();
        Acad::ErrorStatus es = record->setName(name.c_str());
        if (es == Acad::eOk) {
            es = table->add(id, record);
        }
        if (es == Acad::eOk) {
            record->close();
        } else {
            delete record;
            id = AcDbObjectId();
            acutPrintf(u"\nInvalid layer name \"%s\".", name.c_str());
        }
    }
    table->close();
    return id;
}

// Applies the change to every live layer whose name matches the pattern list (wildcards, commas).
int ForLayers(const std::u16string& patterns, const std::function<void(AcDbLayerTableRecord*)>& change) {
    AcDbLayerTable* table = nullptr;
    if (WorkingDb()->getLayerTable(table, AcDb::kForRead) != Acad::eOk) {
        return 0;
    }
    const std::vector<AcDbObjectId> ids = table->tarnRecordIds();
    table->close();
    int count = 0;
    for (AcDbObjectId id : ids) {
        AcDbLayerTableRecord* layer = nullptr;
        if (id.isErased() || acdbOpenObject(layer, id, AcDb::kForWrite) != Acad::eOk) {
            continue;
        }
        if (platform::WildcardMatch(layer->tarnName(), patterns, true)) {
            change(layer);
            ++count;
        }
        layer->close();
    }
    if (count == 0) {
        acutPrintf(u"\nNo matching layer names found.");
    }
    return count;
}

void ListLayers() {
    AcDbLayerTable* table = nullptr;
    if (WorkingDb()->getLayerTable(table, AcDb::kForRead) != Acad::eOk) {
        return;
    }
    const std::vector<AcDbObjectId> ids = table->tarnRecordIds();
    table->close();
    const AcDbObjectId current = WorkingDb()->clayer();
    acutPrintf(u"\nLayer name            Color  State");
    for (AcDbObjectId id : ids) {
        AcDbLayerTableRecord* layer = nullptr;
        if (id.isErased() || acdbOpenObject(layer, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        acutPrintf(u"\n%-20s  %5d  %s%s", layer->tarnName(), static_cast<int>(layer->color().colorIndex()),
                   layer->isLocked() ? u"locked" : u"unlocked", id == current ? u" current" : u"");
        layer->close();
    }
}

CommandOutcome LayerCommand() {
    for (;;) {
        acedInitGet(0, u"? Make Set New LOck Unlock Color");
        ACHAR option[32];
        int rc = acedGetKword(u"\nEnter an option [?/Make/Set/New/LOck/Unlock/Color]: ", option, 32);
        if (rc != RTNORM) {
            return Ended(rc);
        }
        const std::u16string which = option;
        if (which == u"?") {
            ListLayers();
            continue;
        }
        if (which == u"Make" || which == u"Set") {
            const std::u16string name =
                AskText(which == u"Make" ? u"\nEnter name for new layer (becomes the current layer): "
                                         : u"\nEnter layer name to make current: ",
                        rc);
            if (rc == RTCAN || rc == RTERROR) {
                return Ended(rc);
            }
            if (name.empty()) {
                continue;
            }
            AcDbObjectId id;
            AcDbLayerTable* table = nullptr;
            if (which == u"Set" && WorkingDb()->getLayerTable(table, AcDb::kForRead) == Acad::eOk) {
                table->getAt(name.c_str(), id);
                table->close();
                if (id.isNull()) {
                    acutPrintf(u"\nCannot find layer \"%s\".", name.c_str());
                }
            } else if (which == u"Make") {
                id = MakeLayer(name);
            }
            if (!id.isNull()) {
                WorkingDb()->setClayer(id);
            }
            continue;
        }
        if (which == u"New") {
            const std::u16string names = AskText(u"\nEnter name list for new layer(s): ", rc);
            size_t start = 0;
            while (rc == RTNORM && start <= names.size()) {
                const size_t comma = std::min(names.find(u',', start), names.size());
                if (comma > start) {
                    MakeLayer(names.substr(start, comma - start));
                }
                start = comma + 1;
            }
        } else if (which == u"LOck" || which == u"Unlock") {
            const bool lock = which == u"LOck";
            const std::u16string names = AskText(lock ? u"\nEnter name list of layer(s) to lock: "
                                                      : u"\nEnter name list of layer(s) to unlock: ",
                                                 rc);
            if (rc == RTNORM && !names.empty()) {
                ForLayers(names, [lock](AcDbLayerTableRecord* layer) { layer->setIsLocked(lock); });
            }
        } else if (which == u"Color") {
            int index = 0;
            acedInitGet(RSG_NONULL | RSG_NOZERO | RSG_NONEG, nullptr);
            rc = acedGetInt(u"\nEnter color number (1-255): ", &index);
            if (rc == RTNORM && index > 255) {
                acutPrintf(u"\nColor number must be 1 to 255.");
                continue;
            }
            std::u16string names;
            if (rc == RTNORM) {
                names = AskText(u"\nEnter name list of layer(s) for color <current>: ", rc);
            }
            if (rc == RTNORM || rc == RTNONE) {
                if (names.empty()) {
                    AcDbLayerTableRecord* layer = nullptr;
                    if (acdbOpenObject(layer, WorkingDb()->clayer(), AcDb::kForRead) == Acad::eOk) {
                        names = layer->tarnName();
                        layer->close();
                    }
                }
                AcCmColor color;
                color.setColorIndex(static_cast<Adesk::UInt16>(index));
                ForLayers(names, [&color](AcDbLayerTableRecord* layer) { layer->setColor(color); });
            }
        }
        if (rc == RTCAN || rc == RTERROR) {
            return Ended(rc);
        }
    }
}

}  // namespace

std::vector<AcDbObjectId> ModelSpaceIds(AcDbDatabase* db) {
    std::vector<AcDbObjectId> ids;
    AcDbBlockTable* table = nullptr;
    if (db == nullptr || db->getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
        return ids;
    }
    AcDbBlockTableRecord* space = nullptr;
    const Acad::ErrorStatus es = table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForRead);
    table->close();
    if (es != Acad::eOk) {
        return ids;
    }
    ids.reserve(space->tarnEntityIds().size());
    for (AcDbObjectId id : space->tarnEntityIds()) {
        if (!id.isErased()) {
            ids.push_back(id);
        }
    }
    space->close();
    return ids;
}

CommandOutcome Ended(int status) {
    if (status == RTCAN) {
        return CommandOutcome::kCancelled;
    }
    return status == RTERROR ? CommandOutcome::kFailed : CommandOutcome::kEnded;
}

std::u16string AskString(int cronly, const ACHAR* prompt, size_t limit, int& rc) {
    std::vector<ACHAR> text(limit + 1);
    rc = acedGetString(cronly, prompt, text.data(), text.size());
    if (rc == RTERROR) {
        acutPrintf(u"\nThe answer is too long: at most %d characters.", static_cast<int>(limit));
    }
    return rc == RTNORM ? std::u16string(text.data()) : std::u16string();
}

AcDbObjectId AppendToModelSpace(AcDbEntity* entity) {
    AcDbObjectId id;
    AcDbDatabase* db = WorkingDb();
    AcDbBlockTable* table = nullptr;
    if (db == nullptr || db->getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
        delete entity;
        acutPrintf(u"\nNo drawing is open.");
        return id;
    }
    AcDbBlockTableRecord* space = nullptr;
    Acad::ErrorStatus es = table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite);
    table->close();
    if (es == Acad::eOk) {
        es = space->appendAcDbEntity(id, entity);
        space->close();
    }
    if (es == Acad::eOk) {
        entity->close();
    } else {
        delete entity;
        id = AcDbObjectId();
        acutPrintf(u"\nCannot add the entity: %s", acadErrorStatusText(es));
    }
    return id;
}

bool SelectEntities(std::vector<AcDbObjectId>& ids, CommandOutcome& outcome) {
    outcome = CommandOutcome::kEnded;
    ids.clear();
    for (AcDbObjectId id : platform::PickFirst()) {
        if (!id.isNull() && id.isValid() && !id.isErased()) {
            ids.push_back(id);
        }
    }
    if (!ids.empty()) {
        platform::SetPickFirst({});  // the command uses the pick-first selection up
    } else {
        const platform::InputAnswer answer = platform::AskInput(platform::kInputSSGet, u"\nSelect objects: ");
        if (answer.status == platform::kInputCancelled) {
            outcome = CommandOutcome::kCancelled;
            return false;
        }
        if (answer.status != platform::kInputNormal) {
            return false;
        }
        if (const auto* picked = std::any_cast<std::vector<AcDbObjectId>>(&answer.detail)) {
            ids = *picked;
        } else {
            std::string bad;
            if (!ParseSelection(WorkingDb(), platform::Utf16ToUtf8(answer.text), ids, &bad)) {
                acutPrintf(u"\n*Invalid selection*: %s", platform::Utf8ToUtf16(bad).c_str());
                outcome = CommandOutcome::kFailed;
                return false;
            }
        }
    }
    // What the user picks passes the drawing's selection filters, as every selection does.
    platform::FilterAddedSelection(ids);
    acutPrintf(u"\n%d found", static_cast<int>(ids.size()));
    return !ids.empty();
}

CommandTable DrawingCommands() {
    return {
        {u"LINE", LineCommand},           {u"CIRCLE", CircleCommand},   {u"ARC", ArcCommand},
        {u"PLINE", PlineCommand},         {u"TEXT", TextCommand},       {u"POINT", PointCommand},
        {u"ERASE", EraseCommand},         {u"MOVE", MoveCommand},       {u"ROTATE", RotateCommand},
        {u"SELECT", SelectCommand},       {u"ZOOM", ZoomCommand},       {u"-LAYER", LayerCommand},
        {u"COPY", CopyCommand},           {u"SCALE", ScaleCommand},     {u"GRIP_STRETCH", GripStretchCommand},
        {u"EXPORTDWF", ExportDwfCommand}, {u"RECTANG", RectangCommand}, {u"MLINE", MlineCommand},
        {u"STRETCH", StretchCommand},     {u"MIRROR", MirrorCommand},
    };
}

}  // namespace tarnhost
