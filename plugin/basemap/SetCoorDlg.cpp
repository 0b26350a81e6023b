#include "plugin/basemap/SetCoorDlg.h"

#include <cstdlib>
#include <cstring>

#include "plugin/core/HostEnv.h"
#include "plugin/core/Settings.h"
#include "plugin/core/PluginState.h"
#include "plugin/arxutil/GetInputUtil.h"
#include "plugin/maplink/linkutil.h"
#include "plugin/maplink/maplink.h"
#include "plugin/maplink/mapreq.h"
#include "plugin/res/dlg_setcoor.h"

AssocPointItem g_AssocPoint = {};
CSetCoorDlg* g_pSetCoorDlg = nullptr;

namespace {

constexpr DWORD kAssocKindPoints = 3;
constexpr DWORD kAssocKindSimplified = 4;
constexpr DWORD kCodePickMapPoint = 20001;

double ReadNumber(CWnd& edit) {
    CString text;
    edit.GetWindowText(text);
    char buffer[256] = {};
    CStringToMultiByte(text, buffer, sizeof buffer, sizeof buffer - 1);
    return std::atof(buffer);
}

// The drawing's coordinate setting is stored when the coordinate state answers (FILE_MD5).
void AdoptSystemCoordinates() {
    AcApDocument* doc = acDocManager->curDocument();
    if (doc == nullptr) {
        return;
    }
    g_bAfterClose = 1;
    g_MapAppState.m_strDrawingPath = doc->fileName();
    // Without an answer the flag would tie a much later one to this drawing.
    if (!AskCoordState()) {
        g_bAfterClose = 0;
    }
}

}  // namespace

bool IsAssocEastingValid(double x) {
    return IsValidGaussEasting(static_cast<double>(static_cast<float>(x)));
}

bool IsAssocNorthingValid(double y) {
    const float f = static_cast<float>(y);
    return f >= 2000000.0f && f <= 6000000.0f;
}

int ResendAssocPoints(DWORD kind) {
    return MapApiSetAssocPoints(&g_MapApiLink, kind, &g_AssocPoint, 1);
}

void DestroySetCoorDlg() {
    if (g_pSetCoorDlg != nullptr) {
        // The window's end deletes the object and clears the pointer.
        CSetCoorDlg* dialog = g_pSetCoorDlg;
        if (dialog->GetSafeHwnd() != nullptr) {
            dialog->DestroyWindow();
        }
        if (g_pSetCoorDlg == dialog) {
            g_pSetCoorDlg = nullptr;
            delete dialog;
        }
    }
}

IMPLEMENT_DYNAMIC(CSetCoorDlg, CAcUiDialog)

BEGIN_MESSAGE_MAP(CSetCoorDlg, CAcUiDialog)
ON_BN_CLICKED(IDC_COOR_SET_POINT, &CSetCoorDlg::OnBnClickedSetPoint)
ON_BN_CLICKED(IDC_COOR_FINISH, &CSetCoorDlg::OnBnClickedFinish)
ON_BN_CLICKED(IDC_COOR_CLEAR, &CSetCoorDlg::OnBnClickedClear)
ON_EN_CHANGE(IDC_COOR_X, &CSetCoorDlg::OnEnChangeX)
ON_EN_CHANGE(IDC_COOR_Y, &CSetCoorDlg::OnEnChangeY)
ON_BN_CLICKED(IDC_COOR_HELP, &CSetCoorDlg::OnBnClickedHelp)
ON_BN_CLICKED(IDC_COOR_USE_SYSTEM, &CSetCoorDlg::OnBnClickedUseSystemCoord)
ON_BN_CLICKED(IDC_COOR_MAP_SETTINGS, &CSetCoorDlg::OnBnClickedOpenMapSettings)
ON_BN_CLICKED(IDC_COOR_MORE, &CSetCoorDlg::OnBnClickedMoreAboutCoord)
ON_WM_CLOSE()
ON_MESSAGE(WM_ACAD_KEEPFOCUS, &CSetCoorDlg::OnKeepFocus)
END_MESSAGE_MAP()

CSetCoorDlg::CSetCoorDlg() : CAcUiDialog(IDD_SET_COOR) {}

void CSetCoorDlg::DoDataExchange(CDataExchange* dx) {
    CAcUiDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_COOR_INFO, m_infoText);
    DDX_Control(dx, IDC_COOR_X, m_editX);
    DDX_Control(dx, IDC_COOR_Y, m_editY);
    DDX_Control(dx, IDC_COOR_LON, m_editLongitude);
    DDX_Control(dx, IDC_COOR_LAT, m_editLatitude);
    DDX_Control(dx, IDC_COOR_SET_POINT, m_btnSetPoint);
    DDX_Control(dx, IDC_COOR_FINISH, m_btnFinish);
    DDX_Control(dx, IDC_COOR_CLEAR, m_btnClear);
    DDX_Text(dx, IDC_COOR_SYSTEM_TEXT, m_strSystemText);
    DDX_Check(dx, IDC_COOR_SIMPLIFIED, m_nSimplified);
    DDX_Control(dx, IDC_COOR_SIMPLIFIED, m_chkSimplified);
    DDX_Control(dx, IDC_COOR_HELP, m_btnHelp);
}

BOOL CSetCoorDlg::OnInitDialog() {
    CAcUiDialog::OnInitDialog();
    m_infoText.SetWindowText(u"关联点");
    m_btnSetPoint.SetWindowText(u"设置关联点");
    m_chkSimplified.ShowWindow(SW_HIDE);
    m_btnHelp.ShowWindow(SW_HIDE);
    // Neither help button has a page to open: both are shown disabled, so that neither invites a click.
    m_btnHelp.EnableWindow(FALSE);
    if (CWnd* more = GetDlgItem(IDC_COOR_MORE)) {
        more->EnableWindow(FALSE);
    }
    m_nSimplified = BST_CHECKED;
    UpdateData(FALSE);
    m_bXValid = false;
    m_bYValid = false;
    m_toolTip.Create(this);
    m_toolTip.AddTool(&m_btnHelp, u"单击此处了解更多关于“坐标系”");
    m_toolTip.SetDelayTime(200);
    m_toolTip.SetTipTextColor(0xFF0000);
    m_toolTip.SetTipBkColor(0xFFFFFF);
    m_toolTip.Activate(TRUE);
    return TRUE;
}

void CSetCoorDlg::ReadFields() {
    m_dX = ReadNumber(m_editX);
    m_dY = ReadNumber(m_editY);
    m_dLatitude = ReadNumber(m_editLatitude);
    m_dLongitude = ReadNumber(m_editLongitude);
}

void CSetCoorDlg::WriteFields() {
    CString text;
    text.Format(u"%f", m_dX);
    m_editX.SetWindowText(text);
    text.Format(u"%f", m_dY);
    m_editY.SetWindowText(text);
    text.Format(u"%f", m_dLatitude);
    m_editLatitude.SetWindowText(text);
    text.Format(u"%f", m_dLongitude);
    m_editLongitude.SetWindowText(text);
}

bool CSetCoorDlg::SameFields(const double first[4], const double second[4]) {
    for (int i = 0; i < 4; ++i) {
        if (first[i] != second[i]) {
            return false;
        }
    }
    return true;
}

void CSetCoorDlg::OnBnClickedSetPoint() {
    ShowWindow(SW_HIDE);
    AcGePoint3d point;
    if (!CGetInputUtil::GetPoint(u"请在CAD中选择一个点作为关联点！\n", point)) {
        return;  // hidden until the toolbar shows it again
    }
    CString text;
    text.Format(u"%f", point.x);
    m_editX.SetWindowText(text);
    text.Format(u"%f", point.y);
    m_editY.SetWindowText(text);
    // The simplified parameters follow the picked point at once, whether or not the edits announce it.
    OnEnChangeX();
    OnEnChangeY();
    const int result = MapApiSendCmd(&g_MapApiLink, kCodePickMapPoint, nullptr, 0, nullptr, 0);
    ShowApiError(result);
}

LRESULT CSetCoorDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA && wParam == kMapMsgWParam && lParam != 0) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        // The map point: latitude, then longitude; a shorter message carries none.
        if ((copy->dwData & 0xFFFF) == kCodePickMapPoint && copy->cbData >= 16 && copy->lpData != nullptr) {
            double latitude = 0.0;
            double longitude = 0.0;
            std::memcpy(&latitude, copy->lpData, sizeof latitude);
            std::memcpy(&longitude, static_cast<const BYTE*>(copy->lpData) + 8, sizeof longitude);
            CString text;
            text.Format(u"%f", longitude);
            m_editLongitude.SetWindowText(text);
            text.Format(u"%f", latitude);
            m_editLatitude.SetWindowText(text);
            ReadFields();
            UpdateData(FALSE);
            ShowWindow(SW_SHOW);
        }
    }
    return CAcUiDialog::WindowProc(message, wParam, lParam);
}

void CSetCoorDlg::OnBnClickedFinish() {
    UpdateData(TRUE);
    ReadFields();
    std::memset(&g_AssocPoint, 0, sizeof g_AssocPoint);
    g_AssocPoint.m_dLongitude = m_dLongitude;
    g_AssocPoint.m_dLatitude = m_dLatitude;
    g_AssocPoint.m_byValid = 1;
    g_AssocPoint.m_dX = m_dX;
    g_AssocPoint.m_dY = m_dY;
    if (m_dLatitude != 0.0 && m_dLongitude != 0.0) {
        const bool simplified = m_chkSimplified.IsWindowVisible() && m_nSimplified == BST_CHECKED;
        ShowApiError(ResendAssocPoints(simplified ? kAssocKindSimplified : kAssocKindPoints));
    } else if (!g_bLonLat) {
        AdoptSystemCoordinates();
    }
    OnClose();
}

void CSetCoorDlg::OnEnChangeX() {
    UpdateData(TRUE);
    m_dX = ReadNumber(m_editX);
    m_bXValid = IsAssocEastingValid(m_dX);
    ShowSimplifiedControls();
}

void CSetCoorDlg::OnEnChangeY() {
    UpdateData(TRUE);
    m_dY = ReadNumber(m_editY);
    m_bYValid = IsAssocNorthingValid(m_dY);
    ShowSimplifiedControls();
}

void CSetCoorDlg::ShowSimplifiedControls() {
    const int show = m_bXValid && m_bYValid ? SW_SHOW : SW_HIDE;
    m_chkSimplified.ShowWindow(show);
    m_btnHelp.ShowWindow(show);
    UpdateData(FALSE);
}

void CSetCoorDlg::OnBnClickedClear() {
    m_editLatitude.SetWindowText(u"");
    m_editLongitude.SetWindowText(u"");
    m_editX.SetWindowText(u"");
    m_editY.SetWindowText(u"");
    UpdateData(TRUE);
}

void CSetCoorDlg::OnBnClickedUseSystemCoord() {
    if (g_bLonLat) {
        AfxMessageBox(u"当前系统坐标系为经纬度！请设置平面坐标系！");
        return;
    }
    if (FindWindowW(u"tarnWin", nullptr) == nullptr) {
        AfxMessageBox(u"Zavrel程序没有打开！");
        return;
    }
    AdoptSystemCoordinates();
    OnClose();
}

void CSetCoorDlg::OnBnClickedOpenMapSettings() {
    const HWND map = FindWindowW(u"tarnWin", nullptr);
    if (map == nullptr) {
        AfxMessageBox(u"Zavrel程序没有打开！");
        return;
    }
    CWnd* window = CWnd::FromHandle(map);
    window->SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    window->SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    window->ShowWindow(SW_SHOWNORMAL);
}

// There is no page about coordinate systems to open: the help leads nowhere, and both its buttons are
// disabled.
void CSetCoorDlg::OnBnClickedHelp() {}

void CSetCoorDlg::OnBnClickedMoreAboutCoord() {
    OnBnClickedHelp();
}

BOOL CSetCoorDlg::PreTranslateMessage(MSG* msg) {
    if (msg != nullptr && msg->message == WM_MOUSEMOVE) {
        m_toolTip.RelayEvent(msg);
    }
    return CAcUiDialog::PreTranslateMessage(msg);
}

void CSetCoorDlg::OnClose() {
    CAcUiDialog::OnClose();
    DestroyWindow();
}

LRESULT CSetCoorDlg::OnKeepFocus(WPARAM, LPARAM) {
    return TRUE;
}

void CSetCoorDlg::PostNcDestroy() {
    CAcUiDialog::PostNcDestroy();
    if (g_pSetCoorDlg == this) {
        g_pSetCoorDlg = nullptr;
    }
    delete this;
}
