// Transfer-packet throughput: serialising 10,000 tracks of 100 points into one packet, and parsing them back.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"

namespace {

constexpr int kTracks = 10000;
constexpr int kPoints = 100;
constexpr size_t kObjectHeader = 64;

std::vector<MapTrackObj*> MakeTracks() {
    std::vector<MapTrackObj*> tracks;
    for (int t = 0; t < kTracks; ++t) {
        MapTrackObj* track = MapApiNewTrack(&g_MapApiLink);
        std::snprintf(track->m_szName, sizeof track->m_szName, "Track_%05d", t);
        track->m_pText = MapApiStrDup("{\"layer\":\"0\",\"handle\":\"2F\"}");
        track->m_nCount = kPoints;
        track->m_pPoints = static_cast<MapObjPoint*>(std::calloc(kPoints, sizeof(MapObjPoint)));
        for (int i = 0; i < kPoints; ++i) {
            track->m_pPoints[i].m_dY = 3.0e6 + t + i * 0.5;
            track->m_pPoints[i].m_dX = 5.0e5 + t - i * 0.5;
        }
        tracks.push_back(track);
    }
    return tracks;
}

// Request header, reserved group header, then per track an object header and the wire form.
MapApiBuf BuildPacket(const std::vector<MapTrackObj*>& tracks) {
    MapApiBuf buf = {};
    const MapApiMsgHeader head = {kMapMsgMarker, 0, 0, 1, 0, 0};
    MapApiBufAppend(&buf, &head, sizeof head);
    const BYTE zeros[kObjectHeader] = {};
    MapApiBufAppend(&buf, zeros, sizeof zeros);
    for (MapTrackObj* track : tracks) {
        DWORD size = 0;
        BYTE* wire = MapApiSerializeObj(&g_MapApiLink, track, kMapTypeTrack, &size);
        BYTE objectHeader[kObjectHeader] = {};
        const DWORD type = kMapTypeTrack;
        std::memcpy(objectHeader, &size, 4);
        std::memcpy(objectHeader + 4, &type, 4);
        MapApiBufAppend(&buf, objectHeader, sizeof objectHeader);
        MapApiBufAppend(&buf, wire, static_cast<int>(size));
        std::free(wire);
    }
    return buf;
}

void BM_SerializePacket(benchmark::State& state) {
    const std::vector<MapTrackObj*> tracks = MakeTracks();
    uint64_t bytes = 0;
    for (auto _ : state) {
        MapApiBuf buf = BuildPacket(tracks);
        bytes += buf.m_nUsed;
        benchmark::DoNotOptimize(buf.m_pData);
        std::free(buf.m_pData);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    for (MapTrackObj* track : tracks) {
        MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
    }
}

void BM_ParsePacket(benchmark::State& state) {
    std::vector<MapTrackObj*> tracks = MakeTracks();
    MapApiBuf packet = BuildPacket(tracks);
    for (MapTrackObj* track : tracks) {
        MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
    }
    uint64_t bytes = 0;
    for (auto _ : state) {
        size_t at = 80;
        int parsed = 0;
        while (at + kObjectHeader <= packet.m_nUsed) {
            DWORD size = 0;
            std::memcpy(&size, packet.m_pData + at, 4);
            at += kObjectHeader;
            if (size > packet.m_nUsed - at) {
                break;
            }
            MapTrackObj* track = MapApiParseTrack(&g_MapApiLink, packet.m_pData + at, size);
            parsed += track != nullptr ? 1 : 0;
            MapApiFreeObj(&g_MapApiLink, track, kMapTypeTrack);
            at += size;
        }
        if (parsed != kTracks) {
            state.SkipWithError("packet did not parse whole");
            break;
        }
        bytes += packet.m_nUsed;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    std::free(packet.m_pData);
}

BENCHMARK(BM_SerializePacket)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParsePacket)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
