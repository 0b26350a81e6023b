// The module's two exports: the host's loader hands every application message to the application object.
#include "plugin/app/TarnArxApp.h"

extern "C" __attribute__((visibility("default"))) AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg,
                                                                                  void* pkt) {
    return theApp.dispatch(msg, pkt);
}

extern "C" __attribute__((visibility("default"))) int acrxGetApiVersion() {
    return 17;
}
