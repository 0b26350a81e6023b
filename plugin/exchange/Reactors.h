// The reactors that keep the drawing and the map in step: the editor's (commands, views, saves), the
// document manager's (drawings opened, activated, closed) and the one attached to every drawing's database.
#pragma once

#include "plugin/arxutil/ViewRectInfo.h"
#include "platform/arx/arxheaders.h"

class CEditorReactor : public AcEditorReactor {
public:
    // So far only the link save before a save, close, export, "-LAYER" or quit, and after an undo or redo
    // (which may have taken written links back out of the drawing) every link written again at the next save.
    void commandWillStart(const ACHAR* command) override;
    void commandEnded(const ACHAR* command) override;

    ViewRectInfo m_viewRect;      // recorded by the view-change notification
    ViewRectInfo m_lastViewRect;  // read at the previous view-tracking tick
    BYTE m_bViewArmed = 1;        // cleared by the base map before a zoom of its own
    BYTE m_bFirstViewState = 0;
    BYTE m_bInCommand = 0;

    // And for the base map: whether a command runs, the tiles held during one, the view the user moved to.
    void commandCancelled(const ACHAR* cmdStr) override;
    void commandFailed(const ACHAR* cmdStr) override;
    void viewChanged() override;
    void OnViewChanged();
    // A command is over, however it ended: the tiles held during it go in 10 ms on.
    void CommandOver();

    // The capture's rectangle: the next RECTANG's new polyline becomes the region and is erased. Any other
    // command, or a RECTANG that is cancelled, fails or draws nothing, disarms it and erases nothing.
    void ArmRectCapture();
    void RectCaptureWillStart(const ACHAR* command);
    void RectCaptureEnded(const ACHAR* command);
    BYTE m_rectCapture = 0;
    BYTE m_bRectStarted = 0;
    AcDbObjectId m_rectLastBefore;  // the newest entity before the rectangle was asked for
};

// So far only the drawings' sync states: made and read back when a drawing opens, made current when it is
// activated, dropped when it closes.
class CDocReactor : public AcApDocManagerReactor {
public:
    void documentCreated(AcApDocument* doc) override;
    void documentActivated(AcApDocument* doc) override;
    void documentToBeDestroyed(AcApDocument* doc) override;
};

class CDbReactor : public AcDbDatabaseReactor {};

extern CEditorReactor* g_pEditorReactor;
extern CDocReactor* g_pDocReactor;
extern CDbReactor* g_pDbReactor;
