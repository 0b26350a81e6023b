// Transfer packets: serialising records into one packet as the send road does (object headers, records
// written in place) and parsing them back as the receive road does, beside a memcpy of the same bytes into a
// new buffer (a packet is always new memory). Two loads: 10,000 tracks of 100 points, and 100,000 marks.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/ratio.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapobj.h"

namespace {

constexpr DWORD kPacketStart = 1000;
constexpr DWORD kGroupHeader = 64;
constexpr DWORD kObjectHeader = 64;
constexpr DWORD kRecordsAt = sizeof(MapApiMsgHeader) + kGroupHeader;

struct Load {
    std::vector<void*> records;
    int type = 0;
};

Load MakeTracks() {
    Load load;
    load.type = kMapTypeTrack;
    for (int t = 0; t < 10000; ++t) {
        MapTrackObj* track = MapApiNewTrack(&g_MapApiLink);
        std::snprintf(track->m_szName, sizeof track->m_szName, "Track_%05d", t);
        track->m_pText = MapApiStrDup("{\"layer\":\"0\",\"handle\":\"2F\"}");
        track->m_nCount = 100;
        track->m_pPoints = static_cast<MapObjPoint*>(std::calloc(100, sizeof(MapObjPoint)));
        for (int i = 0; i < 100; ++i) {
            track->m_pPoints[i].m_dY = 3.0e6 + t + i * 0.5;
            track->m_pPoints[i].m_dX = 5.0e5 + t - i * 0.5;
        }
        load.records.push_back(track);
    }
    return load;
}

Load MakeMarks() {
    Load load;
    load.type = kMapTypeMark;
    for (int m = 0; m < 100000; ++m) {
        MapMarkObj* mark = MapApiNewMarker(&g_MapApiLink);
        std::snprintf(mark->m_szName, sizeof mark->m_szName, "Mark_%06d", m);
        mark->m_pText = MapApiStrDup("{\"layer\":\"0\",\"handle\":\"2F\"}");
        mark->m_dY = 3.0e6 + m;
        mark->m_dX = 5.0e5 - m;
        mark->m_byCoordKind = 2;
        mark->m_byStyle = 1;
        load.records.push_back(mark);
    }
    return load;
}

void FreeLoad(Load& load) {
    for (void* record : load.records) {
        MapApiFreeObj(&g_MapApiLink, record, load.type);
    }
    load.records.clear();
}

// The send road's packet: request header, reserved group header, then per record its object header and its
// wire form written in place; the group header filled in last. Into a new block, or into one already used
// (the time without the first touch of the packet's pages).
MapApiBuf BuildPacket(const Load& load, MapApiBuf buf = {}) {
    if (buf.m_pData == nullptr) {
        buf = {static_cast<BYTE*>(std::calloc(kPacketStart, 1)), 0, kPacketStart};
    }
    buf.m_nUsed = 0;
    const MapApiMsgHeader head = {kMapMsgMarker, 0, 0, 1, 0, 0};
    MapApiBufAppend(&buf, &head, sizeof head);
    buf.m_nUsed += kGroupHeader;
    DWORD key = 0;
    for (const void* record : load.records) {
        BYTE objectHeader[kObjectHeader] = {};
        const DWORD type = static_cast<DWORD>(load.type);
        const DWORD parent = 2;
        ++key;
        std::memcpy(objectHeader + 4, &type, 4);
        std::memcpy(objectHeader + 12, &parent, 4);
        std::memcpy(objectHeader + 16, &key, 4);
        const DWORD headerAt = buf.m_nUsed;
        MapApiBufAppend(&buf, objectHeader, sizeof objectHeader);
        DWORD size = 0;
        if (!MapApiBufAppendObj(&g_MapApiLink, &buf, record, load.type, &size)) {
            std::abort();
        }
        std::memcpy(buf.m_pData + headerAt, &size, 4);
    }
    BYTE group[kGroupHeader] = {};
    const DWORD records = buf.m_nUsed - kRecordsAt;
    const DWORD folder = 1;
    std::memcpy(group, &records, 4);
    std::memcpy(group + 12, &folder, 4);
    std::memcpy(buf.m_pData + sizeof head, group, sizeof group);
    return buf;
}

// The receive road's walk: each record parsed by its type, handed on (here released). The number parsed.
size_t ParsePacket(const MapApiBuf& packet) {
    size_t parsed = 0;
    size_t at = kRecordsAt;
    while (at + kObjectHeader <= packet.m_nUsed) {
        DWORD size = 0;
        DWORD type = 0;
        std::memcpy(&size, packet.m_pData + at, 4);
        std::memcpy(&type, packet.m_pData + at + 4, 4);
        at += kObjectHeader;
        if (size > packet.m_nUsed - at) {
            break;
        }
        void* record = nullptr;
        if (type == kMapTypeTrack) {
            record = MapApiParseTrack(&g_MapApiLink, packet.m_pData + at, size);
        } else if (type == kMapTypeMark) {
            record = MapApiParseMarker(&g_MapApiLink, packet.m_pData + at, size);
        }
        parsed += record != nullptr ? 1 : 0;
        MapApiFreeObj(&g_MapApiLink, record, static_cast<int>(type));
        at += size;
    }
    return parsed;
}

template <Load (*Make)()>
void BM_SerializeAndParse(benchmark::State& state) {
    Load load = Make();
    uint64_t bytes = 0;
    for (auto _ : state) {
        MapApiBuf packet = BuildPacket(load);
        if (ParsePacket(packet) != load.records.size()) {
            state.SkipWithError("packet did not parse whole");
        }
        bytes += packet.m_nUsed;
        std::free(packet.m_pData);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    FreeLoad(load);
}

template <Load (*Make)()>
void BM_Serialize(benchmark::State& state) {
    Load load = Make();
    for (auto _ : state) {
        MapApiBuf packet = BuildPacket(load);
        benchmark::DoNotOptimize(packet.m_pData);
        std::free(packet.m_pData);
    }
    FreeLoad(load);
}

// As BM_SerializeAndParse, with one packet block used over and over: what the packet's format costs once
// the first touch of its pages, which a copy into a new buffer pays as well, is left out.
template <Load (*Make)()>
void BM_SerializeAndParseReused(benchmark::State& state) {
    Load load = Make();
    MapApiBuf packet = BuildPacket(load);
    for (auto _ : state) {
        packet = BuildPacket(load, packet);
        if (ParsePacket(packet) != load.records.size()) {
            state.SkipWithError("packet did not parse whole");
        }
    }
    std::free(packet.m_pData);
    FreeLoad(load);
}

template <Load (*Make)()>
void BM_Parse(benchmark::State& state) {
    Load load = Make();
    MapApiBuf packet = BuildPacket(load);
    FreeLoad(load);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParsePacket(packet));
    }
    std::free(packet.m_pData);
}

// The anchor: the packet's bytes copied into a new buffer, whose pages are touched for the first time as
// the packet's are. Warm: into one buffer touched before, which leaves out what the first touch costs.
template <Load (*Make)(), bool Warm>
void BM_Memcpy(benchmark::State& state) {
    Load load = Make();
    MapApiBuf packet = BuildPacket(load);
    FreeLoad(load);
    BYTE* warm = Warm ? static_cast<BYTE*>(std::calloc(packet.m_nUsed, 1)) : nullptr;
    uint64_t bytes = 0;
    for (auto _ : state) {
        BYTE* copy = Warm ? warm : static_cast<BYTE*>(std::malloc(packet.m_nUsed));
        std::memcpy(copy, packet.m_pData, packet.m_nUsed);
        benchmark::DoNotOptimize(copy);
        benchmark::ClobberMemory();
        if (!Warm) {
            std::free(copy);
        }
        bytes += packet.m_nUsed;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    std::free(warm);
    std::free(packet.m_pData);
}

}  // namespace

int main(int argc, char** argv) {
    // The two sides of each ratio run one after the other; the halves of the project's time come last.
    benchmark::RegisterBenchmark("packet/tarn/tracks", BM_SerializeAndParse<MakeTracks>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("packet/memcpy/tracks", BM_Memcpy<MakeTracks, false>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("packet/warm-memcpy/tracks", BM_Memcpy<MakeTracks, true>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("packet/tarn/marks", BM_SerializeAndParse<MakeMarks>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("packet/memcpy/marks", BM_Memcpy<MakeMarks, false>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("packet/warm-memcpy/marks", BM_Memcpy<MakeMarks, true>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("reused/tarn/tracks", BM_SerializeAndParseReused<MakeTracks>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("reused/warm-memcpy/tracks", BM_Memcpy<MakeTracks, true>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("reused/tarn/marks", BM_SerializeAndParseReused<MakeMarks>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("reused/warm-memcpy/marks", BM_Memcpy<MakeMarks, true>)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("serialize/tracks", BM_Serialize<MakeTracks>)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("parse/tracks", BM_Parse<MakeTracks>)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("serialize/marks", BM_Serialize<MakeMarks>)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("parse/marks", BM_Parse<MakeMarks>)->Unit(benchmark::kMillisecond);
    return tarnbench::RunWithRatios(argc, argv, {"memcpy", "warm-memcpy"}, tarnbench::Compare::kTime, 2.5);
}
