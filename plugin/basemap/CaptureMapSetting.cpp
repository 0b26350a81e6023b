#include "plugin/basemap/CaptureMapSetting.h"

#include <algorithm>

#include "plugin/core/Settings.h"
#include "plugin/basemap/MapCapture.h"
#include "plugin/basemap/TileScheme.h"
#include "plugin/cutil/cutil.h"
#include "plugin/res/dlg_capture.h"

namespace {

const char16_t* const kMapTypeNames[] = {
    u"Google地图", u"Google卫星图",     u"谷歌地球影像", u"自定义地图",          u"Google地形图",
    u"百度地图",   u"Google卫星混合图", u"Bing卫星图",   u"OpenCycle等高线地图", u"谷歌地球历史影像",
};
constexpr int kCustomMapType = 3;
constexpr int kFirstListedLevel = 5;

}  // namespace

bool IsUsableCaptureName(const CString& name) {
    // The last character may be neither a dot nor a space ("." and ".." and a name made of spaces among
    // them). The name's length is the path's affair: a path too long for the request is refused when the
    // request is built.
    if (name.IsEmpty() || name[name.GetLength() - 1] == u'.' || name[name.GetLength() - 1] == u' ') {
        return false;
    }
    for (int i = 0; i < name.GetLength(); ++i) {
        const char16_t c = name[i];
        if (c < 0x20 || c == 0x7F || CString(u"\\/:*?\"<>|").Find(c) >= 0) {
            return false;
        }
    }
    // Device names stay devices whatever extension follows them.
    CString stem = name;
    if (const int dot = stem.Find(u'.'); dot >= 0) {
        stem = stem.Left(dot);
    }
    stem.Trim();
    stem.MakeUpper();
    static const char16_t* const kDevices[] = {u"CON", u"PRN", u"AUX", u"NUL"};
    for (const char16_t* device : kDevices) {
        if (stem == device) {
            return false;
        }
    }
    return !(stem.GetLength() == 4 && (stem.Left(3) == u"COM" || stem.Left(3) == u"LPT") && stem[3] >= u'0' &&
             stem[3] <= u'9');
}

CString MapTypeName(int mapId) {
    const int count = static_cast<int>(std::size(kMapTypeNames));
    return kMapTypeNames[mapId >= 0 && mapId < count ? mapId : kCustomMapType];
}

std::vector<CString> CaptureLevelItems(int currentLevel, int highestLevel) {
    std::vector<CString> items;
    CString text;
    text.Format(u"当前级别(%d)", currentLevel);
    items.push_back(text);
    // A settings file may hold any number: the list stops where the resolution tables do.
    const int highest = std::clamp(highestLevel, 16, kMaxTileLevel);
    for (int level = kFirstListedLevel; level <= highest; ++level) {
        text.Format(u"级别:%d", level);
        items.push_back(text);
    }
    return items;
}

IMPLEMENT_DYNAMIC(CCaptureMapSetting, CDialog)

BEGIN_MESSAGE_MAP(CCaptureMapSetting, CDialog)
ON_BN_CLICKED(IDOK, &CCaptureMapSetting::OnBnClickedOk)
END_MESSAGE_MAP()

CCaptureMapSetting::CCaptureMapSetting(CWnd* parent) : CDialog(IDD_CAPTURE_MAP, parent) {}

BOOL CCaptureMapSetting::Create(UINT, CWnd* parent) {
    return CDialog::Create(IDD_CAPTURE_MAP, parent);
}

void CCaptureMapSetting::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_CAPTURE_LEVEL, m_levelList);
    DDX_Radio(dx, IDC_CAPTURE_RECT, m_nRegion);
    DDX_Text(dx, IDC_CAPTURE_NAME, m_strName);
    DDX_Text(dx, IDC_CAPTURE_MAP_TYPE, m_strMapTypeName);
}

BOOL CCaptureMapSetting::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_nMapType < 0 || m_nMapType > 9) {
        m_nMapType = kCustomMapType;
    }
    m_strMapTypeName = MapTypeName(m_nMapType);
    UpdateData(FALSE);
    for (const CString& item : CaptureLevelItems(m_nLevel, g_Settings.m_nMaxLevel)) {
        m_levelList.AddString(item);
    }
    m_levelList.SetCurSel(0);
    return TRUE;
}

void CCaptureMapSetting::OnOK() {
    OnBnClickedOk();
}

void CCaptureMapSetting::OnBnClickedOk() {
    UpdateData(TRUE);
    if (!m_strName.IsEmpty()) {
        // The name becomes a file beside the drawing: it must not lead anywhere else.
        if (!IsUsableCaptureName(m_strName)) {
            AfxMessageBox(u"地图名称不能包含\\ / : * ? \" < > |等字符或设备名，请更换名称！");
            return;
        }
        AcApDocument* doc = acDocManager->curDocument();
        if (doc == nullptr) {
            return;
        }
        const CString drawing = doc->fileName();
        if (drawing.Find(u'\\') < 0) {
            acutPrintf(u"\n%s为临时文档，请保存后再进行取图操作！\n", drawing.GetString());
            return;
        }
        const CString folder = CaptureFolder(drawing);
        CreateDirU8(PathToUtf8(folder, 4096).c_str());
        const CString file = CaptureFileName(folder, m_strName, 0, 0, 0.0, 0.0, 0.0, 0.0);
        if (GetFileSizeU8(PathToUtf8(file, 4096).c_str()) > 0) {
            AfxMessageBox(u"该文件已存在，请更换名称！");
            return;
        }
    }
    const int selected = m_levelList.GetCurSel();
    if (selected > 0) {
        m_nLevel = selected + kFirstListedLevel - 1;
    }
    EndDialog(IDOK);
}
