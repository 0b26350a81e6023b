// The parts of the editor and document reactors that keep the drawings' sync states and write their links.
#include <string>

#include "plugin/app/TarnArxApp.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/exchange/Reactors.h"
#include "plugin/exchange/SyncState.h"

namespace {

// The commands before which every unsaved link is written into its drawing.
const char16_t* const kLinkSaveCommands[] = {u"QSAVE", u"CLOSE", u"SAVEAS", u"EXPORTDWF", u"-LAYER", u"QUIT"};

// Commands that take changes back, the links written at a save among them.
const char16_t* const kUndoCommands[] = {u"U", u"UNDO", u"MUNDO", u"REDO", u"MREDO"};

}  // namespace

void CEditorReactor::commandWillStart(const ACHAR* command) {
    m_bInCommand = 1;
    RectCaptureWillStart(command);
    if (command == nullptr) {
        return;
    }
    const std::u16string name(command);
    for (const char16_t* save : kLinkSaveCommands) {
        if (name == save) {
            SyncUnderDocLock();
            return;
        }
    }
}

void CEditorReactor::commandEnded(const ACHAR* command) {
    CommandOver();
    RectCaptureEnded(command);
    if (command == nullptr) {
        return;
    }
    const std::u16string name(command);
    for (const char16_t* undo : kUndoCommands) {
        if (name == undo) {
            AcApDocument* doc = acDocManager->curDocument();
            if (CDocSyncState* state = g_DocSyncRegistry.GetDocState(doc, false)) {
                state->m_bindings.MarkAllUnsaved();
            }
            return;
        }
    }
}

void CDocReactor::documentCreated(AcApDocument* doc) {
    // Every drawing, named or not, has a state of its own, read back from its own entities.
    g_DocSyncRegistry.m_pCurrent = nullptr;
    LoadDocumentLinks(doc);
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
    // The closing drawing's whole-view picture and its file go with it; no other drawing's.
    if (doc != nullptr) {
        ClearMapImages(doc->database());
    }
    g_DocSyncRegistry.RemoveDocState(doc);
    g_DocSyncRegistry.m_pCurrent = nullptr;
}
