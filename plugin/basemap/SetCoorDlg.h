// The associated-point dialog: a drawing point tied to the same place picked in the map application, sent
// to it (request 20201); without a map point the map application's plane coordinates are adopted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/mfc/acui.h"

// One associated point as request 20201 carries it after its 40-byte block.
struct AssocPointItem {
    double m_dLongitude;
    double m_dLatitude;
    uint8_t m_byValid;
    uint8_t m_res17[7];
    double m_dX;
    double m_dY;
    uint8_t m_res40[40];
};
static_assert(sizeof(AssocPointItem) == 80);
static_assert(offsetof(AssocPointItem, m_dLongitude) == 0);
static_assert(offsetof(AssocPointItem, m_dLatitude) == 8);
static_assert(offsetof(AssocPointItem, m_byValid) == 16);
static_assert(offsetof(AssocPointItem, m_res17) == 17);
static_assert(offsetof(AssocPointItem, m_dX) == 24);
static_assert(offsetof(AssocPointItem, m_dY) == 32);
static_assert(offsetof(AssocPointItem, m_res40) == 40);

// The last pair set.
extern AssocPointItem g_AssocPoint;

class CSetCoorDlg : public CAcUiDialog {
    DECLARE_DYNAMIC(CSetCoorDlg)
public:
    CSetCoorDlg();

    double m_dX = 0.0;
    double m_dY = 0.0;
    double m_dLatitude = 0.0;
    double m_dLongitude = 0.0;
    CStatic m_infoText;
    CEdit m_editX;
    CEdit m_editY;
    CEdit m_editLongitude;
    CEdit m_editLatitude;
    CButton m_btnSetPoint;
    CButton m_btnFinish;
    CButton m_btnClear;
    CString m_strSystemText;
    int m_nSimplified = BST_CHECKED;
    CButton m_chkSimplified;
    bool m_bXValid = false;
    bool m_bYValid = false;
    CToolTipCtrl m_toolTip;
    CButton m_btnHelp;

    // The numbers of the four edits (text that is no number reads 0).
    void ReadFields();
    // The four numbers back into their edits ("%f" each).
    void WriteFields();
    // Whether two sets of X, Y, latitude and longitude are equal, number by number.
    static bool SameFields(const double first[4], const double second[4]);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;

    afx_msg void OnBnClickedSetPoint();
    afx_msg void OnBnClickedFinish();
    afx_msg void OnEnChangeX();
    afx_msg void OnEnChangeY();
    afx_msg void OnBnClickedClear();
    afx_msg void OnBnClickedUseSystemCoord();
    afx_msg void OnBnClickedOpenMapSettings();
    afx_msg void OnBnClickedHelp();
    afx_msg void OnBnClickedMoreAboutCoord();
    afx_msg void OnClose();
    afx_msg LRESULT OnKeepFocus(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void ShowSimplifiedControls();
};

// Whether a drawing point looks like Gauss-Krueger plane coordinates: the easting (with a zone prefix of
// 13 to 45) and the northing (2,000,000 to 6,000,000).
bool IsAssocEastingValid(double x);
bool IsAssocNorthingValid(double y);

// Sends the stored associated points again with the given kind (request 20201); the link's result.
int ResendAssocPoints(DWORD kind);

// The dialog while it exists; null otherwise.
extern CSetCoorDlg* g_pSetCoorDlg;
// Closes and deletes the dialog when it exists.
void DestroySetCoorDlg();
