// The editor reactor's part that the base map needs: whether a command runs, the tiles held back during one,
// and the view the user moved to. Its command start and end are beside the links' own steps.
#include "plugin/app/MessageDlg.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/exchange/SyncState.h"

// Tiles that arrived during the command go in 10 ms after it, however it ended: an Esc must not leave them
// waiting for the next command that ends normally.
void CEditorReactor::CommandOver() {
    m_bInCommand = 0;
    if (g_pMessageDlg != nullptr) {
        g_pMessageDlg->StartTimer(kTimerPendingImages);
    }
}

void CEditorReactor::commandCancelled(const ACHAR* command) {
    CommandOver();
    g_bHatchCommand = 0;
    SyncCommandObjects(command);
}

void CEditorReactor::commandFailed(const ACHAR* command) {
    CommandOver();
    // What an undo brought back before failing is in the drawing and must reach the map.
    CDocSyncState* state = CurrentDocState();
    if (state != nullptr && !state->m_restored.isEmpty()) {
        SyncCommandObjects(command);
    }
}

void CEditorReactor::viewChanged() {
    OnViewChanged();
}

void CEditorReactor::OnViewChanged() {
    if (m_bViewArmed) {
        CViewUtil::GetCurViewRect(m_viewRect, 1.0);
    }
    m_bViewArmed = 1;
}
