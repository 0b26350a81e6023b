// A tiny application for the host's end-to-end tests. It links nothing of the platform: every call resolves
// against the host process. It reports each message on the command line as "[e2e] <what>", registers the
// command E2EHELLO (group "E2E", removed at unload) and E2ELEFT (group "E2ELEFT", which it forgets to
// remove). Built with E2E_MODULE_FAILS_INIT it refuses to initialise after registering its commands.
#include "platform/arx/acap/rxapp.h"
#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbline.h"
#include "platform/arx/acdb/dbtables.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acededitor.h"
#include "platform/arx/aced/acedinput.h"
#include "platform/mfc/afxwnd.h"
#include "platform/win32/sys/sys_api.h"

namespace {

// Asks for a point and draws a line to it from the origin: entity classes from the host, input from its
// user, and the command's undo group.
void HelloCommand() {
    acutPrintf(u"\n[e2e] hello");
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

void LeftCommand() {
    acutPrintf(u"\n[e2e] left");
}

AcRx::AppRetCode Init(void* appId) {
    acrxDynamicLinker->unlockApplication(appId);
    acrxDynamicLinker->registerAppMDIAware(appId);
    ACHAR path[260] = u"";
    GetModuleFileNameW(AfxGetInstanceHandle(), path, 260);
    acutPrintf(u"\n[e2e] init %s", path);
    acedRegCmds->addCommand(u"E2E", u"E2EHELLO", u"E2EHELLO", ACRX_CMD_MODAL, HelloCommand);
    acedRegCmds->addCommand(u"E2ELEFT", u"E2ELEFT", u"E2ELEFT", ACRX_CMD_MODAL, LeftCommand);
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
            acedRegCmds->removeGroup(u"E2E");
            acutPrintf(u"\n[e2e] unload");
            return AcRx::kRetOK;
        case AcRx::kLoadDwgMsg:
            acutPrintf(u"\n[e2e] loaddwg");
            return AcRx::kRetOK;
        case AcRx::kUnloadDwgMsg:
            acutPrintf(u"\n[e2e] unloaddwg");
            return AcRx::kRetOK;
        default:
            return AcRx::kRetOK;
    }
}

extern "C" __attribute__((visibility("default"))) int acrxGetApiVersion() {
    return 17;
}
