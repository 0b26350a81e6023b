// Blocks where a user makes them: BLOCK (name, base point, objects; the objects move into the new block)
// and -INSERT (block name, insertion point, scale, rotation).
#include "host/hostcmds.h"

#include <memory>

#include "platform/arx/arxheaders.h"

namespace tarnhost {
namespace {

using platform::CommandOutcome;

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kMaxBlockName = 255;

AcGePoint3d Pt(const ads_point p) {
    return AcGePoint3d(p[0], p[1], p[2]);
}

AcDbDatabase* Db() {
    return acdbHostApplicationServices()->workingDatabase();
}

// The block record of that name, or the null id.
AcDbObjectId FindBlock(const std::u16string& name) {
    AcDbBlockTable* table = nullptr;
    AcDbObjectId id;
    if (Db()->getBlockTable(table, AcDb::kForRead) == Acad::eOk) {
        table->getAt(name.c_str(), id);
        table->close();
    }
    return id;
}

CommandOutcome BlockCommand() {
    int rc = RTNORM;
    const std::u16string name = AskString(0, u"\nEnter block name: ", kMaxBlockName, rc);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    if (name.empty() || name[0] == u'*' || !FindBlock(name).isNull()) {
        acutPrintf(u"\nInvalid or existing block name \"%s\".", name.c_str());
        return CommandOutcome::kFailed;
    }
    ads_point base;
    rc = acedGetPoint(nullptr, u"\nSpecify insertion base point: ", base);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    std::vector<AcDbObjectId> ids;
    CommandOutcome outcome = CommandOutcome::kEnded;
    if (!SelectEntities(ids, outcome)) {
        return outcome;
    }
    // The copies go in first; the originals are erased only once the block holds them all.
    auto record = std::make_unique<AcDbBlockTableRecord>();
    record->setName(name.c_str());
    record->setOrigin(Pt(base));
    AcDbBlockTable* table = nullptr;
    Acad::ErrorStatus es = Db()->getBlockTable(table, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return CommandOutcome::kFailed;
    }
    AcDbObjectId blockId;
    es = table->add(blockId, record.get());
    table->close();
    if (es != Acad::eOk) {
        acutPrintf(u"\nCannot make the block: %s", acadErrorStatusText(es));
        return CommandOutcome::kFailed;
    }
    AcDbBlockTableRecord* block = record.release();  // resident now, open for write
    std::vector<AcDbObjectId> moved;
    for (AcDbObjectId id : ids) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            continue;
        }
        auto* copy = static_cast<AcDbEntity*>(entity->clone());
        entity->close();
        if (copy != nullptr && block->appendAcDbEntity(copy) == Acad::eOk) {
            copy->close();
            moved.push_back(id);
        } else {
            delete copy;
        }
    }
    block->close();
    for (AcDbObjectId id : moved) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForWrite) == Acad::eOk) {
            entity->erase();
            entity->close();
        }
    }
    acutPrintf(u"\nBlock \"%s\" holds %d objects.", name.c_str(), static_cast<int>(moved.size()));
    return CommandOutcome::kEnded;
}

CommandOutcome InsertCommand() {
    int rc = RTNORM;
    const std::u16string name = AskString(0, u"\nEnter block name: ", kMaxBlockName, rc);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    const AcDbObjectId blockId = FindBlock(name);
    if (name.empty() || blockId.isNull()) {
        acutPrintf(u"\nBlock \"%s\" not found.", name.c_str());
        return CommandOutcome::kFailed;
    }
    ads_point at;
    rc = acedGetPoint(nullptr, u"\nSpecify insertion point: ", at);
    if (rc != RTNORM) {
        return Ended(rc);
    }
    double scale = 1.0;
    acedInitGet(RSG_NOZERO, nullptr);
    rc = acedGetReal(u"\nEnter scale factor <1>: ", &scale);
    if (rc != RTNORM && rc != RTNONE) {
        return Ended(rc);
    }
    double degrees = 0.0;
    rc = acedGetReal(u"\nSpecify rotation angle <0>: ", &degrees);
    if (rc != RTNORM && rc != RTNONE) {
        return Ended(rc);
    }
    auto* ref = new AcDbBlockReference(Pt(at), blockId);
    ref->setScaleFactors(AcGeScale3d(scale));
    ref->setRotation(degrees * kPi / 180.0);
    return AppendToModelSpace(ref).isNull() ? CommandOutcome::kFailed : CommandOutcome::kEnded;
}

}  // namespace

CommandTable BlockCommands() {
    return {{u"BLOCK", BlockCommand}, {u"-INSERT", InsertCommand}};
}

}  // namespace tarnhost
