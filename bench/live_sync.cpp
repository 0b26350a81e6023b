// MOVE of 10,000 and 100,000 bound lines and its undo, with the plug-in's database and editor reactors
// attached: the notifications, the command-end synchronisation and the undo's re-send list. Prints the time
// per entity and the ratio between the two sizes (goal: linear, at most 11x for 10x the entities). Also the
// undo of a one-line MOVE in a drawing of 1,000 and of 500,000 bound lines: the same time at both sizes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin/core/Settings.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/core/SyncState.h"
#include "platform/arx/acap/commands.h"
#include "bench/ratio.h"
#include "platform/arx/arxheaders.h"
#include "platform/win32/core/paths.h"

namespace {

constexpr double kGoal = 11.0;

// One drawing of `count` lines, every one bound to a map object, with the reactors attached.
class BoundDrawing {
public:
    explicit BoundDrawing(int count) {
        char pattern[] = "/tmp/bench_sync_XXXXXX";
        m_dir = ::mkdtemp(pattern) != nullptr ? pattern : "/tmp";
        m_doc = platform::NewDocument(platform::ToWindowsPath(m_dir + "/bound.dxf"));
        acedEditor->addReactor(&m_editor);
        m_doc->database()->addReactor(&m_db);
        g_pDbReactor = &m_db;
        g_Settings.m_bAutoSync = 1;
        CDocSyncState* state = g_DocSyncRegistry.GetDocState(m_doc);
        g_DocSyncRegistry.m_pCurrent = state;
        platform::RunCommand(u"LINE", [&] {
            AcDbBlockTable* blocks = nullptr;
            m_doc->database()->getBlockTable(blocks, AcDb::kForRead);
            AcDbBlockTableRecord* model = nullptr;
            blocks->getAt(ACDB_MODEL_SPACE, model, AcDb::kForWrite);
            blocks->close();
            for (int i = 0; i < count; ++i) {
                auto* line = new AcDbLine(AcGePoint3d(i % 1000, i / 1000, 0),
                                          AcGePoint3d(i % 1000 + 0.5, i / 1000, 0));
                AcDbObjectId id;
                model->appendAcDbEntity(id, line);
                state->m_bindings.UpdateBinding(line->handle().value(), static_cast<uint32_t>(i + 1), false);
                line->close();
                m_ids.push_back(id);
            }
            model->close();
            return platform::CommandOutcome::kEnded;
        });
    }
    ~BoundDrawing() {
        acedEditor->removeReactor(&m_editor);
        m_doc->database()->removeReactor(&m_db);
        g_pDbReactor = nullptr;
        g_DocSyncRegistry.ClearAll();
        platform::CloseAllDocuments();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    void MoveAll() {
        platform::RunCommand(u"MOVE", [&] {
            const AcGeMatrix3d shift = AcGeMatrix3d::translation(AcGeVector3d(1, 1, 0));
            for (AcDbObjectId id : m_ids) {
                AcDbEntity* entity = nullptr;
                if (acdbOpenObject(entity, id, AcDb::kForWrite) == Acad::eOk) {
                    entity->transformBy(shift);
                    entity->close();
                }
            }
            return platform::CommandOutcome::kEnded;
        });
    }

    void MoveOne() {
        platform::RunCommand(u"MOVE", [&] {
            AcDbEntity* entity = nullptr;
            if (acdbOpenObject(entity, m_ids.front(), AcDb::kForWrite) == Acad::eOk) {
                entity->transformBy(AcGeMatrix3d::translation(AcGeVector3d(1, 1, 0)));
                entity->close();
            }
            return platform::CommandOutcome::kEnded;
        });
    }

private:
    std::string m_dir;
    AcApDocument* m_doc = nullptr;
    CEditorReactor m_editor;
    CDbReactor m_db;
    std::vector<AcDbObjectId> m_ids;
};

void BM_MoveAndUndoBound(benchmark::State& state) {
    BoundDrawing drawing(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        drawing.MoveAll();
        platform::RunCommand(u"U");
    }
    state.counters["us_per_entity"] =
        benchmark::Counter(static_cast<double>(state.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_MoveAndUndoBound)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A MOVE of one bound line and its undo in a small and in a large drawing of bound lines: the undo's cost
// must not grow with the drawing (the two rows take about the same time).
void BM_SmallUndoInBoundDrawing(benchmark::State& state) {
    BoundDrawing drawing(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        drawing.MoveOne();
        platform::RunCommand(u"U");
    }
}

BENCHMARK(BM_SmallUndoInBoundDrawing)
    ->ArgName("lines")
    ->Arg(1000)
    ->Arg(500000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return tarnbench::RunWithSizeRatio(argc, argv, "10000", "100000", kGoal);
}
