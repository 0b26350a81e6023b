// The editor reactor's part that the base map needs: whether a command runs, the tiles held back during one,
// and the view the user moved to. Its command start and end are beside the links' own steps.
#include <string>

#include "plugin/core/MessageWindow.h"
#include "plugin/arxutil/ViewUtil.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/core/PluginState.h"
#include "plugin/core/SyncState.h"

// Tiles that arrived during the command go in 10 ms after it, however it ended: an Esc must not leave them
// waiting for the next command that ends normally.
void CEditorReactor::CommandOver() {
    m_bInCommand = 0;
    if (g_pMessageWindow != nullptr) {
        g_pMessageWindow->StartTimer(kTimerPendingImages);
    }
}

void CEditorReactor::commandCancelled(const ACHAR* command) {
    m_rectCapture = 0;
    CommandOver();
    g_bHatchCommand = 0;
    SyncCommandObjects(command);
}

void CEditorReactor::commandFailed(const ACHAR* command) {
    m_rectCapture = 0;
    CommandOver();
    // What an undo brought back before failing is in the drawing and must reach the map.
    CDocSyncState* state = CurrentDocState();
    if (state != nullptr && !state->m_restored.isEmpty()) {
        SyncCommandObjects(command);
    }
}

namespace {

// The command's global name: "_rectang", ".RECTANG" and "RECTANG" are one command.
bool IsRectangCommand(const ACHAR* command) {
    if (command == nullptr) {
        return false;
    }
    std::u16string name(command);
    while (!name.empty() && (name[0] == u'_' || name[0] == u'.')) {
        name.erase(0, 1);
    }
    for (char16_t& c : name) {
        c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
    }
    return name == u"RECTANG";
}

AcDbObjectId LastEntity() {
    ads_name last = {0, 0};
    AcDbObjectId id;
    if (acdbEntLast(last) == RTNORM) {
        acdbGetObjectId(id, last);
    }
    return id;
}

}  // namespace

void CEditorReactor::ArmRectCapture() {
    m_rectCapture = 1;
    m_bRectStarted = 0;
    m_rectLastBefore = LastEntity();
}

void CEditorReactor::RectCaptureWillStart(const ACHAR* command) {
    if (m_rectCapture == 0) {
        return;
    }
    if (m_bRectStarted == 0 && IsRectangCommand(command)) {
        m_bRectStarted = 1;
    } else {
        m_rectCapture = 0;  // the user went on to something else: the next RECTANG is the user's own
    }
}

void CEditorReactor::RectCaptureEnded(const ACHAR* command) {
    if (m_rectCapture == 0 || m_bRectStarted == 0 || !IsRectangCommand(command)) {
        return;
    }
    m_rectCapture = 0;
    // Only a polyline the command itself drew is the region; never an entity the user had before.
    const AcDbObjectId last = LastEntity();
    if (last.isNull() || last == m_rectLastBefore) {
        return;
    }
    AcDbEntity* entity = nullptr;
    if (acdbOpenAcDbEntity(entity, last, AcDb::kForRead) != Acad::eOk) {
        return;
    }
    const bool polyline = AcDbPolyline::cast(entity) != nullptr;
    entity->close();
    CDocSyncState* state = CurrentDocState();
    ads_name name = {0, 0};
    if (polyline && state != nullptr && state->m_pBaseMap && acdbGetAdsName(name, last) == Acad::eOk) {
        state->m_pBaseMap->UseEntityExtents(name, true);
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
