// Writing the links ("TarnArx" Xrecords) of 100,000 bound lines, as the receive road and the send road do
// for each object they bind: the time per link, and the memory the records' items take against the bytes
// of the values they hold (the map id and name texts, four integers, four reals). Goal: under 2x.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ratio.h"
#include "plugin/core/LinkRecord.h"
#include "platform/arx/acap/commands.h"
#include "platform/arx/arxheaders.h"
#include "platform/win32/core/paths.h"

namespace {

constexpr double kGoal = 2.0;
constexpr int kLinks = 100000;

double g_ratio = 0.0;

// The values a link holds: its map id as decimal text and its name (UTF-16), an empty remark and an empty
// extra text; four 32-bit integers and four reals.
size_t HeldBytes(uint32_t mapId, const CString& name) {
    const size_t idDigits = std::to_string(mapId).size();
    return 2 * (idDigits + static_cast<size_t>(name.GetLength())) + 4 * 4 + 4 * 8;
}

size_t StoredBytes(AcDbObjectId id) {
    size_t bytes = 0;
    AcDbEntity* entity = nullptr;
    if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
        return 0;
    }
    AcDbDictionary* dict = nullptr;
    if (acdbOpenObject(dict, entity->extensionDictionary(), AcDb::kForRead) == Acad::eOk) {
        AcDbObject* entry = nullptr;
        if (dict->getAt(kLinkAppName, entry, AcDb::kForRead) == Acad::eOk) {
            if (const AcDbXrecord* xrecord = AcDbXrecord::cast(entry)) {
                bytes = xrecord->tarnDataBytes();
            }
            entry->close();
        }
        dict->close();
    }
    entity->close();
    return bytes;
}

void BM_WriteLinks(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        char pattern[] = "/tmp/bench_links_XXXXXX";
        const std::string dir = ::mkdtemp(pattern) != nullptr ? pattern : "/tmp";
        AcApDocument* doc = platform::NewDocument(platform::ToWindowsPath(dir + "/links.dxf"));
        std::vector<AcDbObjectId> ids;
        platform::RunCommand(u"LINE", [&] {
            AcDbBlockTable* blocks = nullptr;
            doc->database()->getBlockTable(blocks, AcDb::kForRead);
            AcDbBlockTableRecord* model = nullptr;
            blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
            blocks->close();
            for (int i = 0; i < kLinks; ++i) {
                auto* line = new AcDbLine(AcGePoint3d(i % 1000, i / 1000, 0),
                                          AcGePoint3d(i % 1000 + 0.5, i / 1000, 0));
                AcDbObjectId id;
                model->appendAcDbEntity(id, line);
                line->close();
                ids.push_back(id);
            }
            model->close();
            return platform::CommandOutcome::kEnded;
        });
        size_t held = 0;
        state.ResumeTiming();
        platform::RunCommand(u"TARNLINKS", [&] {
            for (size_t i = 0; i < ids.size(); ++i) {
                AcDbEntity* entity = nullptr;
                if (acdbOpenObject(entity, ids[i], AcDb::kForWrite) != Acad::eOk) {
                    continue;
                }
                CBindingRecord record;
                record.m_key = entity->handle().value();
                record.m_mapId = static_cast<uint32_t>(i + 1);
                record.m_name.Format(u"line %d", static_cast<int>(i));
                SaveEntityLinkRecord(entity, record);
                held += HeldBytes(record.m_mapId, record.m_name);
                entity->close();
            }
            return platform::CommandOutcome::kEnded;
        });
        state.PauseTiming();
        size_t stored = 0;
        for (const AcDbObjectId& id : ids) {
            stored += StoredBytes(id);
        }
        g_ratio = held > 0 ? static_cast<double>(stored) / static_cast<double>(held) : 0.0;
        state.counters["stored_per_link"] = static_cast<double>(stored) / kLinks;
        state.counters["held_per_link"] = static_cast<double>(held) / kLinks;
        platform::CloseAllDocuments();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        state.ResumeTiming();
    }
    state.counters["us_per_link"] = benchmark::Counter(
        kLinks, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_WriteLinks)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::ConsoleReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (g_ratio > 0.0) {
        char what[160];
        std::snprintf(what, sizeof what, "memory link_records/%d %6.2fx the bytes the records hold", kLinks,
                      g_ratio);
        tarnbench::PrintGoal(what, "under 2.00x", g_ratio < kGoal);
    }
    benchmark::Shutdown();
    return 0;
}
