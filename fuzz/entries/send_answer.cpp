// The send road's answer: entities of a drawing are sent to the simulated map application, which answers
// with the input's bytes. Small keys in the answer's records are turned into the keys of what was sent, so
// that the pairing is reached. The pairing must bind each entity to at most the one id its answer gave, and
// a second send of the same entities (answered by the simulator itself) must go through.
#include <cstring>
#include <vector>

#include "fuzz/entries/entries.h"
#include "fuzz/entries/session.h"
#include "plugin/exchange/SendRoad.h"

namespace tarnfuzz {

namespace {

constexpr size_t kRecordBytes = 64;

AcDbObjectId Append(AcApDocument* doc, AcDbEntity* entity, const char16_t* layer) {
    acDocManager->lockDocument(doc, AcAp::kWrite);
    AcDbDatabase* db = doc->database();
    AcDbLayerTable* layers = nullptr;
    db->getLayerTable(layers, AcDb::kForWrite);
    if (!layers->has(layer)) {
        auto* record = new AcDbLayerTableRecord;
        record->setName(layer);
        layers->add(record);
        record->close();
    }
    AcDbObjectId layerId;
    layers->getAt(layer, layerId);
    layers->close();
    entity->setDatabaseDefaults(db);
    entity->setLayer(layerId);
    AcDbBlockTable* blocks = nullptr;
    db->getBlockTable(blocks, AcDb::kForRead);
    AcDbBlockTableRecord* model = nullptr;
    blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
    blocks->close();
    AcDbObjectId id;
    model->appendAcDbEntity(id, entity);
    model->close();
    entity->close();
    acDocManager->unlockDocument(doc);
    return id;
}

}  // namespace

std::string RunSendAnswer(const std::uint8_t* data, std::size_t size) {
    PluginSession session(true);
    if (!session.Problem().empty()) {
        return session.Problem();
    }
    AcApDocument* doc = session.doc;
    AcDbObjectIdArray ids;
    ids.append(Append(doc, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)), u"Roads"));
    ids.append(Append(doc, new AcDbCircle(AcGePoint3d(20, 5, 0), AcGeVector3d::kZAxis, 2.0), u"Roads"));
    ids.append(Append(doc, new AcDbPoint(AcGePoint3d(5, 5, 0)), u"Wells"));
    ids.append(Append(doc, new AcDbPoint(AcGePoint3d(6, 7, 0)), u"Wells"));
    ids.append(
        Append(doc, new AcDbText(AcGePoint3d(3, 3, 0), u"North", AcDbObjectId::kNull, 2.5, 0.0), u"Names"));

    std::vector<std::uint8_t> answer(data, data + size);
    for (size_t at = 0; at + kRecordBytes <= answer.size(); at += kRecordBytes) {
        std::uint64_t key = 0;
        std::memcpy(&key, answer.data() + at + 16, sizeof key);
        if (key < 256) {
            key = ids[static_cast<int>(key % static_cast<std::uint64_t>(ids.length()))].handle().value();
            std::memcpy(answer.data() + at + 16, &key, sizeof key);
        }
    }
    session.map.ReplaceNextAnswer(20112, mapsim::Bytes(answer.begin(), answer.end()));
    SendEntityArray(ids);
    session.map.ClearRecords();
    if (!SendEntityArray(ids)) {
        return "a send after a strange answer failed";
    }
    if (session.map.RequestsOf(20112).empty()) {
        return "a send after a strange answer sent nothing";
    }
    return session.Finish();
}

}  // namespace tarnfuzz
