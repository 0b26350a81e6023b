#include "plugin/app/DlgSetting.h"

#include "platform/arx/arxheaders.h"
#include "plugin/app/DlgHelp.h"
#include "plugin/core/HostEnv.h"
#include "plugin/app/PathDialog.h"
#include "plugin/core/Settings.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/basemap/BaseMapLayer.h"
#include "plugin/core/SyncState.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"
#include "plugin/res/dlg_setting.h"

namespace {

constexpr int32_t kIconSizes[] = {240, 120, 60, 30, 15};
constexpr const char16_t* kIconSizeItems[] = {u"240米(14级)", u"120米(15级)", u"60米(16级)", u"30米(17级)",
                                              u"15米(18级)"};
constexpr const char16_t* kFollowItems[] = {u"无", u"Zavrel随CAD", u"CAD随Zavrel", u"相互跟随"};
constexpr int kDefaultIconIndex = 2;
constexpr int kMaxCacheFolderChars = 260;
constexpr DWORD kFollowMapMoves = 500;  // the map application reports its view every 500 ms
constexpr DWORD kFollowNone = 1;

constexpr const char16_t* kTextMaxLevelRange = u"底图最大级别请设置在16-28之间！";
constexpr const char16_t* kTextTextLevelRange = u"文字绑定级别级别请设置在0-28之间！";

int32_t RoundToHundred(int32_t value) {
    const int64_t v = value;
    const int64_t rounded = v >= 0 ? (v + 50) / 100 * 100 : -((-v + 50) / 100 * 100);
    return static_cast<int32_t>(rounded);
}

// A folder as the settings keep it: no trailing backslash, except a drive root's own.
CString WithoutTrailingSeparator(CString folder) {
    while (folder.GetLength() > 3 && (folder.Right(1) == u"\\" || folder.Right(1) == u"/")) {
        folder = folder.Left(folder.GetLength() - 1);
    }
    return folder;
}

}  // namespace

IMPLEMENT_DYNAMIC(CDlgSetting, CDialog)

BEGIN_MESSAGE_MAP(CDlgSetting, CDialog)
ON_BN_CLICKED(IDOK, &CDlgSetting::OnBnClickedOk)
ON_BN_CLICKED(IDC_SET_HELP, &CDlgSetting::OnBnClickedHelp)
ON_BN_CLICKED(IDC_SET_BROWSE, &CDlgSetting::OnBnClickedBrowse)
END_MESSAGE_MAP()

CDlgSetting::CDlgSetting(CWnd* parent) : CDialog(IDD_DLG_SETTING, parent) {}

int CDlgSetting::IconSizeIndex(int32_t size) {
    for (int i = 0; i < static_cast<int>(std::size(kIconSizes)); ++i) {
        if (kIconSizes[i] == size) {
            return i;
        }
    }
    return kDefaultIconIndex;
}

int32_t CDlgSetting::IconSizeAt(int index) {
    return index >= 0 && index < static_cast<int>(std::size(kIconSizes)) ? kIconSizes[index] : -1;
}

void CDlgSetting::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Check(dx, IDC_SET_AUTO_SYNC, m_bAutoSync);
    DDX_Check(dx, IDC_SET_POINT_ICON, m_bPointAsIcon);
    DDX_Control(dx, IDC_SET_ICON_SIZE, m_cbIconSize);
    DDX_Text(dx, IDC_SET_MAX_LEVEL, m_nMaxLevel);
    DDX_Check(dx, IDC_SET_BYLAYER, m_bByLayer);
    DDX_Text(dx, IDC_SET_TEXT_LEVEL, m_nTextLevel);
    DDX_Check(dx, IDC_SET_DBLCLICK, m_bDblClick);
    DDX_Check(dx, IDC_SET_AUTO_LOAD, m_bAutoLoad);
    DDX_Control(dx, IDC_SET_FOLLOW, m_cbFollow);
    DDX_Control(dx, IDC_SET_CACHE_FOLDER, m_stCacheFolder);
}

BOOL CDlgSetting::OnInitDialog() {
    CDialog::OnInitDialog();
    m_bAutoSync = g_Settings.m_bAutoSync != 0 ? 1 : 0;
    m_bPointAsIcon = g_Settings.m_bPointAsIcon != 0 ? 1 : 0;
    m_nMaxLevel = g_Settings.m_nMaxLevel;
    m_nTextLevel = g_Settings.m_nTextLevel;
    m_bByLayer = g_Settings.m_nColorByLayer != 0 ? 1 : 0;
    m_bDblClick = g_Settings.m_bDblClickProperty == 1 ? 1 : 0;
    m_bAutoLoad = g_Settings.m_bLoadWithHost == 1 ? 1 : 0;
    m_stCacheFolder.SetWindowText(g_strMapTempRoot);
    g_Settings.m_nRoundedValue = RoundToHundred(g_Settings.m_nRoundedValue);
    for (const char16_t* item : kIconSizeItems) {
        m_cbIconSize.AddString(item);
    }
    m_cbIconSize.SetCurSel(IconSizeIndex(g_Settings.m_nIconSize));
    for (const char16_t* item : kFollowItems) {
        m_cbFollow.AddString(item);
    }
    m_cbFollow.SetCurSel(g_Settings.m_nViewFollowMode);
    UpdateData(FALSE);
    return TRUE;
}

void CDlgSetting::OnBnClickedOk() {
    if (!UpdateData(TRUE)) {
        return;
    }
    if (m_nMaxLevel < 16 || m_nMaxLevel > 28) {
        AfxMessageBox(kTextMaxLevelRange);
        return;
    }
    if (m_nTextLevel < 0 || m_nTextLevel > 28) {
        AfxMessageBox(kTextTextLevelRange);
        return;
    }
    // A list without a selection (a mode out of range in the file) keeps the mode rather than storing -1.
    if (const int follow = m_cbFollow.GetCurSel(); follow >= 0) {
        g_Settings.m_nViewFollowMode = follow;
    }
    const int32_t mode = g_Settings.m_nViewFollowMode;
    MapApiSetFollowInterval(&g_MapApiLink, mode == 2 || mode == 3 ? kFollowMapMoves : kFollowNone);

    g_Settings.m_nMaxLevel = m_nMaxLevel;
    g_Settings.m_bAutoSync = static_cast<BYTE>(m_bAutoSync != 0);
    g_Settings.m_bPointAsIcon = static_cast<BYTE>(m_bPointAsIcon != 0);
    g_Settings.m_nTextLevel = m_nTextLevel;
    g_Settings.m_nColorByLayer = m_bByLayer != 0 ? 1 : 0;
    g_Settings.m_bDblClickProperty = static_cast<BYTE>(m_bDblClick != 0);
    g_Settings.m_bLoadWithHost = static_cast<BYTE>(m_bAutoLoad != 0);

    if (g_Settings.m_bLoadWithHost) {
        RegisterDemandLoad();
    } else {
        UnregisterDemandLoad();
    }
    if (!g_Settings.m_bDblClickProperty) {
        // The host's own double-click editing comes back.
        resbuf value{};
        value.restype = RTSHORT;
        value.resval.rint = 1;
        acedSetVar(u"DBLCLKEDIT", &value);
    }
    if (const int32_t size = IconSizeAt(m_cbIconSize.GetCurSel()); size > 0) {
        g_Settings.m_nIconSize = size;
    }

    WCHAR folder[kMaxCacheFolderChars + 1] = {};
    m_stCacheFolder.GetWindowText(folder, kMaxCacheFolderChars + 1);
    if (g_strMapTempRoot.Compare(folder) != 0) {
        ApplyCacheFolder(folder);
    }
    if (!SaveSettings()) {
        // The change stays for this run; the user learns that the next start will not have it.
        const DWORD error = GetLastError();
        CString text;
        text.Format(u"设置保存失败，下次启动时将恢复原设置！\n文件：%s\n原因：%s",
                    g_strSettingsPath.GetString(),
                    error == ERROR_ACCESS_DENIED    ? u"没有写入权限"
                    : error == ERROR_PATH_NOT_FOUND ? u"文件夹不存在"
                                                    : u"无法写入文件");
        AfxMessageBox(text);
    }
    EndDialog(IDOK);
}

// The old cache goes only when it is neither the new one (however spelled) nor holds it, and only after the
// tiles that every open drawing shows from it are gone; the other drawings load again from the new root.
void CDlgSetting::ApplyCacheFolder(CString folder) {
    // Made full once, when chosen: a relative root would follow the current folder.
    folder = FullCacheRoot(WithoutTrailingSeparator(folder));
    const CString oldRoot = g_strMapTempRoot;
    if (folder.IsEmpty() || IsSameFolder(folder, oldRoot)) {
        return;
    }
    g_strMapTempRoot = folder;
    SaveMapTempPath();
    HoldMapTempFolder(folder);
    AcApDocumentIterator* it = acDocManager->newAcApDocumentIterator();
    for (; it != nullptr && !it->done(); it->step()) {
        if (CDocSyncState* state = g_DocSyncRegistry.GetDocState(it->document(), false)) {
            BaseMapOf(*state).Unload();
        }
    }
    delete it;
    if (CDocSyncState* state = CurrentDocState()) {
        BaseMapOf(*state).Load();
    }
    const CString oldCache = JoinFolder(oldRoot, u"MapTemp");
    if (!IsSameFolder(folder, oldCache) && !IsFolderWithin(folder, oldCache)) {
        DeleteMapTempFolder(oldRoot);
    } else {
        ReleaseMapTempFolder(oldRoot);
    }
}

void CDlgSetting::OnBnClickedHelp() {
    CDlgHelp dialog;
    dialog.DoModal();
}

void CDlgSetting::OnBnClickedBrowse() {
    CPathDialog picker(u"文件夹选择", u"选择要打开的地图临时路径", g_strMapTempRoot, this);
    if (picker.DoModal() != 1) {
        return;
    }
    const CString chosen = picker.GetPathName();
    if (!CheckFolderUsable(chosen)) {
        return;
    }
    m_stCacheFolder.SetWindowText(chosen);
    UpdateData(FALSE);
}
