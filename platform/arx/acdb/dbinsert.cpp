// Blocks between databases: writing a block out to a new drawing and inserting a drawing as a block. The
// copies refer to the target's records by name; records the target lacks are copied over.
#include <map>
#include <memory>
#include <vector>

#include "platform/arx/acdb/dbblkref.h"
#include "platform/arx/acdb/dbblock.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbdim.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dblayer.h"
#include "platform/arx/acdb/dbmtext.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/acdb/dbtext.h"

namespace {

using platform::detail::Peek;

class Copier {
public:
    explicit Copier(AcDbDatabase* target) : m_target(target) {}

    // Copies the live entities of a source block into a target block.
    void copyEntities(AcDbObjectId sourceBlock, AcDbObjectId targetBlock) {
        const auto* from = AcDbBlockTableRecord::cast(Peek(sourceBlock));
        if (from == nullptr) {
            return;
        }
        const std::vector<AcDbObjectId> ids = from->tarnEntityIds();
        for (AcDbObjectId id : ids) {
            const auto* entity = AcDbEntity::cast(Peek(id));
            if (entity == nullptr || entity->isErased()) {
                continue;
            }
            std::unique_ptr<AcDbEntity> copy(static_cast<AcDbEntity*>(entity->clone()));
            if (copy == nullptr) {
                continue;
            }
            retarget(entity, copy.get());
            AcDbBlockTableRecord* to = nullptr;
            if (acdbOpenObject(to, targetBlock, AcDb::kForWrite) != Acad::eOk) {
                return;
            }
            AcDbObjectId copyId;
            const Acad::ErrorStatus es = to->appendAcDbEntity(copyId, copy.get());
            to->close();
            if (es != Acad::eOk) {
                continue;
            }
            AcDbEntity* placed = copy.release();
            if (const auto* reference = AcDbBlockReference::cast(entity)) {
                copyAttributes(reference, AcDbBlockReference::cast(placed));
            }
            placed->close();
        }
    }

    // The target block of a source block's name, copied over when the target has none.
    AcDbObjectId block(AcDbObjectId sourceBlock) {
        if (auto it = m_blocks.find(sourceBlock); it != m_blocks.end()) {
            return it->second;
        }
        const auto* from = AcDbBlockTableRecord::cast(Peek(sourceBlock));
        AcString name;
        if (from == nullptr || from->getName(name) != Acad::eOk) {
            return AcDbObjectId();
        }
        AcDbBlockTable* table = nullptr;
        if (m_target->getBlockTable(table, AcDb::kForWrite) != Acad::eOk) {
            return AcDbObjectId();
        }
        AcDbObjectId id;
        if (table->getAt(name.kACharPtr(), id) == Acad::eOk) {
            table->close();
            m_blocks[sourceBlock] = id;
            return id;
        }
        auto* record = new AcDbBlockTableRecord();
        record->setName(name.kACharPtr());
        record->setOrigin(from->origin());
        const Acad::ErrorStatus es = table->add(id, record);
        table->close();
        if (es != Acad::eOk) {
            delete record;
            return AcDbObjectId();
        }
        record->close();
        m_blocks[sourceBlock] = id;  // before the entities: a block that holds itself ends here
        copyEntities(sourceBlock, id);
        return id;
    }

private:
    // The target record of the source record's name in one table, copied over when missing.
    AcDbObjectId record(AcDbObjectId sourceRecord, AcDbObjectId targetTable) {
        const auto* from = AcDbSymbolTableRecord::cast(Peek(sourceRecord));
        AcString name;
        if (from == nullptr || from->getName(name) != Acad::eOk) {
            return AcDbObjectId();
        }
        AcDbSymbolTable* table = nullptr;
        if (acdbOpenObject(table, targetTable, AcDb::kForWrite) != Acad::eOk) {
            return AcDbObjectId();
        }
        AcDbObjectId id;
        if (table->getAt(name.kACharPtr(), id) != Acad::eOk) {
            auto* copy = static_cast<AcDbSymbolTableRecord*>(from->clone());
            if (auto* layer = AcDbLayerTableRecord::cast(copy)) {
                layer->setLinetypeObjectId(record(layer->linetypeObjectId(), m_target->linetypeTableId()));
                if (layer->linetypeObjectId().isNull()) {
                    layer->setLinetypeObjectId(m_target->continuousLinetype());
                }
            }
            if (copy == nullptr || table->add(id, copy) != Acad::eOk) {
                delete copy;
                id = AcDbObjectId();
            } else {
                copy->close();
            }
        }
        table->close();
        return id;
    }

    // Points a copy's references at the target's records.
    void retarget(const AcDbEntity* original, AcDbEntity* copy) {
        AcDbObjectId layer = record(original->layerId(), m_target->layerTableId());
        copy->setLayer(layer.isNull() ? m_target->layerZero() : layer);
        AcDbObjectId linetype = record(original->linetypeId(), m_target->linetypeTableId());
        copy->setLinetype(linetype.isNull() ? m_target->byLayerLinetype() : linetype);
        if (auto* text = AcDbText::cast(copy)) {
            text->setTextStyle(record(text->textStyle(), m_target->textStyleTableId()));
        }
        if (auto* mtext = AcDbMText::cast(copy)) {
            mtext->setTextStyle(record(mtext->textStyle(), m_target->textStyleTableId()));
        }
        if (auto* dimension = AcDbDimension::cast(copy)) {
            dimension->setDimensionStyle(AcDbObjectId());
        }
        if (auto* reference = AcDbBlockReference::cast(copy)) {
            reference->tarnForgetAttributes();
            // The original finds its block by name in its own database (a reference read from a file).
            reference->setBlockTableRecord(block(AcDbBlockReference::cast(original)->blockTableRecord()));
        }
    }

    void copyAttributes(const AcDbBlockReference* original, AcDbBlockReference* copy) {
        for (AcDbObjectId id : original->tarnAttributeIds()) {
            const auto* attribute = AcDbAttribute::cast(Peek(id));
            if (attribute == nullptr || attribute->isErased()) {
                continue;
            }
            auto* duplicate = static_cast<AcDbAttribute*>(attribute->clone());
            retarget(attribute, duplicate);
            if (copy->appendAttribute(duplicate) == Acad::eOk) {
                duplicate->close();
            } else {
                delete duplicate;
            }
        }
    }

    AcDbDatabase* m_target;
    std::map<AcDbObjectId, AcDbObjectId> m_blocks;
};

AcDbObjectId ModelSpaceOf(AcDbDatabase* db) {
    AcDbBlockTable* table = nullptr;
    AcDbObjectId id;
    if (db->getBlockTable(table, AcDb::kForRead) == Acad::eOk) {
        table->getAt(platform::kModelSpace, id);
        table->close();
    }
    return id;
}

}  // namespace

Acad::ErrorStatus AcDbDatabase::wblock(AcDbDatabase*& output, AcDbObjectId blockId) {
    const auto* block = AcDbBlockTableRecord::cast(Peek(blockId));
    if (block == nullptr || block->isErased() || block->database() != this) {
        return Acad::eInvalidInput;
    }
    auto out = std::make_unique<AcDbDatabase>(true, true);
    Copier(out.get()).copyEntities(blockId, ModelSpaceOf(out.get()));
    output = out.release();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::insert(AcDbObjectId& blockId, const ACHAR* name, AcDbDatabase* source, bool) {
    if (source == nullptr || source == this) {
        return Acad::eInvalidInput;
    }
    if (name == nullptr || !AcDbSymbolTableRecord::tarnIsValidName(name)) {
        return Acad::eInvalidSymbolTableName;
    }
    AcDbBlockTable* table = nullptr;
    Acad::ErrorStatus es = getBlockTable(table, AcDb::kForWrite);
    if (es != Acad::eOk) {
        return es;
    }
    AcDbObjectId id;
    AcDbBlockTableRecord* record = nullptr;
    if (table->getAt(name, id) == Acad::eOk) {
        // Redefined: the old contents go.
        if ((es = acdbOpenObject(record, id, AcDb::kForWrite)) != Acad::eOk) {
            table->close();
            return es;
        }
        const std::vector<AcDbObjectId> old = record->tarnEntityIds();
        record->close();
        for (AcDbObjectId entityId : old) {
            AcDbEntity* entity = nullptr;
            if (acdbOpenObject(entity, entityId, AcDb::kForWrite) == Acad::eOk) {
                entity->erase();
                entity->close();
            }
        }
    } else {
        record = new AcDbBlockTableRecord();
        record->setName(name);
        if ((es = table->add(id, record)) != Acad::eOk) {
            delete record;
            table->close();
            return es;
        }
        record->close();
    }
    table->close();
    Copier(this).copyEntities(ModelSpaceOf(source), id);
    blockId = id;
    return Acad::eOk;
}
