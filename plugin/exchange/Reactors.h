// The reactors that keep the drawing and the map in step: the editor's (commands, views, saves), the
// document manager's (drawings opened, activated, closed) and the one attached to every drawing's database.
#pragma once

#include "plugin/arxutil/ViewRectInfo.h"
#include "platform/arx/arxheaders.h"

class CEditorReactor : public AcEditorReactor {
public:
    ViewRectInfo m_viewRect;      // recorded by the view-change notification
    ViewRectInfo m_lastViewRect;  // read at the previous view-tracking tick
    BYTE m_bFirstViewState = 0;
    BYTE m_bInCommand = 0;
};

class CDocReactor : public AcApDocManagerReactor {};

class CDbReactor : public AcDbDatabaseReactor {};

extern CEditorReactor* g_pEditorReactor;
extern CDocReactor* g_pDocReactor;
extern CDbReactor* g_pDbReactor;
