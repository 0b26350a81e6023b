// The receive road in-process: the plug-in's frame loaded on one named drawing, the simulated map
// application answering, and helpers that read what the road built.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "../app/frame_fixture.h"
#include "mapsim/samples.h"
#include "plugin/arxutil/DwgDatabaseUtil.h"
#include "plugin/exchange/MapFolderTree.h"
#include "plugin/core/SyncState.h"
#include "platform/win32/core/unicode.h"

namespace receivetest {

using mapsim::Bytes;

class ReceiveTest : public frametest::FrameTest {
protected:
    void SetUp() override {
        // The icon file lies beside this test's module: a path kept from an earlier test is gone.
        g_strIconPath.Empty();
        g_strIconName.Empty();
        FrameTest::SetUp();
        Load();
        state = CurrentDocState();
        ASSERT_NE(state, nullptr);
        g_Settings.m_nTextLevel = 18;
    }
    void TearDown() override {
        g_MapFolderTree.Clear();
        FrameTest::TearDown();
    }

    // The map user chooses "send to CAD"; the notification's work runs from the pump.
    void Receive() {
        map.NotifySendToCad();
        platform::PumpMessages();
    }
    // The selection answer replaced by these bytes, then received.
    void ReceiveBytes(const Bytes& bytes) {
        map.ReplaceNextAnswer(20110, bytes);
        Receive();
    }
    void ReceivePacket(const mapsim::Packet& packet) { ReceiveBytes(mapsim::WritePacket(packet)); }

    AcDbObjectIdArray Ids() const { return CDwgDatabaseUtil::GetAllEntityIds(nullptr, doc->database()); }
    // Class name of every model-space entity, counted.
    std::map<std::string, int> Classes() const {
        std::map<std::string, int> out;
        const AcDbObjectIdArray ids = Ids();
        for (int i = 0; i < ids.length(); ++i) {
            AcDbEntity* entity = nullptr;
            if (acdbOpenObject(entity, ids[i], AcDb::kForRead) == Acad::eOk) {
                ++out[platform::Utf16ToUtf8(entity->isA()->name())];
                entity->close();
            }
        }
        return out;
    }
    // The entity bound to the map id (through the reverse table); null when none.
    AcDbObjectId Bound(uint32_t mapId) const {
        uint64_t key = 0;
        if (!state->m_mapIds.Get(mapId, key)) {
            return AcDbObjectId();
        }
        AcDbObjectId id;
        doc->database()->getAcDbObjectId(id, false, AcDbHandle(key));
        return id;
    }
    template <class T>
    T* OpenBound(uint32_t mapId) {
        T* entity = nullptr;
        if (acdbOpenObject(entity, Bound(mapId), AcDb::kForRead) != Acad::eOk) {
            return nullptr;
        }
        return entity;
    }
    std::string LayerOf(AcDbObjectId id) const {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            return "<none>";
        }
        const std::string layer = platform::Utf16ToUtf8(entity->layer().kACharPtr());
        entity->close();
        return layer;
    }

    CDocSyncState* state = nullptr;
};

inline mapsim::PacketRecord Record(uint32_t type, uint32_t id, uint32_t parent, Bytes payload) {
    mapsim::PacketRecord record;
    record.type = type;
    record.id = id;
    record.parent = parent;
    record.payload = std::move(payload);
    return record;
}

inline Bytes Label(const std::string& name, uint8_t level = 20, uint32_t fontSize = 22) {
    mapsim::SampleMark mark;
    mark.name = name;
    mark.x = 50;
    mark.y = 60;
    mark.style = 3;
    mark.labelLevel = level;
    mark.fontSize = fontSize;
    return mapsim::MakeMarkRecord(mark);
}

inline Bytes Track(uint8_t kind, std::vector<mapsim::SamplePoint> points, uint32_t width = 3) {
    mapsim::SampleTrack track;
    track.name = "track";
    track.kind = kind;
    track.points = std::move(points);
    track.width = width;
    return mapsim::MakeTrackRecord(track);
}

}  // namespace receivetest
