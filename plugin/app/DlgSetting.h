// The settings dialog behind the toolbar's settings button: the settings a user may change, with their range
// checks, applied at once on OK and saved.
#pragma once

#include "platform/mfc/afxwin.h"

class CDlgSetting : public CDialog {
    DECLARE_DYNAMIC(CDlgSetting)
public:
    explicit CDlgSetting(CWnd* parent = nullptr);

    int m_bAutoSync = 0;
    int m_bPointAsIcon = 0;
    CComboBox m_cbIconSize;
    int m_nMaxLevel = 18;
    int m_bByLayer = 0;
    int m_nTextLevel = 0;
    int m_bDblClick = 0;
    int m_bAutoLoad = 0;
    CComboBox m_cbFollow;
    CStatic m_stCacheFolder;

    // The list index of an icon size (any size not in the list: 60's); and back (-1: none).
    static int IconSizeIndex(int32_t size);
    static int32_t IconSizeAt(int index);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    afx_msg void OnBnClickedOk();
    afx_msg void OnBnClickedHelp();
    afx_msg void OnBnClickedBrowse();
    DECLARE_MESSAGE_MAP()

private:
    void ApplyCacheFolder(CString folder);
};
