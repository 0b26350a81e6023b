// The editor reactor's part that the base map needs: whether a command runs, the tiles held back during one,
// and the view the user moved to.
#include "plugin/app/MessageDlg.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/exchange/Reactors.h"

namespace {

// Tiles that arrived during the command go in 10 ms after it, however it ended: an Esc must not leave them
// waiting for the next command that ends normally.
void CommandOver(CEditorReactor& reactor) {
    reactor.m_bInCommand = 0;
    if (g_pMessageDlg != nullptr) {
        g_pMessageDlg->StartTimer(kTimerPendingImages);
    }
}

}  // namespace

void CEditorReactor::commandWillStart(const ACHAR*) {
    m_bInCommand = 1;
}

void CEditorReactor::commandEnded(const ACHAR*) {
    CommandOver(*this);
}

void CEditorReactor::commandCancelled(const ACHAR*) {
    CommandOver(*this);
}

void CEditorReactor::commandFailed(const ACHAR*) {
    CommandOver(*this);
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
