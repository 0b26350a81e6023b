// The receive road: the input is the map application's answer to the selection request, taken twice into a
// started plug-in's drawing (the second time replaces what the first built). Whatever was built must leave
// the drawing sound and every map id bound to a live entity whose binding names that id.
#include <string>

#include "fuzz/entries/entries.h"
#include "fuzz/entries/session.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/core/SyncState.h"

namespace tarnfuzz {

namespace {

std::string CheckBindings(AcDbDatabase* db) {
    const CDocSyncState* state = CurrentDocState();
    if (state == nullptr) {
        return "the drawing has no state";
    }
    for (const auto& [mapId, key] : state->m_mapIds.Keys()) {
        AcDbObjectId id;
        AcDbEntity* entity = nullptr;
        if (db->getAcDbObjectId(id, false, AcDbHandle(key)) != Acad::eOk ||
            acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            return "map id " + std::to_string(mapId) + " is bound to no live entity";
        }
        entity->close();
        const CBindingRecord* binding = state->m_bindings.FindBinding(key);
        if (binding == nullptr || binding->m_mapId != mapId) {
            return "map id " + std::to_string(mapId) + " names an entity bound to another id";
        }
    }
    return platform::CheckDatabase(db);
}

}  // namespace

std::string RunReceivedObjects(const std::uint8_t* data, std::size_t size) {
    PluginSession session(true);
    if (!session.Problem().empty()) {
        return session.Problem();
    }
    const mapsim::Bytes answer(data, data + size);
    for (int pass = 0; pass < 2; ++pass) {
        session.map.ReplaceNextAnswer(20110, answer);
        session.map.NotifySendToCad();
        platform::PumpMessages();
        if (std::string problem = CheckBindings(session.doc->database()); !problem.empty()) {
            return (pass == 0 ? "first receive: " : "second receive: ") + problem;
        }
    }
    return session.Finish();
}

}  // namespace tarnfuzz
