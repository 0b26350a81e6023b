// A tiny application for the host's end-to-end tests. It links nothing of the platform: every call resolves
// against the host process. It reports each message on the command line as "[e2e] <what>", registers the
// command E2EHELLO (group "E2E", removed at unload) and E2ELEFT (group "E2ELEFT", which it forgets to
// remove). Built with E2E_MODULE_FAILS_INIT it refuses to initialise after registering its commands; built
// with E2E_MODULE_SECOND it is a second application beside the first (group "E2E2", commands E2E2HELLO and
// E2E2LEFT, reports "[e2e2] <what>"). Its resources: string 101 names the variant, PNG 8315, dialog 9100.
// E2ELEAVE leaves a window, a timer and reactors behind that it never removes.
#include "platform/arx/acap/acapdoc.h"
#include "platform/arx/acap/rxapp.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/mfc/afxdlg.h"
#include "platform/mfc/afxwnd.h"
#include "platform/win32/core/modres.h"
#include "platform/win32/sys/sys_api.h"

#ifdef E2E_MODULE_SECOND
#define E2E_TAG u"[e2e2]"
#define E2E_GROUP u"E2E2"
#define E2E_NAME(name) u"E2E2" name
#define E2E_TITLE u"second module"
#else
#define E2E_TAG u"[e2e]"
#define E2E_GROUP u"E2E"
#define E2E_NAME(name) u"E2E" name
#define E2E_TITLE u"first module"
#endif

namespace {

const unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 7};
TARN_RESOURCE(u"PNG", 8315, kPng, sizeof kPng);
TARN_RESOURCE(TARN_RT_STRING, 101, E2E_TITLE, sizeof(E2E_TITLE));
const platform::DialogTemplate kDialog = {E2E_TITLE, {{IDOK, platform::ControlKind::DefPushButton, u"OK"}}};
TARN_RESOURCE(TARN_RT_DIALOG, 9100, &kDialog, sizeof kDialog);

// Asks for a point and draws a line to it from the origin: entity classes from the host, input from its
// user, and the command's undo group.
void HelloCommand() {
    acutPrintf(u"\n" E2E_TAG u" hello");
    ads_point to;
    if (acedGetPoint(nullptr, u"\nLine to: ", to) != RTNORM) {
        return;
    }
    AcDbBlockTable* table = nullptr;
    acdbHostApplicationServices()->workingDatabase()->getBlockTable(table, AcDb::kForRead);
    AcDbBlockTableRecord* space = nullptr;
    table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite);
    table->close();
    auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(to[0], to[1], to[2]));
    space->appendAcDbEntity(line);
    line->close();
    space->close();
}

// Leaves behind what an unload must find: a window with its own procedure, a timer procedure, and editor
// and database reactors, none removed at unload.
LRESULT LeftWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void LeftTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

class LeftReactor : public AcEditorReactor {};

// Reports documents going, to show the host's quit order.
class DocReactor : public AcApDocManagerReactor {
public:
    void documentToBeDestroyed(AcApDocument*) override {
        acutPrintf(u"\n" E2E_TAG u" documentToBeDestroyed");
    }
};
DocReactor g_docReactor;
class LeftDbReactor : public AcDbDatabaseReactor {};

void LeaveCommand() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &LeftWindowProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = u"E2ELeftWindow";
    RegisterClassW(&wc);
    CreateWindowExW(0, u"E2ELeftWindow", u"left", 0, 0, 0, 0, 0, nullptr, nullptr, AfxGetInstanceHandle(),
                    nullptr);
    SetTimer(nullptr, 0, 1000, &LeftTimerProc);
    static LeftReactor editorReactor;
    acedEditor->addReactor(&editorReactor);
    static LeftDbReactor dbReactor;
    acdbHostApplicationServices()->workingDatabase()->addReactor(&dbReactor);
}

void LeftCommand() {
    acutPrintf(u"\n" E2E_TAG u" left");
    // Its own instance handle finds its own resources.
    ACHAR title[64] = u"";
    LoadStringW(AfxGetInstanceHandle(), 101, title, 64);
    acutPrintf(u"\n" E2E_TAG u" %s", title);
}

AcRx::AppRetCode Init(void* appId) {
    acrxDynamicLinker->unlockApplication(appId);
    acrxDynamicLinker->registerAppMDIAware(appId);
    ACHAR path[260] = u"";
    GetModuleFileNameW(AfxGetInstanceHandle(), path, 260);
    acutPrintf(u"\n" E2E_TAG u" init %s", path);
    acedRegCmds->addCommand(E2E_GROUP, E2E_NAME(u"HELLO"), E2E_NAME(u"HELLO"), ACRX_CMD_MODAL, HelloCommand);
    acedRegCmds->addCommand(E2E_NAME(u"LEFT"), E2E_NAME(u"LEFT"), E2E_NAME(u"LEFT"), ACRX_CMD_MODAL,
                            LeftCommand);
    acDocManager->addReactor(&g_docReactor);
    acedRegCmds->addCommand(E2E_GROUP, E2E_NAME(u"LEAVE"), E2E_NAME(u"LEAVE"), ACRX_CMD_MODAL, LeaveCommand);
#ifdef E2E_MODULE_FAILS_INIT
    return AcRx::kRetError;
#else
    return AcRx::kRetOK;
#endif
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg,
                                                                                  void* appId) {
    switch (msg) {
        case AcRx::kInitAppMsg:
            return Init(appId);
        case AcRx::kUnloadAppMsg:
            acedRegCmds->removeGroup(E2E_GROUP);
            acDocManager->removeReactor(&g_docReactor);
            acutPrintf(u"\n" E2E_TAG u" unload");
            return AcRx::kRetOK;
        case AcRx::kLoadDwgMsg:
            acutPrintf(u"\n" E2E_TAG u" loaddwg");
            return AcRx::kRetOK;
        case AcRx::kUnloadDwgMsg:
            acutPrintf(u"\n" E2E_TAG u" unloaddwg");
            return AcRx::kRetOK;
        default:
            return AcRx::kRetOK;
    }
}

extern "C" __attribute__((visibility("default"))) int acrxGetApiVersion() {
    return 17;
}
