// Frame windows, control bars, toolbars, image lists and bitmaps, headless. A toolbar is a model of buttons
// (id, style, image), its image list, title, docking flags, floating point and visibility; nothing is drawn.
// A click on a button is WM_COMMAND(id) to the toolbar's owner, as on the real platform; the tip of a button
// is the string resource of its id ("short name\ntip") in the resource module active when the buttons were
// set. A frame keeps the list of its control bars; a bar leaves the list when it is destroyed.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/afxwnd.h"

// Control-bar styles.
#define CBRS_ALIGN_LEFT 0x1000L
#define CBRS_ALIGN_TOP 0x2000L
#define CBRS_ALIGN_RIGHT 0x4000L
#define CBRS_ALIGN_BOTTOM 0x8000L
#define CBRS_ALIGN_ANY 0xF000L
#define CBRS_BORDER_LEFT 0x0100L
#define CBRS_BORDER_TOP 0x0200L
#define CBRS_BORDER_RIGHT 0x0400L
#define CBRS_BORDER_BOTTOM 0x0800L
#define CBRS_BORDER_ANY 0x0F00L
#define CBRS_TOOLTIPS 0x0010L
#define CBRS_FLYBY 0x0020L
#define CBRS_FLOAT_MULTI 0x0040L
#define CBRS_SIZE_FIXED 0x0002L
#define CBRS_SIZE_DYNAMIC 0x0004L
#define CBRS_FLOATING 0x0001L
#define CBRS_GRIPPER 0x00400000L
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)
#define CBRS_LEFT (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_RIGHT (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)
#define CBRS_ALL 0x0040FFFFL

// Toolbar control styles and button styles.
#define TBSTYLE_BUTTON 0x0000
#define TBSTYLE_SEP 0x0001
#define TBSTYLE_TOOLTIPS 0x0100
#define TBSTYLE_FLAT 0x0800
#define TBSTYLE_TRANSPARENT 0x8000
#define TBBS_BUTTON TBSTYLE_BUTTON
#define TBBS_SEPARATOR TBSTYLE_SEP
#define TBBS_DISABLED 0x04000000L

// Standard control-bar and dock-bar ids.
#define AFX_IDW_TOOLBAR 0xE800
#define AFX_IDW_DOCKBAR_TOP 0xE81B
#define AFX_IDW_DOCKBAR_LEFT 0xE81C
#define AFX_IDW_DOCKBAR_RIGHT 0xE81D
#define AFX_IDW_DOCKBAR_BOTTOM 0xE81E

// Image lists.
#define ILC_MASK 0x0001
#define ILC_COLOR 0x0000
#define ILC_COLOR24 0x0018
#define ILC_COLOR32 0x0020

#define RT_TOOLBAR MAKEINTRESOURCEW(241)

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

// A device-independent bitmap loaded from a module's resources (the bytes of a BMP file); only its size and
// depth are kept.
class CBitmap : public CObject {
public:
    // From the active resource module; FALSE when it holds no such bitmap or the bytes are no BMP.
    BOOL LoadBitmap(UINT id);
    int GetBitmap(BITMAP* info) const;
    BOOL DeleteObject();
    HANDLE GetSafeHandle() const {
        return m_loaded ? reinterpret_cast<HANDLE>(const_cast<CBitmap*>(this)) : nullptr;
    }

    UINT m_nResourceId = 0;  // which resource it came from (what a test compares)

private:
    bool m_loaded = false;
    LONG m_width = 0;
    LONG m_height = 0;
    WORD m_bitsPixel = 0;
};

// Images of one size; a bitmap adds as many as fit across its width.
class CImageList : public CObject {
public:
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // The index of the first image added; -1 when the list is not created or the bitmap does not fit.
    int Add(CBitmap* bitmap, CBitmap* mask);
    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    BOOL GetImageSize(int& cx, int& cy) const;
    BOOL DeleteImageList();
    HANDLE GetSafeHandle() const {
        return m_created ? reinterpret_cast<HANDLE>(const_cast<CImageList*>(this)) : nullptr;
    }

    UINT m_nFlags = 0;
    std::vector<UINT> m_images;  // the resource id of the bitmap each image came from

private:
    bool m_created = false;
    int m_cx = 0;
    int m_cy = 0;
};

class CFrameWnd;
class CToolBar;

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    ~CControlBar() override;

    DWORD GetBarStyle() const { return m_dwStyle; }
    void SetBarStyle(DWORD style) { m_dwStyle = style; }
    // The sides it may dock on (CBRS_ALIGN_...); 0 lets it neither dock nor float.
    void EnableDocking(DWORD dockStyle);
    void SetOwner(CWnd* owner) { m_pOwner = owner; }
    CWnd* GetOwner() const;
    BOOL IsFloating() const { return m_bFloating; }
    BOOL IsVisible() const { return IsWindowVisible(); }
    CFrameWnd* GetDockingFrame() const { return m_pDockSite; }
    // The idle update of the buttons' state against the target's command handlers.
    virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) = 0;

    DWORD m_dwStyle = 0;
    DWORD m_dwDockStyle = 0;
    CFrameWnd* m_pDockSite = nullptr;
    // Stand-in state: where it floats, or the dock bar it sits on (0 while floating or never docked).
    BOOL m_bFloating = FALSE;
    POINT m_ptFloat = {0, 0};
    UINT m_nDockBarId = 0;

protected:
    void AttachToFrame(CWnd* parent);
    void DetachFromFrame();
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    CWnd* m_pOwner = nullptr;
};

class CToolBarCtrl {
public:
    explicit CToolBarCtrl(CToolBar& bar) : m_bar(bar) {}
    CImageList* SetImageList(CImageList* list);
    CImageList* GetImageList() const { return m_pImageList; }
    int GetButtonCount() const;

private:
    CToolBar& m_bar;
    CImageList* m_pImageList = nullptr;
};

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar() : m_ctrl(*this) {}
    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR);
    BOOL CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT,
                  DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, RECT borders = {0, 0, 0, 0},
                  UINT id = AFX_IDW_TOOLBAR);
    // Buttons by id in order (ID_SEPARATOR, 0, makes a separator); button i shows image i.
    BOOL SetButtons(const UINT* ids, int count);
    void SetSizes(SIZE button, SIZE image);
    int GetCount() const { return static_cast<int>(m_buttons.size()); }
    UINT GetItemID(int index) const;
    int CommandToIndex(UINT id) const;
    void GetButtonInfo(int index, UINT& id, UINT& style, int& image) const;
    void SetButtonInfo(int index, UINT id, UINT style, int image);
    UINT GetButtonStyle(int index) const;
    void SetButtonStyle(int index, UINT style);
    CToolBarCtrl& GetToolBarCtrl() { return m_ctrl; }
    const CToolBarCtrl& GetToolBarCtrl() const { return m_ctrl; }
    DWORD GetControlStyle() const { return m_dwCtrlStyle; }

    // Enables each button that the target handles; with disableIfNoHandler off every button stays enabled.
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

    struct Button {
        UINT id = 0;
        UINT style = TBBS_BUTTON;
        int image = -1;
    };
    std::vector<Button> m_buttons;
    SIZE m_sizeButton = {23, 22};
    SIZE m_sizeImage = {16, 15};
    HINSTANCE m_hResources = nullptr;  // where the buttons' tips are found

private:
    // Hidden here: a toolbar is made by its own Create and CreateEx.
    using CControlBar::Create;
    using CControlBar::CreateEx;

    CToolBarCtrl m_ctrl;
    DWORD m_dwCtrlStyle = 0;
};

class CFrameWnd : public CWnd {
    DECLARE_DYNAMIC(CFrameWnd)
public:
    ~CFrameWnd() override;
    // The sides bars may dock on.
    void EnableDocking(DWORD dockStyle);
    // Floats the bar with its top-left corner at the screen point, laid out as the style says.
    void FloatControlBar(CControlBar* bar, POINT point, DWORD style = CBRS_ALIGN_TOP);
    // Docks the bar on a dock bar (AFX_IDW_DOCKBAR_...; 0: the first side both allow); nothing happens
    // when the frame or the bar does not allow that side.
    void DockControlBar(CControlBar* bar, UINT dockBarId = 0);
    void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
    void RecalcLayout(BOOL = TRUE) {}

    DWORD m_dwDockStyle = 0;
    std::vector<CControlBar*> m_listControlBars;
};

class CMDIFrameWnd : public CFrameWnd {
    DECLARE_DYNAMIC(CMDIFrameWnd)
};

namespace platform {

// A user's click on a toolbar button: WM_COMMAND(id) to its owner. False (and nothing sent) when the bar is
// hidden or gone, or the button is missing, a separator or disabled.
bool PressToolBarButton(CToolBar* bar, UINT id);
// The tip string of the button ("short name\ntip"), empty when there is none.
std::u16string ToolBarButtonTip(const CToolBar* bar, int index);
// The frame's idle update of its control bars (the host calls it when it goes idle).
void UpdateFrameControlBars(CFrameWnd* frame);

}  // namespace platform
