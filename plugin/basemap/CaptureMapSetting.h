// The map capture dialog: the map type shown, the level, how the region is given and an optional name.
#pragma once

#include <vector>

#include "platform/mfc/afxwin.h"

class CCaptureMapSetting : public CDialog {
    DECLARE_DYNAMIC(CCaptureMapSetting)
public:
    explicit CCaptureMapSetting(CWnd* parent = nullptr);

    BOOL Create(UINT templateId, CWnd* parent = nullptr) override;

    int m_nMapType = 0;  // the map id when opened
    int m_nLevel = 0;    // the current level when opened, the chosen level after OK
    CComboBox m_levelList;
    int m_nRegion = 0;  // 0 draw a rectangle, 1 pick an object
    CString m_strName;
    CString m_strMapTypeName;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnBnClickedOk();
    DECLARE_MESSAGE_MAP()
};

// The map type's name; an id outside the table shows the custom map.
CString MapTypeName(int mapId);
// Whether a typed capture name can be a file name beside the drawing: no separators, "..", reserved or
// control characters, no device name, no trailing dot or space.
bool IsUsableCaptureName(const CString& name);
// The level list: the current level first, then every level from 5 to the highest.
std::vector<CString> CaptureLevelItems(int currentLevel, int highestLevel);
