// The editor: its reactors (command, double-click, save and view notifications) and the command stack in
// which applications register their commands by group.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acge/acge.h"
#include "platform/arx/acut/acut_all.h"
#include "platform/win32/core/wintypes.h"

// Editor notifications. Command names are the host's global names in upper case, without the "_" or "."
// prefixes typed before them ("LINE", "-LAYER", "U").
class AcEditorReactor {
public:
    virtual ~AcEditorReactor() = default;
    virtual void commandWillStart(const ACHAR* cmdStr);
    virtual void commandEnded(const ACHAR* cmdStr);
    virtual void commandCancelled(const ACHAR* cmdStr);
    virtual void commandFailed(const ACHAR* cmdStr);
    virtual void unknownCommand(const ACHAR* cmdStr, AcDbVoidPtrArray* unused);
    virtual void beginDoubleClick(const AcGePoint3d& clickPoint);
    virtual void beginSave(AcDbDatabase* db, const ACHAR* intendedName);
    virtual void saveComplete(AcDbDatabase* db, const ACHAR* actualName);
    virtual void beginClose(AcDbDatabase* db);
    // The current view changed (zoom, pan, acedSetCurrentView).
    virtual void viewChanged();
    // The pick-first selection changed.
    virtual void pickfirstModified();
};

class AcEditor {
public:
    // A reactor is added once; removing one that is not attached does nothing. A reactor removed while a
    // notification runs is not called again by it.
    void addReactor(AcEditorReactor* reactor);
    void removeReactor(AcEditorReactor* reactor);
};

AcEditor* acedEditorPtr();
#define acedEditor acedEditorPtr()

// Command flags.
#define ACRX_CMD_MODAL 0x00000000
#define ACRX_CMD_TRANSPARENT 0x00000001
#define ACRX_CMD_USEPICKSET 0x00000002
#define ACRX_CMD_REDRAW 0x00000004
#define ACRX_CMD_NOPAPERSPACE 0x00000008
#define ACRX_CMD_SESSION 0x00200000

typedef void (*AcRxFunctionPtr)();
class AcEdUIContext;

class AcEdCommand {
public:
    const ACHAR* globalName() const { return m_global.c_str(); }
    const ACHAR* localName() const { return m_local.c_str(); }
    const ACHAR* groupName() const { return m_group.c_str(); }
    Adesk::Int32 commandFlags() const { return m_flags; }
    AcRxFunctionPtr functionAddr() const { return m_function; }
    int functionCode() const { return m_fcode; }
    HINSTANCE resourceHandle() const { return m_resource; }

    // Stand-in internals: the stack makes commands.
    AcEdCommand(std::u16string group, std::u16string global, std::u16string local, Adesk::Int32 flags,
                AcRxFunctionPtr function, int fcode, HINSTANCE resource)
        : m_group(std::move(group)),
          m_global(std::move(global)),
          m_local(std::move(local)),
          m_flags(flags),
          m_function(function),
          m_fcode(fcode),
          m_resource(resource) {}

private:
    std::u16string m_group;
    std::u16string m_global;
    std::u16string m_local;
    Adesk::Int32 m_flags;
    AcRxFunctionPtr m_function;
    int m_fcode;
    HINSTANCE m_resource;
};

// Registered commands by group. Names compare case-insensitively; the group registered last is searched
// first.
class AcEdCommandStack {
public:
    // eInvalidInput for null or empty names or a null function; eDuplicateKey when the group already has a
    // command of that global or local name.
    Acad::ErrorStatus addCommand(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName,
                                 const ACHAR* cmdLocalName, Adesk::Int32 commandFlags,
                                 AcRxFunctionPtr functionAddr, AcEdUIContext* uiContext = nullptr,
                                 int fcode = -1, HINSTANCE resourceHandle = nullptr,
                                 AcEdCommand** cmdPtrRet = nullptr);
    // eKeyNotFound when the group or the command is unknown.
    Acad::ErrorStatus removeCmd(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName);
    Acad::ErrorStatus removeGroup(const ACHAR* groupName);
    AcEdCommand* lookupGlobalCmd(const ACHAR* globalName);
    AcEdCommand* lookupLocalCmd(const ACHAR* localName);
    // By global name when globalFlag is set, else by local name.
    AcEdCommand* lookupCmd(const ACHAR* name, bool globalFlag);
};

AcEdCommandStack* acedRegCmdsPtr();
#define acedRegCmds acedRegCmdsPtr()

namespace platform {

// Delivers an editor notification to every attached reactor, in the order they were added.
void ForEachEditorReactor(const std::function<void(AcEditorReactor*)>& notify);
size_t EditorReactorCount();
// Every registered command, oldest group first (for the host's listing and tests).
std::vector<const AcEdCommand*> RegisteredCommands();

// A double click in the drawing: beginDoubleClick runs first, then the host's own double-click edit when
// DBLCLKEDIT is 1 (counted).
void FireDoubleClick(const AcGePoint3d& point);
int HostDoubleClickEdits();

}  // namespace platform
