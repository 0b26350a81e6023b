// Frame windows, control bars, toolbars, image lists and bitmaps, headless (see afxext.h).
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/mfc/afxext.h"
#include "platform/mfc/mfc_internal.h"

namespace {

// A BMP file: "BM", then the info header at 14 (width at 18, height at 22, bits per pixel at 28).
constexpr size_t kBmpHeaderSize = 54;

int32_t ReadI32(const unsigned char* p) {
    int32_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint16_t ReadU16(const unsigned char* p) {
    uint16_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The side's align bit for a dock bar id, 0 for an unknown id.
DWORD AlignOfDockBar(UINT dockBarId) {
    switch (dockBarId) {
        case AFX_IDW_DOCKBAR_TOP:
            return CBRS_ALIGN_TOP;
        case AFX_IDW_DOCKBAR_BOTTOM:
            return CBRS_ALIGN_BOTTOM;
        case AFX_IDW_DOCKBAR_LEFT:
            return CBRS_ALIGN_LEFT;
        case AFX_IDW_DOCKBAR_RIGHT:
            return CBRS_ALIGN_RIGHT;
        default:
            return 0;
    }
}

}  // namespace

// ---- Bitmaps and image lists ----

BOOL CBitmap::LoadBitmap(UINT id) {
    DeleteObject();
    const HINSTANCE module = AfxGetResourceHandle();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
    if (found == nullptr) {
        return FALSE;
    }
    const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    const DWORD size = SizeofResource(module, found);
    if (bytes == nullptr || size < kBmpHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
        return FALSE;
    }
    const int32_t width = ReadI32(bytes + 18);
    const int32_t height = ReadI32(bytes + 22);
    const uint16_t bits = ReadU16(bytes + 28);
    if (width <= 0 || height == 0 || (bits != 24 && bits != 32)) {
        return FALSE;
    }
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits / 8 + 3) / 4 * 4;
    const uint64_t pixelBytes = rowBytes * static_cast<uint64_t>(height < 0 ? -int64_t{height} : height);
    const int32_t pixelsAt = ReadI32(bytes + 10);
    if (pixelsAt < 0 || static_cast<uint64_t>(pixelsAt) > size ||
        pixelBytes > size - static_cast<uint64_t>(pixelsAt)) {
        return FALSE;  // the pixels run past the resource
    }
    m_loaded = true;
    m_width = width;
    m_height = height < 0 ? -height : height;
    m_bitsPixel = bits;
    m_nResourceId = id;
    return TRUE;
}

int CBitmap::GetBitmap(BITMAP* info) const {
    if (!m_loaded || info == nullptr) {
        return 0;
    }
    *info = BITMAP{0, m_width,     m_height, static_cast<LONG>((m_width * m_bitsPixel / 8 + 3) / 4 * 4),
                   1, m_bitsPixel, nullptr};
    return static_cast<int>(sizeof(BITMAP));
}

BOOL CBitmap::DeleteObject() {
    const BOOL had = m_loaded ? TRUE : FALSE;
    m_loaded = false;
    m_width = m_height = 0;
    m_bitsPixel = 0;
    m_nResourceId = 0;
    return had;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int, int) {
    if (m_created || cx <= 0 || cy <= 0) {
        return FALSE;
    }
    m_created = true;
    m_cx = cx;
    m_cy = cy;
    m_nFlags = flags;
    return TRUE;
}

int CImageList::Add(CBitmap* bitmap, CBitmap*) {
    BITMAP info{};
    if (!m_created || bitmap == nullptr || bitmap->GetBitmap(&info) == 0 || info.bmHeight != m_cy ||
        info.bmWidth < m_cx) {
        return -1;
    }
    const int first = GetImageCount();
    for (LONG i = 0; i < info.bmWidth / m_cx; ++i) {
        m_images.push_back(bitmap->m_nResourceId);
    }
    return first;
}

BOOL CImageList::GetImageSize(int& cx, int& cy) const {
    if (!m_created) {
        return FALSE;
    }
    cx = m_cx;
    cy = m_cy;
    return TRUE;
}

BOOL CImageList::DeleteImageList() {
    const BOOL had = m_created ? TRUE : FALSE;
    m_created = false;
    m_images.clear();
    return had;
}

// ---- Control bars ----

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_WM_DESTROY()
END_MESSAGE_MAP()

CControlBar::~CControlBar() {
    DetachFromFrame();
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        DestroyWindow();
    }
}

void CControlBar::EnableDocking(DWORD dockStyle) {
    m_dwDockStyle = dockStyle & CBRS_ALIGN_ANY;
}

CWnd* CControlBar::GetOwner() const {
    return m_pOwner != nullptr ? m_pOwner : GetParent();
}

void CControlBar::AttachToFrame(CWnd* parent) {
    if (parent != nullptr && parent->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
        m_pDockSite = static_cast<CFrameWnd*>(parent);
        m_pDockSite->m_listControlBars.push_back(this);
    }
}

void CControlBar::DetachFromFrame() {
    if (m_pDockSite != nullptr) {
        auto& bars = m_pDockSite->m_listControlBars;
        bars.erase(std::remove(bars.begin(), bars.end(), this), bars.end());
        m_pDockSite = nullptr;
    }
}

void CControlBar::OnDestroy() {
    DetachFromFrame();
    Default();
}

// ---- Toolbars ----

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

CImageList* CToolBarCtrl::SetImageList(CImageList* list) {
    CImageList* previous = m_pImageList;
    m_pImageList = list;
    return previous;
}

int CToolBarCtrl::GetButtonCount() const {
    return m_bar.GetCount();
}

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) {
    return CreateEx(parent, 0, style, RECT{0, 0, 0, 0}, id);
}

BOOL CToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, RECT, UINT id) {
    if (parent == nullptr || m_hWnd != nullptr) {
        return FALSE;
    }
    m_dwStyle = style & CBRS_ALL;
    m_dwCtrlStyle = ctrlStyle;
    const DWORD windowStyle = (style & ~static_cast<DWORD>(CBRS_ALL)) | WS_CHILD;
    if (!CWnd::CreateEx(0, nullptr, u"", windowStyle, RECT{0, 0, 0, 0}, parent, id)) {
        return FALSE;
    }
    AttachToFrame(parent);
    return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* ids, int count) {
    if (count < 0 || (ids == nullptr && count > 0)) {
        return FALSE;
    }
    m_buttons.clear();
    int image = 0;
    for (int i = 0; i < count; ++i) {
        if (ids[i] == 0) {
            m_buttons.push_back(Button{0, TBBS_SEPARATOR, -1});
        } else {
            m_buttons.push_back(Button{ids[i], TBBS_BUTTON, image++});
        }
    }
    m_hResources = AfxGetResourceHandle();
    return TRUE;
}

void CToolBar::SetSizes(SIZE button, SIZE image) {
    m_sizeButton = button;
    m_sizeImage = image;
}

UINT CToolBar::GetItemID(int index) const {
    return index >= 0 && index < GetCount() ? m_buttons[static_cast<size_t>(index)].id : 0;
}

int CToolBar::CommandToIndex(UINT id) const {
    for (int i = 0; i < GetCount(); ++i) {
        if (m_buttons[static_cast<size_t>(i)].id == id) {
            return i;
        }
    }
    return -1;
}

void CToolBar::GetButtonInfo(int index, UINT& id, UINT& style, int& image) const {
    if (index < 0 || index >= GetCount()) {
        throw std::logic_error("GetButtonInfo: no button at that index");
    }
    const Button& b = m_buttons[static_cast<size_t>(index)];
    id = b.id;
    style = b.style;
    image = b.image;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image) {
    if (index < 0 || index >= GetCount()) {
        throw std::logic_error("SetButtonInfo: no button at that index");
    }
    m_buttons[static_cast<size_t>(index)] = Button{id, style, image};
}

UINT CToolBar::GetButtonStyle(int index) const {
    return index >= 0 && index < GetCount() ? m_buttons[static_cast<size_t>(index)].style : 0;
}

void CToolBar::SetButtonStyle(int index, UINT style) {
    if (index >= 0 && index < GetCount()) {
        m_buttons[static_cast<size_t>(index)].style = style;
    }
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
    for (Button& b : m_buttons) {
        if ((b.style & TBBS_SEPARATOR) != 0) {
            continue;
        }
        const bool handled = target != nullptr && target->HasCommandHandler(b.id);
        if (handled || !disableIfNoHandler) {
            b.style &= ~static_cast<UINT>(TBBS_DISABLED);
        } else {
            b.style |= TBBS_DISABLED;
        }
    }
}

// ---- Frames ----

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)
IMPLEMENT_DYNAMIC(CMDIFrameWnd, CFrameWnd)

CFrameWnd::~CFrameWnd() {
    for (CControlBar* bar : m_listControlBars) {
        bar->m_pDockSite = nullptr;  // the bars outlive their frame only as objects
    }
    m_listControlBars.clear();
}

void CFrameWnd::EnableDocking(DWORD dockStyle) {
    m_dwDockStyle = dockStyle & CBRS_ALIGN_ANY;
}

// The real framework asserts that the bar can dock (EnableDocking) before it floats; so does this one.
void CFrameWnd::FloatControlBar(CControlBar* bar, POINT point, DWORD style) {
    if (bar == nullptr || bar->m_pDockSite != this || bar->m_dwDockStyle == 0) {
        throw std::logic_error("FloatControlBar: the bar is not a dockable bar of this frame");
    }
    bar->m_bFloating = TRUE;
    bar->m_ptFloat = point;
    bar->m_nDockBarId = 0;
    bar->m_dwStyle = (bar->m_dwStyle & ~static_cast<DWORD>(CBRS_ALIGN_ANY)) | (style & CBRS_ALIGN_ANY);
}

void CFrameWnd::DockControlBar(CControlBar* bar, UINT dockBarId) {
    if (bar == nullptr || bar->m_pDockSite != this) {
        throw std::logic_error("DockControlBar: the bar is not a bar of this frame");
    }
    const DWORD allowed = m_dwDockStyle & bar->m_dwDockStyle;
    if (dockBarId == 0) {
        for (UINT id :
             {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT}) {
            if ((allowed & AlignOfDockBar(id)) != 0) {
                dockBarId = id;
                break;
            }
        }
    }
    const DWORD align = AlignOfDockBar(dockBarId);
    if (align == 0 || (allowed & align) == 0) {
        return;
    }
    bar->m_bFloating = FALSE;
    bar->m_nDockBarId = dockBarId;
    bar->m_dwStyle = (bar->m_dwStyle & ~static_cast<DWORD>(CBRS_ALIGN_ANY)) | align;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL) {
    if (bar != nullptr && bar->m_hWnd != nullptr) {
        bar->ShowWindow(show ? SW_SHOW : SW_HIDE);
    }
}

// ---- Test hooks ----

namespace platform {

bool PressToolBarButton(CToolBar* bar, UINT id) {
    if (bar == nullptr || bar->m_hWnd == nullptr || !IsWindow(bar->m_hWnd) || !bar->IsWindowVisible()) {
        return false;
    }
    const int index = bar->CommandToIndex(id);
    if (id == 0 || index < 0 || (bar->GetButtonStyle(index) & (TBBS_SEPARATOR | TBBS_DISABLED)) != 0) {
        return false;
    }
    CWnd* owner = bar->GetOwner();
    if (owner == nullptr || owner->m_hWnd == nullptr) {
        return false;
    }
    ::SendMessageW(owner->m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(bar->m_hWnd));
    return true;
}

std::u16string ToolBarButtonTip(const CToolBar* bar, int index) {
    const UINT id = bar != nullptr ? bar->GetItemID(index) : 0;
    if (id == 0) {
        return {};
    }
    const char16_t* text = nullptr;
    const int length = LoadStringW(bar->m_hResources, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text != nullptr ? std::u16string(text, static_cast<size_t>(length))
                                         : std::u16string();
}

void UpdateFrameControlBars(CFrameWnd* frame) {
    if (frame == nullptr) {
        return;
    }
    // A bar's update may not add or remove bars; a copy keeps the walk safe if it does.
    const std::vector<CControlBar*> bars = frame->m_listControlBars;
    for (CControlBar* bar : bars) {
        bar->OnUpdateCmdUI(frame, TRUE);
    }
}

}  // namespace platform
