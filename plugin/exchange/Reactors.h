// The reactors that keep the drawing and the map in step: the editor's (commands, double clicks, views,
// saves), the document manager's (drawings opened, activated, closed), the one attached to every drawing's
// database, and the two selection filters that keep the base-map tiles out of selections and highlights.
// None edits the drawing to send anything: what is to be sent is posted to the hidden window.
#pragma once

#include <string>
#include <vector>

#include "plugin/arxutil/ViewRectInfo.h"
#include "plugin/core/EditorView.h"
#include "platform/arx/arxheaders.h"

class CEditorReactor : public AcEditorReactor, public CEditorView {
public:
    ~CEditorReactor() override { RestoreDblClkEdit(); }
    void commandWillStart(const ACHAR* command) override;
    void commandEnded(const ACHAR* command) override;
    void commandCancelled(const ACHAR* command) override;
    void commandFailed(const ACHAR* command) override;
    void beginDoubleClick(const AcGePoint3d& clickPoint) override;
    void viewChanged() override;
    void OnViewChanged();

    ViewRectInfo m_viewRect;      // recorded by the view-change notification
    ViewRectInfo m_lastViewRect;  // read at the previous view-tracking tick
    CString m_lastCommand;
    int m_nUserDblClkEdit = -1;  // the user's DBLCLKEDIT while a double click holds it changed

    // Gives DBLCLKEDIT back its user's value.
    void RestoreDblClkEdit();
    // A command is over, however it ended: the tiles held during it go in 10 ms on.
    void CommandOver();

    // The capture's rectangle: the next RECTANG's new polyline becomes the region and is erased. Any other
    // command, or a RECTANG that is cancelled, fails or draws nothing, disarms it and erases nothing.
    void ArmRectCapture() override;
    void RectCaptureWillStart(const ACHAR* command);
    void RectCaptureEnded(const ACHAR* command);
    BYTE m_rectCapture = 0;
    BYTE m_bRectStarted = 0;
    AcDbObjectId m_rectLastBefore;  // the newest entity before the rectangle was asked for
};

class CDocReactor : public AcApDocManagerReactor {
public:
    void documentCreated(AcApDocument* doc) override;
    void documentActivated(AcApDocument* doc) override;
    void documentToBeDestroyed(AcApDocument* doc) override;
};

class CDbReactor : public AcDbDatabaseReactor {
public:
    void objectAppended(const AcDbDatabase* db, const AcDbObject* object) override;
    void objectModified(const AcDbDatabase* db, const AcDbObject* object) override;
    void objectErased(const AcDbDatabase* db, const AcDbObject* object, bool erased) override;
};

// Takes the base-map tiles out of every selection.
class CTarnSelectFilter : public AcEdSSGetFilter {
public:
    void ssgetAddFilter(int ssgetFlags, AcEdSelectionSetService& service,
                        const AcDbObjectIdArray& selectionSet,
                        const AcDbObjectIdArray& subSelectionSet) override;
};

// Keeps the base-map tiles out of the rollover highlight.
class CEntHilightReactor : public AcEdSSGetFilter2 {
public:
    void ssgetRolloverFilter(const AcDbFullSubentPath& subEntityPath,
                             AcDbFullSubentPath& highlightPath) override;
};

// The command-end synchronisation: posts what the command changed to the hidden window for sending.
void SyncCommandObjects(const ACHAR* command);
// The names of the commands whose end passes their changes on, in the order they are looked up.
std::vector<std::u16string> SyncCommandNames();

// Attaches (detaches) the database reactor and both filters to a document.
void AttachDocReactors(AcApDocument* doc);
void DetachDocReactors(AcApDocument* doc);

extern CEditorReactor* g_pEditorReactor;
extern CDocReactor* g_pDocReactor;
extern CDbReactor* g_pDbReactor;
extern CTarnSelectFilter* g_pSelectFilter;
extern CEntHilightReactor* g_pHilightFilter;

extern BYTE g_bFirstCommand;    // no command has started since the program began
extern BYTE g_bCommandStarted;  // a command start was seen (tells whether APPLOAD's start was)
extern BYTE g_bZoomFactorAsk;   // a new drawing waits for the ZOOMFACTOR question
