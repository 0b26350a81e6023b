// The editor's command notifications and the document reactor: the links written before a save, close,
// export or quit, the command-end synchronisation, and the drawings' sync states kept in step with the
// documents.
#include <string>

#include "plugin/core/HostEnv.h"
#include "plugin/core/MessageWindow.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/core/WholeViewImage.h"
#include "plugin/exchange/DocLockOps.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/mapreq.h"

BYTE g_bFirstCommand = 1;
BYTE g_bCommandStarted = 0;
BYTE g_bZoomFactorAsk = 0;

namespace {

// The commands before which every unsaved link is written into its drawing (SAVE and CLOSEALL save or close
// as the others do).
const char16_t* const kLinkSaveCommands[] = {u"QSAVE",  u"CLOSE", u"SAVEAS", u"EXPORTDWF",
                                             u"-LAYER", u"QUIT",  u"SAVE",   u"CLOSEALL"};

// The commands that write the drawing or leave it: the whole-view picture, whose file lies in the plug-in's
// own folder and goes when the drawing closes, is removed before them so that no saved drawing points at it.
const char16_t* const kWholeViewClearCommands[] = {u"QSAVE", u"SAVEAS", u"SAVE",
                                                   u"CLOSE", u"QUIT",   u"CLOSEALL"};

// Commands that take changes back, the links written at a save among them.
const char16_t* const kUndoCommands[] = {u"U", u"UNDO", u"MUNDO", u"REDO", u"MREDO"};

// Commands that do not count as the user's first.
const char16_t* const kNotFirstCommands[] = {u"RIBBON", u"_RIBBON", u"QUIT", u"COMMANDLINE"};

bool OneOf(const std::u16string& name, const char16_t* const* list, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (name == list[i]) {
            return true;
        }
    }
    return false;
}

template <size_t N>
bool OneOf(const std::u16string& name, const char16_t* const (&list)[N]) {
    return OneOf(name, list, N);
}

void StartCurrentDrawingCheck(UINT delayMs) {
    if (AcApDocument* doc = acDocManager->curDocument()) {
        g_MapAppState.StartDocumentCheck(doc->fileName(), delayMs);
    }
}

// The base map is switched off before the drawing is written or left: its tiles must not go into the file.
// It goes through the toolbar's switch so that the button shows it off; without the toolbar's switch (or a
// drawing it can act on) it is switched off here.
void SwitchBaseMapOff() {
    if (g_PluginCallbacks.switchOnlineMap != nullptr) {
        g_PluginCallbacks.switchOnlineMap();
    }
    if (!g_Settings.m_bOnlineMap) {
        return;
    }
    g_Settings.m_bOnlineMap = 0;
    SaveSettings();
    SetViewVariables(false);
    if (CDocSyncState* state = CurrentDocState(); state != nullptr && state->m_pBaseMap) {
        state->m_pBaseMap->PurgeImages();
    }
}

}  // namespace

void CEditorReactor::commandWillStart(const ACHAR* command) {
    m_bInCommand = 1;
    RectCaptureWillStart(command);
    if (command == nullptr) {
        return;
    }
    const std::u16string name(command);
    m_lastCommand = command;
    m_bInCommand = 1;
    g_bEchoFlag = 0;
    RestoreDblClkEdit();
    // A point only the command about to run makes may become a marker, never an older one it did not touch.
    if (CDocSyncState* state = CurrentDocState()) {
        state->m_lastPoint = AcDbObjectId();
    }
    if (name == u"QUIT") {
        g_ViewVarBackup.m_bReapply = 1;
        SetViewVariables(false);
    }
    if (g_bFirstCommand && !OneOf(name, kNotFirstCommands)) {
        g_bFirstCommand = 0;
        StartCurrentDrawingCheck(5);
    }
    g_bCommandStarted = 1;
    g_bHatchCommand = name == u"BHATCH" ? 1 : 0;
    if (OneOf(name, kLinkSaveCommands)) {
        SyncUnderDocLock();
        if (g_Settings.m_bOnlineMap) {
            SwitchBaseMapOff();
        }
        if (OneOf(name, kWholeViewClearCommands)) {
            if (AcApDocument* doc = acDocManager->curDocument()) {
                ClearMapImages(doc->database());
            }
        }
    }
}

void CEditorReactor::commandEnded(const ACHAR* command) {
    CommandOver();
    const BYTE rectArmed = m_rectCapture;
    RectCaptureEnded(command);
    if (command == nullptr) {
        return;
    }
    const std::u16string name(command);
    if (rectArmed && name == u"RECTANG" && CurrentDocState() != nullptr) {
        // The capture road's rectangle: not passed on as an edit.
        return;
    }
    SyncCommandObjects(command);
    if (OneOf(name, kUndoCommands)) {
        AcApDocument* doc = acDocManager->curDocument();
        if (CDocSyncState* state = g_DocSyncRegistry.GetDocState(doc, false)) {
            state->m_bindings.NoteUndo();
        }
    }
    if (name == u"APPLOAD") {
        g_bFirstCommand = 0;
        // Loaded by this very command: its start was not seen, the drawing is checked a little later.
        if (!g_bCommandStarted) {
            StartCurrentDrawingCheck(3000);
        }
        g_bCommandStarted = 0;
    }
    if (name == u"HATCH" && g_pMessageWindow != nullptr) {
        g_pMessageWindow->StartTimer(kTimerHatchEnd, 300);
    }
}

void CDocReactor::documentCreated(AcApDocument* doc) {
    AttachDocReactors(doc);
    if (g_pMessageWindow != nullptr) {
        g_pMessageWindow->StartTimer(kTimerImageFrame, 2000);
    }
    // Every drawing, named or not, has a state of its own, read back from its own entities.
    g_DocSyncRegistry.m_pCurrent = nullptr;
    LoadDocumentLinks(doc);
    if (!g_MapAppState.m_bCheckPending && doc != nullptr) {
        g_MapAppState.StartDocumentCheck(doc->fileName(), 5);
    }
    g_bZoomFactorAsk = 1;
}

void CDocReactor::documentActivated(AcApDocument* doc) {
    if (doc == nullptr) {
        g_DocSyncRegistry.m_pCurrent = nullptr;
        return;
    }
    // A drawing whose state is missing gets it read back from its entities, never an empty one.
    CDocSyncState* state = g_DocSyncRegistry.GetDocState(doc, false);
    if (state == nullptr) {
        LoadDocumentLinks(doc);
    } else {
        g_DocSyncRegistry.m_pCurrent = state;
    }
}

void CDocReactor::documentToBeDestroyed(AcApDocument* doc) {
    if (doc == nullptr) {
        return;
    }
    DetachDocReactors(doc);
    // The whole-view image goes while the drawing's state (and its lock) still stand.
    ClearMapImages(doc->database());
    g_DocSyncRegistry.RemoveDocState(doc);
    g_DocSyncRegistry.m_pCurrent = nullptr;
    g_bAfterClose = 1;
    g_MapAppState.m_strDrawingPath = doc->fileName();
    if (!AskCoordState()) {
        g_bAfterClose = 0;
    }
}
