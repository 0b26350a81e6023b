// LIST (the selected entities) and DUMP (the whole drawing: layers, then every entity of model space).
#include <cmath>
#include <cstdio>
#include <string>

#include "host/host.h"
#include "host/hostcmds.h"
#include "platform/arx/acdb/dbarc.h"
#include "platform/arx/acdb/dbcircle.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbmline.h"
#include "platform/arx/acdb/dbblkref.h"
#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbpline.h"
#include "platform/arx/acdb/dbpoint.h"
#include "platform/arx/acdb/dbrasterimage.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dbtext.h"
#include "platform/arx/acdb/dbunknown.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/win32/core/unicode.h"

namespace tarnhost {
namespace {

using platform::CommandOutcome;

constexpr double kPi = 3.14159265358979323846;

// Numbers as a person reads them: up to six decimals, no trailing zeros, no "-0". Huge ones (and what no
// drawing should hold) go in exponent form, which always fits.
std::u16string Num(double value) {
    if (std::fabs(value) < 5e-7) {
        value = 0.0;
    }
    char text[64];
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) {
        std::snprintf(text, sizeof text, "%.15g", value);
        return platform::Utf8ToUtf16(text);
    }
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string s = text;
    while (s.back() == '0') {
        s.pop_back();
    }
    if (s.back() == '.') {
        s.pop_back();
    }
    return platform::Utf8ToUtf16(s);
}

std::u16string Point(const AcGePoint3d& p) {
    return u"(" + Num(p.x) + u"," + Num(p.y) + u"," + Num(p.z) + u")";
}

std::u16string Degrees(double radians) {
    return Num(radians * 180.0 / kPi);
}

std::u16string Geometry(const AcDbEntity* entity) {
    if (const auto* line = AcDbLine::cast(entity)) {
        return u"LINE from " + Point(line->startPoint()) + u" to " + Point(line->endPoint());
    }
    if (const auto* arc = AcDbArc::cast(entity)) {
        return u"ARC center " + Point(arc->center()) + u" radius " + Num(arc->radius()) + u" from " +
               Degrees(arc->startAngle()) + u" to " + Degrees(arc->endAngle()) + u" degrees";
    }
    if (const auto* circle = AcDbCircle::cast(entity)) {
        return u"CIRCLE center " + Point(circle->center()) + u" radius " + Num(circle->radius());
    }
    if (const auto* pline = AcDbPolyline::cast(entity)) {
        std::u16string text = u"LWPOLYLINE " + std::u16string(pline->isClosed() ? u"closed" : u"open") + u",";
        for (unsigned int i = 0; i < pline->numVerts(); ++i) {
            AcGePoint2d p;
            double bulge = 0.0;
            pline->getPointAt(i, p);
            pline->getBulgeAt(i, bulge);
            text += u" (" + Num(p.x) + u"," + Num(p.y) + u")";
            if (bulge != 0.0) {
                text += u" bulge " + Num(bulge);
            }
        }
        return text;
    }
    if (const auto* mline = AcDbMline::cast(entity)) {
        std::u16string text = u"MLINE " + std::u16string(mline->closedMline() ? u"closed" : u"open") + u",";
        for (int i = 0; i < mline->numVertices(); ++i) {
            text += u" " + Point(mline->vertexAt(i));
        }
        return text;
    }
    if (const auto* text = AcDbText::cast(entity)) {
        return u"TEXT at " + Point(text->position()) + u" height " + Num(text->height()) + u" rotation " +
               Degrees(text->rotation()) + u" \"" + text->textStringConst() + u"\"";
    }
    if (const auto* point = AcDbPoint::cast(entity)) {
        return u"POINT at " + Point(point->position());
    }
    if (const auto* ref = AcDbBlockReference::cast(entity)) {
        std::u16string name = ref->tarnBlockName();
        AcDbBlockTableRecord* block = nullptr;
        if (acdbOpenObject(block, ref->blockTableRecord(), AcDb::kForRead) == Acad::eOk) {
            AcString blockName;
            block->getName(blockName);
            name = blockName.kACharPtr();
            block->close();
        }
        return u"INSERT \"" + name + u"\" at " + Point(ref->position()) + u" scale " +
               Num(ref->scaleFactors().sx) + u"," + Num(ref->scaleFactors().sy) + u" rotation " +
               Degrees(ref->rotation());
    }
    if (const auto* image = AcDbRasterImage::cast(entity)) {
        AcGePoint3d origin;
        AcGeVector3d u;
        AcGeVector3d v;
        image->getOrientation(origin, u, v);
        return u"IMAGE at " + Point(origin) + u" size " + Num(u.length()) + u" x " + Num(v.length());
    }
    if (const auto* kept = AcDbUnknownEntity::cast(entity)) {
        return platform::Utf8ToUtf16(kept->tarnFileType()) + u" (kept as read)";
    }
    return std::u16string(entity->isA()->name());
}

std::u16string HandleText(const AcDbObject* object) {
    ACHAR hex[32] = u"";
    object->handle().getIntoAsciiBuffer(hex, 32);
    return hex;
}

CommandOutcome ListCommand() {
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    for (AcDbObjectId id : ids) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) == Acad::eOk) {
            acutPrintf(u"\n%s", DescribeEntity(entity).c_str());
            entity->close();
        }
    }
    return CommandOutcome::kEnded;
}

CommandOutcome DumpCommand() {
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr) {
        acutPrintf(u"\nNo drawing is open.");
        return CommandOutcome::kFailed;
    }
    AcApDocument* doc = acDocManager->document(db);
    std::u16string name = CurrentHost() != nullptr ? CurrentHost()->FileNameOf(doc) : std::u16string();
    if (name.empty() && doc != nullptr) {
        name = doc->docTitle();
    }
    const std::vector<AcDbObjectId> ids = ModelSpaceIds(db);
    acutPrintf(u"\nDrawing %s: %d entities", name.c_str(), static_cast<int>(ids.size()));
    AcDbLayerTable* table = nullptr;
    if (db->getLayerTable(table, AcDb::kForRead) == Acad::eOk) {
        const std::vector<AcDbObjectId> layers = table->tarnRecordIds();
        table->close();
        for (AcDbObjectId id : layers) {
            AcDbLayerTableRecord* layer = nullptr;
            if (id.isErased() || acdbOpenObject(layer, id, AcDb::kForRead) != Acad::eOk) {
                continue;
            }
            acutPrintf(u"\n  layer \"%s\" color %d%s%s", layer->tarnName(),
                       static_cast<int>(layer->color().colorIndex()), layer->isLocked() ? u" locked" : u"",
                       id == db->clayer() ? u" current" : u"");
            layer->close();
        }
    }
    for (AcDbObjectId id : ids) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) == Acad::eOk) {
            acutPrintf(u"\n  %s", DescribeEntity(entity).c_str());
            entity->close();
        }
    }
    return CommandOutcome::kEnded;
}

}  // namespace

std::u16string EntityKind(const AcDbEntity* entity) {
    const std::u16string geometry = Geometry(entity);
    return geometry.substr(0, geometry.find(u' '));
}

std::u16string DescribeEntity(const AcDbEntity* entity) {
    std::u16string text = u"h:" + HandleText(entity) + u" layer \"" + entity->layer().str() + u"\"";
    if (!entity->color().isByLayer()) {
        text += u" color " + Num(entity->colorIndex());
    }
    return text + u" " + Geometry(entity);
}

CommandTable ListingCommands() {
    return {{u"LIST", ListCommand}, {u"DUMP", DumpCommand}};
}

}  // namespace tarnhost
