// The toolbar buttons' string resources: the short name, then after "\n" the tooltip.
#include "platform/win32/core/modres.h"
#include "plugin/res/toolbar_res.h"

namespace {

const char16_t kTipSend[] = u"发送\n发送所选对象到Zavrel";
const char16_t kTipOnlineMap[] = u"底图\n加载在线底图";
const char16_t kTipDownload[] = u"下载\n下载底图到本地";
const char16_t kTipSetCoor[] = u"关联点\n设置关联点";
const char16_t kTipSettings[] = u"设置\n设置属性";

}  // namespace

TARN_RESOURCE(TARN_RT_STRING, ID_TARN_SEND, kTipSend, sizeof kTipSend);
TARN_RESOURCE(TARN_RT_STRING, ID_TARN_ONLINE_MAP, kTipOnlineMap, sizeof kTipOnlineMap);
TARN_RESOURCE(TARN_RT_STRING, ID_TARN_DOWNLOAD, kTipDownload, sizeof kTipDownload);
TARN_RESOURCE(TARN_RT_STRING, ID_TARN_SET_COOR, kTipSetCoor, sizeof kTipSetCoor);
TARN_RESOURCE(TARN_RT_STRING, ID_TARN_SETTINGS, kTipSettings, sizeof kTipSettings);
